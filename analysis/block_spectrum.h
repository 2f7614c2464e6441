// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

// The block's magnitude spectrum through a Blackman window (side lobes below -58 dB, so
// a strong partial's leakage is not taken for a weak one), zero-padded four times, for
// asking which partials are present.
class BlockSpectrum {
 public:
  BlockSpectrum(const std::vector<std::int16_t>& block, std::int32_t sampleRate);
  // The same from the block's PaddedTransform, when the caller has it already.
  BlockSpectrum(const std::vector<std::int16_t>& block, std::int32_t sampleRate,
                const std::vector<std::complex<double>>& padded);

  // The fundamental of the harmonic series k f that best fits the first `partials` partials
  // near k f0 (below bandTop of the rate), each weighted by its power (those from
  // leastLevel of the strongest of them on):
  // the pitch of the note as a whole, not of one partial. Each partial's frequency is the
  // vertex of a parabola through the log magnitudes of its peak (a Gaussian fits the
  // Blackman window's main lobe closely; the padded spectrum leaves well under a
  // thousandth of a bin). 0 when fewer than two partials are found. Only asked where
  // their main lobes stay apart.
  double HarmonicFit(double f0, double partials, double leastLevel, double bandTop) const;

  // The highest peak within reach (hertz) of the frequency, relative to the strongest
  // partial; 0 without one.
  double PeakNear(double frequency, double reachHz) const;
  // The magnitude at the frequency (its nearest bin), relative to the strongest partial.
  double LevelAt(double frequency) const;
  // The frequency of the highest peak within reach (hertz) of the frequency, located
  // between bins; 0 without one.
  double PeakFrequencyNear(double frequency, double reachHz) const;
  // How far the highest peak within reach (hertz) of the frequency stands above the
  // median magnitude of the 32 bins (of the unpadded block) around it: a partial against
  // the noise beside it. 0 without a peak.
  double Prominence(double frequency, double reachHz) const;
  // One bin of the unpadded block, in hertz: how finely the spectrum tells partials apart.
  double Resolution() const { return rate_ / length_; }
  // The median magnitude from the lowest note to bandTop of the sample rate, relative to
  // the strongest partial: where the block's noise lies (partials fill few of those bins).
  double NoiseFloor(double bandTop) const;
  // The frequency of the strongest sound below `below` hertz, located between bins: 0
  // unless it is a peak of at least `leastLevel` times the strongest partial's amplitude.
  double SoundBelow(double below, double leastLevel) const;
  // The highest peak from f0 to 8.5 f0 (and the highest note, and bandTop of the rate)
  // that lies off the harmonic series k f0, farther than two bins from each k f0, relative
  // to the strongest partial: a second sound that the note's partials do not explain.
  // Below f0 a lone peak is a resonance of the body, and a second note shows its higher
  // partials here too. 0 where the series is too dense to tell.
  double StrongestOffSeries(double f0, double bandTop) const;

 private:
  // The windowed spectrum, size/2 bins: from the padded transform where its length is four
  // times the block's (a power-of-two block), else by a transform of its own.
  static void WindowPadded(const std::vector<std::complex<double>>& padded,
                           std::vector<std::complex<double>>& spectrum);
  static void WindowDirectly(const std::vector<std::int16_t>& block, std::size_t size,
                             std::vector<std::complex<double>>& spectrum);
  // The median magnitude from the lowest note to bandTop of the rate, relative to the
  // strongest partial.
  double MedianMagnitude(double bandTop) const;
  // The bin of the highest local maximum within reachBins of centreBin; 0 without one.
  std::size_t StrongestPeakBin(double centreBin, double reachBins) const;
  static constexpr std::size_t kPadding = 4;
  static constexpr std::size_t kProminenceBins = 16;  // each side
  static constexpr double kTiny = 1e-12;

  double rate_;
  double length_;
  // The noise floor, worked out once (a median of thousands of bins) for the band asked.
  mutable double floorBandTop_ = -1.0;
  mutable double floor_ = 0.0;
  double binsPerHertz_ = 0.0;
  double strongest_ = 0.0;
  std::vector<double> magnitude_;
};
