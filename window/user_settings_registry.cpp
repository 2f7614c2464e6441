// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: where the classic per-user settings calls keep application "Harrowfen".
#include <QSettings>

#include "window/settings_store.h"

std::unique_ptr<SettingsStore> OpenUserSettings() {
  return std::make_unique<QSettingsStore>(std::make_unique<QSettings>(
      "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Harrowfen\\Corvandel Pitch Suite",
      QSettings::NativeFormat));
}
