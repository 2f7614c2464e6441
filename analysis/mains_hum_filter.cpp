// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/mains_hum_filter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/fourier_transform.h"
#include "analysis/numeric.h"
#include "analysis/wide_vectors.h"

namespace {

constexpr std::int32_t kMainsFrequencies[] = {50, 60};
// Long enough that a string a hertz off a multiple of the mains frequency stays out of
// the average (about 20 dB down), short enough to follow the mains as it drifts.
constexpr double kAveragingSeconds = 2.0;
// MainsHumFilter::kHarmonics, up to 350 and 420 Hz: the hum's strongest harmonics and the
// ones that pass for a low note.
constexpr std::size_t kHarmonics = MainsHumFilter::kHarmonics;
// Hum this far under the block (25 dB) does not mislead the analysis: leave the block be.
constexpr double kNegligiblePower = 3e-3;
// Until it has heard this long, the average holds a string played from the start as much
// as any hum, and subtracting it would move the string's reading by cents.
constexpr double kLeastLearningSeconds = 0.5;
// The hum learnt must be found in the block: the block's projection on it at least a
// quarter of its own size. A string's leftovers in the average, or hum that has stopped,
// project on it only by chance, and subtracting them would add a sound, not remove one.
constexpr double kShareFound = 0.25;
// A hum found this far (10 dB) under what matters is not worked out again for every block,
// only every half second (a quieter block has it worked out at once).
constexpr double kFarUnder = 0.1;
constexpr double kLookAgainSeconds = 0.5;
// A block's weight in the average is one over its power; this keeps digital silence finite.
constexpr double kLeastPower = 1.0;

double Power(const std::vector<double>& values) {
  double sum = 0.0;
  for (const double value : values) sum += value * value;
  return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

// Calls step(place, index, run) for each stretch of the block that runs without wrapping
// round the period: samples index .. index + run − 1 fall on places place .. place + run − 1.
template <typename Step>
void ForEachRun(std::size_t first, std::size_t count, std::size_t length, Step step) {
  for (std::size_t index = 0, place = first; index < count;) {
    const std::size_t run = std::min(count - index, length - place);
    step(place, index, run);
    index += run;
    place = place + run == length ? 0 : place + run;
  }
}

// Whether the other mains frequency has this harmonic among its own (300 Hz is both 6 × 50
// and 5 × 60): only one of the two may subtract it.
bool SharedWithOtherMains(std::int32_t mains, std::size_t harmonic) {
  const std::int32_t frequency = static_cast<std::int32_t>(harmonic) * mains;
  return std::any_of(std::begin(kMainsFrequencies), std::end(kMainsFrequencies), [&](std::int32_t other) {
    return other != mains && frequency % other == 0 && frequency <= other * static_cast<std::int32_t>(kHarmonics);
  });
}

}  // namespace

MainsHumFilter::MainsHumFilter(std::int32_t sampleRate) {
  for (const std::int32_t mains : kMainsFrequencies) {
    // A period that is not a whole number of samples cannot be folded on: no removal.
    if (sampleRate <= 0 || sampleRate % mains != 0) continue;
    const auto length = static_cast<std::size_t>(sampleRate / mains);
    PeriodAverage average;
    average.weightedSum.assign(length, 0.0);
    average.weights.assign(length, 0.0);
    for (std::size_t i = 0; i < length; ++i)
      for (std::size_t harmonic = 1; harmonic <= kHarmonics; ++harmonic) {
        const double angle =
            kTwoPi * static_cast<double>(harmonic) * static_cast<double>(i) / static_cast<double>(length);
        average.waves.push_back(std::cos(angle));
        average.waves.push_back(std::sin(angle));
      }
    for (std::size_t harmonic = 1; harmonic <= kHarmonics; ++harmonic)
      average.shared[harmonic - 1] = SharedWithOtherMains(mains, harmonic);
    average.keep = 1.0 - 1.0 / (kAveragingSeconds * mains);
    average.leastToLearn = static_cast<std::size_t>(kLeastLearningSeconds * sampleRate);
    average.lookAgainAfter = static_cast<std::size_t>(kLookAgainSeconds * sampleRate);
    averages_.push_back(std::move(average));
  }
}

WIDE_VECTORS void MainsHumFilter::FindHum(PeriodAverage& average, bool withShared) {
  const std::size_t length = average.weights.size();
  shape_.assign(length, 0.0);
  double mean = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    if (average.weights[i] > 0.0) shape_[i] = average.weightedSum[i] / average.weights[i];
    mean += shape_[i];
  }
  // One pass over the period for all harmonics at once, then one to put them together.
  constexpr std::size_t kWaves = 2 * kHarmonics;
  std::array<double, kWaves> amounts{};
  for (std::size_t i = 0; i < length; ++i) {
    const double* wave = &average.waves[i * kWaves];
    for (std::size_t k = 0; k < kWaves; ++k) amounts[k] += shape_[i] * wave[k];
  }
  for (std::size_t k = 0; k < kWaves; ++k)
    amounts[k] *= withShared || !average.shared[k / 2] ? 2.0 / static_cast<double>(length) : 0.0;
  average.hum.resize(length);
  // Each sample's sum in the waves' order; four samples at a time, as their sums do not
  // wait for each other.
  const double base = mean / static_cast<double>(length);
  std::size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    const double* wave = &average.waves[i * kWaves];
    double v0 = base, v1 = base, v2 = base, v3 = base;
    for (std::size_t k = 0; k < kWaves; ++k) {
      v0 += amounts[k] * wave[k];
      v1 += amounts[k] * wave[kWaves + k];
      v2 += amounts[k] * wave[2 * kWaves + k];
      v3 += amounts[k] * wave[3 * kWaves + k];
    }
    average.hum[i] = v0, average.hum[i + 1] = v1, average.hum[i + 2] = v2, average.hum[i + 3] = v3;
  }
  for (; i < length; ++i) {
    const double* wave = &average.waves[i * kWaves];
    double value = base;
    for (std::size_t k = 0; k < kWaves; ++k) value += amounts[k] * wave[k];
    average.hum[i] = value;
  }
  average.humPower = Power(average.hum);
  average.samplesSinceFound = 0;
}

