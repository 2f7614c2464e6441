// SPDX-License-Identifier: GPL-3.0-or-later
// Promoting a lower note: a longer period that repeats better and whose note shows itself.
#include "analysis/fundamental_stages.h"

#include <algorithm>

#include "analysis/fundamental_checks.h"
#include "analysis/sound_removal.h"

namespace {

// Where the spectrum cannot resolve the lower note, its period repeats far better and its
// partials carry enough of the block; or, where they lie far enough apart to be counted,
// they show as promotion asks, its fundamental or octave not faint among them: noise may
// keep a note whose upper partials dominate from repeating far better.
bool UnresolvedLowerNoteHolds(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                              const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  if ((RepeatsFarBetter(longer.peak.value, shorter.peak.value, t) || OctaveRepeatsFarBetter(block, longer, shorter, t)) &&
      LowerNoteHolds(block, longer, shorter, t) && ShowsSomeOwnPartials(block, lower, longer.harmonic, shorter.harmonic, t))
    return true;
  return lower >= t.ownPartialsApart * block.spectrum.Resolution() &&
         LowerNoteShowsItself(block, lower, longer.harmonic, shorter.harmonic, false, t) &&
         ShowsLowestPartial(CountOwnPartials(block, lower, longer.harmonic, shorter.harmonic, t), t);
}

// How well the two periods repeat once the sound below the lower note is taken out of the
// block: the strongest one there, or where the spectrum cannot show it, the block's slow
// trend. A sound below both notes (a body mode) is explained by neither period, and what
// it takes from each says nothing of either note. Returns the block without it, empty
// where nothing was taken out.
std::vector<double> WithoutSoundBelow(const BlockEvidence& block, double lower, PeriodCandidate& longer,
                                      PeriodCandidate& shorter, const FundamentalThresholds& t) {
  const double sound = block.spectrum.SoundBelow(lower - t.soundUnderBins * block.spectrum.Resolution(),
                                                 t.clearPartialLevel);
  std::vector<double> rest;
  if (sound > 0.0)
    rest = WithoutTone(block.samples, sound, block.sampleRate);
  else if (TrendIsSoundBelow(block, lower, longer, shorter, t))
    rest = WithoutSlowTrend(block.samples, lower, block.sampleRate);
  else
    return rest;
  longer.peak.value = SquareDifferenceAt(rest, longer.peak.lag);
  shorter.peak.value = SquareDifferenceAt(rest, shorter.peak.lag);
  return rest;
}

// Whether the resolved lower note shows itself as promotion asks, in the spectrum of the
// block with the sound below taken out where one was (`rest`): that sound's main lobe may
// cover the lower note's fundamental, a bin or two above it, and hide the peak that the
// note must show.
bool ResolvedLowerNoteShowsItself(const BlockEvidence& block, const std::vector<double>& rest, double lower,
                                  const PeriodCandidate& longer, const PeriodCandidate& shorter,
                                  const FundamentalThresholds& t) {
  const bool farBetter = RepeatsFarBetter(longer.peak.value, shorter.peak.value, t.resolvedBetterAperiodicity, t);
  if (rest.empty()) return LowerNoteShowsItself(block, lower, longer.harmonic, shorter.harmonic, farBetter, t);
  const std::vector<std::int16_t> samples = RoundedToSamples(rest);
  // Only the spectrum is asked of this evidence.
  const BlockEvidence withoutSound{samples,
                                   {},
                                   BlockSpectrum(samples, static_cast<std::int32_t>(block.sampleRate)),
                                   block.partialFrequency,
                                   block.sampleRate,
                                   block.blockLength,
                                   block.longestLag};
  return LowerNoteShowsItself(withoutSound, lower, longer.harmonic, shorter.harmonic, farBetter, t);
}

}  // namespace

int PromoteLowerNote(const BlockEvidence& block, const std::vector<PeriodCandidate>& candidates,
                     int chosen, const FundamentalThresholds& t) {
  double best = -1.0;
  for (const PeriodCandidate& c : candidates) best = std::max(best, c.peak.value);
  for (std::size_t i = static_cast<std::size_t>(chosen) + 1; i < candidates.size(); ++i) {
    if (candidates[i].peak.value < t.shareOfBest * best) continue;
    PeriodCandidate longer = candidates[i];
    PeriodCandidate shorter = candidates[static_cast<std::size_t>(chosen)];
    const double lower = block.partialFrequency / longer.harmonic;
    const std::vector<double> rest = WithoutSoundBelow(block, lower, longer, shorter, t);
    if (!RepeatsBetter(longer.peak.value, shorter.peak.value, t)) continue;
    // A lower note at the mains frequency would take the hum's partials for its own.
    if (NearMains(lower, t.humPromotionReach, block.spectrum.Resolution(), t)) continue;
    const bool evidence = Resolves(block, lower, t)
                              ? ResolvedLowerNoteShowsItself(block, rest, lower, longer, shorter, t)
                              : UnresolvedLowerNoteHolds(block, lower, longer, shorter, t);
    if (evidence) chosen = static_cast<int>(i);
  }
  return chosen;
}
