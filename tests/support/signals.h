// SPDX-License-Identifier: GPL-3.0-or-later
// Test signals: rounded sinusoids as the sound card would deliver them.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace test_signals {

inline constexpr double kTestPi = 3.14159265358979323846;

// round(amplitude * sin(2 pi f n / rate + phase)) for n = 0 .. count-1.
inline std::vector<std::int16_t> Sine(double frequency, double amplitude, std::size_t count,
                                      double phase = 0.0, double rate = 44100.0) {
  std::vector<std::int16_t> samples(count);
  for (std::size_t n = 0; n < count; ++n)
    samples[n] = static_cast<std::int16_t>(std::lround(
        amplitude * std::sin(2.0 * kTestPi * frequency * static_cast<double>(n) / rate + phase)));
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
