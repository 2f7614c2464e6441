// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/alsa/alsa_wave_input.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <thread>

#include "capture/alsa/alsa_messages.h"
#include "capture/bounded_wave_input.h"
#include "capture/buffer_queue.h"
#include "capture/system_wave_input.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kRate = 44100;
constexpr unsigned kLatencyMicroseconds = 100000;  // the least; a period is a quarter of it
constexpr int kRetryPauseMilliseconds = 2;

}  // namespace

std::string_view CutAtCharacter(std::string_view name, std::size_t limit) {
  if (name.size() <= limit) return name;
  std::size_t cut = limit;
  // Bytes 10xxxxxx continue a character that began before them.
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut);
}

// One open PCM and the driver thread that records into the queued buffer. The thread alone
// uses the PCM between Open and Close; the queued buffer and the flags are shared under
// the mutex, and the samples reach the caller's buffer only under it, so a buffer given
// back by Reset is never written afterwards.
class AlsaWaveInput::Recorder {
 public:
  explicit Recorder(snd_pcm_t* pcm) : pcm_(pcm), thread_([this] { Run(); }) {}

  ~Recorder() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
    snd_pcm_close(pcm_);
  }

  void Start() {
    std::lock_guard lock(mutex_);
    started_ = true;
    changed_.notify_all();
  }

  MMResult Add(WaveHeader* header, std::uint32_t size) {
    {
      std::lock_guard lock(mutex_);
      if (queue_.Add(header, size) != kNoError) return kError;
      ++ticket_;
    }
    // Woken after the unlock, the driver thread does not wake only to wait for the mutex.
    changed_.notify_all();
    return kNoError;
  }

  MMResult Unprepare(WaveHeader* header, std::uint32_t size) {
    std::lock_guard lock(mutex_);
    return queue_.Unprepare(header, size);
  }

  bool AnyQueued() {
    std::lock_guard lock(mutex_);
    return queue_.Queued() != nullptr;
  }

  void Reset() {
    std::lock_guard lock(mutex_);
    started_ = false;
    if (queue_.Queued() != nullptr) GiveBack();
  }

  bool WaitDone(const WaveHeader* header, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [header] { return (header->dwFlags & WHDR_DONE) != 0; });
  }

  std::optional<std::uint64_t> LastBufferPosition() {
    std::lock_guard lock(mutex_);
    return lastBufferStart_;
  }

 private:
  void GiveBack() {
    queue_.GiveBack();
    changed_.notify_all();
  }

  // While started the PCM runs without a break, so a stream (through a sound server,
  // say) is set up once, not for every block. The thread reads only while a buffer is
  // queued: a newly queued buffer first drops what piled up in the PCM since the last
  // block (recovering an overrun if the pause was long), then takes the sound that follows.
  void Run() {
    std::unique_lock lock(mutex_);
    bool running = false;
    std::uint64_t filling = 0;  // the ticket whose buffer is being filled
    std::size_t filled = 0;
    while (!quit_) {
      WaveHeader* const queued = queue_.Queued();
      if (!started_ || failed_ || queued == nullptr) {
        if (!started_ && running) {
          // A frozen sound server can hold the drop for a long time: never under the lock,
          // which the caller's Reset, WaitDone and Close take.
          running = false;
          lock.unlock();
          snd_pcm_drop(pcm_);
          lock.lock();
          continue;
        }
        changed_.wait(lock);
        continue;
      }
      const std::uint64_t ticket = ticket_;
      const std::size_t wanted = queued->dwBufferLength / sizeof(std::int16_t);
      lock.unlock();
      if (!running) lastRead_ = Clock::now();
      const bool starting = !running;
      bool ok = running || (running = FitPeriodTo(wanted) && snd_pcm_prepare(pcm_) == 0 && snd_pcm_start(pcm_) == 0);
      if (starting && running) {  // a new stream: positions count from here
        framesRead_ = 0;
        soundLost_ = false;
      }
      if (ok && filling != ticket) {
        filling = ticket;
        filled = 0;
        ok = DropBacklog();
        StartBlock();
      }
      bool gap = false;
      const snd_pcm_sframes_t read =
          ok ? ReadSome(std::min(scratch_.size(), wanted - filled), gap) : -EIO;
      lock.lock();
      if (read < 0) {
        failed_ = true;  // no more sound: the queued buffer is never done
        continue;
      }
      if (gap) {  // a block must be one stretch of sound: start it again
        filled = 0;
        StartBlock();
      }
      if (queue_.Queued() == nullptr || ticket_ != ticket) continue;  // given back meanwhile
      std::memcpy(queued->lpData + filled * sizeof(std::int16_t), scratch_.data(),
                  static_cast<std::size_t>(read) * sizeof(std::int16_t));
      filled += static_cast<std::size_t>(read);
      if (filled == wanted) {
        queued->dwBytesRecorded = static_cast<std::uint32_t>(filled * sizeof(std::int16_t));
        lastBufferStart_ = blockFollowsLast_ ? std::optional<std::uint64_t>(blockStart_) : std::nullopt;
        GiveBack();
      }
    }
    lock.unlock();
    if (running) snd_pcm_drop(pcm_);
  }

  // The block being filled starts at the next sample read; it follows on from the last
  // block's count only if no sound was lost since.
  void StartBlock() {
    blockStart_ = framesRead_;
    blockFollowsLast_ = !soundLost_;
    soundLost_ = false;
  }

  // Sound comes a period at a time, and each period wakes this thread and the sound
  // server's client. A period near the block's length (never below a quarter of the
  // least latency) brings a block in one wake-up and no later than the block's end.
  bool FitPeriodTo(std::size_t blockSamples) {
    const auto latency = static_cast<unsigned>(
        std::max<std::uint64_t>(kLatencyMicroseconds, std::uint64_t{4} * blockSamples * 1000000 / kRate));
    if (latency == latency_) return true;
    if (snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1, latency) < 0)
      return false;
    latency_ = latency;
    return true;
  }

  // How long to wait for sound before looking at the flags again, which is how soon a
  // Reset or Close is noticed while no sound comes: two periods, so that sound that
  // flows wakes the thread only when it comes.
  int PollMilliseconds() const { return static_cast<int>(latency_ / 2000); }

  // Reads and drops what the PCM holds now: it was recorded before the buffer was queued.
  // A sound server can hold far more than the PCM's own buffer reports at a time (all it
  // recorded while the loop analysed a slow block), so the dropping goes on while more
  // comes without waiting, but never past what could have been recorded since the last
  // read: a file-fed PCM always has more.
  bool DropBacklog() {
    const std::chrono::duration<double> sinceRead = Clock::now() - lastRead_;
    auto most = static_cast<snd_pcm_sframes_t>((sinceRead.count() + latency_ / 1e6) * kRate);
    while (most > 0) {
      const snd_pcm_sframes_t backlog = snd_pcm_avail_update(pcm_);
      if (backlog <= 0) return backlog == 0 || Recover(static_cast<int>(backlog));
      const auto chunk = std::min({backlog, most, static_cast<snd_pcm_sframes_t>(scratch_.size())});
      const snd_pcm_sframes_t read = snd_pcm_readi(pcm_, scratch_.data(), static_cast<snd_pcm_uframes_t>(chunk));
      if (read == 0 || read == -EAGAIN) return true;  // nothing more to drop just now
      if (read < 0) return Recover(static_cast<int>(read));
      framesRead_ += static_cast<std::uint64_t>(read);
      most -= read;
    }
    return true;
  }

  // Waits briefly for sound and reads up to `most` samples into scratch_: the count read
  // (0 when none came), or a negative error once the device cannot go on. An overrun or
  // a suspend is recovered silently and reported through `gap`.
  snd_pcm_sframes_t ReadSome(std::size_t most, bool& gap) {
    const int ready = snd_pcm_wait(pcm_, PollMilliseconds());
    if (ready == 0) return 0;
    const snd_pcm_sframes_t read =
        ready < 0 ? ready : snd_pcm_readi(pcm_, scratch_.data(), static_cast<snd_pcm_uframes_t>(most));
    if (read > 0) {
      framesRead_ += static_cast<std::uint64_t>(read);
      lastRead_ = Clock::now();
      return read;
    }
    // The wait said there was something but nothing came (or a recovery just happened):
    // pause a moment rather than ask again at once, so a device in trouble cannot make
    // this thread spin.
    std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMilliseconds));
    if (read == 0 || read == -EAGAIN) return 0;
    gap = true;
    return Recover(static_cast<int>(read)) ? 0 : read;
  }

  bool Recover(int error) {
    soundLost_ = true;
    if (snd_pcm_recover(pcm_, error, 1) < 0) return false;
    return snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED || snd_pcm_start(pcm_) == 0;
  }

  snd_pcm_t* const pcm_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;
  bool quit_ = false;
  BufferQueue queue_;
  std::uint64_t ticket_ = 0;            // counts the buffers queued
  bool failed_ = false;                // the device stopped delivering
  std::vector<std::int16_t> scratch_ = std::vector<std::int16_t>(4096);  // the driver thread's own
  Clock::time_point lastRead_;         // the driver thread's own: when sound last came
  unsigned latency_ = kLatencyMicroseconds;  // the driver thread's own, after Open: as set
  // The driver thread's own: samples read from the stream since it started, dropped ones
  // included; whether any were lost (an overrun) since the last block started; where the
  // block being filled starts and whether that follows on from the last block's count.
  std::uint64_t framesRead_ = 0;
  bool soundLost_ = false;
  std::uint64_t blockStart_ = 0;
  bool blockFollowsLast_ = false;
  std::optional<std::uint64_t> lastBufferStart_;  // shared: where the last buffer given back starts
  std::thread thread_;                 // last, so it starts after the members above
};

