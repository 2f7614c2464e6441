// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the measuring loop sees it: the button caption, the two lists,
// the three result labels, the user's decimal separator, event processing and dialogs.
#pragma once

#include "capture/measuring_loop.h"
#include "window/caption_repaint_pacing.h"

class AutoSizeLabel;
class Form1;
class QString;

class Form1MeasuringView : public MeasuringView {
 public:
  explicit Form1MeasuringView(Form1& form) : form_(form) {}

  std::string ButtonCaption() const override;
  void SetButtonCaption(const std::string& caption) override;
  std::int16_t SelectedDeviceIndex() const override;
  std::string NumberOfPointsText() const override;
  void SetNumberOfPointsEnabled(bool enabled) override;
  std::string FrequencyText() const override;
  void SetFrequencyText(const std::string& caption) override;
  void SetNoteText(const std::string& caption) override;
  void SetTuningText(const std::string& caption) override;
  char DecimalSeparator() const override;
  double ReferencePitch() const override;
  void ShowReading(const BlockReading& reading) override;
  void ProcessPendingEvents() override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const ErrorReport& report) override;

 private:
  void ShowResult(AutoSizeLabel* label, const QString& caption);

  Form1& form_;
  CaptionRepaintPacing resultRepaints_{std::chrono::milliseconds(40)};  // 25 a second
};
