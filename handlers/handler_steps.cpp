// SPDX-License-Identifier: GPL-3.0-or-later
#include "handlers/handler_steps.h"

#include <exception>
#include <new>
#include <utility>

std::string ErrorDialogText(const ErrorReport& report) {
  return report.description + "\r\n" + "in Corvandel2021/08/31.Form1." + report.handler + " " +
         "at line " + std::to_string(report.line) + "\r\r" +
         "Please email screenshot of this message to " + kSupportAddress;
}

HandlerSteps::HandlerSteps(std::string handler, Reporter reporter)
    : handler_(std::move(handler)), reporter_(std::move(reporter)) {}

bool HandlerSteps::Run(int line, const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const std::bad_alloc&) {
    reporter_({"Out of memory", handler_, line});
  } catch (const std::exception& error) {
    // RuntimeError carries the platform wording; anything else still gets its text.
    reporter_({error.what(), handler_, line});
  }
  return false;
}
