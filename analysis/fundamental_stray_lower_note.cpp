// SPDX-License-Identifier: GPL-3.0-or-later
// Rejecting a stray lower note: a longer period that a sound beside the string, or two
// notes together, make the block repeat after.
#include "analysis/fundamental_stages.h"

#include <algorithm>

#include "analysis/fundamental_checks.h"

bool ShowsItsLowestPartials(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  const BlockSpectrum& spectrum = block.spectrum;
  // Closer together, the main lobes of the lowest partials merge into one peak.
  if (f < t.lowestPartialsApart * spectrum.Resolution()) return true;
  // A high stiff string's period follows its sharp upper partials, so its fundamental may
  // lie a little further off than a bin.
  const double reach = std::max(spectrum.Resolution(), t.lagTolerance * f);
  const auto shows = [&](double partial) {
    return spectrum.PeakNear(partial, reach) >= t.partialLevel &&
           !HumTakesThePeak(spectrum.PeakFrequencyNear(partial, reach), partial, t);
  };
  return shows(f) || shows(2.0 * f);
}

bool CommonPeriodOfTwoNotes(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                            const FundamentalThresholds& t) {
  if (!Resolves(block, f, t)) return false;
  const OwnPartials own = CountOwnPartials(block, f, h, g, t);
  return own.present > 0 && !own.lowest() && block.spectrum.StrongestOffSeries(f, t.bandTop) >= t.partialLevel;
}

namespace {

// Whether the note at f shows its k-th partial, at partialLevel or above, looked for no
// farther than half the note's spacing.
bool ShowsPartial(const BlockEvidence& block, double f, int k, const FundamentalThresholds& t) {
  return block.spectrum.PeakNear(k * f, std::min(block.spectrum.Resolution(), 0.5 * f)) >= t.partialLevel;
}

// Whether the note at f shows a partial that lies on neither its octave's series nor its
// twelfth's: its 1st, 5th, 7th, 11th or 13th. (Its "own" partials elsewhere are those off
// one higher note's series; here two notes are asked.)
bool ShowsPartialsOffOctaveAndTwelfth(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  for (const int k : {1, 5, 7, 11, 13})
    if (k * f < t.bandTop * block.sampleRate && ShowsPartial(block, f, k, t)) return true;
  return false;
}

// Whether the note at f shows both its octave and its twelfth: the two notes a fifth apart
// that repeat together after its period.
bool ShowsOctaveAndTwelfth(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  return ShowsPartial(block, f, 2, t) && ShowsPartial(block, f, 3, t);
}

}  // namespace

