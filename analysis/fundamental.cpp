// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/fundamental.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <utility>

#include "analysis/fourier_transform.h"
#include "analysis/numeric.h"
#include "analysis/padded_transform.h"
#include "analysis/fundamental_stages.h"
#include "analysis/square_difference.h"

// Method: the normalised square difference function (NSDF) of P. McLeod and G. Wyvill,
// "A smarter way to find pitch", Proc. ICMC 2005 — a normalised form of the difference
// function of YIN (A. de Cheveigné and H. Kawahara, JASA 111(4), 2002) that keeps the
// whole overlap of the block with its shifted self at every lag, so that a block only a
// little longer than one period still measures it. It is computed for all lags at once
// from the autocorrelation, obtained with a zero-padded transform (Wiener-Khinchin).
//
// The strongest partial fp, measured precisely by the phase advance (or, where that
// reading lies between the spectrum's peaks, the highest peak near it), names the
// candidate periods h/fp for h = 1, 2, ...; the NSDF's peak next to each says how well
// the block repeats after that many partial periods. As in McLeod's peak picking, the
// shortest candidate whose peak reaches a large share of the best one is the period:
// a note repeats after its own period and after every multiple of it, but not after a
// fraction of it. The fundamental is then fp/h, as precise as fp itself. A block that
// does not repeat clearly, stands no higher than its noise, holds two sounds of like
// strength or a string whose period a lone sound beside it drowns, is the mains hum,
// repeats after a period on whose harmonic series its strongest partial does not lie (or
// lies too high to tell, where the spectrum cannot resolve the series), or cannot tell a
// note from the octave below holds no note.

namespace {

// Whether the chosen period names a note: within the range, held by the block, a note by
// every test, and not the end of one note with the start of the next (which may repeat
// as neither). NoReading::None where it does.
NoReading NamesANote(const std::vector<std::int16_t>& block, const BlockEvidence& evidence, const NsdfPeak& period,
                     double fundamental, bool onlyOwnPeriod, bool betterThanDivisors, const FundamentalThresholds& t) {
  if (fundamental < kLowestFrequency * kCentBelow) return NoReading::OutOfRange;
  if (!HoldsTheOctaveBelow(evidence, period.lag, t)) return NoReading::BlockTooShort;
  const NoReading note = IsNote(evidence, period, fundamental, onlyOwnPeriod, betterThanDivisors, t);
  if (note != NoReading::None) return note;
  return NewSoundStarts(block, period.lag, evidence.sampleRate, t) ? NoReading::NewSound : NoReading::None;
}

// No multiple of the partial's period repeats: the block's own clearest period, if any.
// Harmonic 0: the partial is no harmonic of it.
FundamentalReading FromClearestPeriod(const std::vector<std::int16_t>& block, const BlockEvidence& evidence,
                                      const FundamentalThresholds& t) {
  const NsdfPeak period = ClearestPeriod(evidence, t);
  if (period.value < t.notePeriodicity) return {0.0, 0, 0.0, NoReading::NoClearPeriod};
  if (OctaveBelowClearestRepeatsBetter(evidence, period, t)) return {0.0, 0, period.value, NoReading::LowerNoteUnsure};
  const double fundamental = Divide(evidence.sampleRate, RefinePeriod(evidence, period.lag, t));
  const NoReading reason = NamesANote(block, evidence, period, fundamental, false, false, t);
  if (reason != NoReading::None) return {0.0, 0, period.value, reason};
  return {FitPartials(evidence, fundamental, 0, t), 0, period.value};
}

// Whether the candidate's peak lies within partialPeriodMisfit of h/fp, the period the
// strongest partial proposes: its search reaches as far as a low partial's reading may be
// off, a bin, which for a partial read from low noise takes in a period of another note.
bool LiesNearItsPartialPeriod(const BlockEvidence& evidence, const PeriodCandidate& candidate,
                              const FundamentalThresholds& t) {
  const double proposed = candidate.harmonic * evidence.sampleRate / evidence.partialFrequency;
  return std::abs(candidate.peak.lag / proposed - 1.0) <= t.partialPeriodMisfit;
}

}  // namespace

