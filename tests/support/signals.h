// SPDX-License-Identifier: GPL-3.0-or-later
// Test signals: strings as sums of partials, mains hum, noise, mixed at set levels and
// rounded to samples as the sound card would deliver them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/fourier_transform.h"
#include "analysis/numeric.h"

namespace test_signals {

using Signal = std::vector<double>;

// Partials at the given frequencies and amplitudes, partial p (from 1) starting at phase
// p × phaseStep.
inline Signal PartialsAt(const std::vector<double>& frequencies, const std::vector<double>& amplitudes,
                         std::size_t count, double rate = 44100.0, double phaseStep = 0.9) {
  Signal x(count, 0.0);
  for (std::size_t p = 0; p < amplitudes.size(); ++p) {
    const double phase = phaseStep * static_cast<double>(p + 1);
    for (std::size_t i = 0; i < count; ++i)
      x[i] += amplitudes[p] * std::sin(2 * kTransformPi * frequencies[p] * static_cast<double>(i) / rate + phase);
  }
  return x;
}

// A string's partials k f0 sqrt(1 + B k^2), k = 1, 2, ... (B = 0: a harmonic series).
inline Signal Harmonics(double f0, const std::vector<double>& amplitudes, std::size_t count, double stiffness = 0.0,
                        double rate = 44100.0, double phaseStep = 0.9) {
  std::vector<double> frequencies;
  for (std::size_t p = 0; p < amplitudes.size(); ++p) {
    const double k = static_cast<double>(p + 1);
    frequencies.push_back(k * f0 * std::sqrt(1.0 + stiffness * k * k));
  }
  return PartialsAt(frequencies, amplitudes, count, rate, phaseStep);
}

// Mains hum: the mains frequency and its harmonics, as a rectifier's buzz has them.
inline const std::vector<double> kHumPartials = {1.0, 0.5, 0.7, 0.25, 0.35};
inline Signal Hum(double mains, std::size_t count, double rate = 44100.0) {
  return Harmonics(mains, kHumPartials, count, 0.0, rate, 1.0);
}

inline double Rms(const Signal& x) {
  double sum = 0;
  for (const double v : x) sum += v * v;
  return std::sqrt(sum / static_cast<double>(x.size()));
}

// Noise of unit RMS: white, or pink (power falling 3 dB an octave, by Kellet's filter).
inline Signal Noise(std::size_t count, bool pink, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> white(0.0, 1.0);
  Signal x(count);
  double b0 = 0, b1 = 0, b2 = 0;
  for (double& v : x) {
    const double w = white(random);
    if (!pink) {
      v = w;
      continue;
    }
    b0 = 0.99765 * b0 + w * 0.0990460;
    b1 = 0.96300 * b1 + w * 0.2965164;
    b2 = 0.57000 * b2 + w * 1.0526913;
    v = b0 + b1 + b2 + w * 0.1848;
  }
  const double rms = Rms(x);
  for (double& v : x) v /= rms;
  return x;
}

// a + b, b scaled so that its RMS is `db` under a's.
inline Signal Under(const Signal& a, Signal b, double db) {
  const double scale = Rms(a) / Rms(b) * std::pow(10.0, -db / 20.0);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = a[i] + b[i] * scale;
  return b;
}

// The last n values of the signal.
inline Signal Later(Signal x, std::size_t n) {
  x.erase(x.begin(), x.end() - static_cast<std::ptrdiff_t>(n));
  return x;
}

// `before` alone, then from `from` on with `after` added at `gain` times its size.
inline Signal StartsWithin(Signal before, const Signal& after, std::size_t from, double gain) {
  for (std::size_t i = from; i < before.size(); ++i) before[i] += gain * after[i];
  return before;
}

// The signal times `scale`, rounded to samples.
inline std::vector<std::int16_t> Scaled(const Signal& x, double scale) {
  std::vector<std::int16_t> samples(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) samples[i] = ToSample(x[i] * scale);
  return samples;
}

// The signal as samples whose RMS is `dbfs` under full scale.
inline std::vector<std::int16_t> AtRms(const Signal& x, double dbfs) {
  return Scaled(x, 32767.0 * std::pow(10.0, dbfs / 20.0) / Rms(x));
}

// The signal as samples whose highest peak is `level`.
inline std::vector<std::int16_t> AtPeak(const Signal& x, double level) {
  double peak = 0;
  for (const double v : x) peak = std::max(peak, std::abs(v));
  return Scaled(x, level / peak);
}

// round(amplitude * sin(2 pi f n / rate + phase)) for n = 0 .. count-1.
inline std::vector<std::int16_t> Sine(double frequency, double amplitude, std::size_t count, double phase = 0.0,
                                      double rate = 44100.0) {
  std::vector<std::int16_t> samples(count);
  for (std::size_t n = 0; n < count; ++n)
    samples[n] = static_cast<std::int16_t>(
        std::lround(amplitude * std::sin(2.0 * kTransformPi * frequency * static_cast<double>(n) / rate + phase)));
  return samples;
}

// A capture buffer of 2N samples whose first N hold the sound, the rest zero.
inline std::vector<std::int16_t> CaptureBuffer(const std::vector<std::int16_t>& block) {
  std::vector<std::int16_t> buffer(block);
  buffer.resize(2 * block.size(), 0);
  return buffer;
}

inline double CentsBetween(double measured, double reference) {
  return 1200.0 * std::log2(measured / reference);
}

}  // namespace test_signals
