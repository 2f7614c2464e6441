// The whole chain with nothing simulated: a sound server plays the open-strings
// recording, ALSA's pulse plugin delivers it to our ALSA backend, and the real window
// measures it. The recording's six notes start every two seconds; the note label must
// name each in turn and the tuning label stay near zero while it does.
// Run by run-end-to-end, which starts a private sound server around this program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <sys/resource.h>

#include "capture/measuring_loop.h"
#include "capture/system_wave_input.h"
#include "support/queued_press.h"
#include "window/auto_size_label.h"
#include "window/form1.h"
#include "window/message_service.h"
#include "window/push_button.h"
#include "window/settings_store.h"

namespace {

class RecordingMessages : public MessageService {
 public:
  std::vector<QString> shown;
  void ShowMessage(const QString& text) override { shown.push_back(text); }
  void ShowError(const ErrorReport& report) override {
    shown.push_back(QString::fromStdString(ErrorDialogText(report)));
  }
};


double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Sighting {
  double seconds;  // since the recording started playing
  QString note;
  QString tuning;
};

TEST(EndToEnd, NamesEachOpenStringInTurnFromTheSoundServer) {
  const QString recording = qEnvironmentVariable("CORVANDEL_RECORDING");
  ASSERT_FALSE(recording.isEmpty()) << "run this through run-end-to-end";
  ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER")) << "no private sound server";

  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  std::unique_ptr<WaveInput> waveInput = CreateSystemWaveInput();
  QSettingsStore settings(OpenSettingsFile(folder.filePath("settings.conf")));
  RecordingMessages messages;
  Form1 form(Form1Services{*waveInput, settings, messages, folder.path()});
  form.Form_Load();
  ASSERT_FALSE(form.ProgramEnded()) << "no capture device: "
                                    << (messages.shown.empty() ? "" : messages.shown[0].toStdString());
  form.lstNumberofPoints->setCurrentRow(2);  // 4096 points
  form.lstAudioDevices->setCurrentRow(0);    // the system's default input: the sound server
  form.show();

  QProcess player;
  QElapsedTimer sincePlaying;
  std::vector<Sighting> sightings;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    const QString note = form.lblNote->Caption();
    const QString tuning = form.lblTuning->Caption();
    if (sightings.empty() || sightings.back().note != note || sightings.back().tuning != tuning)
      sightings.push_back({static_cast<double>(sincePlaying.elapsed()) / 1000.0, note, tuning});
  });
  QTimer::singleShot(12500, [&] { PostPress(form.PushButton2); });
  player.start("paplay", {"--device=tuner_feed", recording});
  ASSERT_TRUE(player.waitForStarted(5000));
  sincePlaying.start();
  watcher.start(5);
  PostPress(form.PushButton2);
  const double cpuBefore = ProcessCpuSeconds();
  QElapsedTimer measuring;
  measuring.start();
  QCoreApplication::processEvents();  // returns when the Stop press has ended the loop
  const double cpuShare = (ProcessCpuSeconds() - cpuBefore) / (static_cast<double>(measuring.elapsed()) / 1000.0);
  watcher.stop();
  player.waitForFinished(3000);
  std::printf("CPU while measuring: %.1f%% of one core over %.1f s\n", 100 * cpuShare,
              static_cast<double>(measuring.elapsed()) / 1000.0);

  EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().toStdString();
  EXPECT_EQ(form.PushButton2->Caption(), "Start");
  EXPECT_FALSE(form.Measuring->Running);

  // The note label at a moment of the recording.
  const auto noteAt = [&](double seconds) {
    QString note;
    for (const Sighting& s : sightings)
      if (s.seconds <= seconds) note = s.note;
    return note;
  };
  const char* notes[] = {"E2", "A2", "D3", "G3", "B3", "E4"};
  std::vector<int> cents;
  for (int string = 0; string < 6; ++string) {
    const QString expected = QString("Note: ") + notes[string];
    const double onset = 2.0 * string;
    const auto named = std::find_if(sightings.begin(), sightings.end(), [&](const Sighting& s) {
      return s.note == expected && s.seconds >= onset - 0.1;
    });
    ASSERT_NE(named, sightings.end()) << notes[string] << " was never named";
    EXPECT_LT(named->seconds, onset + 1.5) << notes[string] << " named late";
    // While the string sounds on, the label names it.
    int right = 0;
    int moments = 0;
    for (double t = onset + 0.6; t < onset + 1.9; t += 0.05, ++moments) right += noteAt(t) == expected;
    EXPECT_GE(right, moments * 9 / 10) << notes[string] << " shown only " << right << " of " << moments;
    std::printf("%s named %.2f s after its onset, shown %d of %d moments of its sustain\n",
                notes[string], named->seconds - onset, right, moments);
    for (const Sighting& s : sightings)
      if (s.note == expected && s.seconds > onset + 0.3 && s.seconds < onset + 1.8)
        cents.push_back(s.tuning.mid(8).replace(QChar(0x00B1), "").toInt());
  }
  ASSERT_FALSE(cents.empty());
  std::vector<int> magnitudes;
  for (int c : cents) magnitudes.push_back(std::abs(c));
  std::sort(magnitudes.begin(), magnitudes.end());
  const int median = magnitudes[magnitudes.size() / 2];
  const int ninetieth = magnitudes[magnitudes.size() * 9 / 10];
  std::printf("tuning while the right note shows: median %d cents, 90th percentile %d cents (%zu readings)\n",
              median, ninetieth, magnitudes.size());
  EXPECT_LE(median, 3);
  EXPECT_LE(ninetieth, 6);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
