// SPDX-License-Identifier: GPL-3.0-or-later
// Every number the decision on a block's fundamental weighs its evidence by, grouped by
// what it measures. The defaults are the ones the tuner uses; corvandel-analyze sets any
// of them by name (--threshold NAME=VALUE) and bench/accuracy/sweep tries several values.
// docs/decision.md tells which step asks each one.
#pragma once

struct FundamentalThresholds {
  // --- Periodicity: how well the block repeats after a period (NSDF values, up to 1) ---
  // The shifted block must overlap at least this share of the block.
  double leastOverlap = 0.25;
  // A block repeats clearly enough to be judged, and a peak many periods on clearly
  // enough to refine the period by, above this.
  double clearPeriodicity = 0.5;
  // The block repeats after a note's period at least this well ...
  double notePeriodicity = 0.75;
  // ... rising at least this far above the deepest value at shorter lags: rumble repeats
  // "well" after any short lag, a note only after its period.
  double noteDepth = 0.9;
  // A block that repeats this well after a period, and after no shorter period that
  // divides it as well as a note's, holds one note alone.
  double singleNotePeriodicity = 0.98;
  // The shortest period whose peak reaches this share of the best one is the period: a
  // note repeats after every multiple of its period, but not after a fraction of it.
  double shareOfBest = 0.9;
  // A shorter period stays in question down to this share of the best peak.
  double plausibleShare = 0.8;
  // What a longer period leaves unexplained (1 - NSDF) as a share of what a shorter one
  // leaves: it repeats better at this share or less ...
  double betterAperiodicity = 0.5;
  // ... far better at this share, where the spectrum cannot speak ...
  double farBetterAperiodicity = 0.05;
  // ... or at this share, an octave below, where the spectrum resolves the higher note
  // (hum or noise that neither period explains keeps the share up) ...
  double octaveBetterAperiodicity = 0.15;
  // ... or at this share, where the spectrum resolves the lower note's partials.
  double resolvedBetterAperiodicity = 0.12;
  // The shorter period must leave at least this much for "far better" to be more than
  // rounding: a pure tone repeats almost perfectly after any multiple of its period.
  double leftOverNotNoise = 0.01;
  // A part of power share p leaves up to 2p unexplained: a lower note the spectrum cannot
  // resolve must leave at least this much unexplained by the shorter period.
  double lowerNoteEnergy = 0.3;
  // Unsure between a note and the octave below where the octave below repeats better by
  // this much (NSDF) ...
  double octaveUnsureMargin = 0.02;
  // ... or by this much, and leaves a far smaller share (next two) unexplained; a period
  // shorter than twice the chosen one, no multiple of it, that repeats better by this
  // much is the block's instead.
  double nearMargin = 0.01;
  double octaveUnsureShare = 0.65;
  // ... where the spectrum cannot resolve the lower note, or with the slow trend out.
  double octaveUnsureShareUnresolved = 0.45;
  // A slow trend is taken out beside a lower note only where that note takes at least
  // this many cycles of the block.
  double trendLeastCycles = 1.8;

  // --- Periods and the strongest partial ---
  // A candidate's peak is looked for this far (relative) around h/fp: partials a little
  // off the series (stiff strings) and partials read at a bin's edge.
  double lagTolerance = 0.03;
  // Where the chosen peak lies further than this (relative) from h/fp, the strongest
  // partial is no partial of the block's note, and the block's own clearest period decides.
  double partialPeriodMisfit = 0.1;
  // The far peak that refines the period is looked for this many periods either side.
  double farPeakReach = 0.3;
  // The partial, read from frames half the block long, may be off by this many bins of
  // the block's spectrum where other partials stand near it.
  double partialReachBins = 1.5;
  // A reading with no peak of the spectrum within this many bins ...
  double partialOffPeakBins = 1.0;
  // ... and a level there at most this share of the highest peak within its reach lies in
  // a valley between partials: that peak is the strongest partial then.
  double partialValleyShare = 0.5;
  // The strongest partial lies on the note's series within this many cents of a harmonic
  // or this many bins.
  double partialOffSeriesCents = 100.0;
  double partialOffSeriesBins = 0.5;
  // Where the spectrum cannot resolve the note, its strongest partial is at most this
  // harmonic of it: further up, the period is more likely the common one of two notes.
  double highestUnresolvedHarmonic = 5.0;

