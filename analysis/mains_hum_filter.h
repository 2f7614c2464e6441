// SPDX-License-Identifier: GPL-3.0-or-later
// Removes mains hum (50 or 60 Hz and its lower harmonics) from the blocks of a stream,
// before they are analysed.
//
// Hum repeats after exactly one mains period, and at the usual sample rates that period is
// a whole number of samples (882 and 735 at 44100 Hz). Averaged over the last seconds, the
// stream folded on that period keeps the hum and little else: a string's partials lie off
// the multiples of the mains frequency, so their contributions turn round and cancel in
// the average. Quiet blocks count for more in the average than loud ones: hum sounds the
// same in both, while what is left of a loud string in the average would be large next to
// a quieter block that follows it. What is subtracted is the average's lowest harmonics
// only, where hum misleads the analysis: higher up, a string in tune can have partials
// right on a multiple of the mains frequency (A2's 5th partial is 550 Hz), and those stay.
//
// Hum far under the block, or not found in it (it has stopped), is left alone, so silence
// stays silence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class MainsHumFilter {
 public:
  static constexpr std::size_t kHarmonics = 7;  // up to 350 and 420 Hz

  explicit MainsHumFilter(std::int32_t sampleRate);

  // Removes the hum learnt so far from the block, in place, and learns from the block.
  // `position` is where the block starts in the stream, in samples: blocks need not follow
  // one another without a gap, but their positions must be counted from one start.
  void Remove(std::int16_t* samples, std::size_t count, std::uint64_t position);
  // Forgets all it learnt, as when the stream breaks off and starts again.
  void Forget();

 private:
  // The weighted average of the stream folded on one mains period, and its lowest harmonics.
  struct PeriodAverage {
    std::vector<double> weightedSum;  // per place in the period
    std::vector<double> weights;
    // Its lowest harmonics over one period: at each place, the cosine and sine of each.
    std::vector<double> waves;
    std::array<bool, kHarmonics> shared{};  // harmonics the other mains frequency has too
    std::vector<double> hum;          // the average's lowest harmonics: what is subtracted
    double humPower = 0.0;
    std::size_t position = 0;  // where the next sample falls in the period
    double keep = 0.0;         // what is kept of the average at each period
    std::size_t samplesLearnt = 0;
    std::size_t leastToLearn = 0;  // samples heard before anything is subtracted
    std::size_t samplesSinceFound = 0;
    std::size_t lookAgainAfter = 0;
  };
  void FindHum(PeriodAverage& average, bool withShared);
  static void Learn(PeriodAverage& average, const std::int16_t* samples, std::size_t count, double weight);
  static bool HeldInBlock(const PeriodAverage& average, std::size_t first, const std::int16_t* samples,
                          std::size_t count);

  std::vector<PeriodAverage> averages_;
  std::vector<double> shape_;    // an average, worked out for FindHum
  std::vector<double> cleaned_;  // the block being cleaned
};
