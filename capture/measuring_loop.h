// SPDX-License-Identifier: GPL-3.0-or-later
// The Start/Stop press and the measuring loop: open the chosen device, take one block at
// a time into the one buffer (the newest the device has), read it, show its frequency,
// note and tuning together, and let pending window events run once per block (a second
// press or a close request stops the device from inside that event processing). The
// window is reached only through MeasuringView, so the loop runs the same under the real
// window and in tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "handlers/handler_steps.h"
#include "capture/wave_input.h"
#include "readings/block_reading.h"

// What the loop reads and writes on the main window.
class MeasuringView {
 public:
  virtual ~MeasuringView() = default;
  virtual std::string ButtonCaption() const = 0;
  virtual void SetButtonCaption(const std::string& caption) = 0;
  virtual std::int16_t SelectedDeviceIndex() const = 0;  // -1: none selected
  virtual std::string NumberOfPointsText() const = 0;    // "": none selected
  virtual void SetNumberOfPointsEnabled(bool enabled) = 0;
  // One block's reading, whole: its captions change together.
  virtual void ShowReading(const BlockReading& reading) = 0;
  virtual char DecimalSeparator() const = 0;  // the user's locale
  virtual void ProcessPendingEvents() = 0;
  // A message with an OK button only, no icon, the application's title as caption.
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void ShowError(const ErrorReport& report) = 0;
};

inline constexpr const char* kDeviceDidNotOpen = "Wave input device didn't open.";
inline constexpr const char* kDeviceStoppedDelivering = "The audio device stopped delivering sound.";
inline constexpr const char* kChooseNumberOfPoints = "Choose the number of points first.";
inline constexpr std::int32_t kSampleRate = 44100;

class MeasuringLoop {
 public:
  // Samples and BitReversedIndex belong to the window, which rebuilds them whenever the
  // number of points is chosen; the loop re-creates Samples at every start.
  MeasuringLoop(WaveInput& waveInput, MeasuringView& view, std::vector<std::int16_t>& Samples,
                const std::vector<std::int32_t>& BitReversedIndex);

  void PushButton2_Click();
  // Refuses (Cancel = 1) the close while a device is open, after stopping it.
  void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode);
  void StopCapture();

  // How long a block may take beyond four times its own duration before the device
  // counts as stopped (three times that for the first block of a run); tests shorten it.
  void SetStallAllowance(std::chrono::milliseconds allowance) { stallAllowance_ = allowance; }

  HWaveIn hWaveIn = 0;
  ::WaveFormatEx WaveFormat;
  ::WaveHeader WaveHeader;
  // Set while a start is in progress or measuring; one loop exists per program.
  bool Running = false;

 private:
  void CaptureLoop();
  std::chrono::milliseconds BlockTimeLimit(std::int32_t N, bool firstBlock) const;
  void GiveUpOnStalledDevice();

  WaveInput& waveInput_;
  MeasuringView& view_;
  std::vector<std::int16_t>& Samples_;
  const std::vector<std::int32_t>& BitReversedIndex_;
  std::chrono::milliseconds stallAllowance_{1000};
};
