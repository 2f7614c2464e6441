#include "analysis/general_transform.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <utility>

#include "analysis/fourier_transform.h"

namespace {

using Complex = std::complex<double>;

// e^(-2 pi i k/length).
Complex Twiddle(std::size_t k, std::size_t length) {
  return std::polar(1.0, -2.0 * kPi * static_cast<double>(k) / static_cast<double>(length));
}

// What the transforms of one real length need. The real transform of `size` samples runs
// a complex transform of size/2 points on the even samples as real and the odd ones as
// imaginary parts, then separates the two.
struct Plan {
  std::size_t size = 0;  // real samples
  // Index pairs the bit-reversal permutation of size/2 points exchanges.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> swaps;
  // The complex stages' factors, one stage after another: the stage that joins halves of
  // h points starts at index h - 1 and holds e^(-2 pi i k/2h) for k < h.
  std::vector<Complex> stageTwiddles;
  // e^(-2 pi i k/size) for k <= size/4, to separate the even and odd samples' spectra.
  std::vector<Complex> splitTwiddles;
};

Plan MakePlan(std::size_t size) {
  Plan plan;
  plan.size = size;
  const std::size_t points = size / 2;
  for (std::size_t i = 1, j = 0; i < points; ++i) {
    std::size_t bit = points >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) plan.swaps.emplace_back(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j));
  }
  plan.stageTwiddles.reserve(points);
  for (std::size_t half = 1; half < points; half <<= 1)
    for (std::size_t k = 0; k < half; ++k) plan.stageTwiddles.push_back(Twiddle(k, 2 * half));
  for (std::size_t k = 0; k <= size / 4; ++k) plan.splitTwiddles.push_back(Twiddle(k, size));
  return plan;
}

// The plan for a power-of-two size, built on first use in each thread.
const Plan& PlanFor(std::size_t size) {
  thread_local std::vector<std::unique_ptr<Plan>> plans(64);
  std::size_t bits = 0;
  while ((std::size_t{1} << bits) < size) ++bits;
  if (!plans[bits]) plans[bits] = std::make_unique<Plan>(MakePlan(size));
  return *plans[bits];
}

// The forward complex transform of size/2 points, in place (radix 2, decimation in time).
// Only the first `used` points may be non-zero. Then after the bit-reversal permutation
// each group of points/used' points (used' the power of two at or above used) holds one
// value and zeros, and the stages within such a group only copy that value across it.
void ForwardComplex(const Plan& plan, Complex* data, std::size_t used) {
  const std::size_t points = plan.size / 2;
  for (const auto& [i, j] : plan.swaps) std::swap(data[i], data[j]);
  std::size_t group = points;
  while (group > 1 && (points / group) < used) group >>= 1;
  if (group > 1) {
    for (std::size_t start = 0; start < points; start += group)
      std::fill(data + start + 1, data + start + group, data[start]);
  }
  for (std::size_t half = group; half < points; half <<= 1) {
    const Complex* twiddle = plan.stageTwiddles.data() + (half - 1);
    for (std::size_t start = 0; start < points; start += 2 * half) {
      Complex* low = data + start;
      Complex* high = low + half;
      for (std::size_t k = 0; k < half; ++k) {
        // Written out: std::complex's operator* checks for infinities on every product.
        const double wr = twiddle[k].real();
        const double wi = twiddle[k].imag();
        const double br = high[k].real() * wr - high[k].imag() * wi;
        const double bi = high[k].real() * wi + high[k].imag() * wr;
        const double ar = low[k].real();
        const double ai = low[k].imag();
        low[k] = Complex(ar + br, ai + bi);
        high[k] = Complex(ar - br, ai - bi);
      }
    }
  }
}

bool IsPowerOfTwo(std::size_t n) { return n >= 2 && (n & (n - 1)) == 0; }

}  // namespace

void ForwardRealTransform(const std::vector<double>& samples, std::vector<Complex>& spectrum,
                          std::size_t used) {
  const std::size_t size = samples.size();
  if (!IsPowerOfTwo(size)) throw std::invalid_argument("transform length is not a power of two");
  const Plan& plan = PlanFor(size);
  const std::size_t points = size / 2;
  spectrum.resize(points + 1);
  for (std::size_t j = 0; j < points; ++j) spectrum[j] = Complex(samples[2 * j], samples[2 * j + 1]);
  ForwardComplex(plan, spectrum.data(), (std::min(used, size) + 1) / 2);

  // Z = E + iO, E and O the spectra of the even and the odd samples; X[k] = E[k] + w^k O[k]
  // and X[points - k] = conj(E[k] - w^k O[k]).
  const Complex z0 = spectrum[0];
  spectrum[0] = Complex(z0.real() + z0.imag(), 0.0);
  spectrum[points] = Complex(z0.real() - z0.imag(), 0.0);
  for (std::size_t k = 1; 2 * k <= points; ++k) {
    const Complex zk = spectrum[k];
    const Complex zm = std::conj(spectrum[points - k]);
    const Complex even = 0.5 * (zk + zm);
    const Complex difference = zk - zm;
    const Complex odd(0.5 * difference.imag(), -0.5 * difference.real());  // (zk - zm) / 2i
    const Complex w = plan.splitTwiddles[k];
    const Complex wOdd(w.real() * odd.real() - w.imag() * odd.imag(),
                       w.real() * odd.imag() + w.imag() * odd.real());
    spectrum[k] = even + wOdd;
    spectrum[points - k] = std::conj(even - wOdd);
  }
}

void InverseRealTransform(std::vector<Complex>& spectrum, std::vector<double>& samples) {
  const std::size_t points = spectrum.size() - 1;
  const std::size_t size = 2 * points;
  if (!IsPowerOfTwo(size)) throw std::invalid_argument("transform length is not a power of two");
  const Plan& plan = PlanFor(size);

  // The even samples' spectrum is A[k] = X[k] + X[k + points], the odd ones' B[k] =
  // (X[k] - X[k + points]) conj(w^k), with X[k + points] = conj X[points - k]. Their sum
  // Z = A + iB, transformed back, holds the even samples as real and the odd ones as
  // imaginary parts. Stored conjugated, so that the forward transform inverts it.
  const double x0 = spectrum[0].real();
  const double xm = spectrum[points].real();
  spectrum[0] = Complex(x0 + xm, -(x0 - xm));
  for (std::size_t k = 1; 2 * k <= points; ++k) {
    const Complex xk = spectrum[k];
    const Complex xUpper = std::conj(spectrum[points - k]);  // X[k + points]
    const Complex w = std::conj(plan.splitTwiddles[k]);
    const Complex sum = xk + xUpper;
    const Complex d = xk - xUpper;
    const Complex odd(d.real() * w.real() - d.imag() * w.imag(), d.real() * w.imag() + d.imag() * w.real());
    // Z[k] = A + iB; Z[points - k] = conj(A) + i conj(B).
    const Complex low = sum + Complex(-odd.imag(), odd.real());
    const Complex high = std::conj(sum) + Complex(odd.imag(), odd.real());
    spectrum[k] = std::conj(low);
    spectrum[points - k] = std::conj(high);
  }
  ForwardComplex(plan, spectrum.data(), points);
  samples.resize(size);
  for (std::size_t j = 0; j < points; ++j) {
    samples[2 * j] = spectrum[j].real();
    samples[2 * j + 1] = -spectrum[j].imag();
  }
}
