// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/measuring_loop.h"

#include <utility>

#include "analysis/numeric.h"
#include "readings/reading_pipeline.h"

MeasuringLoop::MeasuringLoop(WaveInput& waveInput, MeasuringView& view, std::vector<std::int16_t>& Samples,
                             const std::vector<std::int32_t>& BitReversedIndex)
    : waveInput_(waveInput), view_(view), Samples_(Samples), BitReversedIndex_(BitReversedIndex) {}

void MeasuringLoop::PushButton2_Click() {
  HandlerSteps steps("PushButton2_Click", [this](const ErrorReport& r) { view_.ShowError(r); });
  bool stopPress = false;
  steps.Run(100, [&] { stopPress = view_.ButtonCaption() == "Stop"; });

  if (stopPress) {
    steps.Run(142, [&] { Running = false; });
    steps.Run(144, [&] { StopCapture(); });
    return;
  }

  if (Running) return;  // a start is already under way further up the stack
  // Without a number of points the block size is unknown: refuse before opening anything.
  if (view_.NumberOfPointsText().empty()) {
    view_.ShowMessage(kChooseNumberOfPoints);
    return;
  }
  std::string idleCaption;
  steps.Run(104, [&] { idleCaption = view_.ButtonCaption(); });
  steps.Run(106, [&] { view_.SetButtonCaption("Stop"); });
  steps.Run(108, [&] { Running = true; });
  steps.Run(110, [&] {
    WaveFormat.wFormatTag = kWaveFormatPcm;
    WaveFormat.nChannels = 1;
    WaveFormat.nSamplesPerSec = static_cast<std::uint32_t>(kSampleRate);
    WaveFormat.wBitsPerSample = 16;
    WaveFormat.nBlockAlign = static_cast<std::uint16_t>(WaveFormat.nChannels * WaveFormat.wBitsPerSample / 8);
    WaveFormat.nAvgBytesPerSec = WaveFormat.nBlockAlign * WaveFormat.nSamplesPerSec;
    WaveFormat.cbSize = 0;
  });
  steps.Run(126, [&] {
    // A missing selection (-1) widens to the default device.
    const auto deviceId = static_cast<std::uint32_t>(static_cast<std::int32_t>(view_.SelectedDeviceIndex()));
    waveInput_.Open(&hWaveIn, deviceId, &WaveFormat);
  });
  if (hWaveIn == 0) {  // the device did not open
    steps.Run(130, [&] { view_.ShowMessage(kDeviceDidNotOpen); });
    // Nothing is measuring, so the controls go back to idle and the next press retries.
    view_.SetButtonCaption(idleCaption);
    Running = false;
    return;
  }
  steps.Run(132, [&] { waveInput_.Start(hWaveIn); });
  steps.Run(134, [&] { view_.SetNumberOfPointsEnabled(false); });
  if (!steps.Run(136, [&] { CaptureLoop(); })) {
    // The loop ended on an error: release the device rather than leave it recording.
    StopCapture();
  }
  steps.Run(138, [&] { view_.SetButtonCaption(idleCaption); });
  steps.Run(140, [&] { Running = false; });
}

void MeasuringLoop::CaptureLoop() {
  // The list of sizes is disabled while measuring and the locale is the one the run
  // started in: both are read once, not for every block.
  const std::int32_t N = ToInt32(TextToNumber(view_.NumberOfPointsText()));
  Samples_.assign(static_cast<std::size_t>(2 * N), 0);
  // The hum learnt from one block carries to the next where the device says where each
  // block lies in its stream.
  ReadingPipeline pipeline(kSampleRate, view_.DecimalSeparator());

  for (bool firstBlock = true;; firstBlock = false) {
    WaveHeader.lpData = reinterpret_cast<char*>(Samples_.data());
    WaveHeader.dwBufferLength = static_cast<std::uint32_t>(2 * N);
    WaveHeader.dwFlags = 0;
    waveInput_.PrepareHeader(hWaveIn, &WaveHeader, kWaveHeaderSize);
    waveInput_.AddBuffer(hWaveIn, &WaveHeader, kWaveHeaderSize);

    // Sleeps until the driver side marks the buffer done; window events wait meanwhile.
    if (!waveInput_.WaitDone(hWaveIn, &WaveHeader, BlockTimeLimit(N, firstBlock))) {
      GiveUpOnStalledDevice();
      return;
    }
    if (hWaveIn == 0) return;
    waveInput_.UnprepareHeader(hWaveIn, &WaveHeader, kWaveHeaderSize);

    view_.ShowReading(pipeline.Read(Samples_, BitReversedIndex_, waveInput_.LastBufferPosition(hWaveIn)));

    view_.ProcessPendingEvents();
    if (hWaveIn == 0) return;
  }
}

std::chrono::milliseconds MeasuringLoop::BlockTimeLimit(std::int32_t N, bool firstBlock) const {
  const auto blockMilliseconds = static_cast<std::int64_t>(N) * 1000 / kSampleRate + 1;
  const auto limit = stallAllowance_ + std::chrono::milliseconds(4 * blockMilliseconds);
  // A device, a sound server above all, may take a few seconds to start its stream.
  return firstBlock ? 3 * limit : limit;
}

void MeasuringLoop::GiveUpOnStalledDevice() {
  StopCapture();
  Running = false;
  view_.ShowMessage(kDeviceStoppedDelivering);
}

void MeasuringLoop::StopCapture() {
  waveInput_.Reset(hWaveIn);
  waveInput_.Close(hWaveIn);
  hWaveIn = 0;
  view_.SetButtonCaption("Start");
  view_.SetNumberOfPointsEnabled(true);
}

void MeasuringLoop::Form_QueryUnload(std::int16_t& Cancel, std::int16_t /*UnloadMode*/) {
  HandlerSteps steps("Form_QueryUnload", [this](const ErrorReport& r) { view_.ShowError(r); });
  bool deviceOpen = false;
  steps.Run(100, [&] { deviceOpen = hWaveIn != 0; });
  if (!deviceOpen) return;
  steps.Run(102, [&] { StopCapture(); });
  steps.Run(104, [&] { Cancel = 1; });
}
