// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/fourier_transform.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <utility>

#include "analysis/general_transform.h"
#include "analysis/numeric.h"

namespace {

// The transform's counters are 16-bit: stepping one past 32767 is an overflow, which is
// what limits a frame to 16384 samples.
std::int32_t Counter16(std::int32_t value) {
  if (value > 32767) throw RuntimeError(ErrorText::Overflow);
  return value;
}

// log2 of a length, rounded to the nearest whole number.
double RoundedLog2(std::int32_t length) {
  return RoundHalfEven(Divide(Log(length), Log(2.0)));
}

}  // namespace

std::vector<std::int32_t> BitReversal(std::int32_t NumberOfSamples) {
  const double bits = RoundedLog2(NumberOfSamples);
  // The bit counter is an unsigned byte: zero bits (a length of 1) cannot be counted.
  const std::uint8_t lastBit = ToByte(bits - 1.0);
  std::vector<std::int32_t> table(static_cast<std::size_t>(NumberOfSamples));
  for (std::int32_t i = 0; i < NumberOfSamples; ++i) {
    std::int32_t t = i;
    std::int32_t reversed = 0;
    for (unsigned bit = 0; bit <= lastBit; ++bit) {
      reversed = 2 * reversed + t % 2;
      t /= 2;
    }
    table[static_cast<std::size_t>(i)] = reversed;
  }
  return table;
}

double PhaseOfBin(double re, double im) {
  if (re == 0.0) {
    // The quotient below has no value here; the arctangent's limit does.
    if (im > 0.0) return kTransformPi / 2.0;
    if (im < 0.0) return -kTransformPi / 2.0;
    return 0.0;
  }
  double angle = std::atan(Divide(im, re));
  if (re < 0.0 && im < 0.0) angle -= kTransformPi;
  if (re < 0.0 && im >= 0.0) angle += kTransformPi;
  return angle;
}

namespace {

template <bool kChecked>
Spectrum TransformWith(const std::vector<std::int16_t>& frame,
                       const std::vector<std::int32_t>& bitReversalTable) {
  const auto at = [](auto& array, std::int32_t index) -> decltype(auto) {
    if constexpr (kChecked) return At(array, index);
    else return array[static_cast<std::size_t>(index)];
  };
  const auto step = [](std::int32_t value) {
    if constexpr (kChecked) return Counter16(value);
    else return value;
  };
  const auto M = static_cast<std::int32_t>(frame.size());
  std::vector<double> re(frame.size(), 0.0);
  std::vector<double> im(frame.size(), 0.0);

  // Scatter the input to its bit-reversed position; the imaginary parts stay zero.
  for (std::int32_t i = 0; i < M; i = step(i + 1))
    at(re, at(bitReversalTable, i)) = frame[static_cast<std::size_t>(i)];

  const auto stages = static_cast<std::int32_t>(RoundedLog2(M));
  for (std::int32_t L = 1; L <= stages; ++L) {
    const std::int32_t LE = ToInt32(std::pow(2.0, L));
    const std::int32_t LE2 = LE / 2;
    double UR = 1.0;
    double UI = 0.0;
    // One cosine and one sine per stage; the twiddle factor advances by recurrence.
    const double SR = std::cos(kTransformPi / LE2);
    const double SI = -std::sin(kTransformPi / LE2);
    for (std::int32_t J = 1; J <= LE2; ++J) {
      for (std::int32_t I = J - 1; I <= M - 1; I = step(I + LE)) {
        const std::int32_t IP = step(I + LE2);
        double& reI = at(re, I);
        double& imI = at(im, I);
        double& reIP = at(re, IP);
        double& imIP = at(im, IP);
        const double TR = UR * reIP - UI * imIP;
        const double TI = UI * reIP + UR * imIP;
        reIP = reI - TR;
        imIP = imI - TI;
        reI = reI + TR;
        imI = imI + TI;
      }
      const double T = UR;
      UR = SR * T - SI * UI;
      UI = SI * T + UI * SR;
    }
  }

  return {std::move(re), std::move(im)};
}

// Whether no index and no counter of the transform can leave its range: a power-of-two
// length the counters hold and a table of that length whose entries index the frame.
bool CannotFail(const std::vector<std::int16_t>& frame, const std::vector<std::int32_t>& table) {
  const std::size_t M = frame.size();
  if (M < 2 || M > 16384 || (M & (M - 1)) != 0 || table.size() != M) return false;
  return std::all_of(table.begin(), table.end(),
                     [M](std::int32_t i) { return i >= 0 && static_cast<std::size_t>(i) < M; });
}

double PhaseOf(std::complex<double> bin) { return PhaseOfBin(bin.real(), bin.imag()); }

// Frame 1's search: the strongest bin below half the frame, bin 0 (the mean) excluded;
// the lowest bin wins a tie. Where it lies in the musical range its phase is kept,
// measured by `phaseAt` as frame 2's will be.
template <typename BinAt, typename PhaseAt>
void TakeStrongestBin(PitchAnalysis& analysis, std::int32_t M, std::int32_t SampleRate, BinAt binAt,
                      PhaseAt phaseAt) {
  const std::int32_t lastBin = ToInt32(M / 2.0 - 1.0);
  double bestMagnitude = 0.0;
  std::int32_t bestBin = 0;
  for (std::int32_t k = 1; k <= lastBin; ++k) {
    const std::complex<double> bin = binAt(k);
    const double magnitude = std::sqrt(bin.real() * bin.real() + bin.imag() * bin.imag());
    if (magnitude > bestMagnitude) {
      bestMagnitude = magnitude;
      bestBin = k;
    }
  }
  const std::int64_t product = static_cast<std::int64_t>(bestBin) * SampleRate;
  const std::int32_t binTimesRate = ToInt32(static_cast<double>(product));
  analysis.PeakBinFrequency = Divide(binTimesRate, M);
  if (analysis.PeakBinFrequency < kLowestFrequency || analysis.PeakBinFrequency > kHighestFrequency) {
    analysis.PeakInRange = false;
    return;
  }
  analysis.PeakPhase[0] = phaseAt(bestBin);
  analysis.PeakInRange = true;
  analysis.PeakBin = bestBin;
}

}  // namespace

