// SPDX-License-Identifier: GPL-3.0-or-later
// Refining the chosen period, fitting the partials, and deciding whether the block holds a note.
#include "analysis/fundamental_stages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "analysis/fundamental_checks.h"

double RefinePeriod(const BlockEvidence& block, double period, const FundamentalThresholds& t) {
  const double span = std::max(period, block.blockLength / 2.0);
  const double periods = std::max(1.0, std::floor(span / period));
  if (periods <= 1.0) return period;
  const double lag = periods * period;
  const NsdfPeak far = NsdfPeakBetween(
      block, static_cast<std::size_t>(std::floor(lag - t.farPeakReach * period)),
      std::min(block.longestLag, static_cast<std::size_t>(std::ceil(lag + t.farPeakReach * period))));
  return far.value > t.clearPeriodicity ? far.lag / periods : period;
}

double FitPartials(const BlockEvidence& block, double fundamental, std::int32_t harmonic,
                   const FundamentalThresholds& t) {
  // A pure fundamental read by its phase advance is exact; it stands when the period
  // agrees with it.
  const bool partialAgrees =
      harmonic == 1 && std::abs(CentsBetween(block.partialFrequency, fundamental)) < t.agreementCents;
  double frequency = partialAgrees ? block.partialFrequency : fundamental;
  // Where the spectrum holds the note's partials apart, its first eight measure the note
  // together (what the ear and a tuner hear as its pitch); the period also follows the
  // partials above them, which on a stiff string run ever sharper.
  if (Separates(block, fundamental, t)) {
    const double fitted = block.spectrum.HarmonicFit(fundamental, t.partialsFitted, t.fittedLevel, t.bandTop);
    if (fitted > 0.0) {
      const double apart = std::abs(CentsBetween(fitted, frequency));
      if (apart >= t.fitLeastCents && apart < t.fitMostCents) frequency = fitted;
    }
  }
  return frequency;
}

bool NewSoundStarts(const std::vector<std::int16_t>& block, double period, double sampleRate,
                    const FundamentalThresholds& t) {
  if (!(period > 0.0)) return false;
  // Whole periods, so that a steady note puts the same power into every stretch.
  const double periods = std::ceil(t.startStretchSeconds * sampleRate / period);
  const auto stretch = static_cast<std::size_t>(std::lround(periods * period));
  if (stretch == 0 || block.size() < 4 * stretch) return false;  // two before, one between, one after
  std::vector<double> powers;
  powers.reserve(block.size() / stretch);
  for (std::size_t start = 0; start + stretch <= block.size(); start += stretch) {
    std::int64_t power = 0;  // exact, so the compiler may add in any order (in vectors)
    for (std::size_t i = start; i < start + stretch; ++i) power += std::int32_t{block[i]} * block[i];
    powers.push_back(static_cast<double>(power));
  }
  // The sound already there fills two stretches, both before a start within the stretch
  // that follows them: the stretch where a string plucked from silence starts holds only
  // a part of it, and the stretch after that no less.
  const double strongest = *std::max_element(powers.begin(), powers.end());
  for (std::size_t i = 3; i < powers.size(); ++i) {
    const auto [quieter, louder] = std::minmax(powers[i - 3], powers[i - 2]);
    if (quieter >= t.soundAlreadyThere * strongest && powers[i] >= t.startRise * louder) return true;
  }
  return false;
}

bool HoldsTheOctaveBelow(const BlockEvidence& block, double period, const FundamentalThresholds& t) {
  const auto longest = static_cast<double>(block.longestLag);
  return 2.0 * period <= longest || block.sampleRate / t.lowestString <= longest;
}

bool StrongestPartialTooHigh(const BlockEvidence& block, std::int32_t harmonic, const FundamentalThresholds& t) {
  return harmonic > t.highestUnresolvedHarmonic && !Resolves(block, block.partialFrequency / harmonic, t);
}

bool StrongestPartialOnSeries(const BlockEvidence& block, double fundamental, const FundamentalThresholds& t) {
  if (!Resolves(block, fundamental, t)) return true;  // its partials' peaks run together
  const double located = block.spectrum.PeakFrequencyNear(block.partialFrequency, PartialReach(block, t));
  if (!(located > 0.0)) return true;
  const double nearest = fundamental * std::max(1.0, std::round(located / fundamental));
  return std::abs(CentsBetween(located, nearest)) < t.partialOffSeriesCents ||
         std::abs(located - nearest) <= t.partialOffSeriesBins * block.spectrum.Resolution();
}

