#include "analysis/padded_transform.h"

#include <cstddef>

#include "analysis/general_transform.h"

void PaddedTransform(const std::vector<std::int16_t>& block, std::vector<std::complex<double>>& bins) {
  std::size_t size = 2;
  while (size < 4 * block.size()) size <<= 1;
  thread_local std::vector<double> samples;
  samples.assign(block.begin(), block.end());
  ForwardRealTransform(samples, size, bins);
}

const std::vector<std::complex<double>>& PaddedTransform(const std::vector<std::int16_t>& block) {
  thread_local std::vector<std::complex<double>> bins;
  PaddedTransform(block, bins);
  return bins;
}
