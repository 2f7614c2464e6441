#include <cstdint>
#include <vector>

#include "analysis/fundamental.h"
#include "analysis/note_naming.h"
#include "analysis/numeric.h"
#include "analysis/fourier_transform.h"

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

  FFT(1, frameA, NewBitSequence, SampleRate);
  if (!PeakInRange) return 0.0;
  FFT(2, frameB, NewBitSequence, SampleRate);

  // The frames start one frame length apart: that is the span of the phase advance.
  const auto frameLength = static_cast<std::int32_t>(frameA.size());
  const double partialFrequency = ReturnTrueFrequency(PeakBinFrequency, PeakPhase[0], PeakPhase[1],
                                               PeakBin, frameLength, SampleRate);
  // The strongest partial is often a harmonic of the note that sounds: report the note's
  // fundamental, judged on the whole block, so frequency, note and tuning name that note.
  const double frequency = FindFundamental(retained, partialFrequency, SampleRate).frequency;
  // No clear note: nothing to tune against, so the tuning shown stays, as for a block
  // with nothing in range.
  if (frequency == 0.0) return 0.0;
  if (SetTuningCaption) SetTuningCaption("Tuning: " + Tuning(frequency));
  return frequency;
}
