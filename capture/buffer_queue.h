// SPDX-License-Identifier: GPL-3.0-or-later
// The bookkeeping that a backend keeps for the caller's header calls: which buffer is
// queued, and the prepared, queued and done flags. Shared by the ALSA, winmm and simulated
// backends. Not locked: each backend calls it under the lock its driver side shares, or
// from the caller's thread alone.
#pragma once

#include <cstdint>

#include "capture/stream_history.h"
#include "capture/wave_input.h"

// One open device's single queued buffer.
class BufferQueue {
 public:
  static MMResult Prepare(WaveHeader* header, std::uint32_t size);
  // Queues a prepared header with nothing else queued: done cleared, nothing recorded.
  MMResult Add(WaveHeader* header, std::uint32_t size);
  // Refused while the header is still queued.
  MMResult Unprepare(WaveHeader* header, std::uint32_t size) const;

  WaveHeader* Queued() const { return queued_; }
  // Marks the queued buffer done and no longer queued: filled, or handed back by a reset.
  void GiveBack();
  // Fills the queued buffer with the newest block of `history` and gives it back, once the
  // history holds one; true when it did.
  bool GiveNewestBlock(StreamHistory& history);

 private:
  WaveHeader* queued_ = nullptr;
};
