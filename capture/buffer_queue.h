// SPDX-License-Identifier: GPL-3.0-or-later
// The bookkeeping that a backend keeps for the caller's header calls: which buffer is
// queued, the prepared, queued and done flags, and the capability record of a named
// device. Shared by the ALSA, winmm and simulated backends. Not locked: each backend calls
// it under the lock its driver side shares, or from the caller's thread alone.
#pragma once

#include <cstdint>
#include <string_view>

#include "capture/stream_history.h"
#include "capture/wave_input.h"

// Fills the capability record of a device called `name` (at most 32 bytes of it are
// kept, so the caller cuts where it must) and writes no more than `size` bytes of it.
MMResult WriteDeviceCaps(std::string_view name, WaveInCaps* caps, std::uint32_t size);

// The device a capability query or an open names among `count` devices, the wave mapper
// (-1) naming the first; `count` when there is no such device.
std::uint32_t ChosenDevice(std::uint32_t deviceId, std::uint32_t count);

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