int RejectStrayLowerNote(const BlockEvidence& block, const std::vector<PeriodCandidate>& candidates,
                         int chosen, const FundamentalThresholds& t) {
  double best = -1.0;
  for (const PeriodCandidate& c : candidates) best = std::max(best, c.peak.value);
  const PeriodCandidate& longer = candidates[static_cast<std::size_t>(chosen)];
  const double lower = block.partialFrequency / longer.harmonic;
  // Two notes sounding together repeat after a common period whose note shows neither
  // its fundamental nor its octave, and a note with the mains hum after one near the
  // hum's: the shortest of the shorter periods that repeat clearly and whose notes show
  // their lowest partials wins, itself judged as a lower note in its turn: a second note's
  // octave may make a period between the two repeat a little better too.
  const bool hum = NearMains(lower, t.humReach, t.mainsHigh, t);
  if (hum || !ShowsOrSlowSoundCoversLowestPartials(block, longer.peak, lower,
                                                   RepeatsOnlyAfterItsOwnPeriod(candidates, chosen, t), t)) {
    const double threshold = hum ? t.notePeriodicity : t.clearPeriodicity;
    const auto eligible = [&](const PeriodCandidate& c) {
      return longer.harmonic % c.harmonic == 0 && c.peak.value >= threshold &&
             ShowsItsLowestPartials(block, block.partialFrequency / c.harmonic, t);
    };
    double bestShorter = -1.0;
    for (int i = 0; i < chosen; ++i) {
      const PeriodCandidate& c = candidates[static_cast<std::size_t>(i)];
      if (eligible(c)) bestShorter = std::max(bestShorter, c.peak.value);
    }
    // Among those, McLeod's rule again: the shortest that repeats nearly as well.
    for (int i = 0; i < chosen; ++i) {
      const PeriodCandidate& c = candidates[static_cast<std::size_t>(i)];
      if (eligible(c) && c.peak.value >= t.shareOfBest * bestShorter) return RejectStrayLowerNote(block, candidates, i, t);
    }
  }
  // Two notes a fifth apart (a string and a lower string's octave) repeat together after
  // the period an octave under the lower of them: a note whose octave and twelfth are the
  // two, and which shows no partial of its own besides.
  // There the lower of the two names the block where it repeats clearly and lies under the
  // strongest partial. Where it is the strongest partial itself, the block may as well be
  // a bass string without its fundamental, whose odd partials happen to lie on its
  // twelfth's series: such a block keeps its period.
  for (int i = 0; i < chosen; ++i) {
    const PeriodCandidate& c = candidates[static_cast<std::size_t>(i)];
    if (longer.harmonic == 2 * c.harmonic && c.harmonic >= 2 && c.peak.value >= t.clearPeriodicity &&
        Resolves(block, lower, t) && !ShowsPartialsOffOctaveAndTwelfth(block, lower, t))
      return i;
  }
  // Where the strongest partial lies on the twelfth's series (an odd harmonic of the lower
  // note), the octave is no candidate period to give way to, and the block names no note:
  // there the string and a lower string's octave a fifth above it are the two.
  if (longer.harmonic >= 3 && longer.harmonic % 2 == 1 && Resolves(block, lower, t) &&
      !ShowsPartialsOffOctaveAndTwelfth(block, lower, t) && ShowsOctaveAndTwelfth(block, lower, t))
    return kNoNote;
  for (int i = 0; i < chosen; ++i) {
    const PeriodCandidate& c = candidates[static_cast<std::size_t>(i)];
    if (longer.harmonic % c.harmonic != 0) continue;
    // One lone partial of the lower note's own, neither its fundamental nor its octave (a
    // faint sound there does not count), is a sound beside the string (a fifth above it, say,
    // or a lower string's octave) that makes the block repeat after a longer period, however
    // well. Where the spectrum resolves the lower note, others of its own far under the lone
    // one do not count either; but there the string must show partials under its strongest
    // one: half as high again as a string's fundamental is also the third harmonic of a note
    // whose own fundamental is missing.
    const bool resolved = Resolves(block, lower, t);
    bool loneSound = false;
    bool lowestAbsent = false;  // not even faint
    if (lower >= t.ownPartialsApart * block.spectrum.Resolution() && !(resolved && c.harmonic == 1)) {
      const OwnPartials own = CountOwnPartials(block, lower, longer.harmonic, c.harmonic, t);
      loneSound = !ShowsLowestPartial(own, t) &&
                  (own.present - own.lowestPresent < t.ownPartialsToShow || (resolved && own.second < t.clearPartialLevel));
      lowestAbsent = !own.lowest();
    }
    // Where the string's own period does not repeat clearly, the block names no note. Where
    // it does, the string wins; but where the spectrum resolves the lower note, its partials
    // decide in the steps below, unless it shows neither its fundamental nor its octave,
    // not even faintly (a faint one still counts), and the string's period repeats as
    // a note's must (with its fundamental missing, a string's octave and twelfth repeat
    // poorly after the octave's period).
    if (c.peak.value < t.clearPeriodicity) {
      if (loneSound) return kNoNote;
      continue;
    }
    if (CommonPeriodOfTwoNotes(block, lower, longer.harmonic, c.harmonic, t)) return i;
    if (loneSound && (!resolved || (lowestAbsent && c.peak.value >= t.notePeriodicity))) return i;
    if (c.peak.value < t.plausibleShare * best) continue;
    if (!resolved) {
      if (!LowerNoteHolds(block, longer, c, t)) return i;
      continue;
    }
    const OwnPartials own = CountOwnPartials(block, lower, longer.harmonic, c.harmonic, t);
    const bool shows = own.present >= t.ownPartialsToShow && own.power >= t.ownPowerShare;
    if (!shows && !RepeatsFarBetter(longer.peak.value, c.peak.value, t)) return i;
  }
  return chosen;
}
