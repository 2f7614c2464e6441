// SPDX-License-Identifier: GPL-3.0-or-later
// The Start/Stop press, the measuring loop and the close request, driven through a
// recording stand-in for the window and the simulated wave-input backend.
#include "capture/measuring_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "analysis/fourier_transform.h"
#include "capture/bounded_wave_input.h"
#include "tests/support/simulated_wave_input.h"
#include "tests/capture/capture_test_support.h"
#include "tests/capture/live_allocations.h"

namespace {

// The window as the loop sees it. Actions queued with Post() run inside the loop's
// event processing, the way a press or a close request made during a block arrives.
class RecordingView : public MeasuringView {
 public:
  std::string button = "Start";
  std::int16_t device = 0;
  std::string points = "1024";
  bool pointsEnabled = true;
  std::string frequency = "Frequency:";
  std::string note = "Note:";
  std::string tuning = "Tuning:";
  char separator = '.';
  std::vector<std::string> messages;
  std::vector<ErrorReport> errors;
  std::map<std::string, int> writes;  // label -> number of blocks that set it
  int passes = 0;
  // Runs at every pass with the pass number; used to stop or close at a chosen block.
  std::function<void(int pass)> atPass;

  void Post(std::function<void()> action) { pending_.push_back(std::move(action)); }

  std::string ButtonCaption() const override { return button; }
  void SetButtonCaption(const std::string& caption) override { button = caption; }
  std::int16_t SelectedDeviceIndex() const override { return device; }
  std::string NumberOfPointsText() const override { return points; }
  void SetNumberOfPointsEnabled(bool enabled) override { pointsEnabled = enabled; }
  void ShowReading(const BlockReading& reading) override {
    Write("frequency", frequency, reading.frequencyCaption);
    if (reading.noteCaption) Write("note", note, *reading.noteCaption);
    if (reading.tuningCaption) Write("tuning", tuning, *reading.tuningCaption);
  }
  char DecimalSeparator() const override { return separator; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const ErrorReport& report) override { errors.push_back(report); }
  void ProcessPendingEvents() override {
    ++passes;
    if (atPass) atPass(passes);
    while (!pending_.empty()) {
      auto action = std::move(pending_.front());
      pending_.pop_front();
      action();
    }
  }

 private:
  void Write(const std::string& label, std::string& field, const std::string& caption) {
    field = caption;
    ++writes[label];
  }
  std::deque<std::function<void()>> pending_;
};

struct Bench {
  // With `patience`, the loop reaches the device through BoundedWaveInput, as the system
  // backend is reached.
  explicit Bench(std::vector<SimulatedDevice> devices,
                 std::optional<std::chrono::milliseconds> patience = {})
      : simulated(std::make_shared<SimulatedWaveInput>(std::move(devices))),
        waveInput(*simulated),
        bounded(patience ? std::make_unique<BoundedWaveInput>(simulated, *patience) : nullptr),
        loop(bounded ? static_cast<WaveInput&>(*bounded) : waveInput, view, Samples,
             BitReversedIndex) {
    ChoosePoints("1024");
    loop.SetStallAllowance(std::chrono::milliseconds(50));
  }
  void ChoosePoints(const std::string& text) {
    view.points = text;
    const int N = std::stoi(text);
    BitReversedIndex = BitReversal(N / 2);
    Samples.assign(static_cast<std::size_t>(2 * N), 0);
  }
  // Presses Stop (through the event queue) once `blocks` blocks have been shown.
  void StopAfter(int blocks) {
    view.atPass = [this, blocks](int pass) {
      if (pass == blocks) view.Post([this] { loop.PushButton2_Click(); });
    };
  }
  bool Idle() const {
    return loop.hWaveIn == 0 && !loop.Running && view.button == "Start" && view.pointsEnabled;
  }

