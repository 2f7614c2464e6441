// SPDX-License-Identifier: GPL-3.0-or-later
// What the window paints while it measures a scripted sequence of notes: every caption fits
// its label, the three captions on screen always come from one block, and at 2048 and 4096
// points every block's reading reaches the screen.
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>

#include "analysis/fourier_transform.h"
#include "readings/reading_pipeline.h"
#include "support/queued_press.h"
#include "window/auto_size_label.h"
#include "window/push_button.h"
#include "window_test_support.h"

namespace {

constexpr int kScriptBlocks = 24;

// One note per block, each with its own name and its own deviation, so that neighbouring
// blocks never share a caption.
double ScriptedFrequency(int block) {
  const int note = 45 + (block * 7) % 24;
  const double cents = -40.0 + (block * 13) % 80;
  return 440.0 * std::pow(2.0, (note - 69 + cents / 100.0) / 12.0);
}

std::int16_t ScriptedSample(std::uint64_t n, int N) {
  const auto block = static_cast<int>(n / static_cast<std::uint64_t>(N));
  if (block >= kScriptBlocks) return 0;
  return static_cast<std::int16_t>(std::lround(9000.0 * std::sin(kTwoPi * ScriptedFrequency(block) * static_cast<double>(n) / 44100.0)));
}

struct Screen {
  QString frequency, note, tuning;
  bool operator==(const Screen&) const = default;
};

// Records each paint of the three result labels, numbered by the window's update pass.
class PaintRecorder : public QObject {
 public:
  struct Paint {
    int pass;
    QString Screen::*caption;
    QString text;
    bool fits;
  };
  explicit PaintRecorder(Form1& form) : form_(form) {
    form.installEventFilter(this);
    form.windowHandle()->installEventFilter(this);
    for (AutoSizeLabel* label : {form.lblFrequency, form.lblNote, form.lblTuning}) label->installEventFilter(this);
  }
  std::vector<Paint> paints;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest) ++pass_;
    if (event->type() != QEvent::Paint) return false;
    const auto* label = qobject_cast<AutoSizeLabel*>(watched);
    if (label == nullptr) return false;
    QString Screen::*caption = label == form_.lblFrequency ? &Screen::frequency
                               : label == form_.lblNote    ? &Screen::note
                                                           : &Screen::tuning;
    const bool fits = label->fontMetrics().horizontalAdvance(label->Caption()) <= label->contentsRect().width();
    paints.push_back({pass_, caption, label->Caption(), fits});
    return false;
  }

 private:
  Form1& form_;
  int pass_ = 0;
};

struct DisplayCase {
  std::string name;
  int points;
  bool everyBlockShown;
  friend void PrintTo(const DisplayCase& c, std::ostream* out) { *out << c.name; }
};

class ReadingDisplayTest : public WindowTest, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(ReadingDisplayTest, ShowsOneBlockWholeAtATime) {
  const int N = GetParam().points;
  SimulatedDevice device;
  device.name = "Microphone";
  device.source = [N](std::uint64_t n) { return ScriptedSample(n, N); };
  waveInput = std::make_unique<SimulatedWaveInput>(std::vector<SimulatedDevice>{device},
                                                   SimulatedWaveInput::Pacing::RealTime);
  StoreSetting(QString::number(N == 1024 ? 0 : N == 2048 ? 1 : 2));
  auto form = LoadedForm();
  form->show();
  const Screen before{form->lblFrequency->Caption(), form->lblNote->Caption(), form->lblTuning->Caption()};
  PaintRecorder recorder(*form);
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (waveInput->BuffersCompleted() < static_cast<std::uint64_t>(kScriptBlocks)) return;
    stopper.stop();
    PostPress(form->PushButton2);
  });
  stopper.start(5);
  PostPress(form->PushButton2);
  QCoreApplication::processEvents();  // the start press: returns once the loop has ended
  QTest::qWait(100);                  // the last block's paint, if it waited

  // What each block leaves on screen, read again from the blocks the device gave.
  ReadingPipeline pipeline(44100);
  const std::vector<std::int32_t> table = BitReversal(N / 2);
  std::vector<std::int16_t> samples(2 * static_cast<std::size_t>(N));
  std::vector<Screen> blocks;
  Screen shown = before;
  for (const std::uint64_t start : waveInput->DeliveredBlockStarts()) {
    for (int k = 0; k < N; ++k) samples[static_cast<std::size_t>(k)] = ScriptedSample(start + static_cast<std::uint64_t>(k), N);
    const BlockReading reading = pipeline.Read(samples, table, start);
    shown.frequency = QString::fromStdString(reading.frequencyCaption);
    if (reading.noteCaption) shown.note = QString::fromStdString(*reading.noteCaption);
    if (reading.tuningCaption) shown.tuning = QString::fromStdString(*reading.tuningCaption);
    blocks.push_back(shown);
  }
  ASSERT_GE(blocks.size(), static_cast<std::size_t>(kScriptBlocks));

  Screen screen = before;
  std::vector<bool> blockShown(blocks.size(), false);
  for (std::size_t i = 0; i < recorder.paints.size(); ++i) {
    const PaintRecorder::Paint& paint = recorder.paints[i];
    EXPECT_TRUE(paint.fits) << paint.text.toStdString() << " does not fit its label";
    screen.*paint.caption = paint.text;
    if (i + 1 < recorder.paints.size() && recorder.paints[i + 1].pass == paint.pass) continue;
    // The pass is over: what it left on screen is one block's, whole.
    const auto block = std::find(blocks.begin(), blocks.end(), screen);
    ASSERT_TRUE(screen == before || block != blocks.end())
        << "pass " << paint.pass << " shows " << screen.frequency.toStdString() << " | "
        << screen.note.toStdString() << " | " << screen.tuning.toStdString();
    for (std::size_t k = 0; k < blocks.size(); ++k)
      if (blocks[k] == screen) blockShown[k] = true;
  }
  if (!GetParam().everyBlockShown) return;
  for (std::size_t k = 0; k < blocks.size(); ++k)
    EXPECT_TRUE(blockShown[k]) << "block " << k << " (" << blocks[k].frequency.toStdString() << ") never shown";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReadingDisplayTest,
                         ::testing::Values(DisplayCase{"N1024", 1024, false}, DisplayCase{"N2048", 2048, true},
                                           DisplayCase{"N4096", 4096, true}),
                         CaseName());

}  // namespace
