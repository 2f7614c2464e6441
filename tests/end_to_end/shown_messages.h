// SPDX-License-Identifier: GPL-3.0-or-later
// A message service for the end-to-end tests: keeps every text the window would have
// shown, dialogs and error reports alike, in the order shown.
#pragma once

#include <QString>
#include <vector>

#include "window/message_service.h"

class ShownMessages : public MessageService {
 public:
  std::vector<QString> shown;
  void ShowMessage(const QString& text) override { shown.push_back(text); }
  void ShowError(const ErrorReport& report) override {
    shown.push_back(QString::fromStdString(ErrorDialogText(report)));
  }
};
