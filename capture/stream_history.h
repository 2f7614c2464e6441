// SPDX-License-Identifier: GPL-3.0-or-later
// The last stretch of a device's stream, kept so that a queued buffer can be given the
// newest block at once. A tuner wants the sound that has just ended, not the sound that
// follows its request. A caller that keeps up gets the blocks of the stream in turn, each
// as soon as it has ended; one that falls behind (by more than a quarter of a block) gets
// the newest samples instead and goes on from there, rather than working through a backlog.
// Not locked: a backend calls it under the lock its driver side shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class StreamHistory {
 public:
  // Holds at most `capacity` samples: the largest block a caller may ask for.
  explicit StreamHistory(std::size_t capacity);

  // A new stream: nothing held, positions count from its first sample.
  void Restart();
  // The stream's next samples, oldest first.
  void Append(const std::int16_t* samples, std::size_t count);
  // Sound was lost before what is appended next (an overrun): a block is one unbroken
  // stretch, and positions from here are not comparable with those before.
  void MarkLoss();

  // The newest block of `count` samples into `block`: the one after the last block taken
  // once it has ended, or the newest `count` samples where more than a quarter of a block
  // has come after that one; never one that spans a loss. Returns false and writes nothing
  // while no such block has ended (or when `count` exceeds the capacity).
  bool TakeNewest(std::int16_t* block, std::size_t count);
  // Where the last block taken starts in the stream, in samples; empty when sound was
  // lost since the block before it, as the count is then consistent only from here on.
  std::optional<std::uint64_t> LastBlockPosition() const { return lastBlockPosition_; }

 private:
  std::vector<std::int16_t> ring_;
  std::uint64_t appended_ = 0;      // samples of the stream so far: the next one's position
  std::uint64_t unbrokenFrom_ = 0;  // the position of the first sample since the last loss
  std::uint64_t lastBlockEnd_ = 0;  // the position just after the last block taken
  bool lostSinceLastBlock_ = false;
  std::optional<std::uint64_t> lastBlockPosition_;
};
