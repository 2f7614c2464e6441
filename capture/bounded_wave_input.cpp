// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/bounded_wave_input.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// What a Reset or Close after a stalled wait is given however long that wait was: enough
// for a backend that answers at once.
constexpr std::chrono::milliseconds kLeastPatience{100};

struct Ticket {
  bool done = false;
  bool abandoned = false;  // the caller stopped waiting for it
};

}  // namespace

// The queue of calls and the thread that makes them. The thread holds the worker, and
// each queued call holds the backend, so an abandoned call can still finish (and release
// what it opened) after the wrapper is gone.
struct BoundedWaveInput::Worker {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::function<void()>> queue;
  std::size_t unfinished = 0;  // calls queued or running
  std::size_t abandoned = 0;   // of those, the ones nobody waits for
  bool quit = false;
  std::thread thread;

  void Run() {
    std::unique_lock lock(mutex);
    while (!queue.empty() || !quit) {
      if (queue.empty()) {
        changed.wait(lock);
        continue;
      }
      std::function<void()> call = std::move(queue.front());
      queue.pop_front();
      lock.unlock();
      call();
      lock.lock();
      --unfinished;
      changed.notify_all();
    }
  }

  bool Stuck() {
    std::lock_guard lock(mutex);
    return abandoned > 0;
  }

  // Queues `call` and waits for it at most `patience` (not at all while an abandoned call
  // is still out). If the caller goes on without it, `afterAbandoned` runs once the call
  // has returned. True when the call returned in time.
  bool Hand(std::function<void()> call, std::function<void()> afterAbandoned,
            std::chrono::milliseconds patience) {
    auto ticket = std::make_shared<Ticket>();
    std::unique_lock lock(mutex);
    const bool wait = abandoned == 0;
    ++unfinished;
    queue.push_back([this, ticket, call = std::move(call), after = std::move(afterAbandoned)] {
      call();
      bool release = false;
      {
        std::lock_guard done(mutex);
        ticket->done = true;
        release = ticket->abandoned;
        if (release) --abandoned;
        changed.notify_all();
      }
      if (release && after) after();
    });
    changed.notify_all();
    if (wait && changed.wait_for(lock, patience, [&] { return ticket->done; })) return true;
    ticket->abandoned = true;
    ++abandoned;
    return false;
  }
};

BoundedWaveInput::BoundedWaveInput(std::shared_ptr<WaveInput> backend,
                                   std::chrono::milliseconds patience)
    : worker_(std::make_shared<Worker>()), backend_(std::move(backend)), patience_(patience) {
  worker_->thread = std::thread([worker = worker_] { worker->Run(); });
}

BoundedWaveInput::~BoundedWaveInput() {
  const bool settled = Settled(patience_);
  {
    std::lock_guard lock(worker_->mutex);
    worker_->quit = true;
    worker_->changed.notify_all();
  }
  if (settled) {
    worker_->thread.join();
  } else {
    worker_->thread.detach();
  }
}

bool BoundedWaveInput::Settled(std::chrono::milliseconds timeout) {
  std::unique_lock lock(worker_->mutex);
  return worker_->changed.wait_for(lock, timeout, [this] { return worker_->unfinished == 0; });
}

std::uint32_t BoundedWaveInput::GetNumDevs() { return backend_->GetNumDevs(); }

MMResult BoundedWaveInput::GetDevCaps(std::uint32_t deviceId, WaveInCaps* caps,
                                      std::uint32_t size) {
  return backend_->GetDevCaps(deviceId, caps, size);
}

MMResult BoundedWaveInput::Open(HWaveIn* handle, std::uint32_t deviceId,
                                const WaveFormatEx* format) {
  if (handle == nullptr || format == nullptr || worker_->Stuck()) return kError;
  // The worker's own copies: the caller's may be gone by the time an abandoned open returns.
  struct Opening {
    HWaveIn handle = 0;
    WaveFormatEx format;
    MMResult result = kError;
  };
  auto opening = std::make_shared<Opening>();
  opening->format = *format;
  const auto open = [backend = backend_, opening, deviceId] {
    opening->result = backend->Open(&opening->handle, deviceId, &opening->format);
  };
  const auto release = [backend = backend_, opening] {
    if (opening->handle == 0) return;
    backend->Reset(opening->handle);
    backend->Close(opening->handle);
  };
  if (!worker_->Hand(open, release, patience_)) return kError;
  stalledSince_.reset();
  if (opening->handle != 0) *handle = opening->handle;
  return opening->result;
}

MMResult BoundedWaveInput::Start(HWaveIn handle) { return backend_->Start(handle); }

MMResult BoundedWaveInput::PrepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  return backend_->PrepareHeader(handle, header, size);
}

MMResult BoundedWaveInput::AddBuffer(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  return backend_->AddBuffer(handle, header, size);
}

MMResult BoundedWaveInput::UnprepareHeader(HWaveIn handle, WaveHeader* header,
                                           std::uint32_t size) {
  return backend_->UnprepareHeader(handle, header, size);
}

MMResult BoundedWaveInput::Reset(HWaveIn handle) {
  return Forward([handle](WaveInput& backend) { return backend.Reset(handle); });
}

MMResult BoundedWaveInput::Close(HWaveIn handle) {
  return Forward([handle](WaveInput& backend) { return backend.Close(handle); });
}

MMResult BoundedWaveInput::Forward(std::function<MMResult(WaveInput&)> call) {
  auto result = std::make_shared<MMResult>(kError);
  const auto forward = [backend = backend_, result, call = std::move(call)] { *result = call(*backend); };
  return worker_->Hand(forward, {}, PatienceLeft()) ? *result : kError;
}

std::chrono::milliseconds BoundedWaveInput::PatienceLeft() const {
  if (!stalledSince_) return patience_;
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - *stalledSince_);
  return std::max(kLeastPatience, patience_ - waited);
}

bool BoundedWaveInput::WaitDone(HWaveIn handle, WaveHeader* header,
                                std::chrono::milliseconds timeout) {
  const Clock::time_point began = Clock::now();
  const bool done = backend_->WaitDone(handle, header, timeout);
  stalledSince_ = done ? std::nullopt : std::optional(began);
  return done;
}

std::optional<std::uint64_t> BoundedWaveInput::LastBufferPosition(HWaveIn handle) {
  return backend_->LastBufferPosition(handle);
}
