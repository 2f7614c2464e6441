// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/alsa/alsa_wave_input.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <poll.h>
#include <thread>

#include "capture/alsa/alsa_messages.h"
#include "capture/bounded_wave_input.h"
#include "capture/buffer_queue.h"
#include "capture/device_list.h"
#include "capture/system_wave_input.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kRate = 44100;
// Sound comes a period at a time, and each period wakes the driver thread and a sound
// server's client. An eighth of a block (never under 5.8 ms) lets a block be taken soon
// after it has ended, and a server that hands over two periods at once still keeps the
// blocks in turn (see StreamHistory); the buffer behind only has to outlast a late wake-up.
constexpr snd_pcm_uframes_t kLeastPeriodFrames = 256;
constexpr unsigned kBufferMicroseconds = 200000;
// The history holds the largest block the loop asks for, and more.
constexpr std::size_t kHistorySamples = 16384;

// Narrows `params` to mono 16-bit PCM at the tuner's rate; false where the PCM cannot.
bool NarrowToCaptureFormat(snd_pcm_t* pcm, snd_pcm_hw_params_t* params) {
  return snd_pcm_hw_params_any(pcm, params) >= 0 && snd_pcm_hw_params_set_rate_resample(pcm, params, 1) >= 0 &&
         snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
         snd_pcm_hw_params_set_format(pcm, params, SND_PCM_FORMAT_S16_LE) >= 0 &&
         snd_pcm_hw_params_set_channels(pcm, params, 1) >= 0 &&
         snd_pcm_hw_params_set_rate(pcm, params, kRate, 0) >= 0;
}

// Whether the PCM records the tuner's format, asked without setting it: ALSA's pipewire
// plugin (0.3.65) sometimes delivers no sound at all from a PCM whose parameters were set
// twice, so they are set once, when the first block's size gives the period.
bool RecordsCaptureFormat(snd_pcm_t* pcm) {
  snd_pcm_hw_params_t* params = nullptr;
  snd_pcm_hw_params_alloca(&params);
  return NarrowToCaptureFormat(pcm, params);
}

// The tuner's format, periods of about `periodFrames` and a buffer of a fifth of a second.
bool ConfigureCapture(snd_pcm_t* pcm, snd_pcm_uframes_t periodFrames) {
  snd_pcm_hw_params_t* params = nullptr;
  snd_pcm_hw_params_alloca(&params);
  snd_pcm_uframes_t period = periodFrames;
  unsigned bufferTime = kBufferMicroseconds;
  int direction = 0;
  return NarrowToCaptureFormat(pcm, params) &&
         snd_pcm_hw_params_set_buffer_time_near(pcm, params, &bufferTime, &direction) >= 0 &&
         snd_pcm_hw_params_set_period_size_near(pcm, params, &period, &direction) >= 0 &&
         snd_pcm_hw_params(pcm, params) >= 0;
}

snd_pcm_uframes_t PeriodFrames(snd_pcm_t* pcm) {
  snd_pcm_uframes_t buffer = 0;
  snd_pcm_uframes_t period = 0;
  return snd_pcm_get_params(pcm, &buffer, &period) == 0 && period > 0 ? period : kLeastPeriodFrames;
}

}  // namespace

std::string_view CutAtCharacter(std::string_view name, std::size_t limit) {
  if (name.size() <= limit) return name;
  std::size_t cut = limit;
  // Bytes 10xxxxxx continue a character that began before them.
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut);
}

