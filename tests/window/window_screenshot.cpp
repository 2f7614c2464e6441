// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a picture of the main window as it opens, for the README:
//   window_screenshot <output.png> [skin file] [--reading HZ]
// The window runs offscreen over two simulated microphones and a throw-away settings
// file; a skin file given here is placed where the program looks for it. With --reading,
// the labels show HZ and the meter a string that settled on it over six seconds.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tests/support/simulated_wave_input.h"
#include "analysis/note_naming.h"
#include "readings/result_captions.h"
#include "window/app_title.h"
#include "window/auto_size_label.h"
#include "window/form1.h"
#include "window/message_service.h"
#include "window/meter/meter_panel.h"
#include "window/settings_store.h"

namespace {

class PrintedMessages : public MessageService {
 public:
  void ShowMessage(const QString& text) override { std::printf("%s\n", qPrintable(text)); }
  void ShowError(const ErrorReport& report) override {
    std::printf("%s\n", ErrorDialogText(report).c_str());
  }
};

// What the window shows after six seconds of a string at `frequency`, plucked sharp.
void ShowSettledString(Form1& form, double frequency) {
  form.lblFrequency->SetCaption(QString::fromStdString(FrequencyCaption(frequency)));
  form.lblNote->SetCaption(QString::fromStdString("Note: " + Note_Octave(GetMIDINoteNumber(frequency))));
  form.lblTuning->SetCaption(QString::fromStdString("Tuning: " + Tuning(frequency)));
  form.Meter->SetMeasuring(true);
  const double block = 1024.0 / 44100.0;
  for (double t = 0; t < 6.0; t += block) {
    BlockReading reading;
    reading.frequency = frequency * std::exp2((10.0 * std::exp(-t / 1.2) + 0.3 * std::sin(9 * t)) / 1200.0);
    reading.noteNumber = GetMIDINoteNumber(reading.frequency);
    reading.cents = CentsFromNote(reading.frequency, reading.noteNumber);
    form.Meter->ShowReading(reading, MeterClock::time_point(std::chrono::milliseconds(std::lround(1000 * t))));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QCoreApplication::setApplicationName(kProductTitle);
  double reading = 0.0;
  if (argc >= 4 && std::strcmp(argv[argc - 2], "--reading") == 0) {
    reading = std::atof(argv[argc - 1]);
    argc -= 2;
  }
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: window_screenshot <output.png> [skin file] [--reading HZ]\n");
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
  if (reading > 0.0) {
    ShowSettledString(form, reading);
    QTest::qWait(100);  // the meter's last repaint may be held back a little
  }
  return form.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
