// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/padded_transform.h"

#include <cstddef>

#include "analysis/general_transform.h"

const std::vector<std::complex<double>>& PaddedTransform(const std::vector<std::int16_t>& block) {
  std::size_t size = 2;
  while (size < 4 * block.size()) size <<= 1;
  thread_local std::vector<double> samples;
  thread_local std::vector<std::complex<double>> bins;
  samples.assign(block.begin(), block.end());
  ForwardRealTransform(samples, size, bins);
  return bins;
}
