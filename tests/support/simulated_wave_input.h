// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted wave-input backend for the tests and the capture benchmark: named devices,
// devices that refuse to open, sound sources (tone, recording, silence), real-time or
// instant pacing, and faults (a buffer that is never done, a device that stops mid-run, a
// frozen sound system).
// It records every call so tests can check the order the program makes them in.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/wave_input.h"

struct SimulatedDevice {
  // Sample n of the sound the device hears (n counts from the open).
  using Source = std::function<std::int16_t(std::uint64_t n)>;

  std::string name;           // raw bytes for szPname; longer than 32 bytes is cut there
  bool opens = true;          // false: Open fails and leaves the handle alone
  Source source;              // empty: silence
  // Fault: after this many completed buffers, queued buffers are never marked done
  // (0 = from the first buffer; negative = never).
  int stopsDeliveringAfter = -1;

  static Source Silence();
  static Source Tone(double frequency, double amplitude, double phase = 0.0,
                     int sampleRate = 44100);
  static Source Recording(std::vector<std::int16_t> samples, bool loop = true);
};

class SimulatedWaveInput : public WaveInput {
 public:
  // Instant: each buffer is filled at once with the block after the last. RealTime: the
  // device hears its source in real time from Start, and a buffer gets the newest block
  // heard (or waits for the next one to end), as the real backends give it.
  enum class Pacing { Instant, RealTime };

  explicit SimulatedWaveInput(std::vector<SimulatedDevice> devices,
                              Pacing pacing = Pacing::Instant);
  ~SimulatedWaveInput() override;

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

  // What the program did, in order: "Open 2", "Start", "PrepareHeader", "AddBuffer",
  // "UnprepareHeader", "Reset", "Close" (calls on a zero or stale handle are recorded
  // too, with " (no device)" appended).
  std::vector<std::string> Calls() const;
  void ClearCalls();
  std::uint32_t LastOpenedDevice() const;
  WaveFormatEx LastFormat() const;
  bool DeviceOpen() const;
  std::uint64_t BuffersCompleted() const;
  // Where each buffer filled since the last open starts in the device's source, in order.
  std::vector<std::uint64_t> DeliveredBlockStarts() const;

  // Fault: a frozen sound system (a stopped sound server). Until Thaw, Open, Reset and
  // Close do not return and no buffer is done.
  void Freeze();
  void Thaw();

 private:
  struct State;
  std::unique_ptr<State> state_;
};