  std::shared_ptr<SimulatedWaveInput> simulated;
  SimulatedWaveInput& waveInput;
  std::unique_ptr<BoundedWaveInput> bounded;
  RecordingView view;
  std::vector<std::int16_t> Samples;
  std::vector<std::int32_t> BitReversedIndex;
  MeasuringLoop loop;
};

SimulatedDevice Device(SimulatedDevice::Source source, std::string name = "Line in") {
  SimulatedDevice device;
  device.name = std::move(name);
  device.source = std::move(source);
  return device;
}

TEST(MeasuringLoop, MeasuresUntilASecondPressAndThenIsIdle) {
  Bench bench({Device(SimulatedDevice::Tone(440, 8000))});
  bool measuringSeen = false;
  bench.view.atPass = [&](int pass) {
    if (pass == 1)
      measuringSeen = bench.view.button == "Stop" && bench.loop.Running &&
                      !bench.view.pointsEnabled && bench.loop.hWaveIn != 0;
    if (pass == 5) bench.view.Post([&] { bench.loop.PushButton2_Click(); });
  };
  bench.loop.PushButton2_Click();

  EXPECT_TRUE(measuringSeen);
  EXPECT_TRUE(bench.Idle());
  EXPECT_EQ(bench.view.passes, 5);
  EXPECT_EQ(bench.view.note, "Note: A4");
  EXPECT_EQ(bench.view.writes["note"], 1);  // the same note is written once
  EXPECT_TRUE(bench.view.tuning == "Tuning: 0" || bench.view.tuning == "Tuning: +1" ||
              bench.view.tuning == "Tuning: -1")
      << bench.view.tuning;
  EXPECT_EQ(bench.view.frequency.rfind("Frequency: 4", 0), 0u) << bench.view.frequency;
  EXPECT_TRUE(bench.view.messages.empty());
  EXPECT_TRUE(bench.view.errors.empty());

  const auto calls = bench.waveInput.Calls();
  const std::vector<std::string> opening(calls.begin(), calls.begin() + 4);
  EXPECT_EQ(opening, (std::vector<std::string>{"Open 0", "Start", "PrepareHeader", "AddBuffer"}));
  const std::vector<std::string> closing(calls.end() - 2, calls.end());
  EXPECT_EQ(closing, (std::vector<std::string>{"Reset", "Close"}));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "AddBuffer"), 5);
}

TEST(MeasuringLoop, OpensWithTheCaptureFormatAndTheChosenDevice) {
  const struct { std::int16_t selected; std::uint32_t opened; } cases[] = {
      {0, 0}, {2, 2}, {-1, kWaveMapper}};
  for (const auto& c : cases) {
    Bench bench({Device({}, "a"), Device({}, "b"), Device({}, "c")});
    bench.view.device = c.selected;
    bench.StopAfter(1);
    bench.loop.PushButton2_Click();
    EXPECT_EQ(bench.waveInput.LastOpenedDevice(), c.opened);
    const WaveFormatEx format = bench.waveInput.LastFormat();
    EXPECT_EQ(format.wFormatTag, 1);
    EXPECT_EQ(format.nChannels, 1);
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(format.nBlockAlign, 2);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_EQ(format.cbSize, 0);
  }
}

TEST(MeasuringLoop, ADeviceThatDoesNotOpenIsReportedAndTheNextPressTriesAgain) {
  SimulatedDevice refusing = Device({});
  refusing.opens = false;
  Bench bench({refusing});
  bench.loop.PushButton2_Click();
  EXPECT_EQ(bench.view.messages, std::vector<std::string>{"Wave input device didn't open."});
  EXPECT_TRUE(bench.Idle());
  bench.loop.PushButton2_Click();
  EXPECT_EQ(bench.view.messages.size(), 2u);
  const auto calls = bench.waveInput.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Open 0"), 2);
}

