// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analysis/note_naming.h"
#include "analysis/numeric.h"
#include "analysis/fourier_transform.h"
#include "support/analysed_block.h"
#include "support/signals.h"

namespace {

using test_signals::CaptureBuffer;
using test_signals::CentsBetween;
using test_signals::Sine;

using test_signals::Analyse;
using test_signals::Reading;

TEST(ReturnTrueFrequency, OffsetIsThePrincipalPhaseAdvanceOverTheFrameSpan) {
  const struct { double phase1, phase2, expected; } cases[] = {
      {0, 0, 86.1328125}, {0, 1.0, 99.8413}, {0, -1.0, 72.4243}, {2.0, 0, 58.7159}};
  for (const auto& c : cases)
    EXPECT_NEAR(ReturnTrueFrequency(86.1328125, c.phase1, c.phase2, 1, 512, 44100), c.expected,
                1e-4)
        << c.phase1 << " -> " << c.phase2;
  EXPECT_EQ(ReturnTrueFrequency(86.1328125, 0, 0, 1, 512, 44100), 86.1328125);
  EXPECT_EQ(ReturnTrueFrequency(0, 1.0, 2.0, 3, 512, 44100), 0.0);
  try {
    ReturnTrueFrequency(0, 0, 0, 1, 0, 44100);
    ADD_FAILURE() << "a zero span gave no error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Description(), "Division by zero");
  }
}

TEST(DominantFrequency, ACosineOnABinCentreReadsThatBinExactly) {
  std::vector<std::int16_t> block(1024);
  for (int n = 0; n < 1024; ++n)
    block[static_cast<std::size_t>(n)] =
        static_cast<std::int16_t>(std::lround(1000 * std::cos(2 * kTransformPi * 5 * n / 512)));
  const Reading reading = Analyse(block);
  EXPECT_EQ(reading.frequency, 430.6640625);
  EXPECT_EQ(reading.tuningCaption, "Tuning: -37");
}

TEST(DominantFrequency, SilenceReadsZeroAndLeavesTheTuningAlone) {
  const Reading reading = Analyse(std::vector<std::int16_t>(2048));
  EXPECT_EQ(reading.frequency, 0.0);
  EXPECT_EQ(reading.tuningCaption, "untouched");
}

TEST(DominantFrequency, OnlyTheFirstHalfOfTheBufferIsAnalysed) {
  PitchAnalysis analysis;
  std::vector<std::int16_t> buffer(2048, 0);
  const auto tone = Sine(440, 1000, 1024);
  std::copy(tone.begin(), tone.end(), buffer.begin() + 1024);  // sound only in the second half
  const std::vector<std::int16_t> before = buffer;
  EXPECT_EQ(analysis.DominantFrequency(buffer, BitReversal(512), 44100), 0.0);
  EXPECT_EQ(buffer, before);
}

class A440 : public ::testing::TestWithParam<std::tuple<int, double>> {};

TEST_P(A440, ReadsA4InTuneAtEverySize) {
  const auto [N, amplitude] = GetParam();
  const Reading reading = Analyse(Sine(440, amplitude, static_cast<std::size_t>(N)));
  EXPECT_NEAR(reading.frequency, 440.0, 0.5);
  EXPECT_EQ(GetMIDINoteNumber(reading.frequency), 69);
  EXPECT_TRUE(reading.tuningCaption == "Tuning: 0" || reading.tuningCaption == "Tuning: +1" ||
              reading.tuningCaption == "Tuning: -1")
      << reading.tuningCaption;
}

INSTANTIATE_TEST_SUITE_P(Sizes, A440,
                         ::testing::Combine(::testing::Values(1024, 2048, 4096),
                                            ::testing::Values(300.0, 1000.0)));

TEST(DominantFrequency, TheLowAStringIsNamedA2AtEverySize) {
  const struct { int N; double maxCents; } cases[] = {{1024, 40}, {2048, 3}, {4096, 3}};
  for (const auto& c : cases) {
    const Reading reading = Analyse(Sine(110, 12000, static_cast<std::size_t>(c.N), 0.3));
    EXPECT_EQ(Note_Octave(GetMIDINoteNumber(reading.frequency)), "A2") << c.N;
    EXPECT_LT(std::abs(CentsBetween(reading.frequency, 110)), c.maxCents) << c.N;
  }
}

// Every semitone over the span each size can resolve, at assorted phases and loudness.
TEST(DominantFrequency, PureTonesAcrossTheRangeReadWithinACoupleOfCents) {
  const struct { int N; int lowestNote; double maxCents; } sizes[] = {
      {4096, 45, 2.5}, {2048, 52, 4.0}, {1024, 69, 2.5}};  // from A2, E3 and A4 up to B7
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> phase(0, 2 * kTransformPi);
  std::uniform_real_distribution<double> amplitude(300, 12000);
  for (const auto& size : sizes) {
    for (int note = size.lowestNote; note <= 107; ++note) {
      const double frequency = 440 * std::pow(2.0, (note - 69) / 12.0);
      const Reading reading =
          Analyse(Sine(frequency, amplitude(random), static_cast<std::size_t>(size.N),
                       phase(random)));
      EXPECT_EQ(GetMIDINoteNumber(reading.frequency), note) << "N " << size.N;
      EXPECT_LT(std::abs(CentsBetween(reading.frequency, frequency)), size.maxCents)
          << "N " << size.N << ", note " << note << ", read " << reading.frequency;
    }
  }
}

// A strongest bin whose centre lies outside the range while half a bin reaches in (the
// lowest bin at 4096, the bin above C8 at 1024): a note inside the range is read from
// its period, one outside still reads nothing.
TEST(DominantFrequency, EdgeBinsReadTheNotesInsideTheRangeAndNothingOutside) {
  const struct { int N; double frequency; bool inside; } cases[] = {
      {4096, 27.5, true},     // A0
      {4096, 30.8677, true},  // B0
      {1024, 4186.009, true},                           // C8
      {4096, 26.0, false},
      {1024, 4250.0, false}};
  for (const auto& c : cases) {
    const auto N = static_cast<std::size_t>(c.N);
    const auto table = BitReversal(c.N / 2);
    int edgeBlocks = 0;
    for (int step = 0; step < 16; ++step) {
      PitchAnalysis analysis;
      const double f = analysis.DominantFrequency(
          CaptureBuffer(Sine(c.frequency, 2000 + 600 * step, N, 0.4 * step)), table, 44100);
      if (analysis.PeakInRange) continue;  // an ordinary block
      ++edgeBlocks;
      if (c.inside)
        EXPECT_LT(std::abs(CentsBetween(f, c.frequency)), 1.0) << c.N << " " << c.frequency << " read " << f;
      else
        EXPECT_EQ(f, 0.0) << c.N << " " << c.frequency;
    }
    EXPECT_GT(edgeBlocks, 0) << c.N << " " << c.frequency;
  }
}

// Whatever the block holds, the analysis answers with 0, a frequency near the musical
// range or one of the defined errors; never an infinity, a NaN or a crash.
TEST(DominantFrequency, ArbitraryBlocksGiveARangedFrequencyOrADefinedError) {
  std::mt19937 random(99);
  std::uniform_int_distribution<int> fullScale(-32768, 32767);
  std::uniform_int_distribution<int> kind(0, 4);
  for (int N : {1024, 2048, 4096}) {
    const auto table = BitReversal(N / 2);
    const double halfBin = 44100.0 / (N / 2) / 2;
    for (int trial = 0; trial < 1000; ++trial) {
      std::vector<std::int16_t> block(static_cast<std::size_t>(N));
      const int k = kind(random);
      for (auto& x : block) {
        const int noise = fullScale(random);
        x = static_cast<std::int16_t>(k == 0   ? noise
                                      : k == 1 ? (noise < 0 ? -32768 : 32767)  // clipped
                                      : k == 2 ? fullScale(random) / 1000 + 20000  // DC
                                      : 0);
      }
      if (k == 3) block[static_cast<std::size_t>(random() % static_cast<unsigned>(N))] = 32767;
      if (k == 4) block[0] = -32768;
      PitchAnalysis analysis;
      try {
        const double f = analysis.DominantFrequency(CaptureBuffer(block), table, 44100);
        EXPECT_TRUE(f == 0.0 || (std::isfinite(f) && f > 0 && f >= kLowestFrequency - halfBin &&
                                 f <= kHighestFrequency + halfBin))
            << "N " << N << " kind " << k << " gave " << f;
      } catch (const RuntimeError& error) {
        const std::string description = error.Description();
        EXPECT_TRUE(description == "Overflow" || description == "Division by zero" ||
                    description == "Invalid procedure call or argument" ||
                    description == "Subscript out of range")
            << description;
      }
    }
  }
}

}  // namespace
