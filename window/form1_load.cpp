// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the main window, the FFT-size handler and the device list.
#include <QListWidget>

#include "handlers/handler_steps.h"
#include "analysis/numeric.h"
#include "capture/device_list.h"
#include "capture/wave_input.h"
#include "window/app_icon.h"
#include "window/app_title.h"
#include "window/form1.h"
#include "window/hand_cursor.h"
#include "window/known_settings.h"
#include "window/message_service.h"
#include "window/program_files.h"
#include "window/settings_store.h"
#include "window/skin.h"

void Form1::Form_Load() {
  HandlerSteps steps("Form_Load",
                     [this](const ErrorReport& report) { services_.messages.ShowError(report); });
  const QString& title = services_.productTitle;

  steps.Run(100, [&] { ApplySkin(*this); });
  steps.Run(104, [&] { setWindowTitle(title); });
  steps.Run(104, [&] { setWindowIcon(ApplicationIcon()); });
  steps.Run(104, [&] { SetAppTitle(title); });

  const QString handCursorPath = ProgramFilePath(services_.programFolder, kHandCursorTail);
  bool handCursorPresent = true;  // a failed test goes on inside the condition
  steps.Run(106, [&] { handCursorPresent = FileExists(handCursorPath); });
  if (handCursorPresent) steps.Run(108, [&] { MouseIcon = LoadCursorFile(handCursorPath); });

  steps.Run(128, [&] { lstNumberofPoints->addItem("1024"); });
  steps.Run(130, [&] { lstNumberofPoints->addItem("2048"); });
  steps.Run(132, [&] { lstNumberofPoints->addItem("4096"); });
  steps.Run(134, [&] { SelectStoredNumberOfPoints(); });
  steps.Run(136, [&] { FillDeviceList(); });
}

void Form1::SelectStoredNumberOfPoints() {
  const std::string stored = services_.settings.GetSetting(kNumberOfPointsKey, "0");
  const std::int16_t position = StoredNumberOfPointsPosition(stored, lstNumberofPoints->count());
  {
    // The handler runs here, inside this step, so its failures are this step's.
    const QSignalBlocker quiet(lstNumberofPoints);
    lstNumberofPoints->setCurrentRow(position);
  }
  if (position >= 0) lstNumberofPoints_Click();
}

void Form1::lstNumberofPoints_Click() {
  const double N = TextToNumber(lstNumberofPoints->currentItem()->text().toStdString());
  const std::int32_t M = ToInt32(N / 2);
  BitReversedIndex = BitReversal(M);
  const std::int32_t upperBound = ToInt32(2 * N - 1);
  Samples = std::vector<std::int16_t>(static_cast<std::size_t>(upperBound) + 1, 0);
  services_.settings.SaveSetting(kNumberOfPointsKey,
                                 std::to_string(lstNumberofPoints->currentRow()));
}

void Form1::FillDeviceList() {
  lstAudioDevices->clear();
  const std::int32_t count = ToInt32(services_.waveInput.GetNumDevs());
  for (std::int32_t id = 0; id < count; ++id) {
    // The ANSI code page on Windows, UTF-8 elsewhere: Qt's local 8-bit encoding.
    lstAudioDevices->addItem(QString::fromLocal8Bit(DeviceName(services_.waveInput, id)));
  }
  if (lstAudioDevices->count() == 0) {
    services_.messages.ShowMessage(kNoMicrophoneFound);
    EndProgram();
    return;
  }
  lstAudioDevices->setCurrentRow(0);
}

void Form1::EndProgram() { programEnded_ = true; }
