// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/block_spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>

#include "analysis/fourier_transform.h"
#include "analysis/general_transform.h"
#include "analysis/middle_value.h"
#include "analysis/padded_transform.h"
#include "analysis/peak_refinement.h"
#include "analysis/wide_vectors.h"

using Complex = std::complex<double>;

BlockSpectrum::BlockSpectrum(const std::vector<std::int16_t>& block, std::int32_t sampleRate)
    : BlockSpectrum(block, sampleRate, PaddedTransform(block)) {}

BlockSpectrum::BlockSpectrum(const std::vector<std::int16_t>& block, std::int32_t sampleRate,
                             const std::vector<Complex>& padded)
    : rate_(sampleRate), length_(static_cast<double>(block.size())) {
  const std::size_t size = 2 * (padded.size() - 1);
  thread_local std::vector<Complex> spectrum;
  if (size == kPadding * block.size())
    WindowPadded(padded, spectrum);
  else
    WindowDirectly(block, size, spectrum);
  magnitude_.resize(size / 2);
  for (std::size_t k = 0; k < magnitude_.size(); ++k) {
    magnitude_[k] = std::sqrt(spectrum[k].real() * spectrum[k].real() + spectrum[k].imag() * spectrum[k].imag());
  }
  binsPerHertz_ = static_cast<double>(size) / sampleRate;
  const auto first = static_cast<std::size_t>(kLowestFrequency * binsPerHertz_);
  const auto last = std::min(magnitude_.size(), static_cast<std::size_t>(kHighestFrequency * binsPerHertz_));
  for (std::size_t k = first; k < last; ++k) strongest_ = std::max(strongest_, magnitude_[k]);
}

WIDE_VECTORS void BlockSpectrum::WindowPadded(const std::vector<Complex>& padded, std::vector<Complex>& spectrum) {
  // The window is 0.42 - 0.5 cos(2 pi i/n) + 0.08 cos(4 pi i/n) over the n samples; with the
  // transform padded to 4n, each cosine moves the spectrum by 4 or 8 bins either way. The
  // bins beyond either end are the conjugates of those inside.
  constexpr std::size_t kGuard = 2 * kPadding;
  const std::size_t last = padded.size() - 1;
  thread_local std::vector<Complex> extended;
  extended.resize(padded.size() + 2 * kGuard);
  std::copy(padded.begin(), padded.end(), extended.begin() + kGuard);
  for (std::size_t j = 1; j <= kGuard; ++j) {
    extended[kGuard - j] = std::conj(padded[j]);
    extended[kGuard + last + j] = std::conj(padded[last - j]);
  }
  spectrum.resize(last);
  const Complex* x = extended.data() + kGuard;
  for (std::size_t k = 0; k < last; ++k)
    spectrum[k] = 0.42 * x[k] - 0.25 * (x[k - kPadding] + x[k + kPadding]) + 0.04 * (x[k - kGuard] + x[k + kGuard]);
}

void BlockSpectrum::WindowDirectly(const std::vector<std::int16_t>& block, std::size_t size,
                                   std::vector<Complex>& spectrum) {
  // The window depends only on the block's length; it and the buffer are kept between
  // blocks.
  thread_local std::vector<double> window;
  thread_local std::vector<double> data;
  if (window.size() != block.size()) {
    window.resize(block.size());
    for (std::size_t i = 0; i < block.size(); ++i) {
      const double phase = 2.0 * kTransformPi * static_cast<double>(i) / static_cast<double>(block.size());
      window[i] = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
    }
  }
  data.resize(block.size());
  for (std::size_t i = 0; i < block.size(); ++i) data[i] = window[i] * block[i];
  ForwardRealTransform(data, size, spectrum);
}

double BlockSpectrum::HarmonicFit(double f0, double partialsFitted, double leastLevel, double bandTop) const {
  struct Partial {
    double k;
    double frequency;
    double level;
  };
  thread_local std::vector<Partial> partials;
  partials.clear();
  double strongest = 0.0;
  const double reach = std::min(rate_ / length_, 0.3 * f0) * binsPerHertz_;
  for (std::int32_t k = 1; k <= partialsFitted; ++k) {
    const double centre = k * f0 * binsPerHertz_;
    if (k * f0 > bandTop * rate_) break;
    const std::size_t peak = StrongestPeakBin(centre, reach);
    if (peak == 0 || !(magnitude_[peak] > 0.0)) continue;
    double frequency = static_cast<double>(peak) / binsPerHertz_;
    frequency += RefinePeak(std::log(magnitude_[peak - 1] + kTiny), std::log(magnitude_[peak] + kTiny),
                            std::log(magnitude_[peak + 1] + kTiny)).offset / binsPerHertz_;
    partials.push_back({static_cast<double>(k), frequency, magnitude_[peak]});
    strongest = std::max(strongest, magnitude_[peak]);
  }
  double numerator = 0.0;
  double denominator = 0.0;
  int fitted = 0;
  for (const Partial& p : partials) {
    if (p.level < leastLevel * strongest) continue;
    const double weight = p.level * p.level;
    numerator += weight * p.k * p.frequency;
    denominator += weight * p.k * p.k;
    ++fitted;
  }
  return fitted >= 2 ? numerator / denominator : 0.0;
}

double BlockSpectrum::LevelAt(double frequency) const {
  const auto bin = static_cast<std::size_t>(std::max(0.0, std::round(frequency * binsPerHertz_)));
  return bin < magnitude_.size() && strongest_ > 0.0 ? magnitude_[bin] / strongest_ : 0.0;
}

