// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/stream_history.h"

#include <algorithm>

StreamHistory::StreamHistory(std::size_t capacity) : ring_(capacity) {}

void StreamHistory::Restart() {
  appended_ = 0;
  unbrokenFrom_ = 0;
  lastBlockEnd_ = 0;
  lostSinceLastBlock_ = false;
  lastBlockPosition_.reset();
}

void StreamHistory::Append(const std::int16_t* samples, std::size_t count) {
  const std::size_t capacity = ring_.size();
  if (count > capacity) {  // only the newest fit
    samples += count - capacity;
    appended_ += count - capacity;
    count = capacity;
  }
  std::size_t at = static_cast<std::size_t>(appended_ % capacity);
  while (count > 0) {
    const std::size_t run = std::min(count, capacity - at);
    std::copy_n(samples, run, ring_.begin() + static_cast<std::ptrdiff_t>(at));
    samples += run;
    count -= run;
    appended_ += run;
    at = 0;
  }
}

void StreamHistory::MarkLoss() {
  unbrokenFrom_ = appended_;
  lostSinceLastBlock_ = true;
}

bool StreamHistory::TakeNewest(std::int16_t* block, std::size_t count) {
  const std::size_t capacity = ring_.size();
  if (count == 0 || count > capacity) return false;
  const std::uint64_t oldestKept = appended_ > capacity ? appended_ - capacity : 0;
  std::uint64_t start = std::max({lastBlockEnd_, unbrokenFrom_, oldestKept});
  if (appended_ < start + count) return false;
  if (appended_ - (start + count) > count / 4) start = appended_ - count;
  std::size_t at = static_cast<std::size_t>(start % capacity);
  for (std::size_t copied = 0; copied < count;) {
    const std::size_t run = std::min(count - copied, capacity - at);
    std::copy_n(ring_.begin() + static_cast<std::ptrdiff_t>(at), run, block + copied);
    copied += run;
    at = 0;
  }
  lastBlockPosition_ = lostSinceLastBlock_ ? std::nullopt : std::optional<std::uint64_t>(start);
  lostSinceLastBlock_ = false;
  lastBlockEnd_ = start + count;
  return true;
}
