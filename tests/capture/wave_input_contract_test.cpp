// SPDX-License-Identifier: GPL-3.0-or-later
// What every backend that stands in for a sound driver promises the measuring loop, run
// against the ALSA backend (a file-fed PCM from the configuration that
// alsa_wave_input_test.cpp sets up for this program) and the simulated one, both recording
// the same ramp of samples.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "capture/alsa/alsa_wave_input.h"
#include "capture/device_list.h"
#include "tests/support/simulated_wave_input.h"
#include "tests/capture/capture_test_support.h"

using ::testing::Each;
using namespace std::chrono_literals;

namespace {

struct Backend {
  const char* label;
  std::function<std::unique_ptr<WaveInput>()> create;  // device 0 records a rising ramp
  friend void PrintTo(const Backend& b, std::ostream* out) { *out << b.label; }
};

std::unique_ptr<WaveInput> AlsaRamp() {
  return std::make_unique<AlsaWaveInput>(
      std::vector<AlsaCaptureDevice>{{"corvandel_ramp", "Ramp recording"}});
}

std::unique_ptr<WaveInput> SimulatedRamp() {
  std::vector<std::int16_t> ramp(4 * 44100);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::int16_t>(1000 + i % 30000);
  SimulatedDevice device;
  device.name = "Ramp recording";
  device.source = SimulatedDevice::Recording(std::move(ramp));
  return std::make_unique<SimulatedWaveInput>(std::vector<SimulatedDevice>{device},
                                              SimulatedWaveInput::Pacing::RealTime);
}

class WaveInputContract : public ::testing::TestWithParam<Backend> {
 protected:
  HWaveIn OpenRamp() {
    HWaveIn handle = 0;
    const WaveFormatEx format = CaptureFormat();
    EXPECT_EQ(input->Open(&handle, 0, &format), kNoError);
    EXPECT_NE(handle, 0u);
    return handle;
  }

