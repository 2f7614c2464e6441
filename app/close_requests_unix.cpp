// SPDX-License-Identifier: GPL-3.0-or-later
// SIGTERM, SIGINT and SIGHUP reach the window through a pipe: the handler only writes a
// byte (safe inside a signal handler), and the event loop turns it into a close request.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "app/close_requests.h"

namespace {

int requestPipe[2] = {-1, -1};
bool requested = false;  // the main thread's own

void OnTerminationSignal(int) {
  const char byte = 1;
  // A full pipe already holds a request; nothing is lost by dropping this one.
  [[maybe_unused]] const ssize_t written = write(requestPipe[1], &byte, 1);
}

// Closes the window, or while start-up still runs (the window not yet shown) the dialog
// it has open: each start-up dialog is modal and runs the event loop that brings the
// request. True once the window has closed.
bool CloseForRequest(QWidget& window) {
  if (window.isVisible()) return window.close();
  if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
  return false;
}

}  // namespace

void CatchTerminationRequests() {
  if (pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // signals keep their default
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
}

void CloseOnTerminationRequests(QWidget& window) {
  if (requestPipe[0] < 0) return;
  // A close during a measurement only stops it, and start-up may show one dialog after
  // another: the request stands until the window has closed or start-up has ended.
  auto* retry = new QTimer(&window);
  retry->setInterval(100);
  QObject::connect(retry, &QTimer::timeout, &window, [&window, retry] {
    if (CloseForRequest(window)) retry->stop();
  });
  auto* notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, retry] {
    TerminationRequested();  // empties the pipe
    if (!CloseForRequest(window)) retry->start();
  });
}

bool TerminationRequested() {
  char bytes[64];
  while (requestPipe[0] >= 0 && read(requestPipe[0], bytes, sizeof bytes) > 0) requested = true;
  return requested;
}
