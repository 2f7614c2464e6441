// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the measuring loop sees it: the button caption, the two lists,
// the result labels (each block's reading, at most 25 a second), the user's decimal
// separator, event processing and dialogs.
#pragma once

#include "capture/measuring_loop.h"
#include "window/reading_pacing.h"

class Form1;

class Form1MeasuringView : public MeasuringView {
 public:
  explicit Form1MeasuringView(Form1& form);

  std::string ButtonCaption() const override;
  void SetButtonCaption(const std::string& caption) override;
  std::int16_t SelectedDeviceIndex() const override;
  std::string NumberOfPointsText() const override;
  void SetNumberOfPointsEnabled(bool enabled) override;
  void ShowReading(const BlockReading& reading) override;
  char DecimalSeparator() const override;
  void ProcessPendingEvents() override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const ErrorReport& report) override;

 private:
  // Sets the three labels' captions together, each sized to its text before anything is
  // painted, so a paint never shows one block's caption beside another's or a cut one.
  void ShowCaptions(const BlockReading& reading);

  Form1& form_;
  ReadingPacing pacing_;
};
