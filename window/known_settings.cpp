// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/known_settings.h"

#include <array>

#include "analysis/numeric.h"
#include "window/form1.h"

namespace {

constexpr int kNumberOfPointsEntries = 3;  // 1024, 2048 and 4096

bool IsNumberOfPointsPosition(const std::string& text) {
  try {
    StoredNumberOfPointsPosition(text, kNumberOfPointsEntries);
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

// Hertz as decimal text, within the range the tuner offers for A4.
bool IsReferencePitch(const std::string& text) {
  try {
    const double hertz = TextToNumber(text);
    return hertz >= 400.0 && hertz <= 480.0;
  } catch (const RuntimeError&) {
    return false;
  }
}

constexpr std::array<KnownSetting, 2> kKnownSettings{{
    {kNumberOfPointsKey, IsNumberOfPointsPosition},
    {kReferencePitchKey, IsReferencePitch},
}};

}  // namespace

std::span<const KnownSetting> KnownSettings() { return kKnownSettings; }

std::int16_t StoredNumberOfPointsPosition(const std::string& text, int entries) {
  const std::int16_t position = ToInt16(TextToNumber(text));
  if (position < -1 || position >= entries) throw RuntimeError(ErrorText::InvalidPropertyValue);
  return position;
}
