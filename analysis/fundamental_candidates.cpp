// SPDX-License-Identifier: GPL-3.0-or-later
// The candidate periods of a block, and the shortest that repeats nearly as well as the best.
#include "analysis/fundamental_stages.h"

#include <algorithm>
#include <cmath>

#include "analysis/fourier_transform.h"
#include "analysis/fundamental_checks.h"
#include "analysis/numeric.h"
#include "analysis/peak_refinement.h"

namespace {

// The NSDF's peak among lags lo..hi where it is known half a lag apart.
NsdfPeak HalfLagPeakBetween(const std::vector<double>& atLags, const std::vector<double>& between, std::size_t lo,
                            std::size_t hi) {
  // Step i is lag i/2: whole lags at even steps, the values between at odd ones.
  const auto at = [&](std::size_t step) { return step % 2 == 0 ? atLags[step / 2] : between[step / 2]; };
  NsdfPeak best;
  const std::size_t last = std::min(2 * hi, 2 * (atLags.size() - 1) - 1);
  for (std::size_t step = std::max<std::size_t>(2 * lo, 1); step <= last; ++step) {
    const double centre = at(step);
    if (centre < at(step - 1) || centre < at(step + 1) || centre <= best.value) continue;
    const RefinedPeak vertex = RefinePeak(at(step - 1), centre, at(step + 1));
    best = {0.5 * (static_cast<double>(step) + vertex.offset), vertex.value};
  }
  return best;
}

}  // namespace

NsdfPeak NsdfPeakBetween(const BlockEvidence& block, std::size_t lo, std::size_t hi) {
  const std::vector<double>& nsdf = block.nsdf;
  if (!block.nsdfBetween.empty()) return HalfLagPeakBetween(nsdf, block.nsdfBetween, lo, hi);
  NsdfPeak best;
  for (std::size_t lag = std::max<std::size_t>(lo, 1); lag <= hi && lag + 1 < nsdf.size(); ++lag) {
    const double centre = nsdf[lag];
    if (centre < nsdf[lag - 1] || centre < nsdf[lag + 1] || centre <= best.value) continue;
    const RefinedPeak vertex = RefinePeak(nsdf[lag - 1], centre, nsdf[lag + 1]);
    best = {static_cast<double>(lag) + vertex.offset, vertex.value};
  }
  return best;
}

double StrongestPartial(const BlockEvidence& block, const FundamentalThresholds& t) {
  const BlockSpectrum& spectrum = block.spectrum;
  if (spectrum.PeakNear(block.partialFrequency, t.partialOffPeakBins * spectrum.Resolution()) > 0.0)
    return block.partialFrequency;
  // Where a note's partials run together into one hump, its top need not lie on a partial:
  // only a reading in a valley beside the peak is no partial.
  const double reach = PartialReach(block, t);
  if (spectrum.LevelAt(block.partialFrequency) > t.partialValleyShare * spectrum.PeakNear(block.partialFrequency, reach))
    return block.partialFrequency;
  const double located = spectrum.PeakFrequencyNear(block.partialFrequency, reach);
  return located > 0.0 ? located : block.partialFrequency;
}

std::vector<PeriodCandidate> CandidatePeriods(const BlockEvidence& block, const FundamentalThresholds& t) {
  const double partialPeriod = Divide(block.sampleRate, block.partialFrequency);
  // Each candidate's peak is looked for as far as the partial's reading may be off (but
  // never as far as the next candidate).
  const double tolerance = std::max(t.lagTolerance, PartialReach(block, t) / block.partialFrequency);
  std::vector<PeriodCandidate> candidates;
  for (std::int32_t h = 1; block.partialFrequency / h >= kLowestFrequency; ++h) {
    const double lag = h * partialPeriod;
    const double halfWidth = std::min(0.45 * partialPeriod, std::max(2.0, tolerance * lag));
    if (lag - halfWidth > static_cast<double>(block.longestLag)) break;
    const auto lo = static_cast<std::size_t>(std::max(1.0, std::floor(lag - halfWidth)));
    const auto hi = std::min(block.longestLag, static_cast<std::size_t>(std::ceil(lag + halfWidth)));
    const NsdfPeak peak = NsdfPeakBetween(block, lo, hi);
    if (peak.value > -1.0) candidates.push_back({h, peak});
  }
  return candidates;
}

NsdfPeak ClearestPeriod(const BlockEvidence& block, const FundamentalThresholds& t) {
  const std::vector<double>& nsdf = block.nsdf;
  const std::size_t last = std::min(block.longestLag, nsdf.size() - 1);
  // McLeod's key maxima: the highest peak of each stretch above zero after the first dip.
  std::vector<NsdfPeak> keys;
  std::size_t lag = 1;
  while (lag < last && nsdf[lag] > 0.0) ++lag;
  while (lag < last) {
    while (lag < last && nsdf[lag] <= 0.0) ++lag;
    const std::size_t start = lag;
    while (lag < last && nsdf[lag] > 0.0) ++lag;
    if (lag > start) {
      const NsdfPeak peak = NsdfPeakBetween(block, start, lag);
      if (peak.value > -1.0) keys.push_back(peak);
    }
  }
  double best = -1.0;
  for (const NsdfPeak& k : keys) best = std::max(best, k.value);
  for (const NsdfPeak& k : keys)
    if (k.value >= t.shareOfBest * best) return k;
  return {};
}

bool OctaveBelowClearestRepeatsBetter(const BlockEvidence& block, const NsdfPeak& period,
                                      const FundamentalThresholds& t) {
  const double twice = 2.0 * period.lag;
  const double reach = t.lagTolerance * twice;
  if (twice + reach > static_cast<double>(block.longestLag)) return false;
  const NsdfPeak octave = NsdfPeakBetween(block, static_cast<std::size_t>(twice - reach),
                                          static_cast<std::size_t>(twice + reach));
  return octave.value >= period.value + t.octaveUnsureMargin && RepeatsBetter(octave.value, period.value, t);
}

int ShortestStrongPeriod(const std::vector<PeriodCandidate>& candidates, const FundamentalThresholds& t) {
  double best = -1.0;
  for (const PeriodCandidate& c : candidates) best = std::max(best, c.peak.value);
  if (best < t.clearPeriodicity) return -1;
  for (std::size_t i = 0; i < candidates.size(); ++i)
    if (candidates[i].peak.value >= t.shareOfBest * best) return static_cast<int>(i);
  return -1;
}
