// SPDX-License-Identifier: GPL-3.0-or-later
// Which harmonic of the sounding note the block's strongest partial is, and the
// fundamental frequency of that note.
//
// The strongest partial of a plucked or struck string is often its 2nd, 3rd or 4th
// harmonic. The block's periodicity decides: a note of fundamental f0 repeats after
// every period 1/f0, so the partial at fp is harmonic h when the block repeats after
// h/fp seconds and after no shorter whole number of partial periods.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/fundamental_thresholds.h"

struct FundamentalReading {
  double frequency = 0.0;    // the fundamental in hertz; 0 when the block holds no note
  std::int32_t harmonic = 1; // the partial's harmonic number
  double periodicity = 0.0;  // normalised square difference at the chosen period, up to 1
};

// The fundamental of the note whose harmonic is the partial at partialFrequency (already
// refined), judged on the whole block of samples; frequency 0 when the block holds no
// clear note. Fundamentals below the musical range (27.5 Hz) are never proposed. A block
// too short to judge (under 8 samples) keeps the partial as its own fundamental.
FundamentalReading FindFundamental(const std::vector<std::int16_t>& block, double partialFrequency,
                                   std::int32_t SampleRate, const FundamentalThresholds& t = {});
