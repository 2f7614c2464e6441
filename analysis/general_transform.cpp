// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/general_transform.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "analysis/fourier_transform.h"
#include "analysis/wide_vectors.h"

namespace {

using Complex = std::complex<double>;

// e^(-2 pi i k/length).
Complex Twiddle(std::size_t k, std::size_t length) {
  return std::polar(1.0, -2.0 * kTransformPi * static_cast<double>(k) / static_cast<double>(length));
}

// What the transforms of one real length need. The real transform of `size` samples runs
// a complex transform of size/2 points on the even samples as real and the odd ones as
// imaginary parts, then separates the two. The complex transform works on the real and
// imaginary parts in two arrays of their own, which lets the compiler run a stage's
// butterflies side by side in vector registers.
struct Plan {
  std::size_t size = 0;  // real samples
  // Where the bit-reversal permutation of size/2 points puts each point.
  std::vector<std::uint32_t> reversed;
  // The complex stages' factors, one stage after another: the stage that joins halves of
  // h points starts at index h - 1 and holds e^(-2 pi i k/2h) for k < h.
  std::vector<double> stageCos;
  std::vector<double> stageSin;
  // e^(-2 pi i k/size) for k <= size/4, to separate the even and odd samples' spectra.
  std::vector<double> splitCos;
  std::vector<double> splitSin;
  // The working points, kept between calls.
  std::vector<double> re;
  std::vector<double> im;
};

Plan MakePlan(std::size_t size) {
  Plan plan;
  plan.size = size;
  const std::size_t points = size / 2;
  plan.reversed.resize(points);
  for (std::size_t i = 1, j = 0; i < points; ++i) {
    std::size_t bit = points >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    plan.reversed[i] = static_cast<std::uint32_t>(j);
  }
  for (std::size_t half = 1; half < points; half <<= 1) {
    for (std::size_t k = 0; k < half; ++k) {
      const Complex w = Twiddle(k, 2 * half);
      plan.stageCos.push_back(w.real());
      plan.stageSin.push_back(w.imag());
    }
  }
  for (std::size_t k = 0; k <= size / 4; ++k) {
    const Complex w = Twiddle(k, size);
    plan.splitCos.push_back(w.real());
    plan.splitSin.push_back(w.imag());
  }
  plan.re.resize(points);
  plan.im.resize(points);
  return plan;
}

// The plan for a power-of-two size, built on first use in each thread.
Plan& PlanFor(std::size_t size) {
  thread_local std::vector<std::unique_ptr<Plan>> plans(64);
  std::size_t bits = 0;
  while ((std::size_t{1} << bits) < size) ++bits;
  if (!plans[bits]) plans[bits] = std::make_unique<Plan>(MakePlan(size));
  return *plans[bits];
}

// One radix-2 butterfly: low + w high, low - w high.
inline void Butterfly(double& lowRe, double& lowIm, double& highRe, double& highIm, double wr, double wi) {
  const double br = highRe * wr - highIm * wi;
  const double bi = highRe * wi + highIm * wr;
  const double ar = lowRe;
  const double ai = lowIm;
  lowRe = ar + br;
  lowIm = ai + bi;
  highRe = ar - br;
  highIm = ai - bi;
}

// The butterflies of one radix-2 stage for k < count, with low at lowRe/lowIm[k], high
// at highRe/highIm[k] and w at wRe/wIm[k]. The arrays never overlap; saying so
// (__restrict, known to GCC, Clang and MSVC) lets the compiler vectorise the loop.
inline void Butterflies(double* __restrict lowRe, double* __restrict lowIm, double* __restrict highRe,
                        double* __restrict highIm, const double* __restrict wRe, const double* __restrict wIm,
                        std::size_t count) {
  for (std::size_t k = 0; k < count; ++k) Butterfly(lowRe[k], lowIm[k], highRe[k], highIm[k], wRe[k], wIm[k]);
}

// Two stages in one pass over a group of 4 x `half` points: the butterflies of the stage
// that joins halves of `half` points, then those of the next, on the same four rows held
// in registers. The same butterflies as one stage after the other, so the same result to the
// bit, with half the passes over memory.
inline void TwoStages(double* __restrict re0, double* __restrict im0, double* __restrict re1,
                      double* __restrict im1, double* __restrict re2, double* __restrict im2,
                      double* __restrict re3, double* __restrict im3, const double* __restrict wRe,
                      const double* __restrict wIm, const double* __restrict nextRe, const double* __restrict nextIm,
                      std::size_t half) {
  for (std::size_t k = 0; k < half; ++k) {
    double ar = re0[k], ai = im0[k], br = re1[k], bi = im1[k];
    double cr = re2[k], ci = im2[k], dr = re3[k], di = im3[k];
    Butterfly(ar, ai, br, bi, wRe[k], wIm[k]);
    Butterfly(cr, ci, dr, di, wRe[k], wIm[k]);
    Butterfly(ar, ai, cr, ci, nextRe[k], nextIm[k]);
    Butterfly(br, bi, dr, di, nextRe[k + half], nextIm[k + half]);
    re0[k] = ar, im0[k] = ai, re1[k] = br, im1[k] = bi;
    re2[k] = cr, im2[k] = ci, re3[k] = dr, im3[k] = di;
  }
}

// The radix-2 stages (decimation in time) of the forward complex transform of the plan's
// points, already in bit-reversed order, from the stage that joins halves of `first`
// points on.
WIDE_VECTORS void RunStages(Plan& plan, std::size_t first) {
  // Below this many butterflies per group, a call per group costs more than it does.
  constexpr std::size_t kShortestRun = 8;
  const std::size_t points = plan.size / 2;
  double* re = plan.re.data();
  double* im = plan.im.data();
  for (std::size_t half = first; half < points;) {
    const double* wRe = plan.stageCos.data() + (half - 1);
    const double* wIm = plan.stageSin.data() + (half - 1);
    if (half >= kShortestRun && 2 * half < points) {
      const double* nextRe = plan.stageCos.data() + (2 * half - 1);
      const double* nextIm = plan.stageSin.data() + (2 * half - 1);
      for (std::size_t s = 0; s < points; s += 4 * half)
        TwoStages(re + s, im + s, re + s + half, im + s + half, re + s + 2 * half, im + s + 2 * half,
                  re + s + 3 * half, im + s + 3 * half, wRe, wIm, nextRe, nextIm, half);
      half *= 4;
      continue;
    }
    if (half >= kShortestRun) {
      for (std::size_t start = 0; start < points; start += 2 * half)
        Butterflies(re + start, im + start, re + start + half, im + start + half, wRe, wIm, half);
    } else {
      // Short groups: one pass over all of them.
      for (std::size_t start = 0; start < points; start += 2 * half)
        for (std::size_t k = 0; k < half; ++k)
          Butterfly(re[start + k], im[start + k], re[start + k + half], im[start + k + half], wRe[k], wIm[k]);
    }
    half *= 2;
  }
}

// Loads the points j < `used` (the rest are zero) into their bit-reversed places and runs
// the forward complex transform. With only the first used' points non-zero (used' the
// power of two at or above `used`), every group of points/used' points would hold one
// value and zeros after the permutation, and the first stages would only copy that value
// across its group: each value is written across its group at once instead.
template <typename PointAt>
void ForwardComplex(Plan& plan, std::size_t used, PointAt pointAt) {
  const std::size_t points = plan.size / 2;
  std::size_t group = points;
  while (group > 1 && (points / group) < used) group >>= 1;
  double* re = plan.re.data();
  double* im = plan.im.data();
  for (std::size_t j = 0; j < points / group; ++j) {
    const Complex point = j < used ? pointAt(j) : Complex();
    std::fill_n(re + plan.reversed[j], group, point.real());
    std::fill_n(im + plan.reversed[j], group, point.imag());
  }
  RunStages(plan, group);
}

bool IsPowerOfTwo(std::size_t n) { return n >= 2 && (n & (n - 1)) == 0; }

}  // namespace