double BlockSpectrum::PeakNear(double frequency, double reachHz) const {
  const double centre = frequency * binsPerHertz_;
  const double reach = reachHz * binsPerHertz_;
  const auto lo = static_cast<std::size_t>(std::max(1.0, std::ceil(centre - reach)));
  const auto hi = std::min(magnitude_.size() - 2, static_cast<std::size_t>(std::floor(centre + reach)));
  double level = 0.0;
  for (std::size_t k = lo; k <= hi; ++k) {
    if (magnitude_[k] >= magnitude_[k - 1] && magnitude_[k] >= magnitude_[k + 1])
      level = std::max(level, magnitude_[k]);
  }
  return strongest_ > 0.0 ? level / strongest_ : 0.0;
}

double BlockSpectrum::NoiseFloor(double bandTop) const {
  if (bandTop != floorBandTop_) {
    floor_ = MedianMagnitude(bandTop);
    floorBandTop_ = bandTop;
  }
  return floor_;
}

double BlockSpectrum::MedianMagnitude(double bandTop) const {
  const auto first = static_cast<std::size_t>(kLowestFrequency * binsPerHertz_);
  const auto last = std::min(magnitude_.size(), static_cast<std::size_t>(bandTop * rate_ * binsPerHertz_));
  if (first >= last || !(strongest_ > 0.0)) return 0.0;
  return MiddleValue(magnitude_.data() + first, last - first) / strongest_;
}

double BlockSpectrum::SoundBelow(double below, double leastLevel) const {
  const auto end = std::min(magnitude_.size(), static_cast<std::size_t>(std::max(0.0, below) * binsPerHertz_));
  if (end < 3) return 0.0;
  // One sound: the strongest peak there, if it is a peak and a strong one. Noise rising to
  // the lowest bin (pink noise) has its strongest there, and so mostly none.
  const auto peak = static_cast<std::size_t>(std::max_element(magnitude_.begin() + 1, magnitude_.begin() + end) -
                                             magnitude_.begin());
  if (peak + 1 >= end || !(magnitude_[peak] > magnitude_[peak - 1]) || !(magnitude_[peak] > magnitude_[peak + 1]) ||
      magnitude_[peak] < leastLevel * strongest_)
    return 0.0;
  const RefinedPeak vertex = RefinePeak(std::log(magnitude_[peak - 1] + kTiny), std::log(magnitude_[peak] + kTiny),
                                        std::log(magnitude_[peak + 1] + kTiny));
  return (static_cast<double>(peak) + vertex.offset) / binsPerHertz_;
}

double BlockSpectrum::StrongestOffSeries(double f0, double bandTop) const {
  const double apart = 2.0 * Resolution();
  if (!(f0 > 2.0 * apart) || !(strongest_ > 0.0)) return 0.0;
  const double top = std::min({8.5 * f0, kHighestFrequency, bandTop * rate_});
  const auto first = std::max<std::size_t>(1, static_cast<std::size_t>(f0 * binsPerHertz_));
  const auto last = std::min(magnitude_.size() - 1, static_cast<std::size_t>(top * binsPerHertz_));
  double level = 0.0;
  for (std::size_t k = first; k < last; ++k) {
    if (magnitude_[k] < magnitude_[k - 1] || magnitude_[k] < magnitude_[k + 1]) continue;
    const double frequency = static_cast<double>(k) / binsPerHertz_;
    if (std::abs(frequency - f0 * std::round(frequency / f0)) <= apart) continue;
    level = std::max(level, magnitude_[k]);
  }
  return level / strongest_;
}

double BlockSpectrum::PeakFrequencyNear(double frequency, double reachHz) const {
  const double centre = frequency * binsPerHertz_;
  const double reach = reachHz * binsPerHertz_;
  const std::size_t peak = StrongestPeakBin(centre, reach);
  if (peak == 0 || !(magnitude_[peak] > 0.0)) return 0.0;
  const RefinedPeak vertex = RefinePeak(std::log(magnitude_[peak - 1] + kTiny), std::log(magnitude_[peak] + kTiny),
                                        std::log(magnitude_[peak + 1] + kTiny));
  return (static_cast<double>(peak) + vertex.offset) / binsPerHertz_;
}

double BlockSpectrum::Prominence(double frequency, double reachHz) const {
  const std::size_t peak = StrongestPeakBin(frequency * binsPerHertz_, reachHz * binsPerHertz_);
  if (peak == 0) return 0.0;
  const std::size_t around = kProminenceBins * kPadding;
  const std::size_t first = peak > around ? peak - around : 1;
  const std::size_t last = std::min(magnitude_.size(), peak + around + 1);
  thread_local std::vector<double> near;
  near.assign(magnitude_.begin() + static_cast<std::ptrdiff_t>(first),
              magnitude_.begin() + static_cast<std::ptrdiff_t>(last));
  const auto middle = near.begin() + static_cast<std::ptrdiff_t>(near.size() / 2);
  std::nth_element(near.begin(), middle, near.end());
  return *middle > 0.0 ? magnitude_[peak] / *middle : 0.0;
}

std::size_t BlockSpectrum::StrongestPeakBin(double centreBin, double reachBins) const {
  const auto lo = static_cast<std::size_t>(std::max(1.0, std::floor(centreBin - reachBins)));
  const auto hi = std::min(magnitude_.size() - 2, static_cast<std::size_t>(std::ceil(centreBin + reachBins)));
  std::size_t peak = 0;
  for (std::size_t k = lo; k <= hi; ++k) {
    if (magnitude_[k] >= magnitude_[k - 1] && magnitude_[k] >= magnitude_[k + 1] &&
        (peak == 0 || magnitude_[k] > magnitude_[peak]))
      peak = k;
  }
  return peak;
}
