#include "analysis/sound_removal.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>

#include "analysis/peak_refinement.h"

std::vector<double> WithoutTone(const std::vector<std::int16_t>& block, double frequency, double sampleRate) {
  const std::size_t n = block.size();
  std::vector<double> rest(block.begin(), block.end());
  if (n == 0) return rest;
  // The tone as cosine and sine, turned on by one step each sample; the fit weighted by a
  // Hann window, so that a partial a few bins above the tone (a low string's fundamental)
  // lends it next to nothing.
  const std::complex<double> step = std::polar(1.0, 2.0 * std::numbers::pi * frequency / sampleRate);
  const std::complex<double> windowStep = std::polar(1.0, 2.0 * std::numbers::pi / static_cast<double>(n));
  const auto weight = [](std::complex<double> windowTurn) { return 0.5 - 0.5 * windowTurn.real(); };
  // A few periods of a low tone do not average to zero: the tone and the block's mean are
  // fitted together, by fitting the tone's deviations from its mean to the block's.
  double weights = 0.0;
  double mean = 0.0;
  std::complex<double> toneMean = 0.0;
  std::complex<double> turn = 1.0;
  std::complex<double> windowTurn = 1.0;
  for (std::size_t i = 0; i < n; ++i, turn *= step, windowTurn *= windowStep) {
    const double w = weight(windowTurn);
    weights += w;
    mean += w * rest[i];
    toneMean += w * turn;
  }
  if (!(weights > 0.0)) return rest;
  mean /= weights;
  toneMean /= weights;
  double cc = 0.0, ss = 0.0, cs = 0.0, xc = 0.0, xs = 0.0;
  turn = 1.0;
  windowTurn = 1.0;
  for (std::size_t i = 0; i < n; ++i, turn *= step, windowTurn *= windowStep) {
    const double w = weight(windowTurn);
    const std::complex<double> tone = turn - toneMean;
    const double x = rest[i] - mean;
    cc += w * tone.real() * tone.real();
    ss += w * tone.imag() * tone.imag();
    cs += w * tone.real() * tone.imag();
    xc += w * x * tone.real();
    xs += w * x * tone.imag();
  }
  const double determinant = cc * ss - cs * cs;
  const bool fits = std::abs(determinant) > 1e-9 * cc * ss;
  const double a = fits ? (xc * ss - xs * cs) / determinant : 0.0;
  const double b = fits ? (xs * cc - xc * cs) / determinant : 0.0;
  turn = 1.0;
  for (std::size_t i = 0; i < n; ++i, turn *= step) {
    const std::complex<double> tone = turn - toneMean;
    rest[i] -= mean + a * tone.real() + b * tone.imag();
  }
  return rest;
}

double SquareDifferenceAt(const std::vector<double>& samples, double lag) {
  const std::size_t n = samples.size();
  const auto at = [&](std::size_t t) {
    double r = 0.0;
    double m = 0.0;
    for (std::size_t j = 0; j + t < n; ++j) {
      r += samples[j] * samples[j + t];
      m += samples[j] * samples[j] + samples[j + t] * samples[j + t];
    }
    return m > 0.0 ? 2.0 * r / m : 0.0;
  };
  const auto middle = static_cast<std::size_t>(std::lround(std::max(0.0, lag)));
  if (middle < 1 || middle + 1 >= n) return middle < n ? at(middle) : 0.0;
  return RefinePeak(at(middle - 1), at(middle), at(middle + 1)).value;
}
