// SPDX-License-Identifier: GPL-3.0-or-later
// The description of the error an action raises, or "" when it raises none.
#pragma once

#include <functional>
#include <string>

#include "analysis/numeric.h"

inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& error) {
    return error.Description();
  }
  return "";
}
