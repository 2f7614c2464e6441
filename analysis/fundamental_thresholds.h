// SPDX-License-Identifier: GPL-3.0-or-later
// Every threshold of the decision on a block's fundamental, in one place, so that the
// accuracy harness can sweep them. The defaults are the ones the tuner uses.
#pragma once

struct FundamentalThresholds {
  // Candidate periods.
  // The shifted block must overlap at least this share of the block.
  double leastOverlap = 0.25;
  // A candidate's peak is looked for this far (relative) around h/fp, for partials a
  // little off the harmonic series (stiff strings) and for partials read at a bin's edge.
  double lagTolerance = 0.03;

  // The shortest strong period.
  // A block repeats clearly enough to be judged only above this NSDF value.
  double clearPeriodicity = 0.5;
  // The chosen period's peak must reach this share of the best candidate's peak.
  double shareOfBest = 0.9;
  // Where that peak lies further than this (relative) from h/fp, the strongest partial is
  // no partial of the block's note (low noise above it, or a phase advance read across a
  // note change) and the block's own clearest period decides instead. A low partial read
  // at a bin's edge lies up to about a twelfth off.
  double partialPeriodMisfit = 0.1;
  // A reading of the strongest partial with no peak of the block's spectrum within this
  // many bins ...
  double partialOffPeakBins = 1.0;
  // ... and a magnitude there at most this share of the highest peak within its reach lies
  // in a valley between partials: two strong ones in neighbouring bins of the half-block
  // frames give a phase advance between them. That peak is the strongest partial then.
  double partialValleyShare = 0.5;

  // Rejecting a stray lower note.
  // A shorter period stays in question down to this share of the best candidate's peak.
  double plausibleShare = 0.8;
  // A lower fundamental that the block's periodicity names keeps it only with at least
  // this many partials of its own (of the first six): a single partial may be a stray one.
  int partialsToKeep = 2;
  // Without the spectrum's word, a longer period must leave at most this share of what
  // the shorter one leaves unexplained ...
  double farBetterAperiodicity = 0.05;
  // ... of a shorter period that leaves at least this much.
  double leftOverNotNoise = 0.01;

  // Where the spectrum cannot resolve a lower note's partials, they must leave at least
  // this share of the block unexplained by the shorter period. A part of power share p
  // leaves up to 2p: a body mode 10 dB under the string up to 0.18, a string 12 dB under
  // up to 0.13, and a real lower note whose strongest partial is its third or higher
  // leaves most of its power (its partials off every third). An octave below, a longer
  // period that repeats far better holds as well: a low string's faint odd partials.
  double lowerNoteEnergy = 0.3;
  // An octave below, where the spectrum resolves the higher note, "far better" is this
  // share or less: hum or noise that neither period explains keeps what the longer one
  // leaves from falling as far as a clean string's.
  double octaveBetterAperiodicity = 0.15;
  // A chosen lower note that shows partials of its own but not its lowest ones, beside a
  // sound off its series at least this strong (amplitude ratio to the strongest partial),
  // is the common period of two notes: a string still ringing under the played one, whose
  // octave may be its strongest partial and its other partials 20 dB under that.
  double offSeriesOfCommonPeriod = 0.0178;  // -35 dB
  // Where the spectrum cannot resolve a lower note, its fundamental or octave this far
  // (amplitude ratio) or further under its strongest partial of its own does not count as
  // shown: a faint sound there beside a lone sound a fifth above the string (a fading
  // string's own, a body's) does not make the two a note below the string.
  double faintLowestShare = 0.2;

