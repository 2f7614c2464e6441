// SPDX-License-Identifier: GPL-3.0-or-later
// The winmm backend against the system's own winmm, fed by a sound server that plays a
// recording (run-with-sound-server starts one around this program).
#include "capture/winmm/winmm_wave_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <windows.h>

#include "capture/system_wave_input.h"
#include "tests/capture/capture_test_support.h"

using namespace std::chrono_literals;

namespace {

constexpr std::uint32_t kBlock = 8192;  // samples per buffer, as the loop's largest choice
constexpr auto kPatience = 20s;          // far beyond a block's 0.19 s of sound

// Processor time of this process so far, user and system.
double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](FILETIME time) {  // counted in 100 ns steps
    return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

class WinmmDeviceTest : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override {
    ASSERT_GT(input.GetNumDevs(), 0u) << "no recording device: is the sound server running?";
    const WaveFormatEx format = CaptureFormat();
    ASSERT_EQ(input.Open(&handle, GetParam(), &format), kNoError);
    ASSERT_NE(handle, 0u);
  }
  void TearDown() override {
    if (handle == 0) return;
    EXPECT_EQ(input.Reset(handle), kNoError);
    input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize);
    EXPECT_EQ(input.Close(handle), kNoError);
  }

  WinmmWaveInput input;
  HWaveIn handle = 0;
  CaptureBuffer buffer{kBlock};
};

TEST_P(WinmmDeviceTest, EachQueuedBufferIsFilledWithTheSoundAndMarkedDone) {
  ASSERT_EQ(input.Start(handle), kNoError);
  for (int block = 0; block < 3; ++block) {
    std::fill(buffer.samples.begin(), buffer.samples.end(), std::int16_t{0});
    buffer.Queue(input, handle);
    EXPECT_EQ(buffer.header.dwFlags & WHDR_DONE, 0u) << "done before any sound arrived";
    const auto queued = std::chrono::steady_clock::now();
    ASSERT_TRUE(input.WaitDone(handle, &buffer.header, kPatience)) << "block " << block;
    // The first block also waits for the stream to start; later ones come at the pace of
    // the sound, so a wait that lasts near its limit was not woken when the buffer was done.
    if (block > 0) {
      EXPECT_LT(std::chrono::steady_clock::now() - queued, kPatience / 2);
    }
    EXPECT_TRUE(buffer.Done());
    EXPECT_EQ(buffer.header.dwBytesRecorded, buffer.header.dwBufferLength);
    // The player never stops, so a whole block of zeros means nothing was recorded.
    EXPECT_TRUE(std::any_of(buffer.samples.begin(), buffer.samples.begin() + kBlock,
                            [](std::int16_t s) { return s != 0; }))
        << "block " << block << " is silent";
    EXPECT_EQ(input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
  }
}

// The device records without a break, so each block knows where it lies in the stream:
// blocks queued at once follow one another, after a longer pause the block is the newest
// sound and what came between is counted, and a pause longer than the device's own
// buffers, in which sound may be lost, leaves one block without a place.
TEST_P(WinmmDeviceTest, EachBlockIsPlacedInTheStreamUnlessSoundWasLost) {
  ASSERT_EQ(input.Start(handle), kNoError);
  constexpr auto kSamplesPerSecond = 44100.0;
  const auto nextPosition = [&](std::chrono::milliseconds pauseBefore) {
    std::this_thread::sleep_for(pauseBefore);
    buffer.Queue(input, handle);
    EXPECT_TRUE(input.WaitDone(handle, &buffer.header, kPatience));
    input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize);
    return input.LastBufferPosition(handle);
  };
  const auto first = nextPosition(0ms);
  const auto second = nextPosition(0ms);
  const auto third = nextPosition(300ms);
  ASSERT_TRUE(first && second && third);
  const auto between = [](std::uint64_t from, std::uint64_t to) {
    return (static_cast<double>(to) - static_cast<double>(from) - kBlock) / kSamplesPerSecond;
  };
  EXPECT_EQ(*second, *first + kBlock) << "blocks queued at once follow one another";
  EXPECT_GT(between(*second, *third), 0.05) << "the block after a pause is not the newest";
  EXPECT_LT(between(*second, *third), 0.3);

  EXPECT_FALSE(nextPosition(1000ms).has_value()) << "sound lost in the pause went uncounted";
  const auto afterLoss = nextPosition(0ms);
  ASSERT_TRUE(afterLoss.has_value()) << "the count is consistent again";
}

