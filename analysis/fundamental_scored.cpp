// SPDX-License-Identifier: GPL-3.0-or-later
// The scored decision: one score for every candidate period from a few kinds of evidence,
// in place of the rules' steps. Measured beside the rules (docs/decision.md).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "analysis/fourier_transform.h"
#include "analysis/fundamental.h"
#include "analysis/fundamental_checks.h"
#include "analysis/fundamental_stages.h"
#include "analysis/numeric.h"

namespace {

struct Scored {
  NsdfPeak peak;
  double fundamental = 0.0;
  double score = -1e9;
};

// The share of the note's first partials (each weighted 1/k: the lowest say most) that the
// spectrum shows no peak for; 0 where it cannot resolve the note's partials, whose absence
// it then cannot tell.
double MissingPartials(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  if (!Resolves(block, f, t)) return 0.0;
  const BlockSpectrum& spectrum = block.spectrum;
  const double reach = std::min(spectrum.Resolution(), 0.5 * f);
  double missing = 0.0;
  double asked = 0.0;
  for (int k = 1; k <= t.partialsFitted && k * f < t.bandTop * block.sampleRate; ++k) {
    asked += 1.0 / k;
    if (spectrum.PeakNear(k * f, reach) < t.partialLevel) missing += 1.0 / k;
  }
  return asked > 0.0 ? missing / asked : 0.0;
}

// The share of the places halfway between the note's partials (weighted as above) where the
// spectrum shows a peak: partials of the octave below that the note does not explain. 0
// where the spectrum cannot resolve that octave's partials.
double UnexplainedPartials(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  if (!Resolves(block, 0.5 * f, t)) return 0.0;
  const BlockSpectrum& spectrum = block.spectrum;
  const double reach = std::min(spectrum.Resolution(), 0.25 * f);
  double shown = 0.0;
  double asked = 0.0;
  for (int k = 1; k <= t.partialsFitted && (k - 0.5) * f < t.bandTop * block.sampleRate; ++k) {
    asked += 1.0 / k;
    if (spectrum.PeakNear((k - 0.5) * f, reach) >= t.partialLevel) shown += 1.0 / k;
  }
  return asked > 0.0 ? shown / asked : 0.0;
}

bool NearTheMains(double f, const FundamentalThresholds& t) {
  for (const double mains : {t.mainsLow, t.mainsHigh})
    for (const double share : {1.0, 0.5})
      if (std::abs(CentsBetween(f, share * mains)) <= t.humCentsByPeriod) return true;
  return false;
}

// How well the block repeats after the period, less what the spectrum and the priors hold
// against its note: partials it should show and does not, partials of the octave below it
// that it leaves unexplained, a period longer than the strongest partial's own (a
// subharmonic explains every partial too), the mains.
double Score(const BlockEvidence& block, const NsdfPeak& peak, double f, const FundamentalThresholds& t) {
  const double subharmonic = std::max(1.0, block.partialFrequency / f);
  return peak.value - t.scoredMissingWeight * (MissingPartials(block, f, t) + UnexplainedPartials(block, f, t)) -
         t.scoredSubharmonicPrior * std::log2(subharmonic) - (NearTheMains(f, t) ? t.scoredHumPenalty : 0.0);
}

// Whether the two periods are an octave or a fifth apart.
bool OctaveOrFifthApart(double a, double b) {
  const double ratio = std::max(a, b) / std::min(a, b);
  return std::abs(ratio - 2.0) < 0.04 || std::abs(ratio - 1.5) < 0.03;
}

}  // namespace

FundamentalReading FindFundamentalScored(const std::vector<std::int16_t>& block, double partialFrequency,
                                         std::int32_t sampleRate, const FundamentalThresholds& t) {
  if (!(partialFrequency > 0.0) || sampleRate <= 0 || block.size() < 8) return {partialFrequency, 1, 0.0};
  const BlockEvidence evidence = GatherEvidence(block, partialFrequency, sampleRate, t);
  // The candidates: h/fp, and the block's own clearest period.
  std::vector<NsdfPeak> peaks;
  for (const PeriodCandidate& c : CandidatePeriods(evidence, t)) peaks.push_back(c.peak);
  const NsdfPeak clearest = ClearestPeriod(evidence, t);
  if (clearest.value > -1.0) peaks.push_back(clearest);
  std::vector<Scored> scored;
  for (const NsdfPeak& peak : peaks) {
    const double f = evidence.sampleRate / peak.lag;
    if (f >= kLowestFrequency * kCentBelow) scored.push_back({peak, f, Score(evidence, peak, f, t)});
  }
  if (scored.empty()) return {0.0, 0, 0.0, NoReading::NoClearPeriod};
  const Scored best = *std::max_element(scored.begin(), scored.end(),
                                        [](const Scored& a, const Scored& b) { return a.score < b.score; });
  const auto none = [&](NoReading reason) { return FundamentalReading{0.0, 0, best.peak.value, reason}; };
  if (best.peak.value < t.notePeriodicity || best.score < t.scoredLeastScore) return none(NoReading::NoClearPeriod);
  for (const Scored& rival : scored)
    if (rival.peak.lag != best.peak.lag && OctaveOrFifthApart(rival.peak.lag, best.peak.lag) &&
        rival.score >= best.score - t.scoredRivalMargin)
      return none(NoReading::LowerNoteUnsure);
  if (NearTheMains(best.fundamental, t)) return none(NoReading::MainsHum);
  if (!HoldsTheOctaveBelow(evidence, best.peak.lag, t)) return none(NoReading::BlockTooShort);
  if (evidence.spectrum.NoiseFloor(t.bandTop) * t.noteOverFloor > 1.0) return none(NoReading::NoiseFloor);
  if (NewSoundStarts(block, best.peak.lag, evidence.sampleRate, t)) return none(NoReading::NewSound);
  const double fundamental = Divide(evidence.sampleRate, RefinePeriod(evidence, best.peak.lag, t));
  const auto harmonic = static_cast<std::int32_t>(std::lround(evidence.partialFrequency / fundamental));
  return {FitPartials(evidence, fundamental, harmonic, t), harmonic, best.peak.value};
}
