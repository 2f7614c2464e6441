// SPDX-License-Identifier: GPL-3.0-or-later
// A backend wrapped so that the calls which talk to the sound system at length (Open,
// Reset, Close) keep the caller, the window's thread, waiting at most a bound. They run in
// order on a worker thread of the wrapper's. A call that takes longer (a frozen sound
// server) is left to finish there: the caller goes on as if it had failed, and a device
// that such an Open opened after all is reset and closed when it returns. While an
// abandoned call is still out, nothing waits on the stuck backend again: Open fails at
// once, and Reset and Close are queued behind it and return at once.
// A wait for a buffer (WaitDone) that ends without it counts too: the device has stopped,
// perhaps because its sound system is stuck, and the Reset and Close that follow get only
// what is left of the bound, counted from the start of that wait (a short while at the
// least), so the caller waits on a stopped device about the bound in all.
// The other calls only touch the backend's own bookkeeping and go straight through.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "capture/wave_input.h"

// A stuck sound server may hold an open, a drop or a close for half a minute, and a
// stalled driver likewise; the window's thread waits for none of them longer than this.
inline constexpr std::chrono::milliseconds kSoundSystemPatience{2000};

class BoundedWaveInput : public WaveInput {
 public:
  BoundedWaveInput(std::shared_ptr<WaveInput> backend, std::chrono::milliseconds patience);
  // Waits a bound for outstanding calls; a stuck one is left to end on its own.
  ~BoundedWaveInput() override;

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

  // True once every call handed to the worker has returned, within `timeout`.
  bool Settled(std::chrono::milliseconds timeout);

 private:
  struct Worker;
  // Reset or Close on the worker; kError when the caller stopped waiting.
  MMResult Forward(std::function<MMResult(WaveInput&)> call);
  // How long the next Reset or Close may keep the caller.
  std::chrono::milliseconds PatienceLeft() const;

  std::shared_ptr<Worker> worker_;
  std::shared_ptr<WaveInput> backend_;
  std::chrono::milliseconds patience_;
  // The caller's own: when the last wait for a buffer began, if it ended without one;
  // empty once a device opened since.
  std::optional<std::chrono::steady_clock::time_point> stalledSince_;
};