// Never started, the device delivers nothing: the wait gives up at its timeout without
// spinning, and Reset gives the buffer back so the device can close.
TEST_P(WinmmDeviceTest, AStalledDeviceTimesOutQuietlyAndResetGivesTheBufferBack) {
  buffer.Queue(input, handle);
  const auto before = std::chrono::steady_clock::now();
  EXPECT_FALSE(input.WaitDone(handle, &buffer.header, 300ms));
  EXPECT_GE(std::chrono::steady_clock::now() - before, 300ms);
  EXPECT_FALSE(buffer.Done());

  EXPECT_EQ(input.Reset(handle), kNoError);
  EXPECT_TRUE(buffer.Done());
  EXPECT_EQ(input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
  EXPECT_EQ(input.Close(handle), kNoError);
  handle = 0;
}

INSTANTIATE_TEST_SUITE_P(Devices, WinmmDeviceTest, ::testing::Values(0u, kWaveMapper),
                         [](const auto& testInfo) {
                           return testInfo.param == kWaveMapper ? std::string("WaveMapper")
                                                            : "Device" + std::to_string(testInfo.param);
                         });

// Processor time of one second of waiting against one second of spinning, in the same
// run, so that the share a busy machine leaves this process does not matter.
TEST(WinmmWaveInput, AWaitForAStalledDeviceSleeps) {
  WinmmWaveInput input;
  HWaveIn handle = 0;
  const WaveFormatEx format = CaptureFormat();
  ASSERT_EQ(input.Open(&handle, kWaveMapper, &format), kNoError);
  CaptureBuffer buffer(kBlock);
  buffer.Queue(input, handle);

  double cpu = ProcessCpuSeconds();
  EXPECT_FALSE(input.WaitDone(handle, &buffer.header, 1s));
  const double waiting = ProcessCpuSeconds() - cpu;
  cpu = ProcessCpuSeconds();
  for (const auto end = std::chrono::steady_clock::now() + 1s; std::chrono::steady_clock::now() < end;) {
  }
  const double spinning = ProcessCpuSeconds() - cpu;
  EXPECT_LT(waiting, spinning / 4) << "the wait spun";

  input.Reset(handle);
  input.UnprepareHeader(handle, &buffer.header, kWaveHeaderSize);
  EXPECT_EQ(input.Close(handle), kNoError);
}

// The program reaches winmm through the bounded wrapper: Open, Reset and Close run on the
// wrapper's thread, the blocks are taken on the caller's.
TEST(WinmmWaveInput, TheSystemInputRecordsThroughTheBoundedWrapper) {
  const auto input = CreateSystemWaveInput();
  HWaveIn handle = 0;
  const WaveFormatEx format = CaptureFormat();
  ASSERT_EQ(input->Open(&handle, kWaveMapper, &format), kNoError);
  ASSERT_EQ(input->Start(handle), kNoError);
  CaptureBuffer buffer(kBlock);
  for (int block = 0; block < 2; ++block) {
    buffer.Queue(*input, handle);
    ASSERT_TRUE(input->WaitDone(handle, &buffer.header, kPatience)) << "block " << block;
    EXPECT_EQ(input->UnprepareHeader(handle, &buffer.header, kWaveHeaderSize), kNoError);
  }
  EXPECT_EQ(input->Reset(handle), kNoError);
  EXPECT_EQ(input->Close(handle), kNoError);
}

TEST(WinmmWaveInput, RefusesAFormatItCannotRecordAndAnUnknownDevice) {
  WinmmWaveInput input;
  HWaveIn handle = 0;
  WaveFormatEx format = CaptureFormat();
  EXPECT_NE(input.Open(&handle, input.GetNumDevs() + 5, &format), kNoError);
  format.wFormatTag = 0x1234;
  EXPECT_NE(input.Open(&handle, 0, &format), kNoError);
  EXPECT_EQ(handle, 0u);
}

}  // namespace
