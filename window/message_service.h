// SPDX-License-Identifier: GPL-3.0-or-later
// Every dialog the program shows goes through one message service, handed to the
// window; tests replace it to record the calls and answer at once.
#pragma once

#include <QString>
#include <memory>

#include "handlers/handler_steps.h"

class QMessageBox;

class MessageService {
 public:
  virtual ~MessageService() = default;
  // OK button only, no icon, the application title as caption.
  virtual void ShowMessage(const QString& text) = 0;
  // "Application Error": exclamation icon, one OK button, ErrorDialogText(report).
  virtual void ShowError(const ErrorReport& report) = 0;
};

// Shows real modal dialogs.
class DialogMessageService : public MessageService {
 public:
  void ShowMessage(const QString& text) override;
  void ShowError(const ErrorReport& report) override;
};

// The dialogs DialogMessageService shows, built but not yet shown.
std::unique_ptr<QMessageBox> MakeMessageDialog(const QString& text);
std::unique_ptr<QMessageBox> MakeErrorDialog(const ErrorReport& report);
