// SPDX-License-Identifier: GPL-3.0-or-later
// The steps of the decision on a block's fundamental (see fundamental.h), each on its
// own so that each can be tested. Each step has its own source file: the candidate
// periods (fundamental_candidates.cpp), rejecting a stray lower note
// (fundamental_stray_lower_note.cpp), a lower note's own partials
// (fundamental_own_partials.cpp), promoting a lower note (fundamental_promotion.cpp), the
// unsure octave (fundamental_unsure.cpp), and refining, fitting and deciding on the note
// (fundamental_note_decision.cpp); the checks they share are in fundamental_checks.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/block_spectrum.h"
#include "analysis/fundamental.h"
#include "analysis/fundamental_thresholds.h"

// A local maximum of the NSDF: its lag (samples, refined between samples) and value.
struct NsdfPeak {
  double lag = 0.0;
  double value = -1.0;
};

// The period of h partial periods and how well the block repeats after it.
struct PeriodCandidate {
  std::int32_t harmonic = 1;
  NsdfPeak peak;
};

// What every step looks at: the block itself, its NSDF and spectrum, and the strongest
// partial.
struct BlockEvidence {
  const std::vector<std::int16_t>& samples;
  std::vector<double> nsdf;
  BlockSpectrum spectrum;
  double partialFrequency;
  double sampleRate;
  double blockLength;
  std::size_t longestLag;
  std::vector<double> nsdfBetween = {};  // half a lag after each lag, where measured
};

// The evidence both decisions weigh: the block's NSDF and spectrum, and its strongest
// partial, read again in the spectrum where its phase-advance reading lies in a valley.
BlockEvidence GatherEvidence(const std::vector<std::int16_t>& block, double partialFrequency, std::int32_t sampleRate,
                             const FundamentalThresholds& t);

// The highest local maximum of the NSDF among lags lo..hi; value -1 without one. Where the
// NSDF is known between lags too, the peak is looked for among both.
NsdfPeak NsdfPeakBetween(const BlockEvidence& block, std::size_t lo, std::size_t hi);

// The strongest partial: as read by its phase advance, or, where that reading lies in a
// valley between the spectrum's peaks (partialOffPeakBins, partialValleyShare), the
// highest peak within its reach: two partials sharing a bin of the half-block frames
// advance in phase as one partial between them.
double StrongestPartial(const BlockEvidence& block, const FundamentalThresholds& t);

// The NSDF's peak next to each period h/fp, h = 1, 2, ..., down to the lowest note and
// up to the longest lag.
std::vector<PeriodCandidate> CandidatePeriods(const BlockEvidence& block, const FundamentalThresholds& t);

// The block's own period where the strongest partial names none (a low partial read from
// less than a period of it): McLeod's rule over the whole NSDF, the shortest key maximum
// that repeats nearly as well as the best. Value -1 without one.
NsdfPeak ClearestPeriod(const BlockEvidence& block, const FundamentalThresholds& t);
// Whether the block repeats clearly better after twice that period (by octaveUnsureMargin,
// leaving at most betterAperiodicity of what it leaves): with no partial to name the
// octave, the note may as well be the one below, so the block holds no reading.
bool OctaveBelowClearestRepeatsBetter(const BlockEvidence& block, const NsdfPeak& period,
                                      const FundamentalThresholds& t);

// McLeod's rule: the shortest candidate that repeats nearly as well as the best one; -1
// when none repeats clearly.
int ShortestStrongPeriod(const std::vector<PeriodCandidate>& candidates, const FundamentalThresholds& t);

// Whether the lower fundamental f (the partial's harmonic h) is only the common period of
// two notes, the higher one at harmonic g and another: partials of its own sound beside a
// sound off its series, but neither its fundamental nor its octave. Two notes repeat
// together after a period that neither of them has.
bool CommonPeriodOfTwoNotes(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                            const FundamentalThresholds& t);

// A longer period is a note's only where its note shows itself: one stray partial, or a
// second note, can make the block repeat best after a multiple of the period the ear
// hears. A shorter period that still repeats fairly well wins over the chosen one when
// the chosen one's lower note shows too few partials of its own, not its lowest ones, or
// is only the common period of two notes. kNoNote where the block holds two sounds and
// neither's own period can be chosen: the block names no note.
inline constexpr int kNoNote = -1;
int RejectStrayLowerNote(const BlockEvidence& block, const std::vector<PeriodCandidate>& candidates,
                         int chosen, const FundamentalThresholds& t);

// A longer period wins when it repeats better and its lower note shows partials of its
// own (or, where the spectrum cannot tell, the block repeats far better): a note whose odd
// partials are faint repeats almost as well after half its period as after its own.
int PromoteLowerNote(const BlockEvidence& block, const std::vector<PeriodCandidate>& candidates,
                     int chosen, const FundamentalThresholds& t);

