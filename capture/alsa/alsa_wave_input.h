// SPDX-License-Identifier: GPL-3.0-or-later
// The wave-input contract over ALSA. The device list (alsa_device_list.h) is made once,
// when the backend is created.
//
// Each open device has a driver thread that stands in for the sound driver: from the first
// buffer queued after Start until Reset it keeps the PCM running and reads it a short
// period at a time (an eighth of that buffer) into a history of the stream, and gives a
// queued buffer the newest block as soon as one has come (see StreamHistory). Between Open
// and Close only that thread calls into the PCM, so a stuck sound server holds it and
// never the caller's Reset or WaitDone; Open and Close can still be held, which is why the
// system backend wraps this one in BoundedWaveInput.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "capture/alsa/alsa_device_list.h"
#include "capture/wave_input.h"

// The longest start of a UTF-8 name that fits into `limit` bytes without splitting a
// character.
std::string_view CutAtCharacter(std::string_view name, std::size_t limit);

class AlsaWaveInput : public WaveInput {
 public:
  AlsaWaveInput();
  explicit AlsaWaveInput(std::vector<AlsaCaptureDevice> devices);
  ~AlsaWaveInput() override;

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
  class Recorder;
  Recorder* Find(HWaveIn handle);

  std::vector<AlsaCaptureDevice> devices_;
  std::mutex mutex_;  // guards the table of open devices
  std::map<HWaveIn, std::unique_ptr<Recorder>> open_;
  HWaveIn lastHandle_ = 0;
};
