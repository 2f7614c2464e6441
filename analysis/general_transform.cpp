#include "analysis/general_transform.h"

#include <cstddef>
#include <utility>

#include "analysis/fourier_transform.h"

using Complex = std::complex<double>;

void TransformInPlace(std::vector<Complex>& data, double sign) {
  const std::size_t n = data.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(data[i], data[j]);
  }
  for (std::size_t length = 2; length <= n; length <<= 1) {
    const double angle = sign * 2.0 * kPi / static_cast<double>(length);
    const std::size_t half = length / 2;
    for (std::size_t k = 0; k < half; ++k) {
      const Complex twiddle = std::polar(1.0, angle * static_cast<double>(k));
      for (std::size_t start = 0; start < n; start += length) {
        const Complex a = data[start + k];
        const Complex b = data[start + k + half] * twiddle;
        data[start + k] = a + b;
        data[start + k + half] = a - b;
      }
    }
  }
}
