// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/fundamental_checks.h"

#include <algorithm>
#include <cmath>

#include "analysis/sound_removal.h"

double CentsBetween(double a, double b) { return 1200.0 * std::log2(a / b); }

double PartialReach(const BlockEvidence& block, const FundamentalThresholds& t) {
  return t.partialReachBins * block.sampleRate / (block.blockLength / 2.0);
}

bool Resolves(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  return f >= t.resolvedBins * block.spectrum.Resolution();
}

bool Separates(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  return f >= t.separatedBins * block.spectrum.Resolution();
}

bool RepeatsFarBetter(double longer, double shorter, double share, const FundamentalThresholds& t) {
  return 1.0 - shorter >= t.leftOverNotNoise && 1.0 - longer < share * (1.0 - shorter);
}

bool RepeatsBetter(double longer, double shorter, const FundamentalThresholds& t) {
  return 1.0 - longer < t.betterAperiodicity * (1.0 - shorter);
}

bool RepeatsFarBetter(double longer, double shorter, const FundamentalThresholds& t) {
  return RepeatsFarBetter(longer, shorter, t.farBetterAperiodicity, t);
}

bool OctaveRepeatsFarBetter(const BlockEvidence& block, const PeriodCandidate& longer, const PeriodCandidate& shorter,
                            const FundamentalThresholds& t) {
  if (longer.harmonic != 2 * shorter.harmonic) return false;
  const bool higherResolved = Resolves(block, block.partialFrequency / shorter.harmonic, t);
  return RepeatsFarBetter(longer.peak.value, shorter.peak.value,
                          higherResolved ? t.octaveBetterAperiodicity : t.farBetterAperiodicity, t);
}

bool LowerNoteHolds(const BlockEvidence& block, const PeriodCandidate& longer, const PeriodCandidate& shorter,
                    const FundamentalThresholds& t) {
  if (block.spectrum.NoiseFloor(t.bandTop) >= t.noisyFloor && !RepeatsBetter(longer.peak.value, shorter.peak.value, t))
    return false;
  return 1.0 - shorter.peak.value >= t.lowerNoteEnergy || OctaveRepeatsFarBetter(block, longer, shorter, t);
}

bool NearMains(double f, double reach, double mostHz, const FundamentalThresholds& t) {
  for (const double mains : {t.mainsLow, t.mainsHigh})
    for (const double share : {1.0, 0.5})
      if (std::abs(f - share * mains) <= share * std::min(mostHz, reach * mains)) return true;
  return false;
}

bool HumTakesThePeak(double peak, double partial, const FundamentalThresholds& t) {
  for (const double mains : {t.mainsLow, t.mainsHigh})
    for (int k = 1; k <= 3; ++k) {
      const double apart = std::abs(peak - k * mains);
      if (apart <= t.humReach * k * mains && apart < std::abs(peak - partial)) return true;
    }
  return false;
}

bool ShowsOrSlowSoundCoversLowestPartials(const BlockEvidence& block, const NsdfPeak& period, double fundamental,
                                          bool onlyOwnPeriod, const FundamentalThresholds& t) {
  if (ShowsItsLowestPartials(block, fundamental, t)) return true;
  if (!onlyOwnPeriod || period.value >= t.singleNotePeriodicity ||
      fundamental >= t.mergedLowestBins * block.spectrum.Resolution())
    return false;
  const std::vector<double> rest = WithoutSlowTrend(block.samples, fundamental, block.sampleRate);
  return SquareDifferenceAt(rest, period.lag) >= t.singleNotePeriodicity;
}

bool ShowsSomeOwnPartials(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                          const FundamentalThresholds& t) {
  if (f < t.ownPartialsApart * block.spectrum.Resolution()) return true;  // nothing to ask
  const OwnPartials own = CountOwnPartials(block, f, h, g, t);
  return own.present >= t.ownPartialsToShow && own.lowest();
}

bool TrendIsSoundBelow(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                       const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  const double resolution = block.spectrum.Resolution();
  return lower - t.soundUnderBins * resolution < t.trendUnderBins * resolution &&
         lower >= t.trendLeastCycles * resolution && shorter.harmonic == 1 && longer.harmonic == 2;
}
