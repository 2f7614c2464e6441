// Our headers come first: winmm defines WHDR_DONE and its kin as macros with the same
// values as our constants, and they must not rewrite our declarations.
#include "capture/winmm/winmm_wave_input.h"

#include "capture/system_wave_input.h"

// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <iterator>
#include <map>

static_assert(offsetof(WAVEINCAPSA, szPname) == offsetof(WaveInCaps, szPname));
static_assert(sizeof(WAVEINCAPSA::szPname) == sizeof(WaveInCaps::szPname));

namespace {

HWAVEIN ToWinmm(HWaveIn handle) { return reinterpret_cast<HWAVEIN>(handle); }

// The driver writes the flags from its own thread.
DWORD DriverFlags(WAVEHDR& real) { return std::atomic_ref<DWORD>(real.dwFlags).load(); }

}  // namespace

// The real WAVEHDR of each of the caller's headers, kept for the life of the backend so
// winmm always sees the same record for the same header, and the event winmm sets when
// it has finished a buffer (also on open and close), which WaitDone sleeps on.
struct WinmmWaveInput::Headers {
  std::map<const WaveHeader*, WAVEHDR> real;
  HANDLE bufferDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // auto-reset

  Headers() = default;
  Headers(const Headers&) = delete;
  Headers& operator=(const Headers&) = delete;
  ~Headers() {
    if (bufferDone != nullptr) CloseHandle(bufferDone);
  }

  WAVEHDR& For(WaveHeader* header) {
    WAVEHDR& whdr = real[header];
    whdr.lpData = header->lpData;
    whdr.dwBufferLength = header->dwBufferLength;
    return whdr;
  }

  static void CopyBack(WAVEHDR& whdr, WaveHeader* header) {
    header->dwBytesRecorded = whdr.dwBytesRecorded;
    header->dwFlags = DriverFlags(whdr);
  }
};

WinmmWaveInput::WinmmWaveInput() : headers_(std::make_unique<Headers>()) {}
WinmmWaveInput::~WinmmWaveInput() = default;

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
  HWAVEIN opened = nullptr;
  const UINT id = deviceId == kWaveMapper ? WAVE_MAPPER : deviceId;
  const MMRESULT result =
      headers_->bufferDone != nullptr
          ? waveInOpen(&opened, id, &real, reinterpret_cast<DWORD_PTR>(headers_->bufferDone), 0,
                       CALLBACK_EVENT)
          : waveInOpen(&opened, id, &real, 0, 0, CALLBACK_NULL);
  if (result == MMSYSERR_NOERROR) *handle = reinterpret_cast<HWaveIn>(opened);
  return result;
}

MMResult WinmmWaveInput::Start(HWaveIn handle) { return waveInStart(ToWinmm(handle)); }

using HeaderCall = MMRESULT(WINAPI*)(HWAVEIN, LPWAVEHDR, UINT);

// Hands the real header of `header` to a winmm header call and copies its flags back.
static MMResult CallWithHeader(HeaderCall call, HWaveIn handle, WinmmWaveInput::Headers& headers,
                               WaveHeader* header) {
  if (header == nullptr) return kError;
  WAVEHDR& whdr = headers.For(header);
  const MMRESULT result = call(ToWinmm(handle), &whdr, sizeof(WAVEHDR));
  WinmmWaveInput::Headers::CopyBack(whdr, header);
  return result;
}

MMResult WinmmWaveInput::PrepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t) {
  if (header != nullptr) headers_->For(header).dwFlags = header->dwFlags;
  return CallWithHeader(waveInPrepareHeader, handle, *headers_, header);
}

MMResult WinmmWaveInput::AddBuffer(HWaveIn handle, WaveHeader* header, std::uint32_t) {
  return CallWithHeader(waveInAddBuffer, handle, *headers_, header);
}

MMResult WinmmWaveInput::UnprepareHeader(HWaveIn handle, WaveHeader* header, std::uint32_t) {
  return CallWithHeader(waveInUnprepareHeader, handle, *headers_, header);
}

MMResult WinmmWaveInput::Reset(HWaveIn handle) {
  const MMRESULT result = waveInReset(ToWinmm(handle));
  for (auto& [header, whdr] : headers_->real) {
    Headers::CopyBack(whdr, const_cast<WaveHeader*>(header));
  }
  return result;
}

MMResult WinmmWaveInput::Close(HWaveIn handle) { return waveInClose(ToWinmm(handle)); }

bool WinmmWaveInput::WaitDone(HWaveIn, WaveHeader* header, std::chrono::milliseconds timeout) {
  if (header == nullptr) return false;
  const auto found = headers_->real.find(header);
  if (found == headers_->real.end()) return (header->dwFlags & WHDR_DONE) != 0;
  // The event may have been set by an earlier buffer or the open, so the flag is what
  // decides; the event only ends the sleep early.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while ((DriverFlags(found->second) & WHDR_DONE) == 0) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (headers_->bufferDone == nullptr ||
        WaitForSingleObject(headers_->bufferDone, static_cast<DWORD>(left.count())) == WAIT_FAILED)
      Sleep(1);  // without the event, look again shortly
  }
  Headers::CopyBack(found->second, header);
  return true;
}

std::unique_ptr<WaveInput> CreateSystemWaveInput() { return std::make_unique<WinmmWaveInput>(); }
