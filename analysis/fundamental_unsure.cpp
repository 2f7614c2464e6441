// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the block is unsure between the chosen period and a longer one: no reading then.
#include "analysis/fundamental_stages.h"

#include <algorithm>
#include <cmath>

#include "analysis/fundamental_checks.h"
#include "analysis/sound_removal.h"

namespace {

// Whether noise may hide what tells a note from the octave below, the lower note's faint
// odd partials: where the spectrum cannot resolve them, broadband noise in the block; where
// it can, the lower note's fundamental shows, or broadband noise may have buried that
// fundamental (pink noise is loudest there) and odd partials still show, one clearly.
bool OctaveBelowMayHide(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                        const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  const BlockSpectrum& spectrum = block.spectrum;
  const bool noisy = spectrum.NoiseFloor(t.bandTop) >= t.noisyFloor;
  if (!Resolves(block, lower, t)) return noisy;
  if (spectrum.PeakNear(lower, std::min(spectrum.Resolution(), 0.5 * lower)) >= t.partialLevel) return true;
  if (!noisy) return false;
  const OwnPartials own = CountOwnPartials(block, lower, longer.harmonic, shorter.harmonic, t);
  return own.present >= t.ownPartialsToShow && own.strongest >= t.clearPartialLevel;
}

// Whether the octave below repeats clearly better than the chosen period: by a wide
// margin, or by a narrower one where it also leaves a far smaller share unexplained.
bool OctaveRepeatsClearlyBetter(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                                const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  if (longer.peak.value >= shorter.peak.value + t.octaveUnsureMargin) return true;
  const double share = Resolves(block, lower, t) ? t.octaveUnsureShare : t.octaveUnsureShareUnresolved;
  return longer.peak.value >= shorter.peak.value + t.nearMargin &&
         RepeatsFarBetter(longer.peak.value, shorter.peak.value, share, t);
}

// Whether the octave below repeats far better once the block's slow trend is taken out,
// where the spectrum cannot resolve the lower note and that trend stands for the sound
// below it (see TrendIsSoundBelow): at a short block, pink noise's rumble is such a trend,
// and neither period explains it. Without it, a low string whose fundamental the noise has
// buried repeats after its own period far better than after its octave, while a note an
// octave up repeats about as well after both. Only the share counts here: the margin
// alone says little once both values have risen.
bool OctaveRepeatsFarBetterWithoutTrend(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                                        const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  if (Resolves(block, lower, t) || !TrendIsSoundBelow(block, lower, longer, shorter, t)) return false;
  const std::vector<double> rest = WithoutSlowTrend(block.samples, lower, block.sampleRate);
  const double longerValue = SquareDifferenceAt(rest, longer.peak.lag);
  const double shorterValue = SquareDifferenceAt(rest, shorter.peak.lag);
  return longerValue >= shorterValue + t.nearMargin &&
         RepeatsFarBetter(longerValue, shorterValue, t.octaveUnsureShareUnresolved, t);
}

// Whether the candidate's peak lies at its own number of partial periods, measured by
// the chosen period's: a short block looks for each candidate so far around its lag that
// another note's period (a string ringing along) may be found there instead.
bool LiesWhereExpected(const PeriodCandidate& c, const PeriodCandidate& chosen, const FundamentalThresholds& t) {
  const double expected = chosen.peak.lag * c.harmonic / chosen.harmonic;
  return std::abs(c.peak.lag - expected) <= t.lagTolerance * expected;
}

// Whether a lower note the spectrum cannot resolve shows itself where its lowest partials
// still lie apart (mergedLowestBins): it repeats far better than the chosen period, and
// shows its fundamental or octave and another partial of its own, clearly: a low string
// that is mostly its twelfth is told from the note a twelfth up only by such faint partials.
bool UnresolvedLowerNoteShows(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                              const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  if (lower < t.mergedLowestBins * block.spectrum.Resolution() ||
      !RepeatsFarBetter(longer.peak.value, shorter.peak.value, t.betterAperiodicity, t))
    return false;
  const OwnPartials own = CountOwnPartials(block, lower, longer.harmonic, shorter.harmonic, t);
  return own.present >= t.ownPartialsToShow && ShowsLowestPartial(own, t) && own.second >= t.clearPartialLevel;
}

}  // namespace

bool LowerNoteUnsure(const BlockEvidence& block, const std::vector<PeriodCandidate>& candidates, int chosen,
                     const FundamentalThresholds& t) {
  const PeriodCandidate& current = candidates[static_cast<std::size_t>(chosen)];
  for (std::size_t i = static_cast<std::size_t>(chosen) + 1; i < candidates.size(); ++i) {
    const PeriodCandidate& c = candidates[i];
    if (c.harmonic % current.harmonic != 0) {
      if (c.harmonic < 2 * current.harmonic && c.peak.value >= current.peak.value + t.nearMargin &&
          LiesWhereExpected(c, current, t))
        return true;
      continue;
    }
    if (c.peak.value < current.peak.value) continue;
    const double lower = block.partialFrequency / c.harmonic;
    if (NearMains(lower, t.humPromotionReach, block.spectrum.Resolution(), t)) continue;
    if (c.harmonic == 2 * current.harmonic && OctaveBelowMayHide(block, lower, c, current, t) &&
        (OctaveRepeatsClearlyBetter(block, lower, c, current, t) ||
         OctaveRepeatsFarBetterWithoutTrend(block, lower, c, current, t)))
      return true;
    if (!Resolves(block, lower, t)) {
      if (UnresolvedLowerNoteShows(block, lower, c, current, t)) return true;
      continue;
    }
    if (!LowerNoteShowsItself(block, lower, c.harmonic, current.harmonic, false, t)) continue;
    // Partials that noise lifts to their level do not stand out from what lies around them.
    const OwnPartials standing = CountOwnPartials(block, lower, c.harmonic, current.harmonic, t, t.unsureProminence);
    if (standing.present >= t.ownPartialsToShow && standing.lowest()) return true;
  }
  return false;
}
