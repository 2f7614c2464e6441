// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/known_settings.h"

#include <array>

#include "analysis/note_naming.h"
#include "analysis/numeric.h"
#include "window/form1.h"
#include "window/reference_pitch_setting.h"

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
bool IsReferencePitch(const std::string& text) { return PitchA4FromText(text).has_value(); }

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
