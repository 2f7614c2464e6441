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

using test_signals::kTestPi;
constexpr std::int32_t kRate = 44100;

// A stream of `seconds`: the string (partials of f0, 1, 0.5, 0.3) from `stringFrom` on, with
// hum (mains and its harmonics) throughout, `humDb` under the string's level.
std::vector<std::int16_t> Stream(double seconds, double f0, double stringFrom, double mains, double humDb) {
  const auto count = static_cast<std::size_t>(seconds * kRate);
  const double humScale = std::pow(10.0, -humDb / 20.0);
  const double humPartials[] = {1.0, 0.5, 0.7, 0.25, 0.35};
  const double stringPartials[] = {1.0, 0.5, 0.3};
  std::vector<std::int16_t> samples(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / kRate;
    double x = 0.0;
    for (int k = 1; k <= 5; ++k) x += humScale * humPartials[k - 1] * std::sin(2 * kTestPi * k * mains * t + k);
    if (t >= stringFrom)
      for (int k = 1; k <= 3; ++k) x += stringPartials[k - 1] * std::sin(2 * kTestPi * k * f0 * t + 0.7 * k);
    samples[i] = static_cast<std::int16_t>(std::lround(3000.0 * x));
  }
  return samples;
}

// The stream through the filter, block by block; the last block as the tuner analyses it.
test_signals::Reading LastBlock(std::vector<std::int16_t> samples, std::size_t points, bool filtered) {
  MainsHumFilter filter(kRate);
  const std::size_t blocks = samples.size() / points;
  for (std::size_t b = 0; b < blocks && filtered; ++b) filter.Remove(samples.data() + b * points, points, b * points);
  const std::vector<std::int16_t> last(samples.begin() + static_cast<std::ptrdiff_t>((blocks - 1) * points),
                                       samples.begin() + static_cast<std::ptrdiff_t>(blocks * points));
  return test_signals::Analyse(last);
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
  const auto reading = LastBlock(Stream(3.0, c.f0, 1.5, c.mains, c.humDb), c.points, true);
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
      std::vector<std::int16_t> filtered = original;
      MainsHumFilter filter(kRate);
      for (std::size_t at = 0; at + points <= filtered.size(); at += points) {
        filter.Remove(filtered.data() + at, points, at);
        const auto block = [&](const std::vector<std::int16_t>& x) {
          return std::vector<std::int16_t>(x.begin() + static_cast<std::ptrdiff_t>(at),
                                           x.begin() + static_cast<std::ptrdiff_t>(at + points));
        };
        const double before = test_signals::Analyse(block(original)).frequency;
        const double after = test_signals::Analyse(block(filtered)).frequency;
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
  std::vector<std::int16_t> filtered = original;
  MainsHumFilter filter(kRate);
  for (std::size_t at = 0; at + 4096 <= filtered.size(); at += 4096) filter.Remove(filtered.data() + at, 4096, at);
  // The 300 Hz part of what was taken out of the last whole block, against the hum's.
  const std::size_t last = (filtered.size() / 4096 - 1) * 4096;
  double re = 0.0;
  double im = 0.0;
  for (std::size_t i = last; i < last + 4096; ++i) {
    const double removed = original[i] - filtered[i];
    re += removed * std::cos(2 * kTestPi * 300.0 * static_cast<double>(i) / kRate);
    im += removed * std::sin(2 * kTestPi * 300.0 * static_cast<double>(i) / kRate);
  }
  const double removedAmplitude = 2.0 * std::hypot(re, im) / 4096.0;
  const double humAmplitude = 3000.0 * 0.35 * std::pow(10.0, -20.0 / 20.0);
  EXPECT_NEAR(removedAmplitude, humAmplitude, 0.2 * humAmplitude);
}

TEST(MainsHumFilter, LeavesSilenceSilentWhenTheHumStops) {
  std::vector<std::int16_t> samples = Stream(2.0, 110.0, 0.5, 50, 0);
  samples.resize(80 * 1024);
  samples.resize(samples.size() + 4096, 0);  // the cable is pulled
  MainsHumFilter filter(kRate);
  for (std::size_t at = 0; at < samples.size(); at += 1024) filter.Remove(samples.data() + at, 1024, at);
  const std::vector<std::int16_t> tail(samples.end() - 4096, samples.end());
  EXPECT_EQ(tail, std::vector<std::int16_t>(4096, 0));
}

TEST(MainsHumFilter, LeavesAStreamAloneWhereTheMainsPeriodIsNoWholeNumberOfSamples) {
  const std::vector<std::int16_t> original = Stream(1.0, 110.0, 0.0, 60, 0);
  std::vector<std::int16_t> samples = original;
  MainsHumFilter filter(11025);  // 220.5 and 183.75 samples to a mains period
  for (std::size_t at = 0; at + 1024 <= samples.size(); at += 1024) filter.Remove(samples.data() + at, 1024, at);
  EXPECT_EQ(samples, original);
}

}  // namespace