AlsaWaveInput::AlsaWaveInput() : AlsaWaveInput(ListAlsaCaptureDevices()) {}

AlsaWaveInput::AlsaWaveInput(std::vector<AlsaCaptureDevice> devices)
    : devices_(std::move(devices)) {
  SilenceAlsaMessages();
}

AlsaWaveInput::~AlsaWaveInput() = default;

AlsaWaveInput::Recorder* AlsaWaveInput::Find(HWaveIn handle) {
  std::lock_guard lock(mutex_);
  const auto found = open_.find(handle);
  return found == open_.end() ? nullptr : found->second.get();
}

std::uint32_t AlsaWaveInput::GetNumDevs() { return static_cast<std::uint32_t>(devices_.size()); }

MMResult AlsaWaveInput::GetDevCaps(std::uint32_t deviceId, WaveInCaps* caps,
                                   std::uint32_t size) {
  const auto count = static_cast<std::uint32_t>(devices_.size());
  const std::uint32_t chosen = ChosenDevice(deviceId, count);
  if (chosen == count) return kError;
  return WriteDeviceCaps(CutAtCharacter(devices_[chosen].description, sizeof caps->szPname), caps, size);
}

MMResult AlsaWaveInput::Open(HWaveIn* handle, std::uint32_t deviceId, const WaveFormatEx* format) {
  if (handle == nullptr || !IsCaptureFormat(format)) return kError;
  std::string pcmName = "default";
  if (deviceId != kWaveMapper) {
    if (deviceId >= devices_.size()) return kError;
    pcmName = devices_[deviceId].pcmName;
  }
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, pcmName.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0) {
    return kError;
  }
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1,
                         kLatencyMicroseconds) < 0) {
    snd_pcm_close(pcm);
    return kError;
  }
  std::lock_guard lock(mutex_);
  const HWaveIn opened = ++lastHandle_;
  open_.emplace(opened, std::make_unique<Recorder>(pcm));
  *handle = opened;
  return kNoError;
}

