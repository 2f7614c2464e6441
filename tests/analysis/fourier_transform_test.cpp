// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/fourier_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "analysis/numeric.h"
#include "support/signals.h"
#include "support/error_of.h"

namespace {


std::vector<std::int16_t> Cosine(int periods, int length, double phase, double amplitude = 1000) {
  std::vector<std::int16_t> frame(static_cast<std::size_t>(length));
  for (int n = 0; n < length; ++n)
    frame[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(
        std::lround(amplitude * std::cos(2 * kTransformPi * periods * n / length + phase)));
  return frame;
}

TEST(BitReversal, ReversesTheIndexBits) {
  EXPECT_EQ(BitReversal(8), (std::vector<std::int32_t>{0, 4, 2, 6, 1, 5, 3, 7}));
  EXPECT_EQ(BitReversal(2), (std::vector<std::int32_t>{0, 1}));
  const auto table = BitReversal(2048);
  EXPECT_EQ(table[1], 1024);
  EXPECT_EQ(table[2047], 2047);
  EXPECT_EQ(table[0b10000000011], 0b11000000001);
}

TEST(BitReversal, LengthOneOverflowsAndZeroIsInvalid) {
  EXPECT_EQ(ErrorOf([] { BitReversal(1); }), "Overflow");
  EXPECT_EQ(ErrorOf([] { BitReversal(0); }), "Invalid procedure call or argument");
}

// The transform, and one bin of it alone, against a direct evaluation of its definition,
// for every length.
TEST(Transform, MatchesTheDirectTransformAtEveryPowerOfTwo) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  for (int M = 2; M <= 16384; M *= 2) {
    std::vector<std::int16_t> frame(static_cast<std::size_t>(M));
    double energy = 0;
    for (auto& x : frame) {
      x = static_cast<std::int16_t>(sample(random));
      energy += double(x) * x;
    }
    const Spectrum spectrum = Transform(frame, BitReversal(M));
    // By Parseval the spectrum's norm is sqrt(M * energy); errors are measured against it.
    const double norm = std::sqrt(M * energy);
    std::vector<std::complex<long double>> twiddle(static_cast<std::size_t>(M));
    for (int n = 0; n < M; ++n)
      twiddle[static_cast<std::size_t>(n)] =
          std::polar(1.0L, -2.0L * 3.141592653589793238462643383279502884L * n / M);
    const int binStep = M <= 2048 ? 1 : M / 512;  // keeps the largest sizes quick
    double worst = 0;
    double worstAlone = 0;
    for (int k = 0; k < M; k += binStep) {
      std::complex<long double> direct = 0;
      for (int n = 0; n < M; ++n)
        direct += static_cast<long double>(frame[static_cast<std::size_t>(n)]) *
                  twiddle[static_cast<std::size_t>((static_cast<long>(k) * n) % M)];
      const std::complex<double> fast(spectrum.re[static_cast<std::size_t>(k)],
                                      spectrum.im[static_cast<std::size_t>(k)]);
      worst = std::max(worst, std::abs(fast - std::complex<double>(direct)) / norm);
      worstAlone = std::max(worstAlone, std::abs(TransformBin(frame, k) - std::complex<double>(direct)) / norm);
    }
    EXPECT_LT(worst, 1e-9) << "M = " << M;
    EXPECT_LT(worstAlone, 1e-9) << "one bin, M = " << M;
  }
}

TEST(Transform, RejectsLengthsItCannotTransform) {
  EXPECT_EQ(ErrorOf([] { Transform(std::vector<std::int16_t>(32768), BitReversal(32768)); }),
            "Overflow");
  EXPECT_EQ(ErrorOf([] { Transform(std::vector<std::int16_t>(16), BitReversal(8)); }),
            "Subscript out of range");
  EXPECT_EQ(ErrorOf([] { Transform(std::vector<std::int16_t>(6), BitReversal(6)); }),
            "Subscript out of range");
  EXPECT_EQ(ErrorOf([] { Transform({}, {}); }), "Invalid procedure call or argument");
}

TEST(PhaseOfBin, IsTheTwoArgumentArctangentIncludingAZeroRealPart) {
  const struct { double re, im, phase; } cases[] = {
      {0.0, 5.0, kTransformPi / 2},     {0.0, -5.0, -kTransformPi / 2}, {0.0, 0.0, 0.0},
      {-0.0, 3.0, kTransformPi / 2},    {1.0, 1.0, kTransformPi / 4},   {-1.0, 1.0, 3 * kTransformPi / 4},
      {-1.0, -1.0, -3 * kTransformPi / 4}, {-1.0, 0.0, kTransformPi},   {2.0, -1e-300, -5e-301}};
  for (const auto& c : cases) {
    EXPECT_NEAR(PhaseOfBin(c.re, c.im), c.phase, 1e-14) << c.re << ", " << c.im;
    EXPECT_NEAR(PhaseOfBin(c.re, c.im), std::atan2(c.im, c.re), 1e-13);
  }
}

TEST(FFT, FrameOneFindsTheStrongestBinAndItsPhase) {
  const struct { double phase, expectedPhase; } cases[] = {
      {0.0, 0.0}, {kTransformPi / 4, 0.7854}, {-kTransformPi / 4, -0.7854}};
  const auto table = BitReversal(512);
  for (const auto& c : cases) {
    PitchAnalysis analysis;
    analysis.FFT(1, Cosine(5, 512, c.phase), table, 44100);
    EXPECT_EQ(analysis.PeakBin, 5);
    EXPECT_EQ(analysis.PeakBinFrequency, 430.6640625);
    EXPECT_TRUE(analysis.PeakInRange);
    EXPECT_NEAR(analysis.PeakPhase[0], c.expectedPhase, 1e-3);
  }
}

TEST(FFT, AnImpulseIsFlatAndItsLowestBinLiesAboveTheRange) {
  PitchAnalysis analysis;
  analysis.PeakBin = 3;
  const Spectrum spectrum = Transform({1, 0, 0, 0, 0, 0, 0, 0}, BitReversal(8));
  for (std::size_t k = 0; k < 8; ++k) {
    EXPECT_DOUBLE_EQ(spectrum.re[k], 1.0);
    EXPECT_NEAR(spectrum.im[k], 0.0, 1e-15);
  }
  analysis.FFT(1, {1, 0, 0, 0, 0, 0, 0, 0}, BitReversal(8), 44100);
  EXPECT_EQ(analysis.PeakBinFrequency, 5512.5);
  EXPECT_FALSE(analysis.PeakInRange);
  EXPECT_EQ(analysis.PeakBin, 3);  // kept from before
}

TEST(FFT, SilenceHasNoStrongestBin) {
  PitchAnalysis analysis;
  analysis.PeakInRange = true;
  analysis.FFT(1, std::vector<std::int16_t>(512), BitReversal(512), 44100);
  EXPECT_EQ(analysis.PeakBinFrequency, 0.0);
  EXPECT_FALSE(analysis.PeakInRange);
}

TEST(FFT, TheRangeBoundsAreInclusive) {
  // Bin 1 of 8 lies at rate / 8: 27.5 Hz at 220, 4186 Hz at 33488, 4186.125 Hz at 33489.
  const struct { int rate; bool inRange; } cases[] = {
      {220, true}, {219, false}, {33488, true}, {33489, false}};
  for (const auto& c : cases) {
    PitchAnalysis analysis;
    analysis.FFT(1, Cosine(1, 8, 0), BitReversal(8), c.rate);
    EXPECT_EQ(analysis.PeakInRange, c.inRange) << c.rate;
  }
}

TEST(FFT, FrameTwoMeasuresTheBinOfTheLastInRangeFrameOne) {
  PitchAnalysis analysis;
  const auto table = BitReversal(512);
  analysis.FFT(1, Cosine(5, 512, 0), table, 44100);
  analysis.FFT(1, std::vector<std::int16_t>(512), table, 44100);  // out of range
  analysis.FFT(2, Cosine(5, 512, kTransformPi / 4), table, 44100);
  EXPECT_EQ(analysis.PeakBin, 5);
  EXPECT_NEAR(analysis.PeakPhase[1], 0.7854, 1e-3);
}

TEST(FFT, ABinTimesTheRateBeyond32BitsOverflows) {
  PitchAnalysis analysis;
  EXPECT_EQ(ErrorOf([&] { analysis.FFT(1, Cosine(3, 8, 0), BitReversal(8), 1000000000); }),
            "Overflow");
}

}  // namespace
