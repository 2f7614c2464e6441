// SPDX-License-Identifier: GPL-3.0-or-later
// The values the tuner keeps in the per-user store, each with the check a stored text
// must pass to be used. This is the one list of them: a value that an earlier version's
// file holds is carried over only if its key is listed here and its text passes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

inline constexpr const char* kReferencePitchKey = "ReferencePitchA4";

struct KnownSetting {
  const char* key;
  bool (*usable)(const std::string& text);
};

std::span<const KnownSetting> KnownSettings();

// The position of lstNumberofPoints, a list of `entries` sizes, that a stored text selects
// (-1: none). Raises the error start-up reports for a text it cannot use: a type mismatch
// for "abc", an overflow for 99999, an invalid property value for 7.
std::int16_t StoredNumberOfPointsPosition(const std::string& text, int entries);
