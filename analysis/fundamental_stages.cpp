#include "analysis/fundamental_stages.h"

#include <algorithm>
#include <cmath>

#include "analysis/fourier_transform.h"
#include "analysis/numeric.h"
#include "analysis/peak_refinement.h"
#include "analysis/sound_removal.h"

namespace {

double CentsBetween(double a, double b) { return 1200.0 * std::log2(a / b); }

// How far off the strongest partial's reading may be: it was read from frames of half the
// block, and next to other partials that reading may be off by up to a bin and a half.
double PartialReach(const BlockEvidence& block) { return 1.5 * block.sampleRate / (block.blockLength / 2.0); }

// Where the spectrum cannot tell a low note's partials apart, only the block itself can
// show them: the longer period leaves at most `share` of what the shorter one leaves over,
// and that is not mere rounding (a nearly pure tone repeats almost perfectly after any
// whole number of its periods).
bool RepeatsFarBetter(double longer, double shorter, double share, const FundamentalThresholds& t) {
  return 1.0 - shorter >= t.leftOverNotNoise && 1.0 - longer < share * (1.0 - shorter);
}

// Whether the longer period repeats better: it leaves at most betterAperiodicity of what
// the shorter one leaves unexplained.
bool RepeatsBetter(double longer, double shorter, const FundamentalThresholds& t) {
  return 1.0 - longer < t.betterAperiodicity * (1.0 - shorter);
}

bool RepeatsFarBetter(double longer, double shorter, const FundamentalThresholds& t) {
  return RepeatsFarBetter(longer, shorter, t.farBetterAperiodicity, t);
}

// An octave below, a little hum or noise that neither period explains keeps what the
// longer period leaves from falling as far.
bool OctaveRepeatsFarBetter(const BlockEvidence& block, const PeriodCandidate& longer, const PeriodCandidate& shorter,
                            const FundamentalThresholds& t) {
  if (longer.harmonic != 2 * shorter.harmonic) return false;
  const bool higherResolved = block.spectrum.Resolves(block.partialFrequency / shorter.harmonic);
  return RepeatsFarBetter(longer.peak.value, shorter.peak.value,
                          higherResolved ? t.octaveBetterAperiodicity : t.farBetterAperiodicity, t);
}

// What a shorter period leaves unexplained is, at most twice over, the power of the parts
// that do not repeat after it: a lower note's own partials must carry enough of it. A body
// mode or a faint lower string beside a loud one does not. The octave below may carry
// less: a low string's faint odd partials, being its harmonics, repeat with it nearly
// perfectly. (A quieter string a fourth or a third below shares a period as well, and a
// body mode a little off a subharmonic nearly does, so further down only energy counts.)
// Broadband noise leaves its own share unexplained by either period, so there the longer
// one must also repeat better (a fading E4 in pink noise repeats after five of its periods,
// C2's, better than after one, but not by that much).
bool LowerNoteHolds(const BlockEvidence& block, const PeriodCandidate& longer, const PeriodCandidate& shorter,
                    const FundamentalThresholds& t) {
  if (block.spectrum.NoiseFloor() >= t.noisyFloor && !RepeatsBetter(longer.peak.value, shorter.peak.value, t))
    return false;
  return 1.0 - shorter.peak.value >= t.lowerNoteEnergy || OctaveRepeatsFarBetter(block, longer, shorter, t);
}

// The hum repeats after its own period and after twice it: a period near either, or one
// shared by a note and the hum, names the hum's frequency or half of it. The reach is
// relative to the mains frequency, and no wider than `mostHz` there.
bool NearMains(double f, double reach, double mostHz, const FundamentalThresholds& t) {
  for (const double mains : {t.mainsLow, t.mainsHigh})
    for (const double share : {1.0, 0.5})
      if (std::abs(f - share * mains) <= share * std::min(mostHz, reach * mains)) return true;
  return false;
}

// A peak located at `peak` for the partial expected at `partial` is the hum's: it lies
// nearer one of the hum's first three partials, within the hum's reach, than the partial.
bool HumTakesThePeak(double peak, double partial, const FundamentalThresholds& t) {
  for (const double mains : {t.mainsLow, t.mainsHigh})
    for (int k = 1; k <= 3; ++k) {
      const double apart = std::abs(peak - k * mains);
      if (apart <= t.humReach * k * mains && apart < std::abs(peak - partial)) return true;
    }
  return false;
}

// Whether the note shows its lowest partials, or a slow sound covers them: one that holds
// the block from repeating after the period as one note alone does (singleNotePeriodicity)
// until the block's slow trend is taken out, where the note's lowest partials lie close
// enough for its main lobe (mergedLowestBins). A body mode under a low string at 1024
// points is such a sound, under one cycle a block. Two notes at once repeat so after their
// common period too: only where no shorter period that divides it repeats (`onlyOwnPeriod`).
bool ShowsOrSlowSoundCoversLowestPartials(const BlockEvidence& block, const NsdfPeak& period, double fundamental,
                                          bool onlyOwnPeriod, const FundamentalThresholds& t) {
  if (ShowsItsLowestPartials(block, fundamental, t)) return true;
  if (!onlyOwnPeriod || period.value >= t.singleNotePeriodicity ||
      fundamental >= t.mergedLowestBins * block.spectrum.Resolution())
    return false;
  const std::vector<double> rest = WithoutSlowTrend(block.samples, fundamental, block.sampleRate);
  return SquareDifferenceAt(rest, period.lag) >= t.singleNotePeriodicity;
}

}  // namespace