void MainsHumFilter::Forget() {
  // A stream with no positions at all asks for this at every block: nothing to forget then.
  for (PeriodAverage& average : averages_) {
    if (average.samplesLearnt == 0) continue;
    std::fill(average.weightedSum.begin(), average.weightedSum.end(), 0.0);
    std::fill(average.weights.begin(), average.weights.end(), 0.0);
    average.humPower = 0.0;
    average.samplesLearnt = 0;
    average.samplesSinceFound = average.lookAgainAfter;
  }
}

void MainsHumFilter::Remove(std::int16_t* samples, std::size_t count, std::uint64_t position) {
  if (count == 0) return;
  for (PeriodAverage& average : averages_)
    average.position = static_cast<std::size_t>(position % average.weights.size());
  double blockPower = 0.0;
  for (std::size_t i = 0; i < count; ++i) blockPower += static_cast<double>(samples[i]) * samples[i];
  blockPower /= static_cast<double>(count);
  bool changed = false;
  // The harmonics both mains frequencies share go with the one whose hum is the stronger.
  const PeriodAverage* stronger = nullptr;
  for (const PeriodAverage& average : averages_)
    if (stronger == nullptr || average.humPower > stronger->humPower) stronger = &average;
  for (PeriodAverage& average : averages_) {
    const bool learnt = average.samplesLearnt >= average.leastToLearn;
    // Working the hum out is the dear part: skip it while the last hum found lies far under
    // what would matter, looking again at least every half second, and in digital silence,
    // where there is nothing to subtract it from.
    const bool mayMatter = blockPower > 0.0 && (average.humPower >= kNegligiblePower * kFarUnder * blockPower ||
                                                average.samplesSinceFound >= average.lookAgainAfter);
    const bool found = learnt && mayMatter;
    if (found) FindHum(average, &average == stronger);
    const bool heard = found && average.humPower >= kNegligiblePower * blockPower;
    const std::size_t first = average.position;
    Learn(average, samples, count, 1.0 / (blockPower + kLeastPower));
    if (heard && HeldInBlock(average, first, samples, count)) {
      if (!changed) cleaned_.assign(samples, samples + count);
      ForEachRun(first, count, average.hum.size(), [&](std::size_t place, std::size_t index, std::size_t run) {
        for (std::size_t k = 0; k < run; ++k) cleaned_[index + k] -= average.hum[place + k];
      });
      changed = true;
    }
  }
  if (!changed) return;
  for (std::size_t i = 0; i < count; ++i)
    samples[i] = ToSample(cleaned_[i]);
}

void MainsHumFilter::Learn(PeriodAverage& average, const std::int16_t* samples, std::size_t count, double weight) {
  const std::size_t length = average.weights.size();
  // What the average forgets over the block, at once rather than sample by sample.
  const double kept = std::pow(average.keep, static_cast<double>(count) / static_cast<double>(length));
  for (std::size_t i = 0; i < length; ++i) {
    average.weightedSum[i] *= kept;
    average.weights[i] *= kept;
  }
  ForEachRun(average.position, count, length, [&](std::size_t place, std::size_t index, std::size_t run) {
    for (std::size_t k = 0; k < run; ++k) {
      average.weightedSum[place + k] += weight * samples[index + k];
      average.weights[place + k] += weight;
    }
  });
  average.position = (average.position + count) % length;
  average.samplesLearnt += count;
  average.samplesSinceFound += count;
}

bool MainsHumFilter::HeldInBlock(const PeriodAverage& average, std::size_t first, const std::int16_t* samples,
                                 std::size_t count) {
  double shared = 0.0;
  double own = 0.0;
  ForEachRun(first, count, average.hum.size(), [&](std::size_t place, std::size_t index, std::size_t run) {
    for (std::size_t k = 0; k < run; ++k) {
      shared += samples[index + k] * average.hum[place + k];
      own += average.hum[place + k] * average.hum[place + k];
    }
  });
  return shared >= kShareFound * own;
}
