// SPDX-License-Identifier: GPL-3.0-or-later
// The wave-input contract: the calls and records of the classic wave-input interface,
// so the measuring loop and the device list are written once and run over winmm on
// Windows, ALSA on Linux and a simulated backend in tests. Result codes follow the
// classic meaning (0 is success) but the program never examines them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

using HWaveIn = std::uintptr_t;  // 0: no device open
using MMResult = std::uint32_t;

inline constexpr MMResult kNoError = 0;
inline constexpr MMResult kError = 1;
inline constexpr std::uint32_t kWaveMapper = 0xFFFFFFFFu;  // device id -1: the default device
inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::uint32_t WHDR_DONE = 1;
// Set by the backends as winmm sets them; the program only ever tests WHDR_DONE.
inline constexpr std::uint32_t WHDR_PREPARED = 2;
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;
inline constexpr std::uint32_t kWaveHeaderSize = 32;  // what the loop passes as the header size
inline constexpr std::uint32_t kDeviceCapsSize = 46;  // the capability record less its reserved field

struct WaveFormatEx {
  std::uint16_t wFormatTag = 0;
  std::uint16_t nChannels = 0;
  std::uint32_t nSamplesPerSec = 0;
  std::uint32_t nAvgBytesPerSec = 0;
  std::uint16_t nBlockAlign = 0;
  std::uint16_t wBitsPerSample = 0;
  std::uint16_t cbSize = 0;
};

// The one format the backends record: PCM, mono, 16 bits, 44100 samples per second.
inline bool IsCaptureFormat(const WaveFormatEx* format) {
  return format != nullptr && format->wFormatTag == kWaveFormatPcm && format->nChannels == 1 &&
         format->nSamplesPerSec == 44100 && format->wBitsPerSample == 16 &&
         format->nBlockAlign == 2;
}

// The one buffer header. The backend's driver side sets WHDR_DONE in dwFlags from its
// own thread, hence the atomic.
struct WaveHeader {
  char* lpData = nullptr;
  std::uint32_t dwBufferLength = 0;
  std::uint32_t dwBytesRecorded = 0;
  std::uintptr_t dwUser = 0;
  std::atomic<std::uint32_t> dwFlags{0};
  std::uint32_t dwLoops = 0;
};

// Capability record; only szPname is read: the device name, NUL-ended when shorter
// than 32 bytes. Backends put UTF-8 there (cut at a character boundary) on Linux and
// the ANSI code page on Windows.
struct WaveInCaps {
  std::uint16_t wMid = 0;
  std::uint16_t wPid = 0;
  std::uint32_t vDriverVersion = 0;
  char szPname[32] = {};
  std::uint32_t dwFormats = 0;
  std::uint16_t wChannels = 0;
};

class WaveInput {
 public:
  virtual ~WaveInput() = default;

  virtual std::uint32_t GetNumDevs() = 0;
  // Writes at most `size` bytes' worth of the record (the name always fits in 46).
  virtual MMResult GetDevCaps(std::uint32_t deviceId, WaveInCaps* caps, std::uint32_t size) = 0;

  // On success writes a non-zero handle; on failure leaves *handle as it was.
  virtual MMResult Open(HWaveIn* handle, std::uint32_t deviceId, const WaveFormatEx* format) = 0;
  virtual MMResult Start(HWaveIn handle) = 0;
  virtual MMResult PrepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) = 0;
  // The buffer receives the newest dwBufferLength bytes recorded, as soon as that many have
  // come since the buffer given back before (so one unbroken stretch of sound, never sound
  // older than the newest block); then the driver side sets WHDR_DONE.
  virtual MMResult AddBuffer(HWaveIn handle, WaveHeader* header, std::uint32_t size) = 0;
  virtual MMResult UnprepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) = 0;
  // Stops recording and gives back (marks done) the queued buffer.
  virtual MMResult Reset(HWaveIn handle) = 0;
  // Fails and keeps the device open while a buffer is still queued (Reset first).
  virtual MMResult Close(HWaveIn handle) = 0;

  // Blocks without burning the processor until WHDR_DONE is set on header or the
  // timeout passes; true when done. Replaces a spinning poll of dwFlags.
  virtual bool WaitDone(HWaveIn handle, WaveHeader* header, std::chrono::milliseconds timeout) = 0;

  // Where the buffer given back last starts in the device's stream, in samples, counting
  // those recorded between buffers and dropped. Empty where the backend cannot tell, and
  // where sound was lost since the buffer before: the count is consistent again from the
  // next buffer on. What follows the stream across buffers (the hum filter) needs it.
  virtual std::optional<std::uint64_t> LastBufferPosition(HWaveIn /*handle*/) { return std::nullopt; }
};