  // --- Spectral resolution (bins of the block's spectrum) ---
  // The window holds neighbouring harmonics of f apart from f = resolvedBins on, and their
  // main lobes apart from separatedBins on (the power-weighted fit is asked there).
  double resolvedBins = 3.5;
  double separatedBins = 6.0;
  // A note's fundamental and octave are asked for only where they lie this far apart ...
  double lowestPartialsApart = 1.5;
  // ... and closer than this their main lobes may run together and show no peak: a block
  // that repeats as one note alone needs none there.
  double mergedLowestBins = 2.0;
  // A lower note the spectrum cannot resolve is still asked for partials of its own where
  // they lie this far apart.
  double ownPartialsApart = 2.5;
  // A sound this far below a lower note is neither note's and is taken out before two
  // periods are weighed ...
  double soundUnderBins = 2.0;
  // ... and where that leaves fewer bins than this to show it in, the slow trend instead.
  double trendUnderBins = 3.0;
  // The spectrum is read up to this share of the sample rate.
  double bandTop = 0.45;

  // --- Partial levels (amplitude relative to the strongest partial) ---
  // A partial counts as present from this level on (-35 dB).
  double partialLevel = 0.0178;
  // A partial stands clearly, or a sound below is strong enough to take out, from this
  // level on (-25 dB).
  double clearPartialLevel = 0.056;
  // Of a lower note's own partials, a second one (or its fundamental or octave) counts
  // only within this share of its strongest (-14 dB): one sound alone is no note.
  double ownPartialShare = 0.2;
  // A lower note's own partials together hold at least this share of the strongest
  // partial's power (-20 dB).
  double ownPowerShare = 0.01;
  // How many of a lower note's partials are asked after, and how many of its own it shows
  // at least: one stray partial is no note ...
  double partialsAsked = 6.0;
  double ownPartialsToShow = 2.0;
  // ... and at least this many to promote it over the note its periodicity names.
  double partialsToPromote = 3.0;
  // Unsure where a longer period's note shows its own partials standing this far above
  // the median of the spectrum around them (10 dB).
  double unsureProminence = 3.16;
  // A peak off the note's series this strong is a second note: no single note.
  double secondSound = 0.5;
  // The power-weighted fit of the series takes this many partials, from this level on.
  double partialsFitted = 8.0;
  double fittedLevel = 0.01;
  // A fundamental that is itself the strongest partial keeps its phase-advance reading
  // within this many cents of the period; the fit replaces the reading from fitLeastCents
  // (closer, its own scatter is as large) to fitMostCents (further, it caught a partial
  // of something else).
  double agreementCents = 0.5;
  double fitLeastCents = 1.0;
  double fitMostCents = 30.0;

  // --- Noise ---
  // The strongest partial stands at least this far above the median of the spectrum (30 dB).
  double noteOverFloor = 31.6;
  // A median of the spectrum this high is broadband noise (-60 dB): it may hide a lower
  // note's faint partials, and its share of the block is no lower note's.
  double noisyFloor = 0.001;

  // --- Mains hum ---
  double mainsLow = 50.0;
  double mainsHigh = 60.0;
  // A lowest partial within this many cents of the mains frequency (or half it) ...
  double humCents = 15.0;
  // ... a period within this many ...
  double humCentsByPeriod = 25.0;
  // ... and either within this many where the period is read from a short overlap.
  double humCentsLongPeriod = 30.0;
  // A lower note this close (relative) to the mains gives way to a shorter period ...
  double humReach = 0.03;
  // ... and within a bin of it and this close, is never promoted.
  double humPromotionReach = 0.1;

  // --- A new sound, and the block's length ---
  // A new sound starts where a stretch of whole periods (at least this long) ...
  double startStretchSeconds = 0.006;
  // ... is this many times as loud as each of two before it ...
  double startRise = 3.0;
  // ... which both held this share of the strongest stretch's power.
  double soundAlreadyThere = 0.03;
  // A block too short to hold a period of this note (hertz: E2, a guitar's lowest string)
  // names a note only where it holds the period of the octave below it too.
  double lowestString = 82.4069;

  // --- The scored decision (FindFundamentalScored), beside the rules ---
  // A candidate's score is its NSDF value less these: the weight of the share of its first
  // partials missing from the spectrum, per octave below the strongest partial, and near
  // the mains.
  double scoredMissingWeight = 0.3;
  double scoredSubharmonicPrior = 0.15;
  double scoredHumPenalty = 0.5;
  // No reading below this score, or where a rival an octave or a fifth away scores within
  // this margin of the best.
  double scoredLeastScore = 0.7;
  double scoredRivalMargin = 0.01;
};