NsdfPeak NsdfPeakBetween(const std::vector<double>& nsdf, std::size_t lo, std::size_t hi) {
  NsdfPeak best;
  for (std::size_t lag = std::max<std::size_t>(lo, 1); lag <= hi && lag + 1 < nsdf.size(); ++lag) {
    const double centre = nsdf[lag];
    if (centre < nsdf[lag - 1] || centre < nsdf[lag + 1] || centre <= best.value) continue;
    const RefinedPeak vertex = RefinePeak(nsdf[lag - 1], centre, nsdf[lag + 1]);
    best = {static_cast<double>(lag) + vertex.offset, vertex.value};
  }
  return best;
}

std::vector<PeriodCandidate> CandidatePeriods(const BlockEvidence& block, const FundamentalThresholds& t) {
  const double partialPeriod = Divide(block.sampleRate, block.partialFrequency);
  // Each candidate's peak is looked for as far as the partial's reading may be off (but
  // never as far as the next candidate).
  const double tolerance = std::max(t.lagTolerance, PartialReach(block) / block.partialFrequency);
  std::vector<PeriodCandidate> candidates;
  for (std::int32_t h = 1; block.partialFrequency / h >= kLowestFrequency; ++h) {
    const double lag = h * partialPeriod;
    const double halfWidth = std::min(0.45 * partialPeriod, std::max(2.0, tolerance * lag));
    if (lag - halfWidth > static_cast<double>(block.longestLag)) break;
    const auto lo = static_cast<std::size_t>(std::max(1.0, std::floor(lag - halfWidth)));
    const auto hi = std::min(block.longestLag, static_cast<std::size_t>(std::ceil(lag + halfWidth)));
    const NsdfPeak peak = NsdfPeakBetween(block.nsdf, lo, hi);
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
      const NsdfPeak peak = NsdfPeakBetween(nsdf, start, lag);
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
  const NsdfPeak octave = NsdfPeakBetween(block.nsdf, static_cast<std::size_t>(twice - reach),
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

bool ShowsItsLowestPartials(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  const BlockSpectrum& spectrum = block.spectrum;
  // Closer together, the main lobes of the lowest partials merge into one peak.
  if (f < t.lowestPartialsApart * spectrum.Resolution()) return true;
  // A high stiff string's period follows its sharp upper partials, so its fundamental may
  // lie a little further off than a bin.
  const double reach = std::max(spectrum.Resolution(), t.lagTolerance * f);
  const auto shows = [&](double partial) {
    return spectrum.PeakNear(partial, reach) >= t.ownPartialLevel &&
           !HumTakesThePeak(spectrum.PeakFrequencyNear(partial, reach), partial, t);
  };
  return shows(f) || shows(2.0 * f);
}

bool CommonPeriodOfTwoNotes(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                            const FundamentalThresholds& t) {
  if (!block.spectrum.Resolves(f)) return false;
  const OwnPartials own = CountOwnPartials(block, f, h, g, t);
  return own.present > 0 && !own.lowest() && block.spectrum.StrongestOffSeries(f) >= t.offSeriesOfCommonPeriod;
}

namespace {

// Whether the note at f shows a partial that lies on neither its octave's series nor its
// twelfth's: its 1st, 5th, 7th, 11th or 13th, at ownPartialLevel or above. (Its "own"
// partials elsewhere are those off one higher note's series; here two notes are asked.)
bool ShowsPartialsOffOctaveAndTwelfth(const BlockEvidence& block, double f, const FundamentalThresholds& t) {
  const double reach = std::min(block.spectrum.Resolution(), 0.5 * f);
  for (const int k : {1, 5, 7, 11, 13}) {
    const double partial = k * f;
    if (partial < 0.45 * block.sampleRate && block.spectrum.PeakNear(partial, reach) >= t.ownPartialLevel) return true;
  }
  return false;
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
  // their lowest partials wins, itself judged as a lower note in its turn (G3 with D3
  // ringing repeats after G1's period, near the hum's, and after G2's a little better
  // than after its own: D3's octave repeats after G2's period).
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
  // Two notes a fifth apart (A2 and a lower E2 string's octave, its odd partials faded)
  // repeat together after the period an octave under the lower of them (A1's): a note
  // whose octave and twelfth are the two, and which shows no partial of its own besides.
  // There the lower of the two names the block where it repeats clearly and lies under the
  // strongest partial. Where it is the strongest partial itself, the block may as well be
  // a bass string without its fundamental, whose odd partials happen to lie on its
  // twelfth's series: such a block keeps its period.
  for (int i = 0; i < chosen; ++i) {
    const PeriodCandidate& c = candidates[static_cast<std::size_t>(i)];
    if (longer.harmonic == 2 * c.harmonic && c.harmonic >= 2 && c.peak.value >= t.clearPeriodicity &&
        block.spectrum.Resolves(lower) && !ShowsPartialsOffOctaveAndTwelfth(block, lower, t))
      return i;
  }
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
    const bool resolved = block.spectrum.Resolves(lower);
    bool loneSound = false;
    bool lowestAbsent = false;  // not even faint
    if (lower >= t.ownPartialsApart * block.spectrum.Resolution() && !(resolved && c.harmonic == 1)) {
      const OwnPartials own = CountOwnPartials(block, lower, longer.harmonic, c.harmonic, t);
      loneSound = !ShowsLowestPartial(own, t) &&
                  (own.present - own.lowestPresent < 2 || (resolved && own.second < t.secondOwnPartialLevel));
      lowestAbsent = !own.lowest();
    }
    // Where the string's own period does not repeat clearly, the block names no note. Where
    // it does, the string wins; but where the spectrum resolves the lower note, its partials
    // decide in the steps below, unless it shows neither its fundamental nor its octave,
    // not even faintly (a high piano string's is faint), and the string's period repeats as
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
    const bool shows = block.spectrum.ShowsOwnPartials(lower, longer.harmonic, c.harmonic, t.partialsToKeep);
    if (!shows && !RepeatsFarBetter(longer.peak.value, c.peak.value, t)) return i;
  }
  return chosen;
}

OwnPartials CountOwnPartials(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                             const FundamentalThresholds& t, double prominence) {
  const BlockSpectrum& spectrum = block.spectrum;
  const double higher = f * h / g;  // the fundamental of the higher note
  OwnPartials own;
  int asked = 0;
  for (std::int32_t k = 1; asked < 6; ++k) {
    if ((k * g) % h == 0) continue;  // also a harmonic of the higher note
    const double frequency = k * f;
    if (frequency > 0.45 * block.sampleRate) break;
    ++asked;
    // Never as far as the higher note's nearest harmonic, which is no partial of its own.
    const double nearestOfHigher = std::abs(frequency - higher * std::round(frequency / higher));
    const double reach = std::min(spectrum.Resolution(), 0.5 * nearestOfHigher);
    const double level = spectrum.PeakNear(frequency, reach);
    if (level < t.ownPartialLevel || (prominence > 0.0 && spectrum.Prominence(frequency, reach) < prominence)) continue;
    ++own.present;
    if (k <= 2) {
      ++own.lowestPresent;
      own.lowestLevel = std::max(own.lowestLevel, level);
    }
    own.second = std::max(own.second, std::min(own.strongest, level));
    own.strongest = std::max(own.strongest, level);
  }
  return own;
}

bool ShowsLowestPartial(const OwnPartials& own, const FundamentalThresholds& t) {
  return own.lowest() && own.lowestLevel >= t.faintLowestShare * own.strongest;
}

bool LowerNoteShowsItself(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                          bool repeatsFarBetter, const FundamentalThresholds& t) {
  const OwnPartials own = CountOwnPartials(block, f, h, g, t);
  // Where the block repeats far better with them, faint own partials are enough (a
  // string's odd partials fade before its even ones), and so are two strong ones (a low
  // string's upper odd partials fade first). One standing far above the others is one
  // sound, not a note.
  const bool enough = own.present >= t.partialsToPromote ||
                      (repeatsFarBetter && own.present >= 2 && own.second >= t.secondOwnPartialLevel);
  return enough && (own.second >= t.secondOwnPartialLevel || repeatsFarBetter) &&
         own.second >= t.secondOwnPartialShare * own.strongest && (own.lowest() || !t.ownLowestPartialNeeded);
}

// Where the spectrum tells the lowest partials apart but not every neighbour, a lower
// note shows at least two partials of its own, its fundamental or octave among them: a
// body mode near a fraction of the string is a single one.
bool ShowsSomeOwnPartials(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                          const FundamentalThresholds& t) {
  if (f < t.ownPartialsApart * block.spectrum.Resolution()) return true;  // nothing to ask
  const OwnPartials own = CountOwnPartials(block, f, h, g, t);
  return own.present >= 2 && own.lowest();
}

namespace {

// Where the spectrum cannot resolve the lower note, its period repeats far better and its
// partials carry enough of the block; or, where they lie far enough apart to be counted,
// they show as promotion asks, its fundamental or octave not faint among them (a steel
// string late in its note, its twelfth the strongest partial, a little noise in the block).
bool UnresolvedLowerNoteHolds(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                              const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  if ((RepeatsFarBetter(longer.peak.value, shorter.peak.value, t) || OctaveRepeatsFarBetter(block, longer, shorter, t)) &&
      LowerNoteHolds(block, longer, shorter, t) && ShowsSomeOwnPartials(block, lower, longer.harmonic, shorter.harmonic, t))
    return true;
  return lower >= t.ownPartialsApart * block.spectrum.Resolution() &&
         LowerNoteShowsItself(block, lower, longer.harmonic, shorter.harmonic, false, t) &&
         ShowsLowestPartial(CountOwnPartials(block, lower, longer.harmonic, shorter.harmonic, t), t);
}

// Whether the block's slow trend stands for the sound below the lower note: where the
// spectrum has too few bins below it to show that sound, the lower note itself takes
// enough cycles of the block not to be a trend, and the two periods are the strongest
// partial's own and the octave below it (a low string whose octave is its strongest
// partial). Between two notes under the strongest partial (E2 and E1 at 2048 points,
// E2's octave the strongest), a mode a third of E2 lies over a cycle a block up: a
// parabola takes only part of it, and what is left repeats after about half the block,
// E1's period. Farther below, the fit cost more than it mended.
bool TrendIsSoundBelow(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                       const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  const double resolution = block.spectrum.Resolution();
  return lower - t.soundUnderBins * resolution < t.trendUnderBins * resolution &&
         lower >= t.trendLeastCycles * resolution && shorter.harmonic == 1 && longer.harmonic == 2;
}

// How well the two periods repeat once the sound below the lower note is taken out of the
// block: the strongest one there, or where the spectrum cannot show it, the block's slow
// trend. A sound below both notes (a body mode) is explained by neither period, and what
// it takes from each says nothing of either note. Returns the block without it, empty
// where nothing was taken out.
std::vector<double> WithoutSoundBelow(const BlockEvidence& block, double lower, PeriodCandidate& longer,
                                      PeriodCandidate& shorter, const FundamentalThresholds& t) {
  const double sound = block.spectrum.SoundBelow(lower - t.soundUnderBins * block.spectrum.Resolution(),
                                                 t.soundUnderLevel);
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
// cover the lower note's fundamental (a mode a third of E2 lies 1.3 bins under it at 2048
// points) and hide the peak that the note must show.
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
    const bool evidence = block.spectrum.Resolves(lower)
                              ? ResolvedLowerNoteShowsItself(block, rest, lower, longer, shorter, t)
                              : UnresolvedLowerNoteHolds(block, lower, longer, shorter, t);
    if (evidence) chosen = static_cast<int>(i);
  }
  return chosen;
}

namespace {

// Whether noise may hide what tells a note from the octave below, the lower note's faint
// odd partials: where the spectrum cannot resolve them, broadband noise in the block; where
// it can, the lower note's fundamental shows, or broadband noise may have buried that
// fundamental (pink noise is loudest there) and odd partials still show, one clearly.
bool OctaveBelowMayHide(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                        const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  const BlockSpectrum& spectrum = block.spectrum;
  const bool noisy = spectrum.NoiseFloor() >= t.noisyFloor;
  if (!spectrum.Resolves(lower)) return noisy;
  if (spectrum.PeakNear(lower, std::min(spectrum.Resolution(), 0.5 * lower)) >= t.ownPartialLevel) return true;
  if (!noisy) return false;
  const OwnPartials own = CountOwnPartials(block, lower, longer.harmonic, shorter.harmonic, t);
  return own.present >= t.partialsToKeep && own.strongest >= t.secondOwnPartialLevel;
}

// Whether the octave below repeats clearly better than the chosen period: by a wide
// margin, or by a narrower one where it also leaves a far smaller share unexplained.
bool OctaveRepeatsClearlyBetter(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                                const PeriodCandidate& shorter, const FundamentalThresholds& t) {
  if (longer.peak.value >= shorter.peak.value + t.octaveUnsureMargin) return true;
  const double share = block.spectrum.Resolves(lower) ? t.octaveUnsureShare : t.octaveUnsureShareUnresolved;
  return longer.peak.value >= shorter.peak.value + t.octaveUnsureNearMargin &&
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
  if (block.spectrum.Resolves(lower) || !TrendIsSoundBelow(block, lower, longer, shorter, t)) return false;
  const std::vector<double> rest = WithoutSlowTrend(block.samples, lower, block.sampleRate);
  const double longerValue = SquareDifferenceAt(rest, longer.peak.lag);
  const double shorterValue = SquareDifferenceAt(rest, shorter.peak.lag);
  return longerValue >= shorterValue + t.octaveUnsureNearMargin &&
         RepeatsFarBetter(longerValue, shorterValue, t.octaveUnsureShareUnresolved, t);
}

// Whether the candidate's peak lies at its own number of partial periods, measured by
// the chosen period's: a short block looks for each candidate so far around its lag that
// another note's period (a string ringing along) may be found there instead.
bool LiesWhereExpected(const PeriodCandidate& c, const PeriodCandidate& chosen, const FundamentalThresholds& t) {
  const double expected = chosen.peak.lag * c.harmonic / chosen.harmonic;
  return std::abs(c.peak.lag - expected) <= t.lagTolerance * expected;
}

}  // namespace

bool LowerNoteUnsure(const BlockEvidence& block, const std::vector<PeriodCandidate>& candidates, int chosen,
                     const FundamentalThresholds& t) {
  const PeriodCandidate& current = candidates[static_cast<std::size_t>(chosen)];
  for (std::size_t i = static_cast<std::size_t>(chosen) + 1; i < candidates.size(); ++i) {
    const PeriodCandidate& c = candidates[i];
    if (c.harmonic % current.harmonic != 0) {
      if (c.harmonic < 2 * current.harmonic && c.peak.value >= current.peak.value + t.rivalPeriodMargin &&
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
    if (!block.spectrum.Resolves(lower) || !LowerNoteShowsItself(block, lower, c.harmonic, current.harmonic, false, t))
      continue;
    // Partials that noise lifts to their level do not stand out from what lies around them.
    const OwnPartials standing = CountOwnPartials(block, lower, c.harmonic, current.harmonic, t, t.unsureProminence);
    if (standing.present >= t.unsurePartials && standing.lowest()) return true;
  }
  return false;
}

double RefinePeriod(const BlockEvidence& block, double period, const FundamentalThresholds& t) {
  const double span = std::max(period, block.blockLength / 2.0);
  const double periods = std::max(1.0, std::floor(span / period));
  if (periods <= 1.0) return period;
  const double lag = periods * period;
  const NsdfPeak far = NsdfPeakBetween(
      block.nsdf, static_cast<std::size_t>(std::floor(lag - 0.3 * period)),
      std::min(block.longestLag, static_cast<std::size_t>(std::ceil(lag + 0.3 * period))));
  return far.value > t.farPeriodicity ? far.lag / periods : period;
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
  if (block.spectrum.Separates(fundamental)) {
    const double fitted = block.spectrum.HarmonicFit(fundamental);
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

bool StrongestPartialOnSeries(const BlockEvidence& block, double fundamental, const FundamentalThresholds& t) {
  if (!block.spectrum.Resolves(fundamental)) return true;  // its partials' peaks run together
  const double located = block.spectrum.PeakFrequencyNear(block.partialFrequency, PartialReach(block));
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

bool IsNote(const BlockEvidence& block, const NsdfPeak& period, double fundamental, bool onlyOwnPeriod,
            bool betterThanDivisors, const FundamentalThresholds& t) {
  if (period.value < t.notePeriodicity) return false;
  const auto last = std::min(block.nsdf.size(), static_cast<std::size_t>(period.lag));
  const auto deepest = std::min_element(block.nsdf.begin(), block.nsdf.begin() + static_cast<std::ptrdiff_t>(last));
  if (deepest == block.nsdf.begin() + static_cast<std::ptrdiff_t>(last) || period.value - *deepest < t.noteDepth)
    return false;
  if (block.spectrum.NoiseFloor() * t.noteOverFloor > 1.0) return false;
  if (block.spectrum.StrongestOffSeries(fundamental) >= t.secondSound) return false;
  // Where their main lobes run together the lowest partials may show no peak of their own:
  // a block that repeats as only one note does needs none.
  const bool oneNote = onlyOwnPeriod && period.value >= t.singleNotePeriodicity;
  const bool lowestMerged = fundamental < t.mergedLowestBins * block.spectrum.Resolution();
  if (!(oneNote && lowestMerged) && !ShowsOrSlowSoundCoversLowestPartials(block, period, fundamental, onlyOwnPeriod, t))
    return false;
  // The hum is told by its period, or by its lowest partial located in the spectrum: the
  // period of a note and the hum together lies between the two. A period longer than half
  // the block is read from a short overlap, less exactly. Where the block repeats as one
  // note alone does (singleNotePeriodicity), better than after any shorter period that
  // divides the note's, and its strongest partial (read by its phase advance) is a
  // harmonic of that note, the note is no hum: within a bin of the mains frequency (a low
  // E at 1024 points, A-flat 1 at 2048) the spectrum locates the note's fundamental near
  // the mains with or without hum.
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
  const bool lowestShows = block.spectrum.PeakNear(fundamental, reach) >= t.ownPartialLevel;
  return !isHum(fundamental, t.humCentsByPeriod) &&
         !(lowestShows && !plainlyOneNote && isHum(block.spectrum.PeakFrequencyNear(fundamental, reach), t.humCents));
}