  std::unique_ptr<WaveInput> input = GetParam().create();
};

TEST_P(WaveInputContract, EachBufferHoldsOneUnbrokenStretchNewerThanTheLast) {
  const HWaveIn handle = OpenRamp();
  input->Start(handle);
  CaptureBuffer buffer(1024);
  std::int16_t previousEnd = INT16_MIN;
  for (int pass = 0; pass < 3; ++pass) {
    buffer.Queue(*input, handle);
    ASSERT_TRUE(input->WaitDone(handle, &buffer.header, 5s));
    EXPECT_EQ(buffer.header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(buffer.header.dwBytesRecorded, 2048u);
    EXPECT_EQ(input->UnprepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
    for (std::size_t k = 1; k < 1024; ++k) {
      ASSERT_EQ(buffer.samples[k], buffer.samples[k - 1] + 1) << "pass " << pass << ", sample " << k;
    }
    EXPECT_GT(buffer.samples[0], previousEnd) << "a block holds sound recorded after the last";
    // The ramp's value tells where in the stream the block starts, as the backend says.
    const auto position = input->LastBufferPosition(handle);
    ASSERT_TRUE(position.has_value()) << "pass " << pass;
    EXPECT_EQ(buffer.samples[0], 1000 + static_cast<std::int64_t>(*position % 30000)) << "pass " << pass;
    EXPECT_THAT(std::vector(buffer.samples.begin() + 1024, buffer.samples.end()), Each(0));
    previousEnd = buffer.samples[1023];
  }
  EXPECT_EQ(input->Reset(handle), kNoError);
  EXPECT_EQ(input->Close(handle), kNoError);
}

// A queued buffer keeps the device open and its header prepared until Reset gives it
// back, recording nothing into it; then the device closes and its handle is dead.
TEST_P(WaveInputContract, ResetGivesBackTheQueuedBufferAndCloseFollows) {
  const HWaveIn handle = OpenRamp();
  CaptureBuffer buffer(1024);  // not started: the buffer waits
  buffer.Queue(*input, handle);
  EXPECT_FALSE(input->WaitDone(handle, &buffer.header, 30ms));
  EXPECT_EQ(buffer.header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_INQUEUE);
  EXPECT_NE(input->Close(handle), kNoError);
  EXPECT_NE(input->UnprepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
  EXPECT_EQ(input->Reset(handle), kNoError);
  EXPECT_TRUE(input->WaitDone(handle, &buffer.header, 0ms));
  EXPECT_EQ(buffer.header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  EXPECT_EQ(buffer.header.dwBytesRecorded, 0u);
  EXPECT_EQ(input->UnprepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
  EXPECT_EQ(input->Close(handle), kNoError);
  EXPECT_NE(input->Close(handle), kNoError);
  EXPECT_NE(input->Reset(handle), kNoError);
  buffer.header.dwFlags = 0;
  EXPECT_NE(input->PrepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
}

TEST_P(WaveInputContract, HeaderCallsRefuseWhatTheDeviceCannotUse) {
  const HWaveIn handle = OpenRamp();
  CaptureBuffer buffer(64);
  CaptureBuffer second(64);
  EXPECT_NE(input->AddBuffer(handle, &buffer.header, kWaveHeaderSize), kNoError) << "not prepared";
  EXPECT_NE(input->PrepareHeader(handle, &buffer.header, kWaveHeaderSize - 1), kNoError);
  WaveHeader noData;
  EXPECT_NE(input->PrepareHeader(handle, &noData, kWaveHeaderSize), kNoError);
  EXPECT_EQ(noData.dwFlags & WHDR_PREPARED, 0u);
  buffer.Queue(*input, handle);
  second.header.dwFlags = 0;
  ASSERT_EQ(input->PrepareHeader(handle, &second.header, kWaveHeaderSize), kNoError);
  EXPECT_NE(input->AddBuffer(handle, &second.header, kWaveHeaderSize), kNoError)
      << "one buffer at a time";
  EXPECT_EQ(second.header.dwFlags & WHDR_INQUEUE, 0u);
  input->Reset(handle);
  EXPECT_EQ(input->Close(handle), kNoError);
}

TEST_P(WaveInputContract, CapsRecordNamesTheDeviceWithinTheGivenSize) {
  WaveInCaps caps;
  caps.dwFormats = 0x12345678;
  ASSERT_EQ(input->GetDevCaps(0, &caps, 40), kNoError);
  EXPECT_EQ(DeviceName(*input, 0), "Ramp recording");
  EXPECT_EQ(caps.dwFormats, 0x12345678u) << "bytes 40 to 43 were written";
  EXPECT_EQ(DeviceName(*input, -1), "Ramp recording");
  EXPECT_NE(input->GetDevCaps(1, &caps, kDeviceCapsSize), kNoError);
  EXPECT_NE(input->GetDevCaps(0, nullptr, kDeviceCapsSize), kNoError);
}

TEST_P(WaveInputContract, AFailedOpenLeavesTheHandleAlone) {
  const struct {
    std::uint32_t deviceId;
    void (*change)(WaveFormatEx&);
  } cases[] = {
      {0, [](WaveFormatEx& f) { f.nChannels = 2; }},
      {0, [](WaveFormatEx& f) { f.nSamplesPerSec = 48000; }},
      {0, [](WaveFormatEx& f) { f.wBitsPerSample = 8; }},
      {0, [](WaveFormatEx& f) { f.wFormatTag = 3; }},
      {1, [](WaveFormatEx&) {}},  // no such device
  };
  for (const auto& c : cases) {
    WaveFormatEx format = CaptureFormat();
    c.change(format);
    HWaveIn handle = 77;
    EXPECT_NE(input->Open(&handle, c.deviceId, &format), kNoError);
    EXPECT_EQ(handle, 77u);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, WaveInputContract,
                         ::testing::Values(Backend{"Alsa", AlsaRamp},
                                           Backend{"Simulated", SimulatedRamp}),
                         CaseLabel());

}  // namespace