MMResult AlsaWaveInput::Start(HWaveIn handle) {
  Recorder* recorder = Find(handle);
  if (recorder == nullptr) return kError;
  recorder->Start();
  return kNoError;
}

MMResult AlsaWaveInput::PrepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  return Find(handle) == nullptr ? kError : BufferQueue::Prepare(header, size);
}

MMResult AlsaWaveInput::AddBuffer(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  Recorder* recorder = Find(handle);
  return recorder == nullptr ? kError : recorder->Add(header, size);
}

MMResult AlsaWaveInput::UnprepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  Recorder* recorder = Find(handle);
  return recorder == nullptr ? kError : recorder->Unprepare(header, size);
}

MMResult AlsaWaveInput::Reset(HWaveIn handle) {
  Recorder* recorder = Find(handle);
  if (recorder == nullptr) return kError;
  recorder->Reset();
  return kNoError;
}

MMResult AlsaWaveInput::Close(HWaveIn handle) {
  std::unique_ptr<Recorder> closing;
  {
    std::lock_guard lock(mutex_);
    const auto found = open_.find(handle);
    if (found == open_.end() || found->second->AnyQueued()) return kError;
    closing = std::move(found->second);
    open_.erase(found);
  }
  return kNoError;  // `closing` stops its thread and closes the PCM here
}

std::optional<std::uint64_t> AlsaWaveInput::LastBufferPosition(HWaveIn handle) {
  Recorder* recorder = Find(handle);
  return recorder == nullptr ? std::nullopt : recorder->LastBufferPosition();
}

bool AlsaWaveInput::WaitDone(HWaveIn handle, WaveHeader* header, std::chrono::milliseconds timeout) {
  if (header == nullptr) return false;
  Recorder* recorder = Find(handle);
  if (recorder == nullptr) return (header->dwFlags & WHDR_DONE) != 0;
  return recorder->WaitDone(header, timeout);
}

// A stuck sound server may hold an open, a drop or a close for half a minute; the window's
// thread waits for none of them longer than this.
constexpr std::chrono::milliseconds kSoundSystemPatience{2000};

std::unique_ptr<WaveInput> CreateSystemWaveInput() {
  return std::make_unique<BoundedWaveInput>(std::make_shared<AlsaWaveInput>(), kSoundSystemPatience);
}