TEST(MeasuringLoop, SilenceReadsZeroAndKeepsTheLastNote) {
  Bench bench({Device(SimulatedDevice::Silence())});
  bench.view.note = "Note: E2";
  bench.view.tuning = "Tuning: +3";
  bench.StopAfter(3);
  bench.loop.PushButton2_Click();
  EXPECT_EQ(bench.view.frequency, "Frequency: 0");
  EXPECT_EQ(bench.view.writes["tuning"], 0);
  EXPECT_EQ(bench.view.note, "Note: E2");
  EXPECT_EQ(bench.view.tuning, "Tuning: +3");
}

TEST(MeasuringLoop, TheHumIsLearntAcrossBlocksAndTheStringNamed) {
  // B3 that has faded to the level of 60 Hz hum: block by block it repeats after four of
  // its periods, near the hum's, and reads B1 unless the hum is taken out first.
  const auto b3WithHum = [](std::uint64_t n) {
    const double t = static_cast<double>(n) / 44100.0;
    double x = 0.0;
    for (int k = 1; k <= 3; ++k) x += std::sin(2 * kPi * k * 246.94 * t + k) / k;
    for (int k = 1; k <= 5; ++k) x += std::sin(2 * kPi * k * 60.0 * t + 2 * k) / k;
    return static_cast<std::int16_t>(std::lround(3000 * x));
  };
  Bench bench({Device(b3WithHum)});
  bench.StopAfter(90);  // two seconds
  bench.loop.PushButton2_Click();
  EXPECT_EQ(bench.view.note, "Note: B3");
}

TEST(MeasuringLoop, ACloseRequestWhileMeasuringStopsAndIsRefused) {
  Bench bench({Device(SimulatedDevice::Tone(220, 5000))});
  std::int16_t cancel = 0;
  bool stoppedButUnwinding = false;
  bench.view.atPass = [&](int pass) {
    if (pass == 2) bench.view.Post([&] {
        bench.loop.Form_QueryUnload(cancel, 0);
        stoppedButUnwinding = bench.loop.hWaveIn == 0 && bench.loop.Running &&
                              bench.view.button == "Start";
      });
  };
  bench.loop.PushButton2_Click();
  EXPECT_EQ(cancel, 1);
  EXPECT_TRUE(stoppedButUnwinding);
  EXPECT_TRUE(bench.Idle());
  EXPECT_EQ(bench.view.passes, 2);

  std::int16_t cancelWhenIdle = 0;
  bench.loop.Form_QueryUnload(cancelWhenIdle, 0);
  EXPECT_EQ(cancelWhenIdle, 0);  // idle: the close goes ahead
}

TEST(MeasuringLoop, APressHandledWithACloseRequestDoesNothing) {
  Bench bench({Device(SimulatedDevice::Tone(220, 5000))});
  std::int16_t cancel = 0;
  bench.view.atPass = [&](int pass) {
    if (pass == 1) {
      bench.view.Post([&] { bench.loop.Form_QueryUnload(cancel, 0); });
      bench.view.Post([&] { bench.loop.PushButton2_Click(); });
    }
  };
  bench.loop.PushButton2_Click();
  EXPECT_EQ(cancel, 1);
  const auto calls = bench.waveInput.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Open 0"), 1);
  EXPECT_TRUE(bench.Idle());
}

TEST(MeasuringLoop, ADeviceThatStopsDeliveringIsClosedAndReported) {
  SimulatedDevice failing = Device(SimulatedDevice::Tone(330, 5000));
  failing.stopsDeliveringAfter = 3;
  Bench bench({failing});
  bench.loop.PushButton2_Click();
  EXPECT_EQ(bench.view.messages,
            std::vector<std::string>{"The audio device stopped delivering sound."});
  EXPECT_EQ(bench.view.passes, 3);
  EXPECT_TRUE(bench.Idle());
  EXPECT_FALSE(bench.waveInput.DeviceOpen());
  EXPECT_EQ(bench.view.note, "Note: E4");  // what was measured before stays shown
}

