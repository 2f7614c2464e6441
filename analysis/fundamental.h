// SPDX-License-Identifier: GPL-3.0-or-later
// Which harmonic of the sounding note the block's strongest partial is, and the
// fundamental frequency of that note; or no reading, and why. docs/decision.md describes
// the steps.
//
// The strongest partial of a plucked or struck string is often its 2nd, 3rd or 4th
// harmonic. The block's periodicity decides: a note of fundamental f0 repeats after
// every period 1/f0, so the partial at fp is harmonic h when the block repeats after
// h/fp seconds and after no shorter whole number of partial periods.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/fundamental_thresholds.h"

// Why a block gives no reading: the first test of the decision that it fails.
enum class NoReading : std::uint8_t {
  None,               // a reading
  OutOfRange,         // the strongest partial or the note lies outside A0 to C8
  NoClearPeriod,      // the block does not repeat clearly after any period
  NoiseFloor,         // the strongest partial stands too little above the noise
  MainsHum,           // the period or the lowest partial is the mains hum's
  TwoSounds,          // a second sound as strong, or the common period of two notes
  LowestPartialsMissing,  // the note shows neither its fundamental nor its octave
  LowerNoteUnsure,    // the note and the octave (or a note) below cannot be told apart
  NewSound,           // a new sound starts within the block
  PartialOffSeries,   // the strongest partial lies off the note's series, or too high on it
  BlockTooShort,      // the block cannot tell the note from the octave below it
};

// A short name for each reason, for tables: "no-clear-period"; "" for a reading.
const char* NoReadingName(NoReading reason);

struct FundamentalReading {
  double frequency = 0.0;    // the fundamental in hertz; 0 when the block holds no note
  std::int32_t harmonic = 1; // the partial's harmonic number
  double periodicity = 0.0;  // normalised square difference at the chosen period, up to 1
  NoReading reason = NoReading::None;
};

// The fundamental of the note whose harmonic is the partial at partialFrequency (already
// refined), judged on the whole block of samples; frequency 0 when the block holds no
// clear note. Fundamentals below the musical range (27.5 Hz) are never proposed. A block
// too short to judge (under 8 samples) keeps the partial as its own fundamental.
FundamentalReading FindFundamental(const std::vector<std::int16_t>& block, double partialFrequency,
                                   std::int32_t SampleRate, const FundamentalThresholds& t = {});

// The same question answered by one score per candidate period (its NSDF value, the
// partials its note should show and does not, a prior against subharmonics and the mains)
// in place of the rules' steps; no reading where the best scores low or a rival an octave
// or a fifth away scores nearly as well. Measured beside the rules, not used by the tuner.
FundamentalReading FindFundamentalScored(const std::vector<std::int16_t>& block, double partialFrequency,
                                         std::int32_t sampleRate, const FundamentalThresholds& t = {});

// Which decision names the note.
enum class Decision : std::uint8_t { Rules, Scored };
