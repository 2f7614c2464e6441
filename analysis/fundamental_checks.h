// SPDX-License-Identifier: GPL-3.0-or-later
// Checks that several steps of the decision on a block's fundamental share (see
// fundamental_stages.h): how much better one period repeats than another, whether a lower
// note carries enough of the block, and where the mains hum lies.
#pragma once

#include <cstdint>

#include "analysis/fundamental_stages.h"
#include "analysis/fundamental_thresholds.h"

double CentsBetween(double a, double b);

// How far off the strongest partial's reading may be (hertz): it was read from frames of
// half the block, and next to other partials it may be off by partialReachBins.
double PartialReach(const BlockEvidence& block, const FundamentalThresholds& t);

// Whether the spectrum holds neighbouring harmonics of f apart (resolvedBins), and their
// main lobes (separatedBins).
bool Resolves(const BlockEvidence& block, double f, const FundamentalThresholds& t);
bool Separates(const BlockEvidence& block, double f, const FundamentalThresholds& t);

// Where the spectrum cannot tell a low note's partials apart, only the block itself can
// show them: the longer period leaves at most `share` of what the shorter one leaves over,
// and that is not mere rounding (a nearly pure tone repeats almost perfectly after any
// whole number of its periods). Without a share: farBetterAperiodicity.
bool RepeatsFarBetter(double longer, double shorter, double share, const FundamentalThresholds& t);
bool RepeatsFarBetter(double longer, double shorter, const FundamentalThresholds& t);

// Whether the longer period repeats better: it leaves at most betterAperiodicity of what
// the shorter one leaves unexplained.
bool RepeatsBetter(double longer, double shorter, const FundamentalThresholds& t);

// An octave below, a little hum or noise that neither period explains keeps what the
// longer period leaves from falling as far.
bool OctaveRepeatsFarBetter(const BlockEvidence& block, const PeriodCandidate& longer, const PeriodCandidate& shorter,
                            const FundamentalThresholds& t);

// What a shorter period leaves unexplained is, at most twice over, the power of the parts
// that do not repeat after it: a lower note's own partials must carry enough of it. A body
// mode or a faint lower string beside a loud one does not. The octave below may carry
// less: a low string's faint odd partials, being its harmonics, repeat with it nearly
// perfectly. (A quieter string a fourth or a third below shares a period as well, and a
// body mode a little off a subharmonic nearly does, so further down only energy counts.)
// Broadband noise leaves its own share unexplained by either period, so there the longer
// one must also repeat better: noise takes from how well every period repeats, and a
// fading note's multiple repeats better in it than the note itself by chance.
bool LowerNoteHolds(const BlockEvidence& block, const PeriodCandidate& longer, const PeriodCandidate& shorter,
                    const FundamentalThresholds& t);

// The hum repeats after its own period and after twice it: a period near either, or one
// shared by a note and the hum, names the hum's frequency or half of it. The reach is
// relative to the mains frequency, and no wider than `mostHz` there.
bool NearMains(double f, double reach, double mostHz, const FundamentalThresholds& t);

// A peak located at `peak` for the partial expected at `partial` is the hum's: it lies
// nearer one of the hum's first three partials, within the hum's reach, than the partial.
bool HumTakesThePeak(double peak, double partial, const FundamentalThresholds& t);

// Whether the note shows its lowest partials, or a slow sound covers them: one that holds
// the block from repeating after the period as one note alone does (singleNotePeriodicity)
// until the block's slow trend is taken out, where the note's lowest partials lie close
// enough for its main lobe (mergedLowestBins). A body mode under a low string at 1024
// points is such a sound, under one cycle a block. Two notes at once repeat so after their
// common period too: only where no shorter period that divides it repeats (`onlyOwnPeriod`).
bool ShowsOrSlowSoundCoversLowestPartials(const BlockEvidence& block, const NsdfPeak& period, double fundamental,
                                          bool onlyOwnPeriod, const FundamentalThresholds& t);

// Where the spectrum tells the lowest partials apart but not every neighbour, a lower
// note shows at least two partials of its own, its fundamental or octave among them: a
// body mode near a fraction of the string is a single one.
bool ShowsSomeOwnPartials(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                          const FundamentalThresholds& t);

// Whether the block's slow trend stands for the sound below the lower note: where the
// spectrum has too few bins below it to show that sound, the lower note itself takes
// enough cycles of the block not to be a trend, and the two periods are the strongest
// partial's own and the octave below it (a low string whose octave is its strongest
// partial). Where a sound below lies over a cycle a block, a parabola takes only part of
// it, and what is left repeats after about half the block, a lower note's period: the
// trend is fitted only as close to the lower note as trendUnderBins.
bool TrendIsSoundBelow(const BlockEvidence& block, double lower, const PeriodCandidate& longer,
                       const PeriodCandidate& shorter, const FundamentalThresholds& t);
