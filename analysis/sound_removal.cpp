// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/sound_removal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <utility>

#include "analysis/fourier_transform.h"
#include "analysis/numeric.h"
#include "analysis/peak_refinement.h"
#include "analysis/wide_vectors.h"

std::vector<double> WithoutTone(const std::vector<std::int16_t>& block, double frequency, double sampleRate) {
  const std::size_t n = block.size();
  std::vector<double> rest(block.begin(), block.end());
  if (n == 0) return rest;
  // The tone as cosine and sine, turned on by one step each sample; the fit weighted by a
  // Hann window, so that a partial a few bins above the tone (a low string's fundamental)
  // lends it next to nothing.
  const std::complex<double> step = std::polar(1.0, 2.0 * kTransformPi * frequency / sampleRate);
  const std::complex<double> windowStep = std::polar(1.0, 2.0 * kTransformPi / static_cast<double>(n));
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

std::vector<std::int16_t> RoundedToSamples(const std::vector<double>& samples) {
  std::vector<std::int16_t> rounded(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i)
    rounded[i] = ToSample(samples[i]);
  return rounded;
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

namespace {

// The solution of the m x m system a x = b (a row by row), by elimination with partial
// pivoting; empty where the system is singular.
std::vector<double> Solve(std::vector<double> a, std::vector<double> b) {
  const std::size_t m = b.size();
  const auto at = [m](std::size_t row, std::size_t column) { return row * m + column; };
  for (std::size_t c = 0; c < m; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < m; ++r)
      if (std::abs(a[at(r, c)]) > std::abs(a[at(pivot, c)])) pivot = r;
    if (!(std::abs(a[at(pivot, c)]) > 1e-9 * std::abs(a[at(0, 0)]))) return {};
    for (std::size_t k = 0; k < m; ++k) std::swap(a[at(pivot, k)], a[at(c, k)]);
    std::swap(b[pivot], b[c]);
    for (std::size_t r = c + 1; r < m; ++r) {
      const double factor = a[at(r, c)] / a[at(c, c)];
      for (std::size_t k = c; k < m; ++k) a[at(r, k)] -= factor * a[at(c, k)];
      b[r] -= factor * b[c];
    }
  }
  for (std::size_t c = m; c-- > 0;) {
    for (std::size_t k = c + 1; k < m; ++k) b[c] -= a[at(c, k)] * b[k];
    b[c] /= a[at(c, c)];
  }
  return b;
}

constexpr std::size_t kTrendTerms = 3;  // 1, u and u^2 for u across the block from -1 to 1

// Where sample i of n lies across the block, from -1 to 1.
double AcrossBlock(std::size_t i, std::size_t n) {
  return 2.0 * static_cast<double>(i) / static_cast<double>(n - 1) - 1.0;
}

// The sums of the normal equations of the fit of the trend and `kTerms - kTrendTerms` / 2
// harmonics over the block: the upper triangle of `normal` and the whole of `projection`.
// The terms at each sample are the trend's, then each harmonic's cosine and sine, the
// fundamental turned on by `step` each sample. Their count is fixed at compile time so
// that the sums at each sample unroll into straight code; each sum is still taken sample
// by sample, in the block's order.
template <std::size_t kTerms>
WIDE_VECTORS void SumNormalEquations(const std::vector<double>& samples, std::complex<double> step,
                                     std::vector<double>& normal, std::vector<double>& projection) {
  constexpr std::size_t kHarmonics = (kTerms - kTrendTerms) / 2;
  const std::size_t n = samples.size();
  std::array<double, kTerms * kTerms> sums{};
  std::array<double, kTerms> projected{};
  std::array<double, kTerms> terms{};
  std::complex<double> turn = 1.0;
  for (std::size_t i = 0; i < n; ++i, turn *= step) {
    const double u = AcrossBlock(i, n);
    terms[0] = 1.0;
    terms[1] = u;
    terms[2] = u * u;
    std::complex<double> harmonic = turn;
    for (std::size_t k = 0; k < kHarmonics; ++k, harmonic *= turn) {
      terms[kTrendTerms + 2 * k] = harmonic.real();
      terms[kTrendTerms + 2 * k + 1] = harmonic.imag();
    }
#pragma GCC unroll 16
    for (std::size_t a = 0; a < kTerms; ++a) {
      projected[a] += terms[a] * samples[i];
#pragma GCC unroll 16
      for (std::size_t b = a; b < kTerms; ++b) sums[a * kTerms + b] += terms[a] * terms[b];
    }
  }
  std::copy(sums.begin(), sums.end(), normal.begin());
  std::copy(projected.begin(), projected.end(), projection.begin());
}

}  // namespace

std::vector<double> WithoutSlowTrend(const std::vector<std::int16_t>& block, double fundamental, double sampleRate) {
  const std::size_t n = block.size();
  std::vector<double> rest(block.begin(), block.end());
  if (n < 3 || !(fundamental > 0.0)) return rest;
  constexpr std::size_t kMostHarmonics = 4;
  std::size_t harmonics = 0;
  while (harmonics < kMostHarmonics && static_cast<double>(harmonics + 1) * fundamental < 0.45 * sampleRate) ++harmonics;
  const std::size_t m = kTrendTerms + 2 * harmonics;
  const std::complex<double> step = std::polar(1.0, 2.0 * kTransformPi * fundamental / sampleRate);
  std::vector<double> normal(m * m, 0.0);
  std::vector<double> projection(m, 0.0);
  switch (harmonics) {
    case 0: SumNormalEquations<kTrendTerms>(rest, step, normal, projection); break;
    case 1: SumNormalEquations<kTrendTerms + 2>(rest, step, normal, projection); break;
    case 2: SumNormalEquations<kTrendTerms + 4>(rest, step, normal, projection); break;
    case 3: SumNormalEquations<kTrendTerms + 6>(rest, step, normal, projection); break;
    default: SumNormalEquations<kTrendTerms + 8>(rest, step, normal, projection); break;
  }
  for (std::size_t a = 0; a < m; ++a)
    for (std::size_t b = 0; b < a; ++b) normal[a * m + b] = normal[b * m + a];
  const std::vector<double> fit = Solve(std::move(normal), std::move(projection));
  if (fit.empty()) return rest;
  // Only the trend is taken out: the partials stay, for the periods to be compared on.
  for (std::size_t i = 0; i < n; ++i) {
    const double u = AcrossBlock(i, n);
    rest[i] -= fit[0] + fit[1] * u + fit[2] * u * u;
  }
  return rest;
}
