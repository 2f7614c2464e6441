// SPDX-License-Identifier: GPL-3.0-or-later
// One block through the tuner: the mains hum taken out, the analysis, and the block's
// reading with the labels' captions. The measuring loop and corvandel-analyze both read
// their blocks through it, so a recording reads as the window shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/fourier_transform.h"
#include "analysis/mains_hum_filter.h"
#include "readings/block_reading.h"

class ReadingPipeline {
 public:
  // One pipeline per stream: the hum it learns follows the stream across blocks.
  explicit ReadingPipeline(std::int32_t sampleRate, char decimalSeparator = '.');

  // Reads the block held in the first half of `samples` (the hum is taken out in place).
  // `position` is where it starts in the stream, counted from one start; empty where the
  // stream broke off before it. Errors of the analysis pass to the caller.
  BlockReading Read(std::vector<std::int16_t>& samples, const std::vector<std::int32_t>& bitReversalTable,
                    std::optional<std::uint64_t> position);

 private:
  std::int32_t sampleRate_;
  char decimalSeparator_;
  PitchAnalysis analysis_;
  MainsHumFilter hum_;
  std::string lastNoteWritten_;  // the note label changes only when the note does
  std::optional<std::string> tuningCaption_;
};
