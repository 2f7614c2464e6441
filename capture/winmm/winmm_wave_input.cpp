// SPDX-License-Identifier: GPL-3.0-or-later
// Our headers come first: winmm defines WHDR_DONE and its kin as macros with the same
// values as our constants, and they must not rewrite our declarations.
#include "capture/winmm/winmm_wave_input.h"

#include "capture/bounded_wave_input.h"
#include "capture/buffer_queue.h"
#include "capture/system_wave_input.h"

// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

static_assert(offsetof(WAVEINCAPSA, szPname) == offsetof(WaveInCaps, szPname));
static_assert(sizeof(WAVEINCAPSA::szPname) == sizeof(WaveInCaps::szPname));

namespace {

// 64 buffers of 256 samples of the tuner's format: 0.37 s of sound queued with winmm, so a
// block that takes the window that long to show loses nothing; a buffer of 5.8 ms is the
// most by which a block can end before the loop is given it.
constexpr std::size_t kRingBuffers = 64;
constexpr DWORD kRingBytes = 512;
// The history holds the largest block the loop asks for, and more.
constexpr std::size_t kHistorySamples = 16384;

// The driver writes the flags from its own thread.
bool FinishedByDriver(WAVEHDR& header) {
  return (std::atomic_ref<DWORD>(header.dwFlags).load() & WHDR_DONE) != 0;
}

}  // namespace

struct WinmmWaveInput::Stream {
  HWAVEIN device = nullptr;
  HANDLE ringBufferDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // auto-reset
  std::size_t bytesPerSample = 2;
  std::vector<char> ringBytes = std::vector<char>(kRingBuffers * kRingBytes);
  std::array<WAVEHDR, kRingBuffers> ring{};
  std::size_t next = 0;  // the ring buffer winmm finishes next
  StreamHistory history{kHistorySamples};
  BufferQueue queue;  // the caller's buffer
  std::optional<std::uint64_t> lastBufferStart;

  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ~Stream() {
    if (device != nullptr) {
      TakeRingBack();
      waveInClose(device);
    }
    if (ringBufferDone != nullptr) CloseHandle(ringBufferDone);
  }

  // Hands every ring buffer to winmm; the stream counts from here.
  MMRESULT QueueRing() {
    next = 0;
    history.Restart();
    for (std::size_t k = 0; k < kRingBuffers; ++k) {
      WAVEHDR& header = ring[k];
      header = WAVEHDR{};
      header.lpData = ringBytes.data() + k * kRingBytes;
      header.dwBufferLength = kRingBytes;
      MMRESULT result = waveInPrepareHeader(device, &header, sizeof header);
      if (result == MMSYSERR_NOERROR) result = waveInAddBuffer(device, &header, sizeof header);
      if (result != MMSYSERR_NOERROR) return result;
    }
    return MMSYSERR_NOERROR;
  }

  // Stops the device, which gives every ring buffer back, and releases them.
  MMRESULT TakeRingBack() {
    const MMRESULT result = waveInReset(device);
    for (WAVEHDR& header : ring) waveInUnprepareHeader(device, &header, sizeof header);
    return result;
  }

  // Takes the ring buffers winmm has finished into the history, in the order it filled
  // them, and queues each again at once.
  void TakeFinished() {
    std::size_t finished = 0;
    while (finished < kRingBuffers && FinishedByDriver(ring[(next + finished) % kRingBuffers])) ++finished;
    // With every buffer finished, winmm had none to record into and dropped what came.
    const bool lostAfter = finished == kRingBuffers;
    for (; finished > 0; --finished) {
      WAVEHDR& header = ring[next];
      history.Append(reinterpret_cast<const std::int16_t*>(header.lpData), header.dwBytesRecorded / bytesPerSample);
      header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
      header.dwBytesRecorded = 0;
      waveInAddBuffer(device, &header, sizeof header);  // refused once the device is gone:
      next = (next + 1) % kRingBuffers;                 // then no more sound comes
    }
    if (lostAfter) history.MarkLoss();
  }

  void GiveNewestBlock() {
    if (queue.GiveNewestBlock(history)) lastBufferStart = history.LastBlockPosition();
  }
};

WinmmWaveInput::WinmmWaveInput() = default;

WinmmWaveInput::~WinmmWaveInput() = default;

WinmmWaveInput::Stream* WinmmWaveInput::Find(HWaveIn handle) {
  std::lock_guard lock(streamsMutex_);
  const auto found = streams_.find(handle);
  return found == streams_.end() ? nullptr : found->second.get();
}

std::uint32_t WinmmWaveInput::GetNumDevs() { return waveInGetNumDevs(); }

MMResult WinmmWaveInput::GetDevCaps(std::uint32_t deviceId, WaveInCaps* caps,
                                    std::uint32_t size) {
  if (caps == nullptr) return kError;
  WAVEINCAPSA real{};
  const UINT_PTR id = deviceId == kWaveMapper ? WAVE_MAPPER : deviceId;
  const MMRESULT result = waveInGetDevCapsA(id, &real, size);
  if (result != MMSYSERR_NOERROR) return result;
  caps->wMid = real.wMid;
  caps->wPid = real.wPid;
  caps->vDriverVersion = real.vDriverVersion;
  std::copy(std::begin(real.szPname), std::end(real.szPname), caps->szPname);
  caps->dwFormats = real.dwFormats;
  caps->wChannels = real.wChannels;
  return kNoError;
}

