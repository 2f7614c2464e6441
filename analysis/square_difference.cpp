// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/square_difference.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "analysis/fourier_transform.h"
#include "analysis/general_transform.h"
#include "analysis/padded_transform.h"
#include "analysis/wide_vectors.h"

using Complex = std::complex<double>;

namespace {

// A parabola through three lags that may miss a peak's value by more than this share is
// not trusted.
constexpr double kLeastParabolaError = 0.01;

// The transform of a box of `length` ones zero-padded to `size`, for bins 0 .. size/2: the
// mean's share of each bin, taken out of the block's own transform.
const std::vector<Complex>& BoxBins(std::size_t length, std::size_t size) {
  thread_local std::vector<Complex> box;
  thread_local std::size_t boxLength = 0;
  if (boxLength != length || box.size() != size / 2 + 1) {
    boxLength = length;
    box.resize(size / 2 + 1);
    box[0] = static_cast<double>(length);
    const auto n = static_cast<double>(length);
    for (std::size_t k = 1; k < box.size(); ++k) {
      // sum e^(-i theta j) over j < n = e^(-i theta (n-1)/2) sin(theta n/2) / sin(theta/2).
      const double theta = 2.0 * kTransformPi * static_cast<double>(k) / static_cast<double>(size);
      // The amplitude may be negative, which std::polar does not allow.
      const double amplitude = std::sin(theta * n / 2.0) / std::sin(theta / 2.0);
      const double phase = -theta * (n - 1.0) / 2.0;
      box[k] = Complex(amplitude * std::cos(phase), amplitude * std::sin(phase));
    }
  }
  return box;
}

// Whether the NSDF's peaks are too narrow for a parabola through three lags to locate
// them: between lags, a component of nu cycles a lag bends away from the parabola by up to
// (2 pi nu)^4 / 128 of its power share. Much power high in the band (a top-octave note
// with its partials near the band's top) puts the NSDF's peaks between lags.
bool HasNarrowPeaks(const std::vector<Complex>& power) {
  // Each bin's turn per lag (2 pi nu), kept for the last size.
  thread_local std::vector<double> turns;
  if (turns.size() != power.size()) {
    const double size = 2.0 * static_cast<double>(power.size() - 1);
    turns.resize(power.size());
    for (std::size_t k = 0; k < power.size(); ++k) turns[k] = 2.0 * kTransformPi * static_cast<double>(k) / size;
  }
  double total = 0.0;
  double bend = 0.0;
  for (std::size_t k = 1; k < power.size(); ++k) {
    total += power[k].real();
    bend += power[k].real() * turns[k] * turns[k] * turns[k] * turns[k];
  }
  return total > 0.0 && bend / 128.0 > kLeastParabolaError * total;
}

}  // namespace

std::vector<double> NormalisedSquareDifference(const std::vector<std::int16_t>& block) {
  return MeasureSquareDifference(block, PaddedTransform(block)).atLags;
}

WIDE_VECTORS SquareDifference MeasureSquareDifference(const std::vector<std::int16_t>& block,
                                                      const std::vector<Complex>& padded) {
  const std::size_t n = block.size();
  SquareDifference result;
  result.atLags.assign(n, 0.0);
  if (n == 0) return result;

  // Kept between blocks: a block's analysis would otherwise allocate these every time.
  thread_local std::vector<Complex> spectrum;
  thread_local std::vector<double> correlation;

  // Autocorrelation r(t) = sum x[j] x[j+t]: padded to twice the length it does not wrap.
  // That transform is every second bin of the one padded to four times the length.
  const std::size_t size = padded.size() - 1;
  // Summed exactly, in integers: a double would hold every partial sum exactly too.
  std::int64_t sum = 0;
  for (const std::int16_t v : block) sum += v;
  const double mean = static_cast<double>(sum) / static_cast<double>(n);
  const std::vector<Complex>& box = BoxBins(n, size);
  spectrum.resize(size / 2 + 1);
  for (std::size_t k = 0; k < spectrum.size(); ++k) {
    const Complex bin = padded[2 * k] - mean * box[k];
    spectrum[k] = Complex(bin.real() * bin.real() + bin.imag() * bin.imag(), 0.0);
  }
  InverseRealTransform(spectrum, correlation);

  // m(t) = sum over the overlap of x[j]^2 + x[j+t]^2, shrinking by one term each side.
  const auto centred = [&](std::size_t i) { return block[i] - mean; };
  double energy = 0.0;
  for (std::size_t i = 0; i < n; ++i) energy += centred(i) * centred(i);
  thread_local std::vector<double> overlap;
  overlap.resize(n);
  overlap[0] = 2.0 * energy;
  for (std::size_t t = 1; t < n; ++t)
    overlap[t] = overlap[t - 1] - (centred(t - 1) * centred(t - 1) + centred(n - t) * centred(n - t));
  const double scale = 1.0 / static_cast<double>(size);
  // Below this the overlap holds nothing but rounding noise.
  const double silent = 1e-9 * (2.0 * energy + 1.0);
  const auto normalised = [silent](double r, double m) { return m > silent ? std::clamp(2.0 * r / m, -1.0, 1.0) : 0.0; };
  for (std::size_t t = 0; t < n; ++t) result.atLags[t] = normalised(correlation[t] * scale, overlap[t]);
  if (!HasNarrowPeaks(spectrum)) return result;

  // r(t + 1/2): the same spectrum turned by half a lag's phase at each bin.
  const double halfLag = kTransformPi / static_cast<double>(size);
  for (std::size_t k = 0; k < spectrum.size(); ++k)
    spectrum[k] = std::polar(spectrum[k].real(), halfLag * static_cast<double>(k));
  InverseRealTransform(spectrum, correlation);
  result.betweenLags.resize(n - 1);
  for (std::size_t t = 0; t + 1 < n; ++t)
    result.betweenLags[t] = normalised(correlation[t] * scale, 0.5 * (overlap[t] + overlap[t + 1]));
  return result;
}
