// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/middle_value.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Non-negative doubles order as their bit patterns do. Their top bits (the exponent and
// the first bit of the fraction) sort them into buckets of half an octave.
constexpr int kBucketShift = 51;
constexpr std::size_t kBuckets = std::size_t{1} << (64 - kBucketShift);  // any pattern stays in range

std::size_t BucketOf(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return static_cast<std::size_t>(bits >> kBucketShift);
}

}  // namespace

double MiddleValue(const double* values, std::size_t count) {
  // One counting pass finds the bucket that holds the middle value and its rank there; only
  // that bucket's values are then ordered. Kept between calls, as blocks come often.
  thread_local std::array<std::uint32_t, kBuckets> counts;
  thread_local std::vector<double> inBucket;
  counts.fill(0);
  for (std::size_t i = 0; i < count; ++i) ++counts[BucketOf(values[i])];
  std::size_t rank = count / 2;
  std::size_t bucket = 0;
  while (rank >= counts[bucket]) rank -= counts[bucket++];
  // Without a branch: the bucket's values come in no predictable pattern.
  inBucket.resize(count);
  std::size_t taken = 0;
  for (std::size_t i = 0; i < count; ++i) {
    inBucket[taken] = values[i];
    taken += BucketOf(values[i]) == bucket ? 1 : 0;
  }
  inBucket.resize(taken);
  const auto middle = inBucket.begin() + static_cast<std::ptrdiff_t>(rank);
  std::nth_element(inBucket.begin(), middle, inBucket.end());
  return *middle;
}
