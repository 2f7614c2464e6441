#include "analysis/mains_hum_filter.h"

#include <algorithm>
#include <cmath>

#include "analysis/fourier_transform.h"

namespace {

constexpr std::int32_t kMainsFrequencies[] = {50, 60};
// Long enough that a string a hertz off a multiple of the mains frequency stays out of
// the average (about 20 dB down), short enough to follow the mains as it drifts.
constexpr double kAveragingSeconds = 2.0;
// Up to 350 and 420 Hz: the hum's strongest harmonics and the ones that pass for a low note.
constexpr std::int32_t kHarmonics = 7;
// Hum this far under the block (25 dB) does not mislead the analysis: leave the block be.
constexpr double kNegligiblePower = 3e-3;
// Until it has heard this long, the average holds a string played from the start as much
// as any hum, and subtracting it would move the string's reading by cents.
constexpr double kLeastLearningSeconds = 0.5;
// The hum learnt must be found in the block: the block's projection on it at least a
// quarter of its own size. A string's leftovers in the average, or hum that has stopped,
// project on it only by chance, and subtracting them would add a sound, not remove one.
constexpr double kShareFound = 0.25;
// A block's weight in the average is one over its power; this keeps digital silence finite.
constexpr double kLeastPower = 1.0;

double Power(const std::vector<double>& values) {
  double sum = 0.0;
  for (const double value : values) sum += value * value;
  return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

// A place in the period one step on.
std::size_t Next(std::size_t place, std::size_t length) { return place + 1 == length ? 0 : place + 1; }

// Whether an earlier mains frequency already subtracts this harmonic (300 Hz is both 6 × 50
// and 5 × 60): only one of them may.
bool SubtractedEarlier(std::int32_t mains, std::int32_t harmonic) {
  const std::int32_t frequency = harmonic * mains;
  return std::any_of(std::begin(kMainsFrequencies), std::end(kMainsFrequencies), [&](std::int32_t other) {
    return other < mains && frequency % other == 0 && frequency <= other * kHarmonics;
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
    for (std::int32_t harmonic = 1; harmonic <= kHarmonics; ++harmonic) {
      if (SubtractedEarlier(mains, harmonic)) continue;
      Harmonic wave;
      for (std::size_t i = 0; i < length; ++i) {
        const double angle = kTwoPi * harmonic * static_cast<double>(i) / static_cast<double>(length);
        wave.cosine.push_back(std::cos(angle));
        wave.sine.push_back(std::sin(angle));
      }
      average.harmonics.push_back(std::move(wave));
    }
    average.keep = 1.0 - 1.0 / (kAveragingSeconds * mains);
    average.leastToLearn = static_cast<std::size_t>(kLeastLearningSeconds * sampleRate);
    averages_.push_back(std::move(average));
  }
}

void MainsHumFilter::FindHum(PeriodAverage& average) {
  const std::size_t length = average.weights.size();
  shape_.assign(length, 0.0);
  double mean = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    if (average.weights[i] > 0.0) shape_[i] = average.weightedSum[i] / average.weights[i];
    mean += shape_[i];
  }
  average.hum.assign(length, mean / static_cast<double>(length));
  for (const Harmonic& wave : average.harmonics) {
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
      re += shape_[i] * wave.cosine[i];
      im += shape_[i] * wave.sine[i];
    }
    re *= 2.0 / static_cast<double>(length);
    im *= 2.0 / static_cast<double>(length);
    for (std::size_t i = 0; i < length; ++i) average.hum[i] += re * wave.cosine[i] + im * wave.sine[i];
  }
  average.humPower = Power(average.hum);
}

void MainsHumFilter::Remove(std::int16_t* samples, std::size_t count) {
  if (count == 0) return;
  cleaned_.assign(samples, samples + count);
  const double blockPower = Power(cleaned_);
  bool changed = false;
  for (PeriodAverage& average : averages_) {
    const bool learnt = average.samplesLearnt >= average.leastToLearn;
    if (learnt) FindHum(average);
    const bool heard = learnt && average.humPower >= kNegligiblePower * blockPower;
    const std::size_t first = average.position;
    Learn(average, samples, count, 1.0 / (blockPower + kLeastPower));
    if (heard && HeldInBlock(average, first, samples, count)) {
      for (std::size_t i = 0, at = first; i < count; ++i, at = Next(at, average.hum.size()))
        cleaned_[i] -= average.hum[at];
      changed = true;
    }
  }
  if (!changed) return;
  for (std::size_t i = 0; i < count; ++i)
    samples[i] = static_cast<std::int16_t>(std::clamp(std::lround(cleaned_[i]), -32768L, 32767L));
}

void MainsHumFilter::Learn(PeriodAverage& average, const std::int16_t* samples, std::size_t count, double weight) {
  const std::size_t length = average.weights.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = average.position;
    average.weightedSum[at] = average.weightedSum[at] * average.keep + weight * samples[i];
    average.weights[at] = average.weights[at] * average.keep + weight;
    average.position = Next(at, length);
  }
  average.samplesLearnt += count;
}

bool MainsHumFilter::HeldInBlock(const PeriodAverage& average, std::size_t first, const std::int16_t* samples,
                                 std::size_t count) {
  double shared = 0.0;
  double own = 0.0;
  for (std::size_t i = 0, at = first; i < count; ++i, at = Next(at, average.hum.size())) {
    shared += samples[i] * average.hum[at];
    own += average.hum[at] * average.hum[at];
  }
  return shared >= kShareFound * own;
}
