// SPDX-License-Identifier: GPL-3.0-or-later
// Processor time the measuring loop takes while it measures, with a simulated device
// that delivers in real time: the sleeping wait against a wait that spins on the done
// flag. "cpu_percent" is process CPU time (the device's driver thread included) per
// second of measuring, as a percentage of one core.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

#include "analysis/fourier_transform.h"
#include "capture/measuring_loop.h"
#include "tests/support/simulated_wave_input.h"

namespace {

// The window reduced to what the loop needs; it stops the loop after a set time.
class TimedView : public MeasuringView {
 public:
  TimedView(std::string points, std::chrono::steady_clock::time_point end, MeasuringLoop*& loop)
      : points_(std::move(points)), end_(end), loop_(loop) {}
  std::string ButtonCaption() const override { return caption_; }
  void SetButtonCaption(const std::string& caption) override { caption_ = caption; }
  std::int16_t SelectedDeviceIndex() const override { return 0; }
  std::string NumberOfPointsText() const override { return points_; }
  void SetNumberOfPointsEnabled(bool) override {}
  void ShowReading(const BlockReading&) override {}
  char DecimalSeparator() const override { return '.'; }
  void ShowMessage(const std::string&) override {}
  void ShowError(const ErrorReport&) override {}
  void ProcessPendingEvents() override {
    if (std::chrono::steady_clock::now() >= end_) loop_->PushButton2_Click();
  }

 private:
  std::string caption_ = "Start";
  std::string points_;
  std::chrono::steady_clock::time_point end_;
  MeasuringLoop*& loop_;
};

// The simulated device, but waiting the way a busy poll of the done flag does.
class SpinningWaveInput : public SimulatedWaveInput {
 public:
  using SimulatedWaveInput::SimulatedWaveInput;
  bool WaitDone(HWaveIn, WaveHeader* header, std::chrono::milliseconds timeout) override {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while ((header->dwFlags.load() & WHDR_DONE) == 0)
      if (std::chrono::steady_clock::now() > end) return false;
    return true;
  }
};

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Backend>
void MeasureFor(benchmark::State& state) {
  const int N = static_cast<int>(state.range(0));
  const auto measuringTime = std::chrono::seconds(2);
  for (auto _ : state) {
    SimulatedDevice device;
    device.name = "Microphone";
    device.source = SimulatedDevice::Tone(196, 8000);
    Backend waveInput({device}, SimulatedWaveInput::Pacing::RealTime);
    std::vector<std::int16_t> samples;
    const auto table = BitReversal(N / 2);
    MeasuringLoop* loop = nullptr;
    const auto start = std::chrono::steady_clock::now();
    TimedView view(std::to_string(N), start + measuringTime, loop);
    MeasuringLoop measuring(waveInput, view, samples, table);
    loop = &measuring;
    const double cpuBefore = ProcessCpuSeconds();
    measuring.PushButton2_Click();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
  }
}

void BM_MeasuringSleepingWait(benchmark::State& state) { MeasureFor<SimulatedWaveInput>(state); }
void BM_MeasuringSpinningWait(benchmark::State& state) { MeasureFor<SpinningWaveInput>(state); }

BENCHMARK(BM_MeasuringSleepingWait)->Arg(1024)->Arg(2048)->Arg(4096)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasuringSpinningWait)->Arg(1024)->Arg(2048)->Arg(4096)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
