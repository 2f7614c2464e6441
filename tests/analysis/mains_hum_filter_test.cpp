// SPDX-License-Identifier: GPL-3.0-or-later
// Mains hum learnt from the stream and removed before analysis: the string is named where
// the hum alone would mislead, bass notes next to the mains frequency keep their reading,
// and silence stays silence.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/mains_hum_filter.h"
#include "analysis/note_naming.h"
#include "support/analysed_block.h"
#include "support/signals.h"

namespace {

constexpr std::int32_t kRate = 44100;

// A stream of `seconds`: the string (partials of f0, 1, 0.5, 0.3) from `stringFrom` on, with
// hum (mains and its harmonics) throughout, `humDb` under the string's level.
std::vector<std::int16_t> Stream(double seconds, double f0, double stringFrom, double mains, double humDb) {
  const auto count = static_cast<std::size_t>(seconds * kRate);
  test_signals::Signal x = test_signals::Hum(mains, count);
  const test_signals::Signal string = test_signals::Harmonics(f0, {1.0, 0.5, 0.3}, count, 0.0, kRate, 0.7);
  const double humScale = std::pow(10.0, -humDb / 20.0);
  for (std::size_t i = 0; i < count; ++i)
    x[i] = humScale * x[i] + (static_cast<double>(i) >= stringFrom * kRate ? string[i] : 0.0);
  return test_signals::Scaled(x, 3000.0);
}

// The stream through the filter, one whole block after another.
std::vector<std::int16_t> Filtered(std::vector<std::int16_t> samples, std::size_t points,
                                   std::int32_t rate = kRate) {
  MainsHumFilter filter(rate);
  for (std::size_t at = 0; at + points <= samples.size(); at += points) filter.Remove(samples.data() + at, points, at);
  return samples;
}

std::vector<std::int16_t> Block(const std::vector<std::int16_t>& samples, std::size_t at, std::size_t points) {
  return {samples.begin() + static_cast<std::ptrdiff_t>(at), samples.begin() + static_cast<std::ptrdiff_t>(at + points)};
}

// Where the last whole block of the stream starts.
std::size_t LastBlockAt(const std::vector<std::int16_t>& samples, std::size_t points) {
  return (samples.size() / points - 1) * points;
}

struct HumCase {
  const char* name;
  double f0;
  const char* note;
  double mains;
  double humDb;  // hum under the string; 0 where the string has faded to the hum's level
  std::size_t points;
};

class StringWithHum : public ::testing::TestWithParam<HumCase> {};

TEST_P(StringWithHum, NamesTheString) {
  const HumCase& c = GetParam();
  // The hum sounds for a second and a half before the pluck, as it does before a player starts.
  const auto filtered = Filtered(Stream(3.0, c.f0, 1.5, c.mains, c.humDb), c.points);
  const auto reading = test_signals::Analyse(Block(filtered, LastBlockAt(filtered, c.points), c.points));
  EXPECT_EQ(Note_Octave(GetMIDINoteNumber(reading.frequency)), c.note) << reading.frequency << " Hz";
}

INSTANTIATE_TEST_SUITE_P(Streams, StringWithHum,
                         ::testing::Values(HumCase{"B3_at_the_60_Hz_hum_level", 246.94, "B3", 60, 0, 1024},
                                           HumCase{"G3_at_the_50_Hz_hum_level", 196.0, "G3", 50, 0, 2048},
                                           HumCase{"D3_at_the_50_Hz_hum_level", 146.83, "D3", 50, 0, 1024},
                                           HumCase{"G1_with_50_Hz_hum", 49.0, "G1", 50, 20, 4096},
                                           HumCase{"B1_with_60_Hz_hum", 61.74, "B1", 60, 20, 4096},
                                           HumCase{"G1_alone", 49.0, "G1", 50, 200, 4096},
                                           HumCase{"Bb1_alone", 58.27, "Bb1", 60, 200, 4096}),
                         [](const ::testing::TestParamInfo<HumCase>& tested) {
                           return std::string(tested.param.name);
                         });

TEST(MainsHumFilter, KeepsTheReadingsOfStringsWithoutHum) {
  // Played from the first block on, where the average holds little but the string.
  for (const double f0 : {82.41, 110.0, 146.83, 196.0, 246.94, 329.63})
    for (const std::size_t points : {1024, 2048, 4096}) {
      const std::vector<std::int16_t> original = Stream(2.5, f0, 0.0, 50, 200);
      const std::vector<std::int16_t> filtered = Filtered(original, points);
      for (std::size_t at = 0; at + points <= filtered.size(); at += points) {
        const double before = test_signals::Analyse(Block(original, at, points)).frequency;
        const double after = test_signals::Analyse(Block(filtered, at, points)).frequency;
        ASSERT_GT(after, 0.0) << f0 << " Hz, N=" << points << ", block at " << at;
        EXPECT_LT(std::abs(test_signals::CentsBetween(after, before)), 1.0) << f0 << " Hz, N=" << points;
      }
    }
}

// 300 Hz is a harmonic of both mains frequencies. With 60 Hz hum about 18 dB under E4, its
// 300 Hz part lies about 30 dB under the block: too little for the 50 Hz average to count as
// hum, so the 60 Hz hum, the stronger, must take it out.
TEST(MainsHumFilter, TheStrongerHumTakesOutTheHarmonicBothMainsShare) {
  const std::vector<std::int16_t> original = Stream(3.0, 329.63, 0.0, 60, 20);
  const std::vector<std::int16_t> filtered = Filtered(original, 4096);
  // The 300 Hz part of what was taken out of the last whole block, against the hum's.
  const std::size_t last = LastBlockAt(filtered, 4096);
  double re = 0.0;
  double im = 0.0;
  for (std::size_t i = last; i < last + 4096; ++i) {
    const double removed = original[i] - filtered[i];
    re += removed * std::cos(2 * kTransformPi * 300.0 * static_cast<double>(i) / kRate);
    im += removed * std::sin(2 * kTransformPi * 300.0 * static_cast<double>(i) / kRate);
  }
  const double removedAmplitude = 2.0 * std::hypot(re, im) / 4096.0;
  const double humAmplitude = 3000.0 * 0.35 * std::pow(10.0, -20.0 / 20.0);
  EXPECT_NEAR(removedAmplitude, humAmplitude, 0.2 * humAmplitude);
}

TEST(MainsHumFilter, LeavesSilenceSilentWhenTheHumStops) {
  std::vector<std::int16_t> samples = Stream(2.0, 110.0, 0.5, 50, 0);
  samples.resize(80 * 1024);
  samples.resize(samples.size() + 4096, 0);  // the cable is pulled
  const std::vector<std::int16_t> filtered = Filtered(samples, 1024);
  EXPECT_EQ(Block(filtered, filtered.size() - 4096, 4096), std::vector<std::int16_t>(4096, 0));
}

TEST(MainsHumFilter, LeavesAStreamAloneWhereTheMainsPeriodIsNoWholeNumberOfSamples) {
  const std::vector<std::int16_t> original = Stream(1.0, 110.0, 0.0, 60, 0);
  EXPECT_EQ(Filtered(original, 1024, 11025), original);  // 220.5 and 183.75 samples to a mains period
}

}  // namespace
