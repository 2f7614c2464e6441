// SPDX-License-Identifier: GPL-3.0-or-later
// What a lower note's own partials, those off a higher note's series, show in the spectrum.
#include "analysis/fundamental_stages.h"

#include <algorithm>
#include <cmath>

OwnPartials CountOwnPartials(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                             const FundamentalThresholds& t, double prominence) {
  const BlockSpectrum& spectrum = block.spectrum;
  const double higher = f * h / g;  // the fundamental of the higher note
  OwnPartials own;
  int asked = 0;
  for (std::int32_t k = 1; asked < t.partialsAsked; ++k) {
    if ((k * g) % h == 0) continue;  // also a harmonic of the higher note
    const double frequency = k * f;
    if (frequency > t.bandTop * block.sampleRate) break;
    ++asked;
    // Never as far as the higher note's nearest harmonic, which is no partial of its own.
    const double nearestOfHigher = std::abs(frequency - higher * std::round(frequency / higher));
    const double reach = std::min(spectrum.Resolution(), 0.5 * nearestOfHigher);
    const double level = spectrum.PeakNear(frequency, reach);
    if (level < t.partialLevel || (prominence > 0.0 && spectrum.Prominence(frequency, reach) < prominence)) continue;
    ++own.present;
    own.power += level * level;
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
  return own.lowest() && own.lowestLevel >= t.ownPartialShare * own.strongest;
}

bool LowerNoteShowsItself(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                          bool repeatsFarBetter, const FundamentalThresholds& t) {
  const OwnPartials own = CountOwnPartials(block, f, h, g, t);
  // Where the block repeats far better with them, faint own partials are enough (a
  // string's odd partials fade before its even ones), and so are two strong ones (a low
  // string's upper odd partials fade first). One standing far above the others is one
  // sound, not a note.
  const bool enough = own.present >= t.partialsToPromote ||
                      (repeatsFarBetter && own.present >= t.ownPartialsToShow && own.second >= t.clearPartialLevel);
  return enough && (own.second >= t.clearPartialLevel || repeatsFarBetter) &&
         own.second >= t.ownPartialShare * own.strongest && own.lowest();
}