Spectrum Transform(const std::vector<std::int16_t>& frame,
                   const std::vector<std::int32_t>& bitReversalTable) {
  // Where nothing can fail the checks are left out: the same butterflies in the same
  // order, so the same spectrum; anything else runs checked and fails as it must.
  return CannotFail(frame, bitReversalTable) ? TransformWith<false>(frame, bitReversalTable)
                                             : TransformWith<true>(frame, bitReversalTable);
}

std::complex<double> TransformBin(const std::vector<std::int16_t>& frame, std::int32_t k) {
  // e^(-2 pi i j/M) for j < M, kept per thread for the last length.
  thread_local std::vector<double> cosines;
  thread_local std::vector<double> sines;
  const std::size_t M = frame.size();
  if (cosines.size() != M) {
    cosines.resize(M);
    sines.resize(M);
    for (std::size_t j = 0; j < M; ++j) {
      const double angle = kTwoPi * static_cast<double>(j) / static_cast<double>(M);
      cosines[j] = std::cos(angle);
      sines[j] = -std::sin(angle);
    }
  }
  double re = 0.0;
  double im = 0.0;
  const std::size_t step = static_cast<std::size_t>(k) & (M - 1);
  for (std::size_t n = 0, j = 0; n < M; ++n, j = (j + step) & (M - 1)) {
    re += frame[n] * cosines[j];
    im += frame[n] * sines[j];
  }
  return {re, im};
}

void PitchAnalysis::FFT(std::int16_t FrameNumber, const std::vector<std::int16_t>& mSamples,
                        const std::vector<std::int32_t>& NewBitSequence,
                        std::int32_t SampleRate) {
  const auto M = static_cast<std::int32_t>(mSamples.size());
  if (CannotFail(mSamples, NewBitSequence)) {
    // Frame 1 asks for the magnitudes below half the frame and one bin's phase, frame 2 for
    // that bin's phase: the transform of real data and a bin summed alone give them for a
    // fraction of the time. Both phases are summed alike: two equal frames advance by
    // exactly nothing.
    const auto phaseAt = [&](std::int32_t k) { return PhaseOf(TransformBin(mSamples, k)); };
    if (FrameNumber == 1) {
      thread_local std::vector<double> samples;
      thread_local std::vector<std::complex<double>> bins;
      samples.assign(mSamples.begin(), mSamples.end());
      ForwardRealTransform(samples, mSamples.size(), bins);
      const auto binAt = [&](std::int32_t k) { return bins[static_cast<std::size_t>(k)]; };
      TakeStrongestBin(*this, M, SampleRate, binAt, phaseAt);
      return;
    }
    if (FrameNumber == 2 && PeakBin < M) {
      PeakPhase[1] = phaseAt(PeakBin);
      return;
    }
  }
  const auto [re, im] = Transform(mSamples, NewBitSequence);
  const auto binAt = [&](std::int32_t k) { return std::complex<double>(At(re, k), At(im, k)); };
  if (FrameNumber == 1)
    TakeStrongestBin(*this, M, SampleRate, binAt, [&](std::int32_t k) { return PhaseOf(binAt(k)); });
  else if (FrameNumber == 2)
    PeakPhase[1] = PhaseOf(binAt(PeakBin));
}
