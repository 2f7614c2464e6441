// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/fundamental.h"
#include "analysis/note_naming.h"
#include "analysis/numeric.h"
#include "analysis/fourier_transform.h"

namespace {

// The strongest bin (centre frequency binFrequency) when its centre lies outside the
// musical range but half a bin on one side reaches into it; 0 otherwise, and for bin 0
// (no strongest bin at all).
std::int32_t EdgeBin(double binFrequency, std::int32_t frameLength, std::int32_t sampleRate) {
  const double binWidth = Divide(sampleRate, frameLength);
  const auto bin = static_cast<std::int32_t>(std::lround(binFrequency / binWidth));
  const bool reaches = binFrequency + binWidth / 2.0 >= kLowestFrequency &&
                       binFrequency - binWidth / 2.0 <= kHighestFrequency;
  return bin >= 1 && reaches ? bin : 0;
}

}  // namespace

double ReturnTrueFrequency(double NyquistbinFrequency, double Phase1, double Phase2,
                           std::int32_t k, std::int32_t NumSamples, std::int32_t SampleRate) {
  // First, so that a zero length fails even where the result would be 0.
  const double ratio = Divide(SampleRate, NumSamples);
  if (NyquistbinFrequency == 0.0) return 0.0;
  // The phase the bin's centre frequency would advance by is k whole turns; what is left,
  // taken in (-pi, pi], is the offset from the centre.
  double deviation = (Phase2 - Phase1) - k * kTwoPi;
  deviation -= kTwoPi * RoundHalfEven(deviation / kTwoPi);
  return CheckedResult(ratio * deviation / kTwoPi + NyquistbinFrequency);
}

double PitchAnalysis::DominantFrequency(const std::vector<std::int16_t>& mInputSamples,
                                        const std::vector<std::int32_t>& NewBitSequence,
                                        std::int32_t SampleRate) {
  // Only the first half of the buffer holds the block just recorded.
  const double count = static_cast<double>(mInputSamples.size());
  const std::int32_t lastRetained = ToInt32(count / 2.0 - 1.0);
  const std::vector<std::int16_t> retained(
      mInputSamples.begin(), mInputSamples.begin() + (lastRetained + 1));
  const double retainedCount = static_cast<double>(retained.size());

  // Two frames of half the block each; frame B starts right after frame A ends.
  const std::int32_t lastOfA = ToInt32(retainedCount / 2.0 - 1.0);
  const std::int32_t firstOfB = ToInt32(retainedCount / 2.0);
  std::vector<std::int16_t> frameA(static_cast<std::size_t>(lastOfA + 1));
  std::vector<std::int16_t> frameB(static_cast<std::size_t>(lastOfA + 1));
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(retained.size()); ++i) {
    if (i <= lastOfA) At(frameA, i) = retained[static_cast<std::size_t>(i)];
    if (i >= firstOfB) At(frameB, i - firstOfB) = retained[static_cast<std::size_t>(i)];
  }

  NoReadingReason = NoReading::OutOfRange;
  FFT(1, frameA, NewBitSequence, SampleRate);
  // The frames start one frame length apart: that is the span of the phase advance.
  const auto frameLength = static_cast<std::int32_t>(frameA.size());
  double partialFrequency = 0.0;
  const std::int32_t edgeBin = PeakInRange ? 0 : EdgeBin(PeakBinFrequency, frameLength, SampleRate);
  if (PeakInRange) {
    FFT(2, frameB, NewBitSequence, SampleRate);
    partialFrequency = ReturnTrueFrequency(PeakBinFrequency, PeakPhase[0], PeakPhase[1], PeakBin,
                                           frameLength, SampleRate);
  } else if (edgeBin > 0) {
    // A strongest bin whose centre lies outside the range while its band reaches in: the
    // lowest bin of the longest frames holds A0 and B0, the bin above C8 at the shortest
    // holds C8. Its phase advance is measured as for any bin, without changing the state
    // the first frame left; as the note can only lie in the part of the band inside the
    // range, the period is looked for there, and the refined frequency decides.
    const Spectrum a = Transform(frameA, NewBitSequence);
    const Spectrum b = Transform(frameB, NewBitSequence);
    const double advance = ReturnTrueFrequency(
        PeakBinFrequency, PhaseOfBin(At(a.re, edgeBin), At(a.im, edgeBin)),
        PhaseOfBin(At(b.re, edgeBin), At(b.im, edgeBin)), edgeBin, frameLength, SampleRate);
    partialFrequency = std::clamp(advance, kLowestFrequency, kHighestFrequency);
  } else {
    return 0.0;
  }

  // The strongest partial is often a harmonic of the note that sounds: report the note's
  // fundamental, judged on the whole block, so frequency, note and tuning name that note.
  const FundamentalReading fundamental = FundamentalDecision == Decision::Scored
                                             ? FindFundamentalScored(retained, partialFrequency, SampleRate, Thresholds)
                                             : FindFundamental(retained, partialFrequency, SampleRate, Thresholds);
  const double frequency = fundamental.frequency;
  // No clear note: nothing to tune against, so the tuning shown stays, as for a block
  // with nothing in range.
  NoReadingReason = fundamental.reason == NoReading::None ? NoReading::OutOfRange : fundamental.reason;
  if (frequency == 0.0) return 0.0;
  NoReadingReason = NoReading::OutOfRange;
  // At the edge only a measured period counts (the bound put in for the partial is no
  // reading), and only inside the range: within a cent of it, as the tuning shows whole
  // cents and a note exactly on the bound is measured a little to either side.
  if (edgeBin > 0 && (!(fundamental.periodicity > 0.0) || frequency < kLowestFrequency * kCentBelow ||
                      frequency > kHighestFrequency / kCentBelow))
    return 0.0;
  // A note on a bound of the range, measured up to a cent outside it, is that note.
  const double named = frequency >= kLowestFrequency * kCentBelow && frequency <= kHighestFrequency / kCentBelow
                           ? std::clamp(frequency, kLowestFrequency, kHighestFrequency)
                           : frequency;
  NoReadingReason = NoReading::None;
  if (SetTuningCaption) SetTuningCaption("Tuning: " + Tuning(named, ReferencePitch));
  return named;
}
