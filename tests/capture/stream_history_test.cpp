// SPDX-License-Identifier: GPL-3.0-or-later
// The newest block of a counted stream: every block in turn for a caller that keeps up,
// the newest for one that falls behind, and never a block across lost sound.
#include "capture/stream_history.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/capture/capture_test_support.h"

namespace {

// The stream's samples are their own positions (mod 30000), so a block tells where it lies.
class RampStream {
 public:
  explicit RampStream(std::size_t capacity) : history(capacity) {}

  void Hear(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::int16_t& sample : samples) sample = static_cast<std::int16_t>(heard_++ % 30000);
    history.Append(samples.data(), count);
  }
  void Lose(std::size_t count) {  // the device drops sound: the ramp goes on unheard
    heard_ += count;
    history.MarkLoss();
  }

  StreamHistory history;

 private:
  std::uint64_t heard_ = 0;
};

struct Step {
  enum Kind { Hear, Lose, Take } kind;
  std::size_t count;
  // For Take: whether a block is given, the ramp value it starts with, and its position.
  bool given = false;
  std::int16_t first = 0;
  std::optional<std::uint64_t> position = std::nullopt;
};

struct HistoryCase {
  const char* label;
  std::size_t capacity;
  std::vector<Step> steps;
};

class StreamHistoryTest : public ::testing::TestWithParam<HistoryCase> {};

TEST_P(StreamHistoryTest, GivesTheNewestUnbrokenBlockOncePerBlockOfSound) {
  RampStream stream(GetParam().capacity);
  int stepNumber = 0;
  for (const Step& step : GetParam().steps) {
    ++stepNumber;
    if (step.kind == Step::Hear) {
      stream.Hear(step.count);
      continue;
    }
    if (step.kind == Step::Lose) {
      stream.Lose(step.count);
      continue;
    }
    std::vector<std::int16_t> block(step.count, -1);
    ASSERT_EQ(stream.history.TakeNewest(block.data(), step.count), step.given) << "step " << stepNumber;
    if (!step.given) {
      EXPECT_EQ(block.front(), -1) << "step " << stepNumber << " wrote into the block";
      continue;
    }
    for (std::size_t k = 0; k < step.count; ++k)
      ASSERT_EQ(block[k], (step.first + static_cast<int>(k)) % 30000) << "step " << stepNumber << ", sample " << k;
    EXPECT_EQ(stream.history.LastBlockPosition(), step.position) << "step " << stepNumber;
  }
}

using S = Step;
INSTANTIATE_TEST_SUITE_P(
    Streams, StreamHistoryTest,
    ::testing::Values(
        HistoryCase{"KeepingUpGetsEveryBlockInTurn", 4096,
                    {{S::Take, 1024}, {S::Hear, 1000}, {S::Take, 1024}, {S::Hear, 24}, {S::Take, 1024, true, 0, 0},
                     {S::Hear, 1023}, {S::Take, 1024}, {S::Hear, 1}, {S::Take, 1024, true, 1024, 1024}}},
        HistoryCase{"ALittleLateStaysInTurn", 4096,
                    {{S::Hear, 1024}, {S::Take, 1024, true, 0, 0}, {S::Hear, 1280}, {S::Take, 1024, true, 1024, 1024},
                     {S::Hear, 1024}, {S::Take, 1024, true, 2048, 2048}}},
        HistoryCase{"FallingBehindSkipsToTheNewest", 4096,
                    {{S::Hear, 3000}, {S::Take, 1024, true, 1976, 1976}, {S::Hear, 5000},
                     {S::Take, 2048, true, 5952, 5952}}},
        HistoryCase{"ABlockNeverSpansLostSound", 4096,
                    {{S::Hear, 1024}, {S::Take, 1024, true, 0, 0}, {S::Hear, 600}, {S::Lose, 300}, {S::Hear, 600},
                     {S::Take, 1024}, {S::Hear, 500}, {S::Take, 1024, true, 1924, std::nullopt},
                     {S::Hear, 1024}, {S::Take, 1024, true, 2948, 2648}}},
        HistoryCase{"TheRingWrapsAround", 4096,
                    {{S::Hear, 700}, {S::Hear, 700}, {S::Hear, 700}, {S::Hear, 700}, {S::Hear, 700}, {S::Hear, 700},
                     {S::Hear, 700}, {S::Take, 4096, true, 4900 - 4096, 4900 - 4096}}},
        HistoryCase{"MoreThanTheRingKeepsTheNewest", 1024,
                    {{S::Hear, 5000}, {S::Take, 1024, true, 3976, 3976}, {S::Take, 2048}}}),
    CaseLabel());

}  // namespace
