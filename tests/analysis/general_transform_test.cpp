// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "analysis/general_transform.h"

namespace {

// Against a direct long-double sum at every size class (the smallest ones take their own
// paths), whole or zero-padded, and back again: the inverse of the forward transform is
// the input times size.
TEST(RealTransform, MatchesTheDirectSumAndInvertsAtEverySize) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> sample(-32768, 32767);
  for (const std::size_t size : {2, 4, 8, 16, 64, 512, 2048}) {
    for (const std::size_t used : {size, size / 4 + 1, std::size_t{1}}) {
      std::vector<double> x(used);
      for (double& v : x) v = sample(random);
      std::vector<std::complex<double>> spectrum;
      ForwardRealTransform(x, size, spectrum);
      ASSERT_EQ(spectrum.size(), size / 2 + 1);
      long double norm = 0;
      for (const double v : x) norm += static_cast<long double>(v) * v;
      const double tolerance = 1e-12 * std::sqrt(static_cast<double>(size * norm));
      for (std::size_t k = 0; k <= size / 2; ++k) {
        long double re = 0, im = 0;
        for (std::size_t n = 0; n < used; ++n) {
          const long double angle =
              -2.0L * 3.141592653589793238L * static_cast<long double>(k * n % size) / size;
          re += x[n] * std::cos(angle);
          im += x[n] * std::sin(angle);
        }
        EXPECT_NEAR(spectrum[k].real(), static_cast<double>(re), tolerance) << size << "/" << used << " bin " << k;
        EXPECT_NEAR(spectrum[k].imag(), static_cast<double>(im), tolerance) << size << "/" << used << " bin " << k;
      }
      std::vector<double> back;
      InverseRealTransform(spectrum, back);
      ASSERT_EQ(back.size(), size);
      for (std::size_t n = 0; n < size; ++n)
        EXPECT_NEAR(back[n] / static_cast<double>(size), n < used ? x[n] : 0.0, 1e-9 * 32768) << size << " sample " << n;
    }
  }
}

}  // namespace