TEST(MeasuringLoop, AnErrorInTheLoopIsReportedAndTheDeviceReleased) {
  Bench bench({Device(SimulatedDevice::Tone(440, 5000))});
  bench.BitReversedIndex = BitReversal(256);  // does not match the frames of 1024 points
  bench.loop.PushButton2_Click();
  ASSERT_EQ(bench.view.errors.size(), 1u);
  EXPECT_EQ(bench.view.errors[0].description, "Subscript out of range");
  EXPECT_EQ(bench.view.errors[0].handler, "PushButton2_Click");
  EXPECT_EQ(bench.view.errors[0].line, 136);
  EXPECT_TRUE(bench.Idle());
  EXPECT_FALSE(bench.waveInput.DeviceOpen());
}

TEST(MeasuringLoop, WithoutANumberOfPointsNothingIsOpened) {
  Bench bench({Device({})});
  bench.view.points = "";
  bench.loop.PushButton2_Click();
  EXPECT_EQ(bench.view.messages, std::vector<std::string>{"Choose the number of points first."});
  EXPECT_TRUE(bench.waveInput.Calls().empty());
  EXPECT_TRUE(bench.Idle());
}

TEST(MeasuringLoop, OnlyTheFirstHalfOfTheBufferIsRecordedInto) {
  Bench bench({Device(SimulatedDevice::Tone(440, 30000))});
  bench.ChoosePoints("4096");
  bench.StopAfter(3);
  bench.loop.PushButton2_Click();
  ASSERT_EQ(bench.Samples.size(), 8192u);
  EXPECT_TRUE(std::any_of(bench.Samples.begin(), bench.Samples.begin() + 4096,
                          [](std::int16_t s) { return s != 0; }));
  EXPECT_TRUE(std::all_of(bench.Samples.begin() + 4096, bench.Samples.end(),
                          [](std::int16_t s) { return s == 0; }));
}

TEST(MeasuringLoop, ANewStartLeavesTheLastResultsUntilItsBlocksAreAnalysed) {
  SimulatedDevice device = Device(SimulatedDevice::Tone(440, 8000));
  device.stopsDeliveringAfter = 2;  // the second run gets no block at all
  Bench bench({device});
  bench.StopAfter(2);
  bench.loop.PushButton2_Click();
  const std::string frequency = bench.view.frequency;
  bench.view.atPass = nullptr;
  bench.loop.PushButton2_Click();
  EXPECT_EQ(bench.view.frequency, frequency);
  EXPECT_EQ(bench.view.note, "Note: A4");
  EXPECT_NE(bench.view.tuning, "Tuning:");
}

TEST(MeasuringLoop, TheFrequencyUsesTheUsersDecimalSeparator) {
  Bench bench({Device(SimulatedDevice::Tone(82.4069, 12000))});
  bench.ChoosePoints("4096");
  bench.view.separator = ',';
  bench.StopAfter(1);
  bench.loop.PushButton2_Click();
  EXPECT_NE(bench.view.frequency.find(','), std::string::npos) << bench.view.frequency;
}

// Many blocks through the loop: once the first twenty have set everything up, the heap
// holds no more blocks at the end than then. A leak of one allocation per block would
// leave two hundred behind; the tolerance only absorbs one-off growth.
TEST(MeasuringLoop, SoakKeepsMemoryFlat) {
  constexpr int kWarmUp = 20;
  constexpr int kBlocks = kWarmUp + 200;
  Bench bench({Device(SimulatedDevice::Tone(196, 9000))});
  std::int64_t afterWarmUp = 0;
  std::int64_t atEnd = 0;
  bench.view.atPass = [&](int pass) {
    bench.waveInput.ClearCalls();  // the stand-in's own call log is not the program's memory
    if (pass == kWarmUp) afterWarmUp = LiveAllocations();
    if (pass == kBlocks) {
      atEnd = LiveAllocations();
      bench.view.Post([&] { bench.loop.PushButton2_Click(); });
    }
  };
  bench.loop.PushButton2_Click();
  EXPECT_EQ(bench.view.passes, kBlocks);
  EXPECT_EQ(bench.view.note, "Note: G3");
  EXPECT_LT(atEnd - afterWarmUp, (kBlocks - kWarmUp) / 10)
      << afterWarmUp << " heap blocks after the warm-up, " << atEnd << " at the end";
}

