#include "analysis/square_difference.h"

#include <algorithm>
#include <complex>
#include <cstddef>

#include "analysis/general_transform.h"

using Complex = std::complex<double>;

std::vector<double> NormalisedSquareDifference(const std::vector<std::int16_t>& block) {
  const std::size_t n = block.size();
  std::vector<double> result(n, 0.0);
  if (n == 0) return result;

  // Kept between blocks: a block's analysis would otherwise allocate these every time.
  thread_local std::vector<double> x;
  thread_local std::vector<Complex> spectrum;
  thread_local std::vector<double> correlation;

  // Autocorrelation r(t) = sum x[j] x[j+t]: padded to twice the length it does not wrap.
  std::size_t size = 2;
  while (size < 2 * n) size <<= 1;
  double mean = 0.0;
  for (const std::int16_t v : block) mean += v;
  mean /= static_cast<double>(n);
  x.resize(n);
  for (std::size_t i = 0; i < n; ++i) x[i] = block[i] - mean;
  ForwardRealTransform(x, size, spectrum);
  for (Complex& bin : spectrum) bin = Complex(bin.real() * bin.real() + bin.imag() * bin.imag(), 0.0);
  InverseRealTransform(spectrum, correlation);

  // m(t) = sum over the overlap of x[j]^2 + x[j+t]^2, shrinking by one term each side.
  double energy = 0.0;
  for (std::size_t i = 0; i < n; ++i) energy += x[i] * x[i];
  double m = 2.0 * energy;
  const double scale = 1.0 / static_cast<double>(size);
  // Below this the overlap holds nothing but rounding noise.
  const double silent = 1e-9 * (2.0 * energy + 1.0);
  for (std::size_t t = 0; t < n; ++t) {
    if (t > 0) m -= x[t - 1] * x[t - 1] + x[n - t] * x[n - t];
    const double r = correlation[t] * scale;
    result[t] = m > silent ? std::clamp(2.0 * r / m, -1.0, 1.0) : 0.0;
  }
  return result;
}
