// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/reference_pitch_setting.h"

#include <QtGlobal>
#include <string>

#include "analysis/note_naming.h"
#include "window/settings_store.h"

double StoredReferencePitch(SettingsStore& settings) {
  const std::string stored = settings.GetSetting(kReferencePitchKey, "");
  if (stored.empty()) return kStandardPitchA4;
  if (const auto pitch = PitchA4FromText(stored)) return *pitch;
  // Quoted in part only: the store may hold anything, of any length.
  const std::string quoted = stored.size() > 40 ? stored.substr(0, 40) + "..." : stored;
  qWarning("The stored reference pitch A4 \"%s\" is no pitch from 400.0 to 480.0 Hz: 440.0 Hz is used",
           quoted.c_str());
  return kStandardPitchA4;
}

void StoreReferencePitch(SettingsStore& settings, double pitchA4) {
  settings.SaveSetting(kReferencePitchKey, PitchA4Text(pitchA4));
}
