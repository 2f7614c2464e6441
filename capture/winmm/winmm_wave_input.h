// SPDX-License-Identifier: GPL-3.0-or-later
// The wave-input contract over winmm itself. From Open to Close the device records into a
// ring of the backend's own short buffers, kept queued with winmm, so the stream runs
// without a break and every sample it records is counted into a history of the stream. The
// caller's one queued buffer is given the newest block from that history (see
// StreamHistory), by AddBuffer or WaitDone, on the caller's thread.
// winmm sets an event when it finishes a ring buffer; WaitDone sleeps on it.
// The platform headers stay inside the .cpp: their macros would clash with our names.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "capture/wave_input.h"

class WinmmWaveInput : public WaveInput {
 public:
  WinmmWaveInput();
  ~WinmmWaveInput() override;

  std::uint32_t GetNumDevs() override;
  MMResult GetDevCaps(std::uint32_t deviceId, WaveInCaps* caps, std::uint32_t size) override;
  MMResult Open(HWaveIn* handle, std::uint32_t deviceId, const WaveFormatEx* format) override;
  MMResult Start(HWaveIn handle) override;
  MMResult PrepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) override;
  MMResult AddBuffer(HWaveIn handle, WaveHeader* header, std::uint32_t size) override;
  MMResult UnprepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) override;
  MMResult Reset(HWaveIn handle) override;
  MMResult Close(HWaveIn handle) override;
  bool WaitDone(HWaveIn handle, WaveHeader* header, std::chrono::milliseconds timeout) override;
  std::optional<std::uint64_t> LastBufferPosition(HWaveIn handle) override;

 private:
  struct Stream;  // one open device and its ring, defined with the platform headers
  Stream* Find(HWaveIn handle);

  // Open, Reset and Close run on the bounded wrapper's thread, the other calls on the
  // caller's; one that was given up on may still be under way when the next comes.
  std::mutex streamsMutex_;
  std::map<HWaveIn, std::unique_ptr<Stream>> streams_;
};
