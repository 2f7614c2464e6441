// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the backend tests: the capture format the program opens with and a
// buffer header over a sample array of twice the block, as the measuring loop has it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/wave_input.h"

inline WaveFormatEx CaptureFormat() {
  WaveFormatEx format;
  format.wFormatTag = kWaveFormatPcm;
  format.nChannels = 1;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = 88200;
  return format;
}

struct CaptureBuffer {
  explicit CaptureBuffer(std::uint32_t blockSamples) : samples(2 * blockSamples, 0) {
    header.lpData = reinterpret_cast<char*>(samples.data());
    header.dwBufferLength = 2 * blockSamples;
  }
  std::vector<std::int16_t> samples;
  WaveHeader header;

  bool Done() const { return (header.dwFlags & WHDR_DONE) != 0; }
  // Prepares and queues the header as the loop does every pass.
  void Queue(WaveInput& input, HWaveIn handle) {
    header.dwFlags = 0;
    input.PrepareHeader(handle, &header, kWaveHeaderSize);
    input.AddBuffer(handle, &header, kWaveHeaderSize);
  }
};

// Names a parameterised case after the `label` member of its parameter.
struct CaseLabel {
  template <class Info>
  std::string operator()(const Info& testInfo) const {
    return testInfo.param.label;
  }
};