bool RepeatsOnlyAfterItsOwnPeriod(const std::vector<PeriodCandidate>& candidates, int chosen,
                                  const FundamentalThresholds& t) {
  const std::int32_t harmonic = candidates[static_cast<std::size_t>(chosen)].harmonic;
  for (int i = 0; i < chosen; ++i) {
    const PeriodCandidate& c = candidates[static_cast<std::size_t>(i)];
    if (harmonic % c.harmonic == 0 && c.peak.value >= t.notePeriodicity) return false;
  }
  return true;
}

bool RepeatsBetterThanItsDivisors(const std::vector<PeriodCandidate>& candidates, int chosen,
                                  const FundamentalThresholds& t) {
  const PeriodCandidate& period = candidates[static_cast<std::size_t>(chosen)];
  for (int i = 0; i < chosen; ++i) {
    const PeriodCandidate& c = candidates[static_cast<std::size_t>(i)];
    if (period.harmonic % c.harmonic == 0 && !RepeatsBetter(period.peak.value, c.peak.value, t)) return false;
  }
  return true;
}

NoReading IsNote(const BlockEvidence& block, const NsdfPeak& period, double fundamental, bool onlyOwnPeriod,
                 bool betterThanDivisors, const FundamentalThresholds& t) {
  if (period.value < t.notePeriodicity) return NoReading::NoClearPeriod;
  const auto last = std::min(block.nsdf.size(), static_cast<std::size_t>(period.lag));
  const auto deepest = std::min_element(block.nsdf.begin(), block.nsdf.begin() + static_cast<std::ptrdiff_t>(last));
  if (deepest == block.nsdf.begin() + static_cast<std::ptrdiff_t>(last) || period.value - *deepest < t.noteDepth)
    return NoReading::NoClearPeriod;
  if (block.spectrum.NoiseFloor(t.bandTop) * t.noteOverFloor > 1.0) return NoReading::NoiseFloor;
  if (block.spectrum.StrongestOffSeries(fundamental, t.bandTop) >= t.secondSound) return NoReading::TwoSounds;
  // Where their main lobes run together the lowest partials may show no peak of their own:
  // a block that repeats as only one note does needs none.
  const bool oneNote = onlyOwnPeriod && period.value >= t.singleNotePeriodicity;
  const bool lowestMerged = fundamental < t.mergedLowestBins * block.spectrum.Resolution();
  if (!(oneNote && lowestMerged) && !ShowsOrSlowSoundCoversLowestPartials(block, period, fundamental, onlyOwnPeriod, t))
    return NoReading::LowestPartialsMissing;
  // The hum is told by its period, or by its lowest partial located in the spectrum: the
  // period of a note and the hum together lies between the two. A period longer than half
  // the block is read from a short overlap, less exactly. Where the block repeats as one
  // note alone does (singleNotePeriodicity), better than after any shorter period that
  // divides the note's, and its strongest partial (read by its phase advance) is a
  // harmonic of that note, the note is no hum: within a bin of the mains frequency the
  // spectrum locates the note's fundamental near the mains with or without hum.
  const bool longPeriod = period.lag > 0.5 * block.blockLength;
  const auto isHum = [&](double f, double cents) {
    for (const double mains : {t.mainsLow, t.mainsHigh})
      for (const double share : {1.0, 0.5})
        if (std::abs(CentsBetween(f, share * mains)) <= (longPeriod ? t.humCentsLongPeriod : cents)) return true;
    return false;
  };
  const double harmonic = std::round(block.partialFrequency / fundamental);
  const bool partialOnSeries =
      harmonic >= 1.0 && std::abs(block.partialFrequency / (harmonic * fundamental) - 1.0) <= t.lagTolerance;
  const bool plainlyOneNote = period.value >= t.singleNotePeriodicity && betterThanDivisors && partialOnSeries;
  const double reach = block.spectrum.Resolution();
  const bool lowestShows = block.spectrum.PeakNear(fundamental, reach) >= t.partialLevel;
  const bool hum = isHum(fundamental, t.humCentsByPeriod) ||
                   (lowestShows && !plainlyOneNote && isHum(block.spectrum.PeakFrequencyNear(fundamental, reach), t.humCents));
  return hum ? NoReading::MainsHum : NoReading::None;
}
