// SPDX-License-Identifier: GPL-3.0-or-later
// One block through the analysis, as the measuring loop hands it over: the frequency it
// returns, the tuning caption it writes ("untouched" when it writes none) and why it gives
// no reading.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/fourier_transform.h"
#include "support/signals.h"

namespace test_signals {

struct Reading {
  double frequency = 0;
  std::string tuningCaption = "untouched";
  NoReading reason = NoReading::None;
};

inline Reading Analyse(const std::vector<std::int16_t>& block, std::int32_t rate = 44100) {
  PitchAnalysis analysis;
  Reading reading;
  analysis.SetTuningCaption = [&](const std::string& caption) { reading.tuningCaption = caption; };
  const auto table = BitReversal(static_cast<std::int32_t>(block.size() / 2));
  reading.frequency = analysis.DominantFrequency(CaptureBuffer(block), table, rate);
  reading.reason = analysis.NoReadingReason;
  return reading;
}

}  // namespace test_signals
