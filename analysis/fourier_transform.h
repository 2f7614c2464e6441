// SPDX-License-Identifier: GPL-3.0-or-later
// The pitch analysis of one captured block: the radix-2 transform with its strongest-bin
// search (frame 1) and phase measurement (frame 2), the bit-reversal table, the refinement
// of the strongest bin's frequency from its phase advance between two frames, and
// DominantFrequency (dominant_frequency.cpp), which hands that partial to the fundamental
// decision (fundamental.h) and names the note. Where no index or counter can leave its
// range, FFT reads frame 1 through the transform of real data (general_transform.h) and
// both phases from the one bin summed alone; the radix-2 transform, checked, answers
// what it must refuse.
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/fundamental.h"

// Pi to the 15 significant digits that the transform's numeric rules use: the strongest
// bin's phases, and so the readings, follow its last digit. Every angle of the analysis,
// and of the tests' signals, uses this one value.
inline constexpr double kTransformPi = 3.14159265358979;
inline constexpr double kTwoPi = 2.0 * kTransformPi;

// The musical range, A0 to C8, both inclusive.
inline constexpr double kLowestFrequency = 27.5;
inline constexpr double kHighestFrequency = 4186.00904480958;
// The ratio one cent below a frequency, 2^(-1/1200): a note exactly on a bound of the
// range is measured a little to either side of it.
inline constexpr double kCentBelow = 0.9994225441413808;

// Element i holds i with its lowest log2(NumberOfSamples) bits reversed.
// NumberOfSamples = 1 raises "Overflow".
std::vector<std::int32_t> BitReversal(std::int32_t NumberOfSamples);

// The forward transform X[k] = sum x[n] e^(-2 pi i kn/M), unscaled, of a frame of M
// samples (a power of two from 2 to 16384) scattered by the matching bit-reversal table.
struct Spectrum {
  std::vector<double> re;
  std::vector<double> im;
};
Spectrum Transform(const std::vector<std::int16_t>& frame,
                   const std::vector<std::int32_t>& bitReversalTable);

// Bin k of the same transform (0 <= k < M, M a power of two from 2 to 16384), summed
// directly with the transform's pi: the phase of one bin costs a fraction of the whole.
std::complex<double> TransformBin(const std::vector<std::int16_t>& frame, std::int32_t k);

// Phase of a spectrum bin in (-pi, pi]: the two-argument arctangent, so a real part
// of exactly zero gives +pi/2 or -pi/2 and an empty bin gives 0.
double PhaseOfBin(double re, double im);

// The frequency refined from the phase advance of bin k between two frames that start
// NumSamples samples apart; the advance is taken as its principal value.
double ReturnTrueFrequency(double NyquistbinFrequency, double Phase1, double Phase2,
                           std::int32_t k, std::int32_t NumSamples, std::int32_t SampleRate);

// The analysis state and the operations that write it. The window owns one.
class PitchAnalysis {
 public:
  double PeakBinFrequency = 0.0;
  std::array<double, 2> PeakPhase{0.0, 0.0};
  std::int32_t PeakBin = 0;
  bool PeakInRange = false;
  // The pitch of A4 the tuning caption is counted from.
  double ReferencePitch = 440.0;

  // Receives the tuning caption ("Tuning: +5") for every in-range block.
  std::function<void(const std::string& caption)> SetTuningCaption;
  // Which fundamental decision names the note, and what it weighs its evidence by.
  Decision FundamentalDecision = Decision::Rules;
  FundamentalThresholds Thresholds;
  // Why the last block gave no reading (NoReading::None where it gave one).
  NoReading NoReadingReason = NoReading::None;

  void FFT(std::int16_t FrameNumber, const std::vector<std::int16_t>& mSamples,
           const std::vector<std::int32_t>& NewBitSequence, std::int32_t SampleRate);

  // The fundamental of the note whose harmonic is the block's strongest partial in the
  // musical range, or 0 where the block holds no clear note (NoReadingReason says why).
  // Only the first half of mInputSamples is analysed.
  double DominantFrequency(const std::vector<std::int16_t>& mInputSamples,
                           const std::vector<std::int32_t>& NewBitSequence,
                           std::int32_t SampleRate);
};
