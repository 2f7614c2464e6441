// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a picture of the main window as it opens, for the README:
//   window_screenshot <output.png> [skin file]
// The window runs offscreen over two simulated microphones and a throw-away settings
// file; a skin file given here is placed where the program looks for it.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "tests/support/simulated_wave_input.h"
#include "window/app_title.h"
#include "window/form1.h"
#include "window/message_service.h"
#include "window/settings_store.h"

namespace {

class PrintedMessages : public MessageService {
 public:
  void ShowMessage(const QString& text) override { std::printf("%s\n", qPrintable(text)); }
  void ShowError(const ErrorReport& report) override {
    std::printf("%s\n", ErrorDialogText(report).c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QCoreApplication::setApplicationName(kProductTitle);
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_screenshot <output.png> [skin file]\n");
    return 2;
  }
  QTemporaryDir folder;
  if (argc > 2) {
    QDir(folder.path()).mkpath("x");
    if (!QFile::copy(QString::fromLocal8Bit(argv[2]), folder.filePath("x/o.cjs"))) return 1;
  }
  std::vector<SimulatedDevice> devices(2);
  devices[0].name = "Microphone (USB Audio Device)";
  devices[1].name = "Line In (High Definition Audio)";
  SimulatedWaveInput waveInput(std::move(devices));
  QSettingsStore settings(OpenSettingsFile(folder.filePath("settings.conf")));
  PrintedMessages messages;
  Form1 form(Form1Services{waveInput, settings, messages, folder.path(), kProductTitle});
  form.Form_Load();
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return 1;
  return form.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
