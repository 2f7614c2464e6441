// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows build's whole chain with nothing simulated: a sound server plays the
// open-strings recording in a loop, winmm (Wine's driver) delivers it, and the real window,
// on a real display, measures it for sixteen seconds. Every string of the recording must
// be named steadily for a while, by the label and by the meter panel, and the tuning label
// stay near zero while it is.
// Run by run-with-sound-server --on-xvfb. The sound starts a second or two after the
// device under Wine, and the loop of the recording is not in step with the test, so what
// counts is how long each note holds, not when.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <map>

#include "capture/measuring_loop.h"
#include "capture/system_wave_input.h"
#include "shown_messages.h"
#include "support/queued_press.h"
#include "tuning_readings.h"
#include "window/auto_size_label.h"
#include "window/form1.h"
#include "window/meter/meter_display.h"
#include "window/meter/meter_panel.h"
#include "window/push_button.h"
#include "window/settings_store.h"

namespace {

// Each string rings two seconds; the Linux test sees it named for 1.3 s of them.
constexpr double kSteady = 1.0;

struct Sighting {
  double seconds;  // since Start
  QString note;
  QString tuning;
  QString meterNote;  // the note the meter panel shows ("" at rest)
};

TEST(EndToEndWinmm, NamesEveryOpenStringSteadilyAndInTune) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  std::unique_ptr<WaveInput> waveInput = CreateSystemWaveInput();
  QSettingsStore settings(OpenSettingsFile(folder.filePath("settings.conf")));
  ShownMessages messages;
  Form1 form(Form1Services{*waveInput, settings, messages, folder.path()});
  form.Form_Load();
  ASSERT_FALSE(form.ProgramEnded()) << "no capture device: is the sound server running?";
  form.lstNumberofPoints->setCurrentRow(2);  // 4096 points
  form.lstAudioDevices->setCurrentRow(0);    // the sound server's default input
  form.show();

  QElapsedTimer sinceStart;
  std::vector<Sighting> sightings;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    const QString note = form.lblNote->Caption();
    const QString tuning = form.lblTuning->Caption();
    const QString meterNote = form.Meter->Display()->NoteText();
    if (sightings.empty() || sightings.back().note != note || sightings.back().tuning != tuning ||
        sightings.back().meterNote != meterNote)
      sightings.push_back({static_cast<double>(sinceStart.elapsed()) / 1000.0, note, tuning, meterNote});
  });
  QTimer::singleShot(16000, [&] { PostPress(form.PushButton2); });
  sinceStart.start();
  watcher.start(5);
  PostPress(form.PushButton2);
  QCoreApplication::processEvents();  // returns when the Stop press has ended the loop
  watcher.stop();
  sightings.push_back({static_cast<double>(sinceStart.elapsed()) / 1000.0, "", "", ""});

  EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().toStdString();
  EXPECT_EQ(form.PushButton2->Caption(), "Start");
  EXPECT_FALSE(form.Measuring->Running);

  // Calls back with [first, next) for each unbroken showing of one value of `shown`; the
  // last sighting (at Stop) only ends the last showing.
  const auto forEachShowing = [&](QString Sighting::*shown, const auto& showing) {
    for (std::size_t first = 0; first + 1 < sightings.size();) {
      std::size_t next = first + 1;
      while (next + 1 < sightings.size() && sightings[next].*shown == sightings[first].*shown) ++next;
      showing(first, next, sightings[next].seconds - sightings[first].seconds);
      first = next;
    }
  };
  // The longest unbroken showing of each note, and the tuning readings of a steady showing
  // once its attack is over.
  std::map<QString, double> longest;
  std::vector<int> magnitudes;
  forEachShowing(&Sighting::note, [&](std::size_t first, std::size_t next, double held) {
    longest[sightings[first].note] = std::max(longest[sightings[first].note], held);
    if (held >= kSteady && sightings[first].note.startsWith("Note: ")) {
      for (std::size_t k = first; k < next; ++k)
        if (sightings[k].seconds >= sightings[first].seconds + 0.3)
          magnitudes.push_back(CentsOff(sightings[k].tuning));
    }
  });
  // The meter holds a note through blocks without one: it shows each string at least as
  // long.
  std::map<QString, double> longestOnMeter;
  forEachShowing(&Sighting::meterNote, [&](std::size_t first, std::size_t, double held) {
    longestOnMeter[sightings[first].meterNote] = std::max(longestOnMeter[sightings[first].meterNote], held);
  });
  for (const char* note : {"E2", "A2", "D3", "G3", "B3", "E4"}) {
    const double held = longest[QString("Note: ") + note];
    std::printf("%s held for %.2f s at most (the meter: %.2f s)\n", note, held, longestOnMeter[note]);
    EXPECT_GE(held, kSteady) << note << " was not named steadily";
    EXPECT_GE(longestOnMeter[note], kSteady) << note << " was not shown steadily by the meter";
  }
  ExpectSteadilyInTune(magnitudes, "a note shows");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
