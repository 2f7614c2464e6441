// SPDX-License-Identifier: GPL-3.0-or-later
// Everywhere but Windows: Qt's native format, ~/.config/Harrowfen/Corvandel Pitch Suite.conf.
#include <QSettings>

#include "window/settings_store.h"

std::unique_ptr<QSettings> OpenUserSettings() {
  const char* organization = "Harrowfen";
  const char* application = "Corvandel Pitch Suite";
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                              organization, application);
  // Earlier versions kept the same values in Qt's INI format, "… Suite.ini" beside it.
  QSettings earlier(QSettings::IniFormat, QSettings::UserScope, organization, application);
  CarryOverSettings(earlier, *settings);
  return settings;
}
