// SPDX-License-Identifier: GPL-3.0-or-later
// The error model of the three catching handlers (start-up, close request and the
// Start/Stop press): each numbers its steps; a step that fails is reported with its
// handler and line number in the "Application Error" dialog and the handler goes on
// with the next step.
#pragma once

#include <functional>
#include <string>

struct ErrorReport {
  std::string description;  // the error's description, e.g. "Overflow"
  std::string handler;      // "Form_Load", "Form_QueryUnload", "PushButton2_Click"
  int line = 0;
};

inline constexpr const char* kErrorDialogCaption = "Application Error";
inline constexpr const char* kSupportAddress = "support@harrowfen.example";

// The dialog's text: description, CR LF, location and line, CR CR, the support line.
std::string ErrorDialogText(const ErrorReport& report);

class HandlerSteps {
 public:
  using Reporter = std::function<void(const ErrorReport&)>;
  HandlerSteps(std::string handler, Reporter reporter);

  // Runs one step; on failure reports it with `line` and returns false.
  bool Run(int line, const std::function<void()>& step);

 private:
  std::string handler_;
  Reporter reporter_;
};