  // Promoting a lower note.
  // A longer period repeats better when what it leaves unexplained is at most this share
  // of what the shorter one leaves.
  double betterAperiodicity = 0.5;
  // Where the spectrum resolves the lower note, a longer period that leaves at most this
  // share of what the shorter one leaves lets two partials of its own promote it: noise or
  // hum that neither period explains keeps the share of a low string whose lower odd
  // partials alone stand out from falling to farBetterAperiodicity.
  double resolvedBetterAperiodicity = 0.12;
  // Sound this many bins (of the unpadded block) or more below the lower note is neither
  // note's: it is taken out of the block for that comparison. (A body mode near a third of
  // E2 lies 2.5 bins under it at 2048 points.)
  double soundUnderBins = 2.0;
  // ... where it peaks at least this high (amplitude ratio to the strongest partial).
  double soundUnderLevel = 0.056;  // -25 dB
  // Where that leaves fewer than this many bins for the spectrum to show such a sound in,
  // the block's slow trend is taken out instead (see WithoutSlowTrend) ...
  double trendUnderBins = 3.0;
  // ... where the lower note takes at least this many cycles of the block: fitted beside
  // a parabola, a fundamental that rises and falls less often than that shares it.
  double trendLeastCycles = 1.8;
  // A lower fundamental than the block's periodicity names shows at least this many
  // partials of its own (of the first six) ...
  int partialsToPromote = 3;
  // ... each at least this far (amplitude ratio) under the strongest partial ...
  double ownPartialLevel = 0.0178;  // -35 dB
  // ... the second strongest of them at least this high: one sound alone (a body mode)
  // is no note ...
  double secondOwnPartialLevel = 0.056;  // -25 dB
  // ... and at least this share (amplitude) of the strongest of them: a body mode at the
  // lower note's fundamental, with faint sounds beside it that fit that note, is one sound ...
  double secondOwnPartialShare = 0.2;  // -14 dB
  // ... and its fundamental or its octave among them: two notes sounding together share
  // a lower common fundamental that neither of them shows. (A note's lowest partials
  // count as shown from ownPartialLevel on, for every note.)
  bool ownLowestPartialNeeded = true;
  // The lowest partials are asked for only where they lie at least this many bins apart.
  double lowestPartialsApart = 1.5;
  // Closer than this many bins, the main lobes of a note's lowest partials may run together
  // and show no peak at its fundamental or octave: there the chosen note need not show them
  // where the block repeats after its period at least ... (Not wider: at 2.5, F2 to A-flat
  // 2 of the electric guitar would read at 1024 points in all their blocks instead of half,
  // but two strings a fourth apart repeat as nearly perfectly after their common period, and
  // G1 would be named for G3 with D3 at 2048 points.)
  double mergedLowestBins = 2.0;
  // ... this well, and after no shorter period that divides it as a note's must: one note.
  // Two notes together repeat after their common period, but also after the louder one's.
  double singleNotePeriodicity = 0.98;
  // Where the spectrum cannot resolve a lower note's partials, it is still asked for two
  // of them (a body mode is one) where they lie at least this many bins apart.
  double ownPartialsApart = 2.5;

  // Deciding between two periods: unsure (no reading) where the longer one's lower note
  // shows at least this many partials of its own, its fundamental or octave among them ...
  int unsurePartials = 2;
  // ... each standing at least this far (amplitude ratio) above the median of the spectrum
  // around it.
  double unsureProminence = 3.16;  // 10 dB
  // Unsure, too, where the octave below repeats better than the chosen period by at least
  // this much (NSDF), though not well enough to be promoted, and noise may have taken the
  // faint odd partials that tell the two apart: the lower note's fundamental shows (at
  // ownPartialLevel) or, where the spectrum cannot resolve it, ...
  double octaveUnsureMargin = 0.02;
  // ... the median of the spectrum (see noteOverFloor) is at least this high: broadband
  // noise. (A body mode below both notes leaves the median low.) Where it can resolve it,
  // such noise may bury the fundamental: partialsToKeep of the lower note's own partials,
  // one of them at secondOwnPartialLevel, speak for it then (a clean high note or a string
  // ringing under the played one shows none that strong, a lone sound a fifth above one).
  // In such noise a lower note that the spectrum cannot resolve must also repeat better
  // (betterAperiodicity) to take the block from the string: the noise's share, which both
  // periods leave unexplained, is no lower note's energy (see lowerNoteEnergy).
  double noisyFloor = 0.001;  // -60 dB
  // Unsure as well, on the same signs of noise, where the octave below repeats better by
  // at least this much (NSDF) ...
  double octaveUnsureNearMargin = 0.01;
  // ... and leaves at most this share of what the chosen period leaves unexplained: noise
  // added to both periods narrows a low string's lead over its octave, but not to what a
  // note an octave up shows (its octave below repeats about as well as its own period) ...
  double octaveUnsureShare = 0.65;
  // ... or this share, where the spectrum cannot resolve the lower note and only the
  // noise floor speaks for it, and where the block's slow trend stands for the sound below
  // the lower note and the two periods are compared without it.
  double octaveUnsureShareUnresolved = 0.45;
  // Unsure, too, where a period between the chosen one and twice it, no multiple of it,
  // repeats better by at least this much (NSDF): a note's block repeats worse after such
  // a lag than after its period (its odd partials are out of step there), so the chosen
  // period is not the block's (a note whose third partial is its strongest, read as the
  // twelfth's octave in noise).
  double rivalPeriodMargin = 0.01;

