// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/device_probe.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Shared by the caller and the probe threads, which may outlive the call.
struct Answers {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<bool>> opens;
};

}  // namespace

std::vector<ProbeAnswer> ProbeDevices(std::vector<std::function<bool()>> probes,
                                      ProbePatience patience) {
  auto answers = std::make_shared<Answers>();
  answers->opens.resize(probes.size());
  std::vector<ProbeAnswer> result(probes.size(), ProbeAnswer::NoAnswer);
  const Clock::time_point deadline = Clock::now() + patience.all;
  for (std::size_t i = 0; i < probes.size() && Clock::now() < deadline; ++i) {
    try {
      std::thread([answers, i, probe = std::move(probes[i])] {
        bool opens = false;
        try {
          opens = probe();
        } catch (...) {  // a probe that fails in any way refuses
        }
        std::lock_guard lock(answers->mutex);
        answers->opens[i] = opens;
        answers->changed.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      continue;  // no thread to ask it on: unanswered
    }
    std::unique_lock lock(answers->mutex);
    const Clock::time_point until = std::min(deadline, Clock::now() + patience.each);
    if (answers->changed.wait_until(lock, until, [&] { return answers->opens[i].has_value(); }))
      result[i] = *answers->opens[i] ? ProbeAnswer::Opens : ProbeAnswer::Refuses;
  }
  return result;
}
