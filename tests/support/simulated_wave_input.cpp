// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/simulated_wave_input.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

#include "capture/buffer_queue.h"
#include "capture/device_list.h"

namespace {

constexpr double kSampleRate = 44100.0;
using Clock = std::chrono::steady_clock;

std::int16_t ClampToSample(double value) {
  return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

}  // namespace

SimulatedDevice::Source SimulatedDevice::Silence() {
  return [](std::uint64_t) -> std::int16_t { return 0; };
}

SimulatedDevice::Source SimulatedDevice::Tone(double frequency, double amplitude, double phase,
                                              int sampleRate) {
  const double step = 2.0 * std::numbers::pi * frequency / sampleRate;
  return [=](std::uint64_t n) {
    return ClampToSample(amplitude * std::sin(step * static_cast<double>(n) + phase));
  };
}

SimulatedDevice::Source SimulatedDevice::Recording(std::vector<std::int16_t> samples, bool loop) {
  return [samples = std::move(samples), loop](std::uint64_t n) -> std::int16_t {
    if (samples.empty()) return 0;
    if (loop) return samples[n % samples.size()];
    return n < samples.size() ? samples[n] : std::int16_t{0};
  };
}

// Everything below the mutex is shared between the caller's thread and the driver thread
// (RealTime pacing only). The driver writes into the queued buffer only while holding the
// mutex, so a Reset or Close on the caller's side never overlaps a write.
struct SimulatedWaveInput::State {
  std::vector<SimulatedDevice> devices;
  Pacing pacing;

  mutable std::mutex mutex;
  std::condition_variable changed;  // a buffer was queued, done, or the device stopped
  std::vector<std::string> calls;

  HWaveIn openHandle = 0;
  HWaveIn lastHandle = 0;
  std::uint32_t openDevice = 0;  // index into devices while openHandle != 0
  std::uint32_t lastOpenedDevice = 0;
  WaveFormatEx lastFormat;
  bool started = false;
  Clock::time_point startTime;
  std::uint64_t nextSample = 0;     // position of the next sample in the device's source
  std::optional<std::uint64_t> lastBufferStart;  // where the buffer given back last began
  std::uint64_t completedSinceOpen = 0;
  std::uint64_t completedTotal = 0;
  std::vector<std::uint64_t> deliveredStarts;  // since the last open

  BufferQueue queue;
  Clock::time_point queuedAt;
  bool frozen = false;

  bool quit = false;
  std::thread driver;

  // Records a call on a handle; true when the handle is that of the open device.
  bool Call(std::string name, HWaveIn handle) {
    const bool open = handle != 0 && handle == openHandle;
    if (!open) name += " (no device)";
    calls.push_back(std::move(name));
    return open;
  }

  // Holds a call that needs the sound system until it thaws.
  void WaitWhileFrozen(std::unique_lock<std::mutex>& lock) {
    changed.wait(lock, [this] { return !frozen; });
  }

  bool Delivering() const {
    if (frozen) return false;
    const int after = devices[openDevice].stopsDeliveringAfter;
    return after < 0 || completedSinceOpen < static_cast<std::uint64_t>(after);
  }

  // The queued buffer's time has come (always, with Instant pacing).
  bool Due(Clock::time_point now) const { return pacing == Pacing::Instant || now >= DueTime(); }

  static std::uint32_t BufferSamples(const WaveHeader& header) { return header.dwBufferLength / 2; }

  // RealTime pacing: the buffer is given the block after the last one, once it has been
  // heard, or the newest block heard where more than a quarter of a block has come after
  // that one, as the real backends give it.
  std::uint64_t QueuedBlockStart() const {
    const std::uint32_t count = BufferSamples(*queue.Queued());
    const auto heard = static_cast<std::uint64_t>(std::chrono::duration<double>(queuedAt - startTime).count() * kSampleRate);
    return heard > nextSample + count + count / 4 ? heard - count : nextSample;
  }

  Clock::time_point DueTime() const {
    const double end = static_cast<double>(QueuedBlockStart() + BufferSamples(*queue.Queued()));
    return startTime + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(end / kSampleRate));
  }

  // Fills the queued buffer from the device's source and hands it back.
  void Deliver() {
    WaveHeader& header = *queue.Queued();
    const SimulatedDevice::Source& source = devices[openDevice].source;
    if (pacing == Pacing::RealTime) nextSample = QueuedBlockStart();
    const std::uint32_t count = BufferSamples(header);
    lastBufferStart = nextSample;
    deliveredStarts.push_back(nextSample);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::int16_t sample = source ? source(nextSample + i) : std::int16_t{0};
      std::memcpy(header.lpData + 2 * i, &sample, sizeof sample);
    }
    nextSample += count;
    header.dwBytesRecorded = count * 2;
    ++completedSinceOpen;
    ++completedTotal;
    GiveBack();
  }

  void GiveBack() {
    queue.GiveBack();
    changed.notify_all();
  }

  // Instant pacing fills a buffer on the caller's thread as soon as it can be recorded.
  void DeliverIfInstant() {
    if (pacing == Pacing::Instant && started && queue.Queued() != nullptr && Delivering()) Deliver();
  }

  void DriverThread() {
    std::unique_lock lock(mutex);
    while (!quit) {
      if (started && queue.Queued() != nullptr && Delivering()) {
        if (Due(Clock::now())) {
          Deliver();
        } else {
          changed.wait_until(lock, DueTime());
        }
      } else {
        changed.wait(lock);
      }
    }
  }
};

SimulatedWaveInput::SimulatedWaveInput(std::vector<SimulatedDevice> devices, Pacing pacing)
    : state_(std::make_unique<State>()) {
  state_->devices = std::move(devices);
  state_->pacing = pacing;
  if (pacing == Pacing::RealTime) state_->driver = std::thread([this] { state_->DriverThread(); });
}

