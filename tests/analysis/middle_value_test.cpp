// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "analysis/middle_value.h"

namespace {

double SortedMiddle(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Spreads over many octaves, crowds into one bucket, ties, zeros, and the shortest counts:
// the same value as ordering them all.
TEST(MiddleValue, IsTheValueAtHalfTheCountInOrder) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> small(0, 3);
  const std::vector<std::function<double()>> kinds = {
      [&] { return std::exp(40.0 * unit(random) - 20.0); },  // wide range
      [&] { return 1.0 + 1e-9 * unit(random); },              // one bucket
      [&] { return static_cast<double>(small(random)); },     // ties and zeros
  };
  for (const auto& draw : kinds) {
    for (const std::size_t count : {1, 2, 3, 10, 1001, 7350}) {
      std::vector<double> values(count);
      for (double& v : values) v = draw();
      const std::vector<double> before = values;
      EXPECT_EQ(MiddleValue(values.data(), values.size()), SortedMiddle(values)) << count;
      EXPECT_EQ(values, before);
    }
  }
}

}  // namespace