BlockEvidence GatherEvidence(const std::vector<std::int16_t>& block, double partialFrequency, std::int32_t sampleRate,
                             const FundamentalThresholds& t) {
  const auto blockLength = static_cast<double>(block.size());
  // One transform serves both the period measurement and the spectrum.
  const std::vector<std::complex<double>>& padded = PaddedTransform(block);
  SquareDifference nsdf = MeasureSquareDifference(block, padded);
  BlockEvidence evidence{block,
                         std::move(nsdf.atLags),
                         BlockSpectrum(block, sampleRate, padded),
                         partialFrequency,
                         static_cast<double>(sampleRate),
                         blockLength,
                         static_cast<std::size_t>(blockLength * (1.0 - t.leastOverlap)),
                         std::move(nsdf.betweenLags)};
  evidence.partialFrequency = StrongestPartial(evidence, t);
  return evidence;
}

FundamentalReading FindFundamental(const std::vector<std::int16_t>& block, double partialFrequency,
                                   std::int32_t SampleRate, const FundamentalThresholds& t) {
  if (!(partialFrequency > 0.0) || SampleRate <= 0 || block.size() < 8) return {partialFrequency, 1, 0.0};
  const BlockEvidence evidence = GatherEvidence(block, partialFrequency, SampleRate, t);
  const std::vector<PeriodCandidate> candidates = CandidatePeriods(evidence, t);
  int chosen = ShortestStrongPeriod(candidates, t);
  if (chosen < 0 || !LiesNearItsPartialPeriod(evidence, candidates[static_cast<std::size_t>(chosen)], t))
    return FromClearestPeriod(block, evidence, t);
  chosen = RejectStrayLowerNote(evidence, candidates, chosen, t);
  if (chosen == kNoNote) return {0.0, 0, 0.0, NoReading::TwoSounds};
  chosen = PromoteLowerNote(evidence, candidates, chosen, t);
  const PeriodCandidate& period = candidates[static_cast<std::size_t>(chosen)];
  const auto none = [&](NoReading reason) { return FundamentalReading{0.0, period.harmonic, period.peak.value, reason}; };
  if (LowerNoteUnsure(evidence, candidates, chosen, t)) return none(NoReading::LowerNoteUnsure);
  if (StrongestPartialTooHigh(evidence, period.harmonic, t)) return none(NoReading::PartialOffSeries);
  const double fundamental = Divide(SampleRate, RefinePeriod(evidence, period.peak.lag, t));
  const NoReading reason =
      NamesANote(block, evidence, period.peak, fundamental, RepeatsOnlyAfterItsOwnPeriod(candidates, chosen, t),
                 RepeatsBetterThanItsDivisors(candidates, chosen, t), t);
  if (reason != NoReading::None) return none(reason);
  const double fitted = FitPartials(evidence, fundamental, period.harmonic, t);
  if (!StrongestPartialOnSeries(evidence, fitted, t)) return none(NoReading::PartialOffSeries);
  return {fitted, period.harmonic, period.peak.value};
}

const char* NoReadingName(NoReading reason) {
  switch (reason) {
    case NoReading::None: return "";
    case NoReading::OutOfRange: return "out-of-range";
    case NoReading::NoClearPeriod: return "no-clear-period";
    case NoReading::NoiseFloor: return "noise-floor";
    case NoReading::MainsHum: return "mains-hum";
    case NoReading::TwoSounds: return "two-sounds";
    case NoReading::LowestPartialsMissing: return "lowest-partials-missing";
    case NoReading::LowerNoteUnsure: return "lower-note-unsure";
    case NoReading::NewSound: return "new-sound";
    case NoReading::PartialOffSeries: return "partial-off-series";
    case NoReading::BlockTooShort: return "block-too-short";
  }
  return "";
}
