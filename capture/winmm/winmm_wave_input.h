// The wave-input contract over winmm itself. Each call goes to the winmm function of the
// same name. The caller's WaveHeader is mirrored by a real WAVEHDR that winmm fills; its
// flags are copied back after every call. winmm sets an event when it finishes a buffer;
// WaitDone sleeps on it until WHDR_DONE shows.
// The platform headers stay inside the .cpp: their macros would clash with our names.
#pragma once

#include <memory>

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

 struct Headers;  // the real WAVEHDR records, defined with the platform headers

 private:
  std::unique_ptr<Headers> headers_;
};