SimulatedWaveInput::~SimulatedWaveInput() {
  if (state_->driver.joinable()) {
    {
      std::lock_guard lock(state_->mutex);
      state_->quit = true;
      state_->changed.notify_all();
    }
    state_->driver.join();
  }
}

std::uint32_t SimulatedWaveInput::GetNumDevs() {
  return static_cast<std::uint32_t>(state_->devices.size());
}

MMResult SimulatedWaveInput::GetDevCaps(std::uint32_t deviceId, WaveInCaps* caps,
                                        std::uint32_t size) {
  const auto count = static_cast<std::uint32_t>(state_->devices.size());
  const std::uint32_t chosen = ChosenDevice(deviceId, count);
  return chosen == count ? kError : WriteDeviceCaps(state_->devices[chosen].name, caps, size);
}

MMResult SimulatedWaveInput::Open(HWaveIn* handle, std::uint32_t deviceId,
                                  const WaveFormatEx* format) {
  State& s = *state_;
  std::unique_lock lock(s.mutex);
  s.calls.push_back("Open " + std::to_string(static_cast<std::int32_t>(deviceId)));
  s.WaitWhileFrozen(lock);
  s.lastOpenedDevice = deviceId;
  if (format != nullptr) s.lastFormat = *format;
  const std::uint32_t index = ChosenDevice(deviceId, static_cast<std::uint32_t>(s.devices.size()));
  if (handle == nullptr || index >= s.devices.size() || !s.devices[index].opens ||
      !IsCaptureFormat(format) || s.openHandle != 0) {
    return kError;
  }
  s.openHandle = ++s.lastHandle;
  s.openDevice = index;
  s.started = false;
  s.nextSample = 0;
  s.lastBufferStart.reset();
  s.completedSinceOpen = 0;
  s.deliveredStarts.clear();
  *handle = s.openHandle;
  return kNoError;
}

MMResult SimulatedWaveInput::Start(HWaveIn handle) {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  if (!s.Call("Start", handle)) return kError;
  if (!s.started) {
    s.started = true;
    s.startTime = Clock::now();
    if (s.queue.Queued() != nullptr) s.queuedAt = s.startTime;
    s.DeliverIfInstant();
    s.changed.notify_all();
  }
  return kNoError;
}

MMResult SimulatedWaveInput::PrepareHeader(HWaveIn handle, WaveHeader* header,
                                           std::uint32_t size) {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  return s.Call("PrepareHeader", handle) ? BufferQueue::Prepare(header, size) : kError;
}

MMResult SimulatedWaveInput::AddBuffer(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  if (!s.Call("AddBuffer", handle) || s.queue.Add(header, size) != kNoError) return kError;
  s.queuedAt = Clock::now();
  s.DeliverIfInstant();
  s.changed.notify_all();
  return kNoError;
}

MMResult SimulatedWaveInput::UnprepareHeader(HWaveIn handle, WaveHeader* header,
                                             std::uint32_t size) {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  return s.Call("UnprepareHeader", handle) ? s.queue.Unprepare(header, size) : kError;
}

MMResult SimulatedWaveInput::Reset(HWaveIn handle) {
  State& s = *state_;
  std::unique_lock lock(s.mutex);
  s.WaitWhileFrozen(lock);
  if (!s.Call("Reset", handle)) return kError;
  s.started = false;
  if (s.queue.Queued() != nullptr) s.GiveBack();
  return kNoError;
}

MMResult SimulatedWaveInput::Close(HWaveIn handle) {
  State& s = *state_;
  std::unique_lock lock(s.mutex);
  s.WaitWhileFrozen(lock);
  if (!s.Call("Close", handle) || s.queue.Queued() != nullptr) return kError;
  s.openHandle = 0;
  s.started = false;
  return kNoError;
}

bool SimulatedWaveInput::WaitDone(HWaveIn, WaveHeader* header, std::chrono::milliseconds timeout) {
  if (header == nullptr) return false;
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout,
                                  [header] { return (header->dwFlags & WHDR_DONE) != 0; });
}

std::optional<std::uint64_t> SimulatedWaveInput::LastBufferPosition(HWaveIn) {
  std::lock_guard lock(state_->mutex);
  return state_->lastBufferStart;
}

std::vector<std::string> SimulatedWaveInput::Calls() const {
  std::lock_guard lock(state_->mutex);
  return state_->calls;
}

void SimulatedWaveInput::ClearCalls() {
  std::lock_guard lock(state_->mutex);
  state_->calls.clear();
}

std::uint32_t SimulatedWaveInput::LastOpenedDevice() const {
  std::lock_guard lock(state_->mutex);
  return state_->lastOpenedDevice;
}

WaveFormatEx SimulatedWaveInput::LastFormat() const {
  std::lock_guard lock(state_->mutex);
  return state_->lastFormat;
}

bool SimulatedWaveInput::DeviceOpen() const {
  std::lock_guard lock(state_->mutex);
  return state_->openHandle != 0;
}

std::uint64_t SimulatedWaveInput::BuffersCompleted() const {
  std::lock_guard lock(state_->mutex);
  return state_->completedTotal;
}

std::vector<std::uint64_t> SimulatedWaveInput::DeliveredBlockStarts() const {
  std::lock_guard lock(state_->mutex);
  return state_->deliveredStarts;
}

void SimulatedWaveInput::Freeze() {
  std::lock_guard lock(state_->mutex);
  state_->frozen = true;
}

void SimulatedWaveInput::Thaw() {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  s.frozen = false;
  if (s.openHandle != 0) s.DeliverIfInstant();
  s.changed.notify_all();
}