  // Refining the period: the far peak must still repeat at least this well.
  double farPeriodicity = 0.5;

  // Fitting the partials.
  // Within this many cents of the measured period, a fundamental that is itself the
  // strongest partial keeps the frequency read from its phase advance.
  double agreementCents = 0.5;
  // The power-weighted fit of the partials replaces the reading when the two differ by at
  // least this many cents: closer, the fit's own scatter (leakage between neighbouring
  // partials) is no smaller than the difference ...
  double fitLeastCents = 1.0;
  // ... and by less than this: further, the fit has caught a partial of something else.
  double fitMostCents = 30.0;

  // Deciding whether there is a note at all.
  // A block too short to hold a period of this note (hertz: E2, a guitar's lowest string)
  // names a note only where it holds the period of the octave below it too.
  double lowestString = 82.4069;
  // A new sound starts within the block where the power of one stretch (whole periods,
  // at least this long) ...
  double startStretchSeconds = 0.006;
  // ... is at least this many times that of each of two stretches before it ...
  double startRise = 3.0;  // 4.8 dB
  // ... which both held at least this share of the strongest stretch's power.
  double soundAlreadyThere = 0.03;
  // Where the spectrum cannot resolve a note's partials, its strongest partial is at most
  // this harmonic of it (a low bass string's fifth). Further up the series, the period is
  // more likely the common one of two notes of like strength: a minor third repeats after
  // five periods of the lower note, and a fourth after three.
  int highestUnresolvedHarmonic = 5;
  // The strongest partial lies on the note's harmonic series: within this many cents of
  // one of its harmonics ...
  double partialOffSeriesCents = 100.0;
  // ... or within this many bins (of the unpadded block).
  double partialOffSeriesBins = 0.5;
  // The block repeats after the chosen period at least this well (NSDF) ...
  double notePeriodicity = 0.75;
  // ... rising at least this far above the deepest NSDF value at shorter lags: noise
  // that is mostly low rumble repeats "well" after any short lag, a note only after its
  // period.
  double noteDepth = 0.9;
  // The strongest partial stands at least this far (amplitude ratio) above the median of
  // the spectrum: the note above the noise floor, whatever the level of the block.
  double noteOverFloor = 31.6;  // 30 dB
  // A peak off the note's harmonic series this strong (amplitude ratio to the strongest
  // partial) is a second note of like strength: the block holds no single note.
  double secondSound = 0.5;
  // Mains hum: a lowest partial located within this many cents of 50 or 60 Hz, or of half
  // either (the hum repeats after two of its periods too), is never a note ...
  double humCents = 15.0;
  // ... nor a period within this many: where a string has faded to the hum's level the
  // block repeats after a period between the hum's and a multiple of the string's ...
  double humCentsByPeriod = 25.0;
  // ... and within this many for either where the period is longer than half the block
  // (read from a short overlap). The bass notes next to the mains, G1, A#1 and B1, lie 35
  // to 50 cents from it.
  double humCentsLongPeriod = 30.0;
  // A chosen lower note this close (relative) to the mains frequency gives way to a
  // shorter period that repeats clearly: with the hum, the block repeats after a period
  // between the hum's and a multiple of the note's.
  double humReach = 0.03;
  // A lower note within one bin of the mains frequency, and no farther than this
  // (relative), is never promoted: the hum's partials would be its evidence.
  double humPromotionReach = 0.1;
  // The hum's own frequencies (hertz).
  double mainsLow = 50.0;
  double mainsHigh = 60.0;
};