// The partials of the lower fundamental f (the partial's harmonic h) among its first
// partialsAsked that are not partials of the higher fundamental at harmonic g: how many
// stand out (from partialLevel on), their power together,
// whether its fundamental or octave is among them, and the two strongest (relative to
// the strongest partial). With a prominence, only partials standing at least that far
// above the spectrum around them count.
struct OwnPartials {
  int present = 0;
  int lowestPresent = 0;     // its fundamental and octave among them
  double lowestLevel = 0.0;  // the stronger of those two
  double strongest = 0.0;
  double second = 0.0;
  double power = 0.0;        // of all of them together, relative to the strongest partial's
  bool lowest() const { return lowestPresent > 0; }
};
// Whether its fundamental or octave shows, and not only far under its other partials.
bool ShowsLowestPartial(const OwnPartials& own, const FundamentalThresholds& t);
OwnPartials CountOwnPartials(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g,
                             const FundamentalThresholds& t, double prominence = 0.0);

// Whether the lower fundamental f shows enough partials of its own for promotion.
bool LowerNoteShowsItself(const BlockEvidence& block, double f, std::int32_t h, std::int32_t g, bool repeatsFarBetter,
                          const FundamentalThresholds& t);

// Whether a note of fundamental f shows its fundamental or its octave, where the spectrum
// resolves f: the partials of two notes sounding together fit a lower common
// fundamental, which itself does not sound.
bool ShowsItsLowestPartials(const BlockEvidence& block, double f, const FundamentalThresholds& t);

// Whether the block cannot tell the chosen note from a lower one: a longer period repeats
// at least as well, though not better by promotion's measure, and its note shows itself
// clearly, standing out from the spectrum around it; or the octave below repeats clearly
// better where noise may have hidden the faint odd partials that would tell the two apart
// (noise takes more from how well a period repeats than a faint fundamental adds); or a
// period between the chosen one and twice it, no multiple of it, repeats better, so the
// chosen period is not the block's.
bool LowerNoteUnsure(const BlockEvidence& block, const std::vector<PeriodCandidate>& candidates, int chosen,
                     const FundamentalThresholds& t);

// The period measured over as many whole periods as half the block holds: the peak k
// periods on locates the period k times more finely.
double RefinePeriod(const BlockEvidence& block, double period, const FundamentalThresholds& t);

// The note's frequency from the measured fundamental: the phase-advance reading where
// the fundamental is itself the strongest partial and agrees, and the power-weighted fit
// of the first eight partials where the spectrum holds them apart.
double FitPartials(const BlockEvidence& block, double fundamental, std::int32_t harmonic,
                   const FundamentalThresholds& t);

// Whether a new sound starts within the block over one already sounding: the power of
// a stretch of the block (whole periods of `period` samples) rises sharply over two
// stretches before it, each holding a fair share of the block's strongest. Such a
// block holds the end of one note and the start of the next, and what repeats in it may
// be neither of them.
bool NewSoundStarts(const std::vector<std::int16_t>& block, double period, double sampleRate,
                    const FundamentalThresholds& t);

// Whether the block can tell the note of `period` samples from the octave below it: it
// holds twice that period, or a period of the lowest string the tuner reads, E2
// (lowestString). A block shorter than a period of the sounding note cannot hold it, and
// takes its partials, merged, for some note up to about twice the lowest it holds. Down
// to E2 the tuner takes the note it holds for the one sounding; in a shorter block, only
// where the block could have shown the octave below.
bool HoldsTheOctaveBelow(const BlockEvidence& block, double period, const FundamentalThresholds& t);

// Whether the strongest partial is too high on the note's series (beyond
// highestUnresolvedHarmonic) for a note whose partials the spectrum cannot resolve: nothing
// there shows the partials below it, and two notes of like strength repeat together after
// such a period.
bool StrongestPartialTooHigh(const BlockEvidence& block, std::int32_t harmonic, const FundamentalThresholds& t);

// Whether the strongest partial, located in the block's spectrum, lies on the harmonic
// series of the fundamental. Where one note gives way to the next early in the block, the
// NSDF's peak nearest the partial's period may lie far from it, at the period of neither
// note. Not asked where the spectrum does not resolve the fundamental's partials: their
// peaks run together and locate each other only roughly.
bool StrongestPartialOnSeries(const BlockEvidence& block, double fundamental, const FundamentalThresholds& t);

// Whether no shorter period that divides the chosen one repeats as a note's must
// (notePeriodicity): the block holds no louder note of which the chosen period is a
// multiple.
bool RepeatsOnlyAfterItsOwnPeriod(const std::vector<PeriodCandidate>& candidates, int chosen,
                                  const FundamentalThresholds& t);

// Whether the chosen period repeats better (betterAperiodicity) than every shorter one
// that divides it: a low string whose odd partials are faint repeats well after its
// octave's period too, but not as well as after its own.
bool RepeatsBetterThanItsDivisors(const std::vector<PeriodCandidate>& candidates, int chosen,
                                  const FundamentalThresholds& t);

// Whether the block holds a note at the chosen period and fundamental: it repeats
// clearly, stands above the noise floor, holds no second sound of like strength, shows
// its lowest partials (or repeats as one note only does, see RepeatsOnlyAfterItsOwnPeriod),
// and is not the mains hum (see RepeatsBetterThanItsDivisors: `betterThanDivisors`).
// NoReading::None where it does, else the first test it fails.
NoReading IsNote(const BlockEvidence& block, const NsdfPeak& period, double fundamental, bool onlyOwnPeriod,
                 bool betterThanDivisors, const FundamentalThresholds& t);