// Thaws a frozen device should the code under test wait for it after all, so that such a
// fault fails the test (the device is found released) instead of hanging it.
class ThawIfStillWaiting {
 public:
  explicit ThawIfStillWaiting(SimulatedWaveInput& input)
      : thread_([&input](std::stop_token stop) {
          std::mutex mutex;
          std::unique_lock lock(mutex);
          std::condition_variable_any never;
          if (!never.wait_for(lock, stop, std::chrono::seconds(30), [] { return false; }) &&
              !stop.stop_requested()) {
            input.Thaw();
          }
        }) {}

 private:
  std::jthread thread_;
};

struct FrozenCase {
  const char* label;
  int freezeAtPass;     // 0: frozen before the press
  bool stopPress;       // the user presses Stop while it is frozen
  const char* message;  // what the user is told, if anything
  friend void PrintTo(const FrozenCase& c, std::ostream* out) { *out << c.label; }
};

class FrozenSoundSystem : public ::testing::TestWithParam<FrozenCase> {};

// Open, Reset and Close hang until the test thaws the device. The press must come back
// while it is still frozen, and what the abandoned calls opened is released on the thaw;
// after that a start measures again.
TEST_P(FrozenSoundSystem, NeverHoldsThePressAndReleasesTheDeviceOnceItThaws) {
  const FrozenCase& c = GetParam();
  Bench bench({Device(SimulatedDevice::Tone(440, 8000))}, std::chrono::milliseconds(100));
  if (c.freezeAtPass == 0) bench.waveInput.Freeze();
  bench.view.atPass = [&](int pass) {
    // Frozen from the start, no block may arrive: end such a run rather than measure on.
    if (c.freezeAtPass == 0) bench.view.Post([&] { bench.loop.PushButton2_Click(); });
    if (pass != c.freezeAtPass) return;
    bench.waveInput.Freeze();
    if (c.stopPress) bench.view.Post([&] { bench.loop.PushButton2_Click(); });
  };
  {
    ThawIfStillWaiting watchdog(bench.waveInput);
    bench.loop.PushButton2_Click();
    EXPECT_TRUE(bench.Idle());
    EXPECT_EQ(bench.view.messages,
              c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_TRUE(bench.waveInput.DeviceOpen() || c.freezeAtPass == 0)
        << "the device was released while frozen: something waited for the thaw";
    // While the backend is stuck, a start is refused at once without another open.
    bench.view.messages.clear();
    bench.StopAfter(bench.view.passes + 1);  // should it measure after all
    bench.loop.PushButton2_Click();
    EXPECT_EQ(bench.view.messages, std::vector<std::string>{kDeviceDidNotOpen});
    const auto calls = bench.waveInput.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Open 0"), 1);
  }
  bench.waveInput.Thaw();
  ASSERT_TRUE(bench.bounded->Settled(std::chrono::seconds(10)));
  EXPECT_FALSE(bench.waveInput.DeviceOpen());
  const auto calls = bench.waveInput.Calls();
  const std::vector<std::string> closing(calls.end() - 2, calls.end());
  EXPECT_EQ(closing, (std::vector<std::string>{"Reset", "Close"}));

  bench.view.messages.clear();
  bench.view.passes = 0;
  bench.StopAfter(2);
  bench.loop.PushButton2_Click();
  EXPECT_TRUE(bench.view.messages.empty());
  EXPECT_EQ(bench.view.passes, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, FrozenSoundSystem,
    ::testing::Values(FrozenCase{"WhileMeasuring", 3, false, kDeviceStoppedDelivering},
                      FrozenCase{"BeforeAStopPress", 3, true, nullptr},
                      FrozenCase{"BeforeTheStartPress", 0, false, kDeviceDidNotOpen}),
    CaseLabel());

}  // namespace
