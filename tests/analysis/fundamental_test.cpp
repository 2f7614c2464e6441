// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "analysis/fundamental.h"
#include "analysis/fundamental_threshold_names.h"
#include "analysis/note_naming.h"
#include "analysis/square_difference.h"
#include "analysis/fourier_transform.h"
#include "support/analysed_block.h"
#include "support/signals.h"

namespace {

using test_signals::CentsBetween;

// A string-like tone (partials k f0 sqrt(1 + B k^2)) at the given peak level.
std::vector<std::int16_t> Partials(double f0, const std::vector<double>& amplitudes, std::size_t count,
                                   double stiffness = 0.0, double level = 9000.0, double rate = 44100.0) {
  return test_signals::AtPeak(test_signals::Harmonics(f0, amplitudes, count, stiffness, rate, 0.7), level);
}

using test_signals::Analyse;
using test_signals::Reading;

struct HarmonicCase {
  const char* name;
  double f0;
  std::vector<double> amplitudes;  // of partials 1, 2, 3 ...
  double stiffness;
  int N;
  const char* note;
  double maxCents;  // from the lowest partial
};

void PrintTo(const HarmonicCase& tone, std::ostream* out) { *out << tone.name; }

class StrongHarmonic : public ::testing::TestWithParam<HarmonicCase> {};

// The strongest partial is a harmonic, or the fundamental is missing altogether: the
// reading names the note that sounds, with its lowest partial's frequency and tuning.
TEST_P(StrongHarmonic, ReadsTheFundamentalNotThePartial) {
  const HarmonicCase& c = GetParam();
  const Reading reading =
      Analyse(Partials(c.f0, c.amplitudes, static_cast<std::size_t>(c.N), c.stiffness));
  const double lowestPartial = c.f0 * std::sqrt(1.0 + c.stiffness);
  EXPECT_EQ(Note_Octave(GetMIDINoteNumber(reading.frequency)), c.note) << reading.frequency;
  EXPECT_LT(std::abs(CentsBetween(reading.frequency, lowestPartial)), c.maxCents)
      << reading.frequency;
  EXPECT_EQ(reading.tuningCaption, "Tuning: " + Tuning(reading.frequency));
}

INSTANTIATE_TEST_SUITE_P(
    Tones, StrongHarmonic,
    ::testing::Values(
        HarmonicCase{"E2_second_strongest_4096", 82.4069, {0.3, 1.0, 0.6, 0.4, 0.2}, 0, 4096, "E2", 1.5},
        HarmonicCase{"E2_second_strongest_2048", 82.4069, {0.3, 1.0, 0.6, 0.4, 0.2}, 0, 2048, "E2", 3},
        HarmonicCase{"E2_second_strongest_1024", 82.4069, {0.3, 1.0, 0.6, 0.4, 0.2}, 0, 1024, "E2", 15},
        HarmonicCase{"E2_third_strongest_4096", 82.4069, {0.2, 0.5, 1.0, 0.3, 0.3}, 0, 4096, "E2", 1.5},
        HarmonicCase{"A2_third_strongest_2048", 110.0, {0.3, 0.4, 1.0, 0.5}, 0, 2048, "A2", 3},
        HarmonicCase{"D3_fourth_strongest_4096", 146.832, {0.2, 0.3, 0.5, 1.0, 0.4}, 0, 4096, "D3", 1.5},
        HarmonicCase{"G3_missing_fundamental_4096", 195.998, {0.0, 1.0, 0.8, 0.5}, 0, 4096, "G3", 1.5},
        HarmonicCase{"G3_missing_fundamental_1024", 195.998, {0.0, 1.0, 0.8, 0.5, 0.2}, 0, 1024, "G3", 5},
        HarmonicCase{"B3_second_strongest_1024", 246.942, {0.4, 1.0, 0.5}, 0, 1024, "B3", 5},
        HarmonicCase{"bass_B0_third_strongest_4096", 30.8677, {0.2, 0.6, 1.0, 0.7, 0.5, 0.3}, 0, 4096, "B0", 2},
        HarmonicCase{"bass_E1_second_strongest_2048", 41.2034, {0.3, 1.0, 0.8, 0.4}, 0, 2048, "E1", 5},
        // A stiff string: the upper partials run sharp, as on a piano's low notes.
        HarmonicCase{"stiff_E2_third_strongest_4096", 82.4069, {0.3, 0.6, 1.0, 0.5, 0.4}, 4e-4, 4096, "E2", 5},
        HarmonicCase{"stiff_C3_second_strongest_2048", 130.813, {0.5, 1.0, 0.6, 0.3}, 3e-4, 2048, "C3", 5},
        HarmonicCase{"E4_fundamental_strongest_1024", 329.628, {1.0, 0.5, 0.3, 0.2}, 0, 1024, "E4", 3}),
    [](const auto& test) { return std::string(test.param.name); });

struct BrightStringCase {
  const char* name;
  double f0;
  std::vector<double> amplitudes;  // of partials 1, 2, 3 ... (beyond the 8th too)
  double stiffness;
  int N;
};

void PrintTo(const BrightStringCase& tone, std::ostream* out) { *out << tone.name; }

class BrightString : public ::testing::TestWithParam<BrightStringCase> {};

// The pitch of a note is that of its first partials together. A stiff string's partials
// run ever sharper, and strong partials above the 8th pull the block's period sharp of
// that pitch: the reading stays where the same string without them reads.
TEST_P(BrightString, ReadsAsTheSameStringWithoutItsPartialsAboveTheEighth) {
  const BrightStringCase& c = GetParam();
  const auto n = static_cast<std::size_t>(c.N);
  const std::vector<double> firstEight(c.amplitudes.begin(), c.amplitudes.begin() + 8);
  const double bright = Analyse(Partials(c.f0, c.amplitudes, n, c.stiffness)).frequency;
  const double plain = Analyse(Partials(c.f0, firstEight, n, c.stiffness)).frequency;
  ASSERT_GT(plain, 0.0);
  EXPECT_LT(std::abs(CentsBetween(bright, plain)), 0.3) << bright << " against " << plain;
}

INSTANTIATE_TEST_SUITE_P(
    Tones, BrightString,
    ::testing::Values(
        BrightStringCase{"A2_stiff_bright_4096", 110.0,
                         {1.0, 0.8, 0.6, 0.5, 0.4, 0.3, 0.3, 0.3, 0.5, 0.6, 0.6, 0.5}, 2e-4, 4096},
        BrightStringCase{"D3_stiff_second_strongest_4096", 146.832,
                         {0.5, 1.0, 0.6, 0.4, 0.3, 0.2, 0.2, 0.1, 0.4, 0.5, 0.4}, 1.5e-4, 4096},
        BrightStringCase{"G3_stiff_bright_2048", 195.998,
                         {1.0, 0.7, 0.5, 0.3, 0.3, 0.2, 0.2, 0.2, 0.4, 0.5, 0.4}, 1e-4, 2048},
        BrightStringCase{"E4_stiff_bright_1024", 329.628,
                         {1.0, 0.6, 0.4, 0.3, 0.2, 0.2, 0.1, 0.1, 0.3, 0.3}, 5e-5, 1024}),
    [](const auto& test) { return std::string(test.param.name); });

// Adds white noise of the given peak level (deterministic), clipped to the sample range.
std::vector<std::int16_t> WithNoise(std::vector<std::int16_t> block, int level) {
  if (level == 0) return block;
  std::mt19937 random(11);
  std::uniform_int_distribution<int> noise(-level, level);
  for (auto& x : block) x = static_cast<std::int16_t>(std::clamp(x + noise(random), -32768, 32767));
  return block;
}

struct OctaveCase {
  const char* name;
  double f0;                       // of the harmonic series the partials belong to
  std::vector<double> amplitudes;  // of its partials 1, 2, 3 ...
  int N;
  int noise;                       // peak level of added white noise
  const char* note;                // the note a listener names
};

void PrintTo(const OctaveCase& tone, std::ostream* out) { *out << tone.name; }

class OctaveDecision : public ::testing::TestWithParam<OctaveCase> {};

// Where the block's periodicity and its spectrum disagree about the octave: faint odd
// partials of a low string in a block too short to resolve them, a nearly pure tone
// (which repeats after two periods as well as after one), one stray partial that makes
// the block repeat after twice the period of the note heard, and a bass note without
// its fundamental.
TEST_P(OctaveDecision, NamesTheNoteThatIsHeard) {
  const OctaveCase& c = GetParam();
  const Reading reading =
      Analyse(WithNoise(Partials(c.f0, c.amplitudes, static_cast<std::size_t>(c.N)), c.noise));
  EXPECT_EQ(Note_Octave(GetMIDINoteNumber(reading.frequency)), c.note) << reading.frequency;
}

INSTANTIATE_TEST_SUITE_P(
    Tones, OctaveDecision,
    ::testing::Values(
        OctaveCase{"E2_faint_odd_partials_1024", 82.4069, {0.1, 1.0, 0.06, 0.5, 0.04, 0.2}, 1024, 0, "E2"},
        OctaveCase{"F2_faint_odd_partials_1024", 87.3071, {0.08, 1.0, 0.05, 0.6, 0.03}, 1024, 0, "F2"},
        OctaveCase{"E2_faint_odd_partials_4096", 82.4069, {0.05, 1.0, 0.05, 0.5, 0.05, 0.3, 0.05, 0.2, 0.05, 0.1, 0.05, 0.05}, 4096, 0, "E2"},
        // Its fundamental and third clear, the upper odd partials faded.
        OctaveCase{"E2_two_strong_odd_partials_4096", 82.4069, {0.14, 1.0, 0.1, 0.04}, 4096, 0, "E2"},
        OctaveCase{"E3_nearly_pure_1024", 164.814, {1.0, 0.02}, 1024, 0, "E3"},
        OctaveCase{"A3_nearly_pure_2048", 220.0, {1.0, 0.01, 0.005}, 2048, 0, "A3"},
        // The partials of A2 (D3), and one at 165 Hz (220 Hz): the block repeats best after
        // twice the period that is heard.
        OctaveCase{"A2_with_stray_partial_4096", 55.0, {0, 0.3, 0.3, 0.5, 0, 1.0, 0, 0.4}, 4096, 600, "A2"},
        OctaveCase{"D3_with_stray_partial_4096", 73.4162, {0, 0.4, 0.3, 1.0, 0, 0.5, 0, 0.2}, 4096, 600, "D3"},
        OctaveCase{"bass_F2_without_fundamental_4096", 87.3071, {0.0, 1.0, 0.35, 0.3, 0.0, 0.1}, 4096, 0, "F2"},
        OctaveCase{"E2_odd_partials_clear_4096", 82.4069, {0.3, 1.0, 0.4, 0.5, 0.3}, 4096, 100, "E2"}),
    [](const auto& test) { return std::string(test.param.name); });

// (Without its fundamental, a note needs a partial beside its 2nd, 3rd and 4th: those
// alone are two notes a fifth apart, A3 and E4.)
TEST(FindFundamental, NamesTheHarmonicNumberOfTheStrongestPartial) {
  const struct { std::vector<double> amplitudes; int harmonic; } cases[] = {
      {{1.0, 0.5, 0.3}, 1}, {{0.3, 1.0, 0.4}, 2}, {{0.2, 0.4, 1.0, 0.3}, 3},
      {{0.0, 0.5, 0.6, 1.0, 0.2}, 4}, {{0.1, 0.2, 0.3, 0.4, 1.0, 0.2}, 5}};
  for (const auto& c : cases) {
    const auto block = Partials(110.0, c.amplitudes, 4096);
    const double partial = 110.0 * c.harmonic;
    const FundamentalReading reading = FindFundamental(block, partial, 44100);
    EXPECT_EQ(reading.harmonic, c.harmonic);
    EXPECT_NEAR(reading.frequency, 110.0, 1e-3);
    EXPECT_GT(reading.periodicity, 0.9);
  }
}

// A note below A0 would be out of range: a 20 Hz buzz whose 2nd harmonic is strongest
// is never read as its 20 Hz fundamental.
TEST(FindFundamental, NeverProposesAFundamentalBelowTheMusicalRange) {
  const auto block = Partials(20.0, {0.5, 1.0, 0.5}, 8192);
  const double frequency = FindFundamental(block, 40.0, 44100).frequency;
  EXPECT_TRUE(frequency == 0.0 || std::abs(CentsBetween(frequency, 40.0)) < 5) << frequency;
}

// Other sample rates are honoured (the analyser reads files at any rate). A block too
// short to hold a period of the string (E2 at 96 kHz and 1024 points, 10.7 ms) gives no
// reading, never a higher note its merged partials resemble; one twice as long names it.
TEST(DominantFrequency, ReadsTheFundamentalAtTheGivenSampleRateWhereTheBlockHoldsIt) {
  const struct {
    std::int32_t rate;
    int n;
    double f0;
    const char* note;  // "" for no reading
  } cases[] = {{22050, 4096, 110.0, "A2"},   {48000, 4096, 110.0, "A2"},   {96000, 4096, 110.0, "A2"},
               {96000, 2048, 82.4069, "E2"}, {96000, 1024, 82.4069, ""},   {192000, 2048, 82.4069, ""},
               {96000, 1024, 110.0, ""},     {96000, 1024, 329.628, "E4"}};
  for (const auto& c : cases) {
    // A string some seconds after its pluck, its octave the strongest partial.
    const auto block = Partials(c.f0, {0.3, 1.0, 0.2, 0.5, 0.1, 0.2}, static_cast<std::size_t>(c.n), 0.0, 9000.0, c.rate);
    const Reading reading = Analyse(block, c.rate);
    if (std::string(c.note).empty()) {
      EXPECT_EQ(reading.frequency, 0.0) << c.rate << " " << c.n << " " << c.f0;
      continue;
    }
    EXPECT_EQ(Note_Octave(GetMIDINoteNumber(reading.frequency)), c.note) << c.rate << " " << c.n;
    EXPECT_LT(std::abs(CentsBetween(reading.frequency, c.f0)), 3.0) << c.rate << " " << c.n;
  }
}

// A top-octave note whose partials reach near the top of the band repeats after a dozen
// samples, its NSDF's peaks narrower than a lag: at every block size it reads within two
// cents of its fundamental, never as the octave below. (Its fundamental is its strongest
// partial: one above the range gives no reading.)
TEST(DominantFrequency, ATopOctaveNoteWithPartialsNearTheBandsTopReadsTrue) {
  const struct {
    const char* name;
    double f0;
    std::vector<double> amplitudes;
  } notes[] = {
      {"B7, partials to 19.8 kHz falling as 1/k", 3951.07, {1.0, 0.5, 0.333, 0.25, 0.2}},
      {"A7, five strong partials to 17.6 kHz", 3520.0, {1.0, 0.5, 0.5, 0.5, 0.5}},
      {"C8, four strong partials to 16.7 kHz", 4186.01, {1.0, 0.5, 0.5, 0.5}},
  };
  for (const auto& note : notes)
    for (const int n : {1024, 2048, 4096}) {
      const double frequency = Analyse(Partials(note.f0, note.amplitudes, static_cast<std::size_t>(n))).frequency;
      EXPECT_LT(std::abs(CentsBetween(frequency, note.f0)), 2.0) << note.name << " at " << n << ": " << frequency;
    }
}

// Every threshold can be set by its own name, and an unknown name sets none.
TEST(FundamentalThresholds, EveryOneHasItsOwnName) {
  const auto names = ThresholdNames();
  EXPECT_EQ(names.size() * sizeof(double), sizeof(FundamentalThresholds));
  FundamentalThresholds t;
  std::set<const double*> fields;
  for (const auto name : names) fields.insert(ThresholdNamed(t, name));
  EXPECT_EQ(fields.size(), names.size());
  EXPECT_EQ(fields.count(nullptr), 0u);
  EXPECT_EQ(ThresholdNamed(t, "loudness"), nullptr);
}

TEST(NormalisedSquareDifference, IsOneAtThePeriodMinusOneAtHalfAndBlindToTheMean) {
  // A sine of exactly 100 samples per period, on an offset.
  std::vector<std::int16_t> block(1000);
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<std::int16_t>(
        std::lround(5000 + 3000 * std::sin(2 * kTransformPi * static_cast<double>(i) / 100)));
  const std::vector<double> n = NormalisedSquareDifference(block);
  ASSERT_EQ(n.size(), block.size());
  EXPECT_NEAR(n[0], 1.0, 1e-9);
  EXPECT_NEAR(n[100], 1.0, 1e-3);
  EXPECT_NEAR(n[200], 1.0, 1e-3);
  EXPECT_NEAR(n[50], -1.0, 1e-3);
  EXPECT_NEAR(n[25], 0.0, 0.02);
  for (const double v : NormalisedSquareDifference(std::vector<std::int16_t>(256, 0)))
    EXPECT_EQ(v, 0.0);
}

}  // namespace
