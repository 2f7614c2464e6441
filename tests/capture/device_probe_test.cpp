// SPDX-License-Identifier: GPL-3.0-or-later
// Probing devices while a sound system is frozen: the simulated backend's Freeze holds
// every Open until Thaw, as a stopped sound server holds it.
#include "capture/device_probe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/support/simulated_wave_input.h"
#include "tests/capture/capture_test_support.h"

using ::testing::Each;
using ::testing::ElementsAre;
using namespace std::chrono_literals;

namespace {

SimulatedDevice Named(std::string name, bool opens = true) {
  SimulatedDevice device;
  device.name = std::move(name);
  device.opens = opens;
  return device;
}

// Opens the device and closes it again; the probe owns its backend, as it may outlive
// the listing.
std::function<bool()> OpenProbe(std::shared_ptr<SimulatedWaveInput> input, std::uint32_t id) {
  return [input, id] {
    HWaveIn handle = 0;
    const WaveFormatEx format = CaptureFormat();
    const bool opens = input->Open(&handle, id, &format) == kNoError;
    if (handle != 0) input->Close(handle);
    return opens;
  };
}

TEST(ProbeDevices, AFrozenServerNeitherHoldsTheOthersNorHidesItsDevice) {
  auto server = std::make_shared<SimulatedWaveInput>(std::vector{Named("Server input")});
  auto cards = std::make_shared<SimulatedWaveInput>(
      std::vector{Named("Card"), Named("Unplugged", false)});
  server->Freeze();
  const std::vector<ProbeAnswer> answers =
      ProbeDevices({OpenProbe(server, 0), OpenProbe(cards, 0), OpenProbe(cards, 1)}, {100ms, 30s});
  EXPECT_THAT(answers, ElementsAre(ProbeAnswer::NoAnswer, ProbeAnswer::Opens, ProbeAnswer::Refuses));
  server->Thaw();
}

TEST(ProbeDevices, NoProbeStartsOnceThePatienceForAllIsSpent) {
  std::vector<SimulatedDevice> devices(6, Named("Server input"));
  auto server = std::make_shared<SimulatedWaveInput>(devices);
  server->Freeze();
  std::vector<std::function<bool()>> probes;
  for (std::uint32_t id = 0; id < devices.size(); ++id) probes.push_back(OpenProbe(server, id));
  const ProbePatience patience{50ms, 120ms};
  EXPECT_THAT(ProbeDevices(std::move(probes), patience), Each(ProbeAnswer::NoAnswer));
  // Each unanswered probe is waited for its full patience until the time for all is spent.
  const std::vector<std::string> calls = server->Calls();
  const auto opened = std::count_if(calls.begin(), calls.end(),
                                    [](const std::string& call) { return call.starts_with("Open"); });
  EXPECT_LE(opened, patience.all / patience.each + 1);
  server->Thaw();
}

}  // namespace