// One open PCM and the driver thread that records from it. From the first buffer queued
// after Start until Reset the thread reads the stream without a break, a short period at a
// time, into the history; a queued buffer is given the newest block from it as soon as one
// is there. The thread alone uses the PCM between Open and Close; the history, the queued
// buffer and the flags are shared under the mutex, and the samples reach the caller's
// buffer only under it, so a buffer given back by Reset is never written afterwards.
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
      lastBufferStart_.reset();
      GiveNewestBlock();  // the block may be there already
    }
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

  void GiveNewestBlock() {
    if (!queue_.GiveNewestBlock(history_)) return;
    lastBufferStart_ = history_.LastBlockPosition();
    changed_.notify_all();
  }

  // While started the PCM runs without a break, from the first queued buffer on, so a
  // stream (through a sound server, say) is set up once, not for every block, and every
  // sample it records is counted.
  void Run() {
    std::unique_lock lock(mutex_);
    bool running = false;
    while (!quit_) {
      if (!started_ || failed_) {
        if (running) {
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
      if (!running && queue_.Queued() == nullptr) {  // the first block sets the period
        changed_.wait(lock);
        continue;
      }
      const std::size_t blockSamples = running ? 0 : queue_.Queued()->dwBufferLength / sizeof(std::int16_t);
      lock.unlock();
      bool lost = false;
      snd_pcm_sframes_t read = -EIO;
      if (running || (running = StartStream(blockSamples))) read = ReadSome(lost);
      lock.lock();
      if (read < 0) {
        failed_ = true;  // no more sound: the queued buffer is never done
        continue;
      }
      if (lost) history_.MarkLoss();
      history_.Append(scratch_.data(), static_cast<std::size_t>(read));
      GiveNewestBlock();
    }
    lock.unlock();
    if (running) snd_pcm_drop(pcm_);
  }

  bool StartStream(std::size_t blockSamples) {
    const snd_pcm_uframes_t period = std::max<snd_pcm_uframes_t>(kLeastPeriodFrames, blockSamples / 8);
    if (period != periodAskedFor_) {
      if (!ConfigureCapture(pcm_, period)) return false;
      periodAskedFor_ = period;
      periodFrames_ = PeriodFrames(pcm_);
    }
    if (snd_pcm_prepare(pcm_) != 0 || snd_pcm_start(pcm_) != 0) return false;
    std::lock_guard lock(mutex_);
    history_.Restart();
    streamStart_ = Clock::now();
    framesRead_ = 0;
    return true;
  }

  // Reads what the PCM holds, waiting up to a few periods for it, into scratch_: the count
  // read (0 when none came), or a negative error once the device cannot go on. An overrun
  // or a suspend is recovered and reported through `lost`. Every way through either waits
  // in poll() or sleeps when nothing was read, so the thread never spins, also while a
  // sound server's stream is still starting and says it is ready when it is not.
  snd_pcm_sframes_t ReadSome(bool& lost) {
    // A device never records faster than time passes; a file-fed PCM would, as fast as it
    // is read. A quarter more than real time leaves any real clock room.
    const std::chrono::duration<double> sinceStart = Clock::now() - streamStart_;
    const auto allowed = static_cast<snd_pcm_sframes_t>(1.25 * sinceStart.count() * kRate) +
                         static_cast<snd_pcm_sframes_t>(periodFrames_) - static_cast<snd_pcm_sframes_t>(framesRead_);
    if (allowed <= 0) return NothingRead();
    snd_pcm_sframes_t available = snd_pcm_avail_update(pcm_);
    if (available == 0) {
      if (!WaitForSound()) return NothingRead();
      available = snd_pcm_avail_update(pcm_);
    }
    if (available < 0) return RecoverFrom(static_cast<int>(available), lost);
    if (available == 0) return NothingRead();
    const auto most = std::min({available, allowed, static_cast<snd_pcm_sframes_t>(scratch_.size())});
    const snd_pcm_sframes_t read = snd_pcm_readi(pcm_, scratch_.data(), static_cast<snd_pcm_uframes_t>(most));
    if (read == 0 || read == -EAGAIN) return NothingRead();
    if (read < 0) return RecoverFrom(static_cast<int>(read), lost);
    framesRead_ += static_cast<std::uint64_t>(read);
    return read;
  }

  // Sleeps in poll() until the PCM has sound or a few periods have passed (how soon a
  // Reset or Close is noticed while no sound comes). True when it says sound is there.
  bool WaitForSound() {
    const int count = snd_pcm_poll_descriptors_count(pcm_);
    if (count <= 0) return false;
    pollFds_.resize(static_cast<std::size_t>(count));
    if (snd_pcm_poll_descriptors(pcm_, pollFds_.data(), static_cast<unsigned>(count)) != count) return false;
    const int timeout = std::max(1, static_cast<int>(4 * periodFrames_ * 1000 / kRate));
    if (poll(pollFds_.data(), static_cast<nfds_t>(count), timeout) <= 0) return false;
    unsigned short events = 0;
    if (snd_pcm_poll_descriptors_revents(pcm_, pollFds_.data(), static_cast<unsigned>(count), &events) < 0)
      return true;  // let the read find the error
    return (events & (POLLIN | POLLERR)) != 0;
  }

  // Nothing came although it might have: wait a period before asking again.
  snd_pcm_sframes_t NothingRead() const {
    std::this_thread::sleep_for(std::chrono::microseconds(periodFrames_ * 1000000 / kRate));
    return 0;
  }

  snd_pcm_sframes_t RecoverFrom(int error, bool& lost) {
    lost = true;
    if (snd_pcm_recover(pcm_, error, 1) < 0) return error;
    if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED && snd_pcm_start(pcm_) != 0) return error;
    return NothingRead();
  }

  snd_pcm_t* const pcm_;
  // The driver thread's own: the period asked for (0 until the parameters are set) and the
  // one the PCM took.
  snd_pcm_uframes_t periodAskedFor_ = 0;
  snd_pcm_uframes_t periodFrames_ = kLeastPeriodFrames;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;
  bool quit_ = false;
  BufferQueue queue_;
  StreamHistory history_{kHistorySamples};
  bool failed_ = false;  // the device stopped delivering
  std::optional<std::uint64_t> lastBufferStart_;  // where the last buffer given back starts
  // The driver thread's own: what it reads into, the poll descriptors, when the stream
  // started and how much it has read since.
  std::vector<std::int16_t> scratch_ = std::vector<std::int16_t>(kHistorySamples);
  std::vector<pollfd> pollFds_;
  Clock::time_point streamStart_;
  std::uint64_t framesRead_ = 0;
  std::thread thread_;  // last, so it starts after the members above
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
  if (!RecordsCaptureFormat(pcm)) {
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

std::unique_ptr<WaveInput> CreateSystemWaveInput() {
  return std::make_unique<BoundedWaveInput>(std::make_shared<AlsaWaveInput>(), kSoundSystemPatience);
}
