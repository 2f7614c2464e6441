// SPDX-License-Identifier: GPL-3.0-or-later
// The bounded wrapper over a simulated backend whose sound system freezes while a buffer
// is queued: the wait for that buffer and the Reset and Close after it share one bound.
#include "capture/bounded_wave_input.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "tests/support/simulated_wave_input.h"
#include "tests/capture/capture_test_support.h"

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kPatience{600};

// A device opened and started through the wrapper, then frozen with a buffer queued.
struct FrozenDevice {
  FrozenDevice() {
    SimulatedDevice device;
    device.name = "Line in";
    simulated = std::make_shared<SimulatedWaveInput>(std::vector{device});
    bounded = std::make_unique<BoundedWaveInput>(simulated, kPatience);
    const WaveFormatEx format = CaptureFormat();
    bounded->Open(&handle, 0, &format);
    bounded->Start(handle);
    simulated->Freeze();
    buffer.Queue(*bounded, handle);
  }
  ~FrozenDevice() {
    simulated->Thaw();
    EXPECT_TRUE(bounded->Settled(10s));
  }

  std::shared_ptr<SimulatedWaveInput> simulated;
  std::unique_ptr<BoundedWaveInput> bounded;
  HWaveIn handle = 0;
  CaptureBuffer buffer{1024};
};

double SecondsOf(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(BoundedWaveInput, AStalledWaitAndTheStopAfterItKeepTheCallerAboutTheBoundInAll) {
  FrozenDevice alone;
  ASSERT_NE(alone.handle, 0u);
  // Reset and Close alone: the whole bound.
  const double stop = SecondsOf([&] {
    alone.bounded->Reset(alone.handle);
    alone.bounded->Close(alone.handle);
  });
  FrozenDevice stalled;
  ASSERT_NE(stalled.handle, 0u);
  const double waitAndStop = SecondsOf([&] {
    EXPECT_FALSE(stalled.bounded->WaitDone(stalled.handle, &stalled.buffer.header, kPatience * 2 / 3));
    stalled.bounded->Reset(stalled.handle);
    stalled.bounded->Close(stalled.handle);
  });
  // Were the bound counted afresh after the wait, the two would take 5/3 of it.
  EXPECT_LT(waitAndStop, 1.25 * stop) << waitAndStop << " s against " << stop << " s";
}

}  // namespace