WIDE_VECTORS void ForwardRealTransform(const std::vector<double>& samples, std::size_t size,
                                       std::vector<Complex>& spectrum) {
  if (!IsPowerOfTwo(size) || samples.size() > size)
    throw std::invalid_argument("transform length is not a power of two at or above the samples'");
  Plan& plan = PlanFor(size);
  const std::size_t points = size / 2;
  const std::size_t used = samples.size();
  ForwardComplex(plan, (used + 1) / 2, [&](std::size_t j) {
    return Complex(samples[2 * j], 2 * j + 1 < used ? samples[2 * j + 1] : 0.0);
  });
  spectrum.resize(points + 1);

  // Z = E + iO, E and O the spectra of the even and the odd samples; X[k] = E[k] + w^k O[k]
  // and X[points - k] = conj(E[k] - w^k O[k]).
  const Complex z0(plan.re[0], plan.im[0]);
  spectrum[0] = Complex(z0.real() + z0.imag(), 0.0);
  spectrum[points] = Complex(z0.real() - z0.imag(), 0.0);
  // In scalars: as complex temporaries the compiler passes w through memory.
  for (std::size_t k = 1; 2 * k <= points; ++k) {
    const double zr = plan.re[k];
    const double zi = plan.im[k];
    const double mr = plan.re[points - k];
    const double mi = -plan.im[points - k];
    const double evenR = 0.5 * (zr + mr);
    const double evenI = 0.5 * (zi + mi);
    const double oddR = 0.5 * (zi - mi);   // (zk - zm) / 2i
    const double oddI = -0.5 * (zr - mr);
    const double wr = plan.splitCos[k];
    const double wi = plan.splitSin[k];
    const double wOddR = wr * oddR - wi * oddI;
    const double wOddI = wr * oddI + wi * oddR;
    spectrum[k] = Complex(evenR + wOddR, evenI + wOddI);
    spectrum[points - k] = Complex(evenR - wOddR, -(evenI - wOddI));
  }
}

