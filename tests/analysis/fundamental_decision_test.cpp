// SPDX-License-Identifier: GPL-3.0-or-later
// The decision whether a block holds a note, and which: noise, hum, a body mode, a
// lower string and two notes at once, and the steps of the decision one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "analysis/fourier_transform.h"
#include "analysis/fundamental.h"
#include "analysis/fundamental_stages.h"
#include "analysis/note_naming.h"
#include "analysis/sound_removal.h"
#include "analysis/square_difference.h"
#include "support/analysed_block.h"
#include "support/signals.h"

namespace {


using namespace test_signals;
constexpr double kRate = 44100.0;


using test_signals::Analyse;
using test_signals::Reading;

std::string NoteOf(double frequency) { return Note_Octave(GetMIDINoteNumber(frequency)); }

struct FieldCase {
  const char* name;
  std::vector<std::int16_t> (*make)(std::size_t count);
  const char* note;  // "" where no note may be named
  int smallest;      // the smallest block size that holds the case apart
  int mayMiss = 0;   // of the block sizes from `smallest` up, how many may name nothing ...
  std::vector<NoReading> because = {};  // ... and why, where not for any reason
};

void PrintTo(const FieldCase& c, std::ostream* out) { *out << c.name; }

const Signal kGuitar = {0.5, 1.0, 0.6, 0.4, 0.3, 0.2, 0.15, 0.1};
const Signal kRinging = {0.3, 1.0, 0.2, 0.5, 0.1, 0.2};  // a string some seconds after its pluck
// A low string of a sampled guitar: its octave the strongest, its fundamental 20 dB under.
const Signal kLowString = {0.1, 1.0, 0.13, 0.08, 0.02, 0.04, 0.045, 0.04};

const FieldCase kFieldCases[] = {
    {"silence", [](std::size_t n) { return std::vector<std::int16_t>(n, 0); }, "", 1024},
    {"white_noise", [](std::size_t n) { return AtRms(Noise(n, false, 1), -20); }, "", 1024},
    {"quiet_pink_noise", [](std::size_t n) { return AtRms(Noise(n, true, 2), -60); }, "", 1024},
    {"hum_50_alone", [](std::size_t n) { return AtRms(Under(Noise(n, true, 3), Hum(50, n), -10), -50); }, "", 1024},
    {"hum_60_alone", [](std::size_t n) { return AtRms(Under(Noise(n, true, 4), Hum(60, n), -10), -50); }, "", 1024},
    {"two_notes_alike_A3_C4",
     [](std::size_t n) { return AtRms(Under(Harmonics(220.0, kGuitar, n), Harmonics(261.63, kGuitar, n), 0), -20); }, "", 1024},
    {"string_50_dB_under_full_scale", [](std::size_t n) { return AtRms(Harmonics(196.0, kGuitar, n), -50); }, "G3", 1024},
    {"string_in_white_noise_10_dB", [](std::size_t n) { return AtRms(Under(Harmonics(146.83, kGuitar, n), Noise(n, false, 5), 10), -20); }, "D3", 1024},
    {"E2_with_50_Hz_hum_20_dB_under", [](std::size_t n) { return AtRms(Under(Harmonics(82.41, kGuitar, n), Hum(50, n), 20), -20); }, "E2", 1024},
    {"B3_with_60_Hz_hum_20_dB_under", [](std::size_t n) { return AtRms(Under(Harmonics(246.94, kGuitar, n), Hum(60, n), 20), -20); }, "B3", 1024},
    {"E4_with_60_Hz_hum_20_dB_under", [](std::size_t n) { return AtRms(Under(Harmonics(329.63, kGuitar, n), Hum(60, n), 20), -20); }, "E4", 1024},
    {"A2_with_50_Hz_hum_20_dB_under", [](std::size_t n) { return AtRms(Under(Harmonics(110.0, kGuitar, n), Hum(50, n), 20), -20); }, "A2", 1024},
    // A low string's faint odd partials with the hum 26 dB under: the hum, repeating after
    // neither period, keeps the octave below from repeating as well as on a clean string.
    {"E2_faint_odd_partials_with_60_Hz_hum",
     [](std::size_t n) { return AtRms(Under(Harmonics(82.41, {0.1, 1.0, 0.06, 0.5, 0.04, 0.2}, n), Hum(60, n), 26), -20); }, "E2", 1024},
    // A low string with 50 Hz hum 26 dB under: at 1024 points the spectrum locates the
    // string's fundamental at the mains frequency, but the block repeats after E2's period
    // as one note does and far better than after its octave's.
    {"E2_with_50_Hz_hum_within_a_bin",
     [](std::size_t n) {
       const Signal string = Harmonics(82.41, kLowString, n + 300);
       return AtRms(Later(Under(string, Hum(50, n + 300), 26), n), -20);
     }, "E2", 1024},
    // A high piano string, its upper partials ever sharper: the period follows them, 27
    // cents above the fundamental's partial.
    {"G5_of_a_stiff_string",
     [](std::size_t n) {
       return AtRms(PartialsAt({784.6, 1574.6, 2376.7, 3181.5, 4007.9, 4866.5, 5727.8, 6634.9},
                                 {1.0, 0.38, 0.15, 0.19, 0.21, 0.09, 0.08, 0.07}, n), -20);
     }, "G5", 4096},
    // Two strings of like strength a minor third apart repeat together after five periods
    // of the lower one, a note whose partials the spectrum cannot tell apart below 4096 points.
    {"D3_and_F3_alike",
     [](std::size_t n) { return AtRms(Under(Harmonics(146.83, kGuitar, n), Harmonics(174.61, kGuitar, n), 0), -20); }, "", 2048},
    // A low bass string whose fifth partial is its strongest.
    {"bass_D1_its_fifth_strongest",
     [](std::size_t n) { return AtRms(Harmonics(36.71, {0.1, 0.3, 0.5, 0.7, 1.0, 0.6, 0.4}, n), -20); }, "D1", 2048},
    {"bass_G1", [](std::size_t n) { return AtRms(Harmonics(49.0, {0.6, 1.0, 0.5, 0.4, 0.2}, n), -20); }, "G1", 2048},
    {"bass_Ab1", [](std::size_t n) { return AtRms(Harmonics(51.91, {0.6, 1.0, 0.5, 0.4, 0.2}, n), -20); }, "Ab1", 2048},
    {"bass_Bb1", [](std::size_t n) { return AtRms(Harmonics(58.27, {0.6, 1.0, 0.5, 0.4, 0.2}, n), -20); }, "Bb1", 1024},
    {"bass_B1", [](std::size_t n) { return AtRms(Harmonics(61.74, {0.6, 1.0, 0.5, 0.4, 0.2}, n), -20); }, "B1", 1024},
    // A body mode near a third of the string, 12 dB under it.
    {"B3_with_body_mode_near_a_third",
     [](std::size_t n) { return AtRms(Under(Harmonics(246.94, kGuitar, n), Harmonics(86.0, {1.0}, n), 12), -20); }, "B3", 1024},
    // A mode right at a third of the string, with two faint sounds that fit the note below
    // (a lower string's partials ringing along): the mode alone stands out of them.
    {"B3_with_body_mode_at_a_third_and_faint_sounds",
     [](std::size_t n) {
       const Signal string = Harmonics(246.94, {0.6, 1.0, 0.9, 0.8, 0.6, 0.5, 0.4, 0.3}, n);
       const Signal faint = PartialsAt({410.0, 574.0}, {1.0, 0.8}, n);
       return AtRms(Under(Under(string, Harmonics(86.0, {1.0}, n), 13), faint, 27.5), -20);
     }, "B3", 1024},
    {"E4_with_body_mode_near_a_quarter",
     [](std::size_t n) { return AtRms(Under(Harmonics(329.63, {1.0, 0.9, 0.8, 0.7, 0.6, 0.5}, n), Harmonics(79.5, {1.0}, n), 10), -20); }, "E4", 1024},
    // A low string whose octave is its strongest partial, its fundamental 20 dB under,
    // with a mode near a third of it: the mode keeps both periods from repeating, and the
    // octave must not win for it.
    {"E2_with_body_mode_near_a_third",
     [](std::size_t n) { return AtRms(Under(Harmonics(82.41, kLowString, n), Harmonics(26.9, {1.0}, n), 12), -20); }, "E2", 1024},
    // A nylon E2 with a mode near a third of it whose main lobe, 1.3 bins under the string
    // at 2048 points, covers the string's fundamental: once the mode is taken out, the
    // fundamental shows and promotes the octave below.
    {"E2_with_body_mode_over_its_fundamental",
     [](std::size_t n) {
       const Signal string = Harmonics(82.41, {0.106, 1.0, 0.228, 0.118, 0.035, 0.032, 0.033, 0.052}, n + 650);
       return AtRms(Later(Under(string, Harmonics(28.7, {1.0}, n + 650), 12), n), -20);
     }, "E2", 2048},
    // A low electric string, its twelfth the strongest partial, with a mode near a third
    // of it 12 dB under: at 1024 points the mode is less than a cycle, keeps the block from
    // repeating as well as one note alone, and its main lobe covers the string's lowest
    // partials. The twelfth's own period must not win for it.
    {"E2_twelfth_strongest_with_body_mode",
     [](std::size_t n) {
       const Signal string = Harmonics(82.41, {0.022, 0.2, 1.0, 0.4, 0.32, 0.1}, n + 400);
       return AtRms(Later(Under(string, Harmonics(27.5, {1.0}, n + 400), 12), n), -20);
     }, "E2", 1024},
    // The same string in white noise 10 dB under it: the noise takes more from how well
    // either period repeats than the faint fundamental tells them apart by, and hides the
    // faint odd partials. Unsure between the two, the block names E2 or nothing.
    {"E2_low_string_in_white_noise_10_dB",
     [](std::size_t n) { return AtRms(Under(Harmonics(82.41, kLowString, n), Noise(n, false, 10), 10), -20); }, "E2", 1024, 3, {NoReading::LowerNoteUnsure}},
    // A low electric string, its twelfth the strongest partial and its fundamental 33 dB
    // under it: at 1024 points the lowest partials' main lobes run together and show no
    // peak at the fundamental or octave, but the block repeats as one note only does.
    {"E2_twelfth_strongest_fundamental_faint",
     [](std::size_t n) { return AtRms(Harmonics(82.41, {0.022, 0.32, 1.0, 0.7, 0.32, 0.1}, n), -20); }, "E2", 1024},
    // A low string whose lower odd partials alone stand out (its fundamental and its
    // twelfth), in pink noise 25 dB under it: the noise keeps the octave below from
    // repeating quite as much better as on a clean string.
    {"E2_two_own_partials_in_pink_noise",
     [](std::size_t n) {
       return AtRms(Under(Harmonics(82.41, {0.07, 1.0, 0.14, 0.1, 0.015, 0.05, 0.01, 0.03}, n), Noise(n, true, 24), 25), -20);
     }, "E2", 1024},
    // A steel string late in its note, its twelfth the strongest partial, in a little noise:
    // the twelfth's period repeats well, the string's better, though not far better.
    {"A2_twelfth_strongest_in_white_noise",
     [](std::size_t n) {
       return AtRms(Under(Harmonics(110.0, {0.14, 0.11, 1.0, 0.04, 0.14, 0.08}, n), Noise(n, false, 25), 25), -20);
     }, "A2", 1024},
    // A low steel string late in its note, its twelfth far the strongest partial: at 1024
    // points its fundamental and fifth partial, faint, are all that tell it from the note a
    // twelfth up, which repeats well but the string far better. The string, or nothing.
    {"Ab2_mostly_its_twelfth",
     [](std::size_t n) {
       return AtRms(Harmonics(103.83, {0.09, 0.15, 1.0, 0.04, 0.14, 0.08, 0.01, 0.015, 0.05}, n), -20);
     }, "Ab2", 1024, 1, {NoReading::LowerNoteUnsure}},
    // A piano's G3, its octave as strong as its fundamental: in the half-block frames the
    // two share neighbouring bins, and their phase advance reads as one partial between them.
    {"G3_fundamental_and_octave_alike",
     [](std::size_t n) { return AtRms(Later(Harmonics(196.0, {0.8, 1.0, 0.15, 0.15, 0.06}, n + 13312), n), -20); },
     "G3", 1024},
    // A string in pink noise 10 dB under it: noise rising to the bass lifts the octave
    // below to the level of partials, but not out of the noise around them.
    {"E3_in_pink_noise_10_dB",
     [](std::size_t n) { return AtRms(Under(Harmonics(164.81, kGuitar, n), Noise(n, true, 12), 10), -20); }, "E3", 4096},
    // The next string plucked three fifths into the block while the last one (its
    // octave its strongest partial) still rings: the two repeat together after the period
    // of A1, which neither of them is.
    {"E2_ending_as_A2_starts",
     [](std::size_t n) {
       return AtRms(StartsWithin(Harmonics(82.41, kLowString, n), Harmonics(110.0, kGuitar, n), 3 * n / 5, 1.5), -20);
     }, "", 4096},
    // A string fading in pink noise 20 dB under it repeats after five of its periods (C2's)
    // better than after one, but not by as much as a lower note's own partials would make it.
    {"E4_fading_in_pink_noise_20_dB",
     [](std::size_t n) { return AtRms(Under(Harmonics(329.63, kGuitar, n), Noise(n, true, 2), 20), -20); }, "E4", 1024},
    // A string plucked a quarter into a quiet block: a start from near silence is a note.
    {"G3_plucked_a_quarter_into_the_block",
     [](std::size_t n) {
       return AtRms(StartsWithin(Noise(n, false, 6), Harmonics(196.0, kGuitar, n), n / 4, 30.0), -20);
     }, "G3", 2048},
    // The open string below ringing along, 12 dB under.
    {"D3_with_A2_ringing_along",
     [](std::size_t n) { return AtRms(Under(Harmonics(146.83, kGuitar, n), Harmonics(110.0, kGuitar, n), 12), -20); }, "D3", 1024},
    // The string played before still ringing, 6 dB under, its octave the strongest: the
    // two repeat together after the period of A1 (G1), which neither of them is.
    {"A2_with_E2_still_ringing",
     [](std::size_t n) { return AtRms(Under(Harmonics(110.0, kGuitar, n), Harmonics(82.41, kRinging, n), 6), -20); }, "A2", 4096, 1, {NoReading::NoClearPeriod}},
    // A string faded to the hum's level repeats after about five of its periods, 20
    // cents off the mains (the block one block after the pluck's start).
    {"B3_faded_to_the_50_Hz_hum",
     [](std::size_t n) { return AtRms(Later(Under(Harmonics(246.94, {1.0, 0.4, 0.2}, 2 * n), Hum(50, 2 * n), 0), n), -20); }, "B3", 2048, 2, {NoReading::MainsHum, NoReading::LowestPartialsMissing}},
    // The string played before rings on as little more than its octave, 12 dB under: that
    // sound is A1's third partial, and with A2 it repeats after A1's period, which shows
    // neither its fundamental nor its octave.
    {"A2_with_the_octave_of_E2_ringing",
     [](std::size_t n) {
       return AtRms(Under(Harmonics(110.0, {0.37, 1.0, 0.68, 0.61, 0.3, 0.2}, n), Harmonics(164.81, {1.0}, n), 12), -20);
     }, "A2", 1024},
    // The string a fourth below as loud, its octave its strongest partial: that octave and
    // the string are a fifth apart and repeat together after D2's period.
    {"D3_with_A2_as_loud",
     [](std::size_t n) { return AtRms(Under(Harmonics(146.83, kGuitar, n), Harmonics(110.0, kLowString, n), 0), -20); }, "D3", 4096, 1, {NoReading::TwoSounds}},
    {"G3_with_D3_still_ringing",
     [](std::size_t n) { return AtRms(Under(Harmonics(196.0, kGuitar, n), Harmonics(146.83, kRinging, n), 6), -20); }, "G3", 4096, 1, {NoReading::NoClearPeriod}},
};

class FieldBlock : public ::testing::TestWithParam<FieldCase> {};

// At every block size that holds the case apart, the block names the note that sounds or
// nothing (0, the tuning caption left as it was, for the reason the case expects), never
// another note; and the note at all but `mayMiss` of those sizes. Where no note sounds,
// nothing at every size.
TEST_P(FieldBlock, NamesTheSoundingNoteOrNothing) {
  const FieldCase& c = GetParam();
  int sizes = 0;
  int named = 0;
  for (const int n : {4096, 2048, 1024}) {
    if (n < c.smallest) continue;
    ++sizes;
    const Reading heard = Analyse(c.make(static_cast<std::size_t>(n)));
    if (heard.frequency == 0.0) {
      EXPECT_EQ(heard.tuningCaption, "untouched") << n;
      if (!c.because.empty()) {
        EXPECT_NE(std::find(c.because.begin(), c.because.end(), heard.reason), c.because.end())
            << n << ": " << NoReadingName(heard.reason);
      }
      continue;
    }
    EXPECT_EQ(NoteOf(heard.frequency), c.note) << n << ": " << heard.frequency;
    EXPECT_EQ(heard.tuningCaption, "Tuning: " + Tuning(heard.frequency)) << n;
    named += NoteOf(heard.frequency) == c.note;
  }
  if (!std::string(c.note).empty()) {
    EXPECT_GE(named, sizes - c.mayMiss) << "named at " << named << " of " << sizes;
  }
}

INSTANTIATE_TEST_SUITE_P(Blocks, FieldBlock, ::testing::ValuesIn(kFieldCases),
                         [](const auto& test) { return std::string(test.param.name); });

// The scored decision, beside the rules: a low string whose octave is its strongest
// partial is named by its own period, not the octave's nor a subharmonic's; a string in
// noise still; noise alone and two notes alike, nothing.
TEST(ScoredDecision, NamesTheStringAndNothingWhereNoNoteSounds) {
  const struct {
    const char* name;
    std::vector<std::int16_t> block;
    double partial;
    const char* note;  // "" for no reading
  } cases[] = {
      {"E2 octave strongest", AtRms(Harmonics(82.41, kLowString, 4096), -20), 2 * 82.41, "E2"},
      {"D3 in white noise", AtRms(Under(Harmonics(146.83, kGuitar, 4096), Noise(4096, false, 5), 15), -20), 146.83, "D3"},
      {"white noise", AtRms(Noise(4096, false, 1), -20), 300.0, ""},
      {"A3 and C4 alike", AtRms(Under(Harmonics(220.0, kGuitar, 4096), Harmonics(261.63, kGuitar, 4096), 0), -20), 220.0,
       ""},
  };
  for (const auto& c : cases) {
    const double frequency = FindFundamentalScored(c.block, c.partial, 44100).frequency;
    EXPECT_EQ(frequency == 0.0 ? std::string() : NoteOf(frequency), c.note) << c.name << ": " << frequency;
  }
}

// The steps on their own, on a block whose strongest partial (330 Hz) is the 3rd of A2.
BlockEvidence EvidenceOf(const std::vector<std::int16_t>& block, double partial) {
  const auto length = static_cast<double>(block.size());
  return {block, NormalisedSquareDifference(block), BlockSpectrum(block, 44100), partial, kRate, length,
          static_cast<std::size_t>(0.75 * length)};
}

TEST(FundamentalSteps, CandidatesSitAtWholeNumbersOfPartialPeriods) {
  const auto block = AtRms(Harmonics(110.0, {0.3, 0.5, 1.0, 0.4}, 4096), -20);
  const FundamentalThresholds t;
  const auto candidates = CandidatePeriods(EvidenceOf(block, 330.0), t);
  ASSERT_GE(candidates.size(), 6u);
  for (const PeriodCandidate& c : candidates)
    EXPECT_NEAR(c.peak.lag, c.harmonic * kRate / 330.0, 0.03 * c.harmonic * kRate / 330.0) << c.harmonic;
  const int chosen = ShortestStrongPeriod(candidates, t);
  ASSERT_GE(chosen, 0);
  EXPECT_EQ(candidates[static_cast<std::size_t>(chosen)].harmonic, 3);
}

// A low partial read from less than one of its periods can be no harmonic of the note:
// the block's own clearest period is then judged instead.
TEST(FundamentalSteps, AMisreadPartialFallsBackOnTheBlocksOwnPeriod) {
  const auto block = AtRms(Harmonics(30.87, {0.8, 1.0, 0.6, 0.4}, 2048), -20);
  EXPECT_EQ(NoteOf(FindFundamental(block, 46.14, 44100).frequency), "B0");
  EXPECT_EQ(FindFundamental(AtRms(Noise(2048, true, 8), -40), 46.14, 44100).frequency, 0.0);
  // Pink noise read as the strongest partial, at 66 Hz under A2: the search around its
  // period reaches A1's, after which A2 in noise repeats a little better than after its own.
  const auto string = AtRms(Under(Harmonics(110.0, kRinging, 2048), Noise(2048, true, 1), 20), -20);
  EXPECT_EQ(NoteOf(FindFundamental(string, 66.3, 44100).frequency), "A2");
  // G2 read between its first two partials is read on the peak beside the reading, its
  // octave. Judged by its clearest period alone, that period is its octave's, but the block
  // repeats clearly better after twice that: the octave would be no reading.
  const auto low = AtRms(Harmonics(98.0, {0.15, 1.0, 0.15, 0.3, 0.05, 0.1}, 2048), -20);
  EXPECT_EQ(NoteOf(FindFundamental(low, 151.6, 44100).frequency), "G2");
  const BlockEvidence evidence = EvidenceOf(low, 151.6);
  const NsdfPeak clearest = ClearestPeriod(evidence, FundamentalThresholds{});
  EXPECT_EQ(NoteOf(kRate / clearest.lag), "G3");
  EXPECT_TRUE(OctaveBelowClearestRepeatsBetter(evidence, clearest, FundamentalThresholds{}));
}

// The period measured over many periods is far finer than one period's peak: handed a
// period half a sample off, the step returns it within a hundredth of a sample.
TEST(FundamentalSteps, RefiningThePeriodUsesTheFarPeak) {
  for (const auto& [f0, n] : {std::pair{82.41, 4096}, std::pair{196.0, 2048}}) {
    const double period = kRate / f0;
    const auto block = AtRms(Harmonics(f0, kGuitar, static_cast<std::size_t>(n)), -20);
    const double refined = RefinePeriod(EvidenceOf(block, 2 * f0), period + 0.5, FundamentalThresholds{});
    EXPECT_NEAR(refined, period, 0.01) << n;
  }
}

// In noise, the period measured many periods on is several times finer than the one
// measured at a single period: over twenty blocks of D3 at 20 dB SNR whose 3rd partial is
// strongest, the mean error stays under a tenth of a cent (a single period: 0.19).
TEST(FundamentalSteps, ThePeriodIsMeasuredFinelyInNoise) {
  double error = 0;
  for (int trial = 0; trial < 20; ++trial) {
    const Signal tone = Harmonics(146.83, {0.3, 0.5, 1.0, 0.4, 0.3}, 4096);
    const auto block = AtRms(Under(tone, Noise(4096, false, static_cast<unsigned>(trial)), 20), -20);
    error += std::abs(test_signals::CentsBetween(FindFundamental(block, 3 * 146.83, 44100).frequency, 146.83));
  }
  EXPECT_LT(error / 20, 0.1);
}

// A lower note that shows two partials of its own keeps its period against a shorter
// one; one that shows a single partial (a stray one) gives way to it.
TEST(FundamentalSteps, AStrayLowerNoteGivesWayAndARealOneStays) {
  const struct {
    std::vector<double> amplitudes;  // of the lower note's partials; the 2nd is strongest
    std::int32_t harmonic;           // of 392 Hz that the step keeps
  } cases[] = {{{0.15, 1.0, 0.12, 0.6, 0.0, 0.3}, 2}, {{0.0, 1.0, 0.35, 0.6, 0.0, 0.3}, 1}};
  for (const auto& c : cases) {
    // A little noise: a synthetic lower note would repeat exactly after its period.
    const auto block = AtRms(Under(Harmonics(196.0, c.amplitudes, 4096), Noise(4096, false, 6), 20), -20);
    const BlockEvidence evidence = EvidenceOf(block, 392.0);
    const FundamentalThresholds t;
    const auto candidates = CandidatePeriods(evidence, t);
    ASSERT_GE(candidates.size(), 2u);
    const int kept = RejectStrayLowerNote(evidence, candidates, 1, t);
    EXPECT_EQ(candidates[static_cast<std::size_t>(kept)].harmonic, c.harmonic);
  }
}

// A2 with a lower string's octave (E3) repeats best after A1's period: a note whose octave
// and twelfth are the two, and which gives way to A2 where it shows nothing of its own. A
// bass A1 with its fundamental missing shows its fifth and seventh partials and stays.
TEST(FundamentalSteps, TwoNotesAFifthApartAreNoNoteAnOctaveBelow) {
  const Signal pair = Under(Harmonics(110.0, {0.5, 1.0, 0.6, 0.4}, 4096), Harmonics(165.0, {1.0, 0.3, 0.2}, 4096), 4);
  const Signal bass = Harmonics(55.0, {0.0, 0.5, 0.7, 1.0, 0.3, 0.4, 0.2}, 4096);
  for (const auto& [sound, keptHarmonic] : {std::pair{pair, 2}, {bass, 4}}) {
    const auto block = AtRms(sound, -20);
    const double lag = kRate / 220.0;
    const std::vector<PeriodCandidate> candidates = {
        {1, {lag, 0.4}}, {2, {2 * lag, 0.75}}, {3, {3 * lag, 0.4}}, {4, {4 * lag, 0.99}}};
    const int kept = RejectStrayLowerNote(EvidenceOf(block, 220.0), candidates, 3, FundamentalThresholds{});
    ASSERT_GE(kept, 0);
    EXPECT_EQ(candidates[static_cast<std::size_t>(kept)].harmonic, keptHarmonic);
  }
}

// G3 with D3 ringing repeats best after G1's period, which lies next to the 50 Hz hum, and
// after G2's a little better than after its own (D3's octave repeats after G2's period):
// the shorter period taken instead of the hum's is judged as a lower note in its turn.
TEST(FundamentalSteps, APeriodTakenOverTheHumsIsJudgedInItsTurn) {
  const auto block = AtRms(Under(Harmonics(196.0, kGuitar, 4096), Harmonics(146.83, kRinging, 4096), 6), -20);
  const double lag = kRate / 196.0;
  const std::vector<PeriodCandidate> candidates = {
      {1, {lag, 0.73}}, {2, {2 * lag, 0.77}}, {3, {3 * lag, 0.75}}, {4, {4 * lag, 0.98}}};
  const int kept = RejectStrayLowerNote(EvidenceOf(block, 196.0), candidates, 3, FundamentalThresholds{});
  ASSERT_GE(kept, 0);
  EXPECT_EQ(candidates[static_cast<std::size_t>(kept)].harmonic, 1);
}

// A single partial of the lower note's own that is neither its fundamental nor its octave
// (a lone sound a fifth above the string) makes the block repeat best after the lower
// note's period, and still gives way: to the string while its own period repeats clearly
// (where the spectrum cannot resolve the lower note), otherwise to no note at all. A faint
// sound at the lower note's fundamental, far under the lone one, does not make it a note,
// nor, where the spectrum resolves it, a faint second partial of its own.
TEST(FundamentalSteps, ALoneSoundAFifthAboveIsNoLowerNote) {
  const struct {
    std::size_t points;
    double underString;  // dB
    double faint;        // Hz, a faint second sound, 0 for none
    double faintUnderString;  // dB
    int keptHarmonic;
  } cases[] = {{2048, 8, 0, 0, 2}, {2048, 3, 0, 0, kNoNote}, {2048, 8, 55, 28, 2}, {4096, 3, 495, 33, kNoNote}};
  for (const auto& c : cases) {
    Signal sound = Under(Harmonics(110.0, kGuitar, c.points), Harmonics(165.0, {1.0}, c.points), c.underString);
    if (c.faint > 0) sound = Under(sound, Harmonics(c.faint, {1.0}, c.points), c.faintUnderString);
    const auto block = AtRms(sound, -20);
    const BlockEvidence evidence = EvidenceOf(block, 220.0);
    const FundamentalThresholds t;
    const auto candidates = CandidatePeriods(evidence, t);
    const int chosen = ShortestStrongPeriod(candidates, t);
    ASSERT_GE(chosen, 0);
    ASSERT_EQ(candidates[static_cast<std::size_t>(chosen)].harmonic, 4) << c.underString;  // A1
    const int kept = RejectStrayLowerNote(evidence, candidates, chosen, t);
    EXPECT_EQ(kept == kNoNote ? kNoNote : candidates[static_cast<std::size_t>(kept)].harmonic, c.keptHarmonic)
        << c.underString << " " << c.faintUnderString;
  }
}

// At 1024 points pink noise's rumble is a slow trend in the block. With it taken out, a low
// string whose fundamental the noise buries repeats after its own period far better than
// after its octave's; a note an octave up repeats about as well after both. The candidates'
// own values are even, so only the block without its trend can tell.
TEST(FundamentalSteps, WithoutTheNoisesTrendTheLowStringRepeatsFarBetter) {
  for (const auto& [fundamental, unsure] : {std::pair{82.41, true}, {164.82, false}}) {
    const std::vector<double> partials =
        fundamental < 100 ? std::vector<double>{0.0, 1.0, 0.12, 0.5, 0.04, 0.2} : std::vector<double>{1.0, 0.5, 0.2};
    const auto block = AtRms(Under(Harmonics(fundamental, partials, 1024), Noise(1024, true, 3), 20), -20);
    const BlockEvidence evidence = EvidenceOf(block, 164.82);
    const double lag = kRate / evidence.partialFrequency;
    const std::vector<PeriodCandidate> candidates = {{1, {lag, 0.9}}, {2, {2 * lag, 0.9}}};
    EXPECT_EQ(LowerNoteUnsure(evidence, candidates, 0, FundamentalThresholds{}), unsure) << fundamental;
  }
}

// Where one note gives way to the next early in the block, the NSDF's peak nearest the
// partial's period may lie far from it (here D3 read at 157 Hz): a fundamental whose
// series misses the strongest partial is no note, its octave below is.
TEST(FundamentalSteps, TheStrongestPartialLiesOnTheNotesSeries) {
  const auto block = AtRms(Harmonics(146.83, kGuitar, 4096), -20);
  const BlockEvidence evidence = EvidenceOf(block, 157.0);
  const FundamentalThresholds t;
  for (const auto& [fundamental, onSeries] :
       {std::pair{146.83, true}, {73.42, true}, {124.07, false}, {130.81, false}})
    EXPECT_EQ(StrongestPartialOnSeries(evidence, fundamental, t), onSeries) << fundamental;
}

// A body mode under a low string keeps the block from repeating after the string's period;
// taken out, the string repeats again.
TEST(SoundRemoval, ABodyModeTakenOutLeavesTheStringRepeating) {
  const auto block = AtRms(Under(Harmonics(82.4, kGuitar, 2048), Harmonics(28.7, {1.0}, 2048), 12), -20);
  const BlockSpectrum spectrum(block, 44100);
  const double mode = spectrum.SoundBelow(82.4 - 2.0 * spectrum.Resolution(), 0.056);
  EXPECT_NEAR(mode, 28.7, 1.0);
  const double period = kRate / 82.4;
  EXPECT_LT(SquareDifferenceAt(std::vector<double>(block.begin(), block.end()), period), 0.95);
  EXPECT_GT(SquareDifferenceAt(WithoutTone(block, mode, kRate), period), 0.995);
}

// At 1024 points a mode near a third of E2 lies under one cycle a block, too close to the
// string for the spectrum: taken out as the block's slow trend, it leaves the string
// repeating after its own period, and a clean string as it was.
TEST(SoundRemoval, ASlowTrendTakenOutLeavesTheStringRepeating) {
  const double period = kRate / 82.41;
  const auto clean = AtRms(Harmonics(82.41, kLowString, 1024), -20);
  const auto moded = AtRms(Under(Harmonics(82.41, kLowString, 1024), Harmonics(26.9, {1.0}, 1024), 12), -20);
  const auto repeats = [&](const std::vector<double>& x) { return SquareDifferenceAt(x, period); };
  EXPECT_LT(repeats(std::vector<double>(moded.begin(), moded.end())), 0.9);
  EXPECT_GT(repeats(WithoutSlowTrend(moded, 82.41, kRate)), 0.99);
  EXPECT_NEAR(repeats(WithoutSlowTrend(clean, 82.41, kRate)), repeats(std::vector<double>(clean.begin(), clean.end())),
              0.002);
}

// Only a strong peak below the string is a sound to take out: a mode far under it is none.
TEST(SoundRemoval, AFaintModeIsNoSoundBelow) {
  const auto block = AtRms(Under(Harmonics(246.9, kGuitar, 2048), Harmonics(61.7, {1.0}, 2048), 35), -20);
  const BlockSpectrum spectrum(block, 44100);
  EXPECT_EQ(spectrum.SoundBelow(123.5 - 2.0 * spectrum.Resolution(), 0.056), 0.0);
  EXPECT_NEAR(spectrum.SoundBelow(123.5 - 2.0 * spectrum.Resolution(), 0.001), 61.7, 1.0);
}

// A peak counts only within its reach: the skirt of a neighbouring partial just beyond it
// is no partial here.
TEST(BlockSpectrum, APeakCountsOnlyWithinItsReach) {
  const double tone = 41 * 44100.0 / (4 * 4096);  // on a bin of the padded spectrum
  const BlockSpectrum spectrum(AtRms(Harmonics(tone, {1.0}, 4096), -20), 44100);
  const double reach = spectrum.Resolution();
  EXPECT_GT(spectrum.PeakNear(tone - 0.95 * reach, reach), 0.9);
  EXPECT_EQ(spectrum.PeakNear(tone - 1.05 * reach, reach), 0.0);
  EXPECT_EQ(spectrum.PeakNear(tone + 1.05 * reach, reach), 0.0);
}

}  // namespace
