// SPDX-License-Identifier: GPL-3.0-or-later
// SIGTERM, SIGINT and SIGHUP reach the window through a pipe: the handler only writes a
// byte (safe inside a signal handler), and the event loop turns it into a close request.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "app/close_requests.h"

namespace {

int requestPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  // A full pipe already holds a request; nothing is lost by dropping this one.
  [[maybe_unused]] const ssize_t written = write(requestPipe[1], &byte, 1);
}

}  // namespace

void CloseOnTerminationRequests(QWidget& window) {
  if (pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // signals keep their default
  // A close during a measurement only stops it; the request stands until it succeeds.
  auto* retry = new QTimer(&window);
  retry->setInterval(100);
  QObject::connect(retry, &QTimer::timeout, &window, [&window, retry] {
    if (window.close()) retry->stop();
  });
  auto* notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, retry] {
    char bytes[64];
    while (read(requestPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (!window.close()) retry->start();
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
}
