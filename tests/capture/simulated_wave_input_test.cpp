// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/simulated_wave_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <string>

#include "capture/device_list.h"
#include "tests/capture/capture_test_support.h"

using ::testing::ElementsAre;
using ::testing::Each;
using Pacing = SimulatedWaveInput::Pacing;
using namespace std::chrono_literals;

namespace {

std::vector<std::int16_t> Ramp(std::size_t count) {
  std::vector<std::int16_t> ramp(count);
  std::iota(ramp.begin(), ramp.end(), std::int16_t{1});
  return ramp;
}

SimulatedDevice Device(std::string name, SimulatedDevice::Source source = {}) {
  SimulatedDevice device;
  device.name = std::move(name);
  device.source = std::move(source);
  return device;
}

HWaveIn OpenStarted(SimulatedWaveInput& input, std::uint32_t deviceId) {
  HWaveIn handle = 0;
  const WaveFormatEx format = CaptureFormat();
  EXPECT_EQ(input.Open(&handle, deviceId, &format), kNoError);
  EXPECT_NE(handle, 0u);
  input.Start(handle);
  return handle;
}

TEST(SimulatedWaveInput, ListsDevicesByNameCuttingLongNamesAt32Bytes) {
  SimulatedWaveInput input({Device("Mic"), Device(std::string(40, 'x')), Device("")});
  ASSERT_EQ(input.GetNumDevs(), 3u);
  EXPECT_EQ(DeviceName(input, 0), "Mic");
  EXPECT_EQ(DeviceName(input, 1), std::string(32, 'x'));
  EXPECT_EQ(DeviceName(input, 2), "");
  EXPECT_EQ(DeviceName(input, 3), "");
  EXPECT_EQ(DeviceName(input, -1), "Mic");
}

TEST(SimulatedWaveInput, ADeviceThatRefusesLeavesTheHandleAsItWas) {
  SimulatedDevice refuses = Device("Broken");
  refuses.opens = false;
  SimulatedWaveInput input({Device("Mic"), refuses});
  HWaveIn handle = 0;
  const WaveFormatEx format = CaptureFormat();
  EXPECT_NE(input.Open(&handle, 1, &format), kNoError);
  EXPECT_EQ(handle, 0u);
  EXPECT_FALSE(input.DeviceOpen());
  EXPECT_EQ(input.LastOpenedDevice(), 1u);
}

TEST(SimulatedWaveInput, WaveMapperOpensTheFirstDeviceAndRecordsTheFormat) {
  SimulatedWaveInput input({Device("Mic", SimulatedDevice::Recording({7}))});
  const HWaveIn handle = OpenStarted(input, kWaveMapper);
  EXPECT_EQ(input.LastOpenedDevice(), kWaveMapper);
  EXPECT_EQ(input.LastFormat().nAvgBytesPerSec, 88200u);
  CaptureBuffer buffer(4);
  buffer.Queue(input, handle);
  ASSERT_TRUE(input.WaitDone(handle, &buffer.header, 1s));
  EXPECT_THAT(buffer.samples, ElementsAre(7, 7, 7, 7, 0, 0, 0, 0));
}

TEST(SimulatedWaveInput, InstantBuffersFollowTheRecordingAndLeaveTheSecondHalfAlone) {
  SimulatedWaveInput input({Device("Mic", SimulatedDevice::Recording(Ramp(6), false))});
  const HWaveIn handle = OpenStarted(input, 0);
  CaptureBuffer buffer(4);
  buffer.Queue(input, handle);
  ASSERT_TRUE(buffer.Done());
  EXPECT_EQ(buffer.header.dwBytesRecorded, 8u);
  EXPECT_THAT(buffer.samples, ElementsAre(1, 2, 3, 4, 0, 0, 0, 0));
  input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize);
  buffer.Queue(input, handle);
  ASSERT_TRUE(buffer.Done());
  EXPECT_THAT(buffer.samples, ElementsAre(5, 6, 0, 0, 0, 0, 0, 0));  // the recording ended
  EXPECT_EQ(input.BuffersCompleted(), 2u);
}

TEST(SimulatedWaveInput, ToneFollowsTheSineFromTheOpen) {
  SimulatedWaveInput input({Device("Mic", SimulatedDevice::Tone(441.0, 10000.0, 0.5))});
  const HWaveIn handle = OpenStarted(input, 0);
  CaptureBuffer buffer(256);
  buffer.Queue(input, handle);
  ASSERT_TRUE(buffer.Done());
  for (std::size_t n = 0; n < 256; ++n) {
    const double expected = 10000.0 * std::sin(2 * std::numbers::pi * 441.0 * double(n) / 44100.0 + 0.5);
    ASSERT_NEAR(buffer.samples[n], expected, 0.5) << "sample " << n;
  }
}

TEST(SimulatedWaveInput, ABufferQueuedBeforeStartWaitsForIt) {
  SimulatedWaveInput input({Device("Mic", SimulatedDevice::Recording({3}))});
  HWaveIn handle = 0;
  const WaveFormatEx format = CaptureFormat();
  input.Open(&handle, 0, &format);
  CaptureBuffer buffer(2);
  buffer.Queue(input, handle);
  EXPECT_FALSE(buffer.Done());
  input.Start(handle);
  EXPECT_TRUE(buffer.Done());
  EXPECT_THAT(buffer.samples, ElementsAre(3, 3, 0, 0));
}