MMResult WinmmWaveInput::Open(HWaveIn* handle, std::uint32_t deviceId,
                              const WaveFormatEx* format) {
  if (handle == nullptr || format == nullptr) return kError;
  WAVEFORMATEX real{};
  real.wFormatTag = format->wFormatTag;
  real.nChannels = format->nChannels;
  real.nSamplesPerSec = format->nSamplesPerSec;
  real.nAvgBytesPerSec = format->nAvgBytesPerSec;
  real.nBlockAlign = format->nBlockAlign;
  real.wBitsPerSample = format->wBitsPerSample;
  real.cbSize = format->cbSize;
  auto stream = std::make_unique<Stream>();
  if (stream->ringBufferDone == nullptr) return MMSYSERR_NOMEM;
  stream->bytesPerSample = std::max<std::size_t>(format->nBlockAlign, 1);
  const UINT id = deviceId == kWaveMapper ? WAVE_MAPPER : deviceId;
  MMRESULT result = waveInOpen(&stream->device, id, &real,
                               reinterpret_cast<DWORD_PTR>(stream->ringBufferDone), 0, CALLBACK_EVENT);
  if (result != MMSYSERR_NOERROR) {
    stream->device = nullptr;
    return result;
  }
  result = stream->QueueRing();
  if (result != MMSYSERR_NOERROR) return result;  // the stream closes the device
  *handle = reinterpret_cast<HWaveIn>(stream->device);
  std::lock_guard lock(streamsMutex_);
  streams_[*handle] = std::move(stream);
  return kNoError;
}

MMResult WinmmWaveInput::Start(HWaveIn handle) {
  Stream* const stream = Find(handle);
  return stream == nullptr ? MMSYSERR_INVALHANDLE : waveInStart(stream->device);
}

MMResult WinmmWaveInput::PrepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  return Find(handle) == nullptr ? MMSYSERR_INVALHANDLE : BufferQueue::Prepare(header, size);
}

// The newest block may have ended already: then the buffer is given it at once.
MMResult WinmmWaveInput::AddBuffer(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  Stream* const stream = Find(handle);
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  const MMResult result = stream->queue.Add(header, size);
  if (result != kNoError) return result;
  stream->lastBufferStart.reset();
  stream->TakeFinished();
  stream->GiveNewestBlock();
  return kNoError;
}

MMResult WinmmWaveInput::UnprepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t size) {
  Stream* const stream = Find(handle);
  return stream == nullptr ? MMSYSERR_INVALHANDLE : stream->queue.Unprepare(header, size);
}

// Gives back the caller's buffer and starts the stream afresh, stopped, as winmm does.
MMResult WinmmWaveInput::Reset(HWaveIn handle) {
  Stream* const stream = Find(handle);
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  const MMRESULT result = stream->TakeRingBack();
  if (stream->queue.Queued() != nullptr) stream->queue.GiveBack();
  stream->lastBufferStart.reset();
  stream->QueueRing();
  return result;
}

MMResult WinmmWaveInput::Close(HWaveIn handle) {
  Stream* const stream = Find(handle);
  if (stream == nullptr) return MMSYSERR_INVALHANDLE;
  if (stream->queue.Queued() != nullptr) return WAVERR_STILLPLAYING;
  stream->TakeRingBack();
  const MMRESULT result = waveInClose(stream->device);
  if (result != MMSYSERR_NOERROR) {
    stream->QueueRing();
    return result;
  }
  stream->device = nullptr;
  std::lock_guard lock(streamsMutex_);
  streams_.erase(handle);
  return kNoError;
}

bool WinmmWaveInput::WaitDone(HWaveIn handle, WaveHeader* header, std::chrono::milliseconds timeout) {
  if (header == nullptr) return false;
  Stream* const stream = Find(handle);
  if (stream == nullptr || stream->queue.Queued() != header) return (header->dwFlags & WHDR_DONE) != 0;
  // The event may have been set before the wait, so the ring's flags are what decide; the
  // event only ends the sleep early.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    stream->TakeFinished();
    stream->GiveNewestBlock();
    if ((header->dwFlags & WHDR_DONE) != 0) return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (WaitForSingleObject(stream->ringBufferDone, static_cast<DWORD>(left.count())) == WAIT_FAILED) Sleep(1);
  }
}

std::optional<std::uint64_t> WinmmWaveInput::LastBufferPosition(HWaveIn handle) {
  Stream* const stream = Find(handle);
  return stream == nullptr ? std::nullopt : stream->lastBufferStart;
}

// A driver that stalls in an open, a reset or a close must not freeze the window either.
std::unique_ptr<WaveInput> CreateSystemWaveInput() {
  return std::make_unique<BoundedWaveInput>(std::make_shared<WinmmWaveInput>(), kSoundSystemPatience);
}