WIDE_VECTORS void InverseRealTransform(const std::vector<Complex>& spectrum, std::vector<double>& samples) {
  const std::size_t points = spectrum.size() - 1;
  const std::size_t size = 2 * points;
  if (!IsPowerOfTwo(size)) throw std::invalid_argument("transform length is not a power of two");
  Plan& plan = PlanFor(size);

  // The even samples' spectrum is A[k] = X[k] + X[k + points], the odd ones' B[k] =
  // (X[k] - X[k + points]) conj(w^k), with X[k + points] = conj X[points - k]. Their sum
  // Z = A + iB, transformed back, holds the even samples as real and the odd ones as
  // imaginary parts. Stored conjugated, so that the forward transform inverts it.
  const double x0 = spectrum[0].real();
  const double xm = spectrum[points].real();
  const auto store = [&plan](std::size_t k, const Complex& value) {
    plan.re[plan.reversed[k]] = value.real();
    plan.im[plan.reversed[k]] = value.imag();
  };
  store(0, Complex(x0 + xm, -(x0 - xm)));
  for (std::size_t k = 1; 2 * k <= points; ++k) {
    const Complex xk = spectrum[k];
    const Complex xUpper = std::conj(spectrum[points - k]);  // X[k + points]
    const Complex w(plan.splitCos[k], -plan.splitSin[k]);
    const Complex sum = xk + xUpper;
    const Complex d = xk - xUpper;
    const Complex odd(d.real() * w.real() - d.imag() * w.imag(), d.real() * w.imag() + d.imag() * w.real());
    // Z[k] = A + iB; Z[points - k] = conj(A) + i conj(B).
    const Complex low = sum + Complex(-odd.imag(), odd.real());
    const Complex high = std::conj(sum) + Complex(odd.imag(), odd.real());
    store(k, std::conj(low));
    store(points - k, std::conj(high));
  }
  RunStages(plan, 1);
  samples.resize(size);
  for (std::size_t j = 0; j < points; ++j) {
    samples[2 * j] = plan.re[j];
    samples[2 * j + 1] = -plan.im[j];
  }
}