class SimulatedStopsDelivering : public ::testing::TestWithParam<Pacing> {};

TEST_P(SimulatedStopsDelivering, BufferIsNeverDoneUntilResetGivesItBack) {
  SimulatedDevice device = Device("Mic", SimulatedDevice::Recording({5}));
  device.stopsDeliveringAfter = 1;
  SimulatedWaveInput input({device}, GetParam());
  const HWaveIn handle = OpenStarted(input, 0);
  CaptureBuffer buffer(64);
  buffer.Queue(input, handle);
  ASSERT_TRUE(input.WaitDone(handle, &buffer.header, 5s));
  input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize);
  buffer.Queue(input, handle);
  EXPECT_FALSE(input.WaitDone(handle, &buffer.header, 30ms));
  EXPECT_NE(input.Close(handle), kNoError) << "a queued buffer keeps the device open";
  EXPECT_NE(input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
  EXPECT_EQ(input.Reset(handle), kNoError);
  EXPECT_TRUE(buffer.Done());
  EXPECT_EQ(input.Close(handle), kNoError);
  EXPECT_FALSE(input.DeviceOpen());
  EXPECT_EQ(input.BuffersCompleted(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Pacings, SimulatedStopsDelivering,
                         ::testing::Values(Pacing::Instant, Pacing::RealTime),
                         [](const auto& testInfo) {
                           return testInfo.param == Pacing::Instant ? "Instant" : "RealTime";
                         });

TEST(SimulatedWaveInput, LogsTheCallsInOrderAndMarksThoseWithoutADevice) {
  SimulatedWaveInput input({Device("A"), Device("B")});
  const HWaveIn handle = OpenStarted(input, 1);
  CaptureBuffer buffer(8);
  buffer.Queue(input, handle);
  input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize);
  input.Reset(handle);
  input.Close(handle);
  EXPECT_NE(input.Reset(handle), kNoError);
  EXPECT_NE(input.Close(handle), kNoError);
  EXPECT_NE(input.Close(0), kNoError);
  EXPECT_THAT(input.Calls(),
              ElementsAre("Open 1", "Start", "PrepareHeader", "AddBuffer", "UnprepareHeader",
                          "Reset", "Close", "Reset (no device)", "Close (no device)",
                          "Close (no device)"));
  input.ClearCalls();
  EXPECT_NE(input.Open(nullptr, kWaveMapper, nullptr), kNoError);
  EXPECT_THAT(input.Calls(), ElementsAre("Open -1"));
}

TEST(SimulatedWaveInput, HandlesOfEarlierOpensAreStale) {
  SimulatedWaveInput input({Device("Mic", SimulatedDevice::Recording({1}))});
  const HWaveIn first = OpenStarted(input, 0);
  input.Close(first);
  const HWaveIn second = OpenStarted(input, 0);
  EXPECT_NE(first, second);
  CaptureBuffer buffer(2);
  buffer.Queue(input, first);
  EXPECT_FALSE(buffer.Done());
  EXPECT_TRUE(input.DeviceOpen());
}

TEST(SimulatedWaveInput, RealTimeBufferIsDoneLaterFromTheDriverThread) {
  std::vector<std::uint64_t> heard;  // written by the driver thread under the backend's lock
  auto source = [&heard](std::uint64_t n) {
    heard.push_back(n);
    return std::int16_t{1};
  };
  SimulatedWaveInput input({Device("Mic", source)}, Pacing::RealTime);
  const HWaveIn handle = OpenStarted(input, 0);
  CaptureBuffer longBuffer(10 * 44100);  // ten seconds: cannot be done right after queuing
  longBuffer.Queue(input, handle);
  EXPECT_FALSE(longBuffer.Done());
  input.Reset(handle);
  EXPECT_TRUE(longBuffer.Done());
  EXPECT_EQ(longBuffer.header.dwBytesRecorded, 0u);
  input.UnprepareHeader(handle, &longBuffer.header, kWaveHeaderSize);

  input.Start(handle);
  CaptureBuffer buffer(441);
  for (std::size_t pass = 0; pass < 3; ++pass) {
    buffer.Queue(input, handle);
    ASSERT_TRUE(input.WaitDone(handle, &buffer.header, 5s));
    input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize);
    EXPECT_THAT(std::vector(buffer.samples.begin(), buffer.samples.begin() + 441), Each(1));
    // Each block is a contiguous run of the sound that begins after the previous one ended.
    ASSERT_EQ(heard.size(), 441 * (pass + 1));
    const std::size_t first = 441 * pass;
    EXPECT_EQ(heard[first + 440] - heard[first], 440u);
    if (pass > 0) {
      EXPECT_GT(heard[first], heard[first - 1]);
    }
  }
  input.Reset(handle);
  EXPECT_EQ(input.Close(handle), kNoError);
}

TEST(SimulatedWaveInput, DestroyingWithAQueuedBufferStopsTheDriverCleanly) {
  CaptureBuffer buffer(10 * 44100);
  for (int round = 0; round < 20; ++round) {
    {
      SimulatedWaveInput input({Device("Mic")}, Pacing::RealTime);
      const HWaveIn handle = OpenStarted(input, 0);
      buffer.Queue(input, handle);
      ASSERT_TRUE(input.DeviceOpen());
    }
    EXPECT_FALSE(buffer.Done()) << "the driver must not touch the buffer once it is gone";
  }
}

}  // namespace
