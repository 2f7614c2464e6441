// SPDX-License-Identifier: GPL-3.0-or-later
// Processor time of one picture of the meter panel while a note is held, after a block
// has moved the needle, the strobe and the history: the whole display painted into an
// image, and the repaint of what changed in a shown window (offscreen). At 25 pictures
// a second, 0.4 ms is 1 % of a core.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "window/meter/meter_display.h"
#include "window/meter/meter_model.h"

namespace {

BlockReading Reading(double cents) {
  BlockReading reading;
  reading.noteNumber = 45;
  reading.cents = cents;
  reading.frequency = 110.0 * std::exp2(cents / 1200.0);
  return reading;
}

// A note held a little sharp, wavering, with a full history.
struct HeldNote {
  MeterModel model;
  double t = 0.0;
  HeldNote() {
    while (t < 12.0) Next();
  }
  void Next() {
    model.Show(Reading(4.0 + std::sin(7 * t)), MeterClock::time_point(std::chrono::microseconds(std::lround(1e6 * t))));
    t += 1024.0 / 44100.0;
  }
};

void BM_PaintWholePicture(benchmark::State& state) {
  HeldNote note;
  MeterDisplay display(note.model, nullptr);
  display.resize(display.sizeHint());
  QImage image(display.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    note.Next();
    display.render(&image);
  }
}
BENCHMARK(BM_PaintWholePicture)->Unit(benchmark::kMicrosecond);

void BM_RepaintWhatChanged(benchmark::State& state) {
  HeldNote note;
  MeterDisplay display(note.model, nullptr);
  display.resize(display.sizeHint());
  display.show();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    note.Next();
    display.Refresh();
    QCoreApplication::processEvents();  // repaints the parts Refresh marked
  }
}
BENCHMARK(BM_RepaintWhatChanged)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
