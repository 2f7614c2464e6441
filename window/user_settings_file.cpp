// SPDX-License-Identifier: GPL-3.0-or-later
// Everywhere but Windows: Qt's native format, ~/.config/Harrowfen/Corvandel Pitch Suite.conf.
#include <QDebug>
#include <QSettings>
#include <QStandardPaths>

#include "window/settings_store.h"

std::unique_ptr<SettingsStore> OpenUserSettings() {
  // The files by name, where Qt keeps a user's settings: opened by organisation and
  // application, Qt would also read the organisation's and the system's files, each of
  // which could hang or bloat start-up as well.
  const QString stem = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       "/Harrowfen/Corvandel Pitch Suite";
  const QString current = stem + ".conf";
  if (!IsSettingsFileUsable(current)) return std::make_unique<RunOnlySettingsStore>(current);
  auto settings = std::make_unique<QSettings>(current, QSettings::NativeFormat);
  // Earlier versions kept the same values in Qt's INI format, "… Suite.ini" beside it.
  const QString earlier = stem + ".ini";
  if (IsSettingsFileUsable(earlier)) {
    QSettings earlierSettings(earlier, QSettings::IniFormat);
    CarryOverSettings(earlierSettings, *settings);
  } else {
    qWarning("Settings of an earlier version not read from %s: not a regular file of at most 64 KiB",
             qPrintable(earlier));
  }
  return std::make_unique<QSettingsStore>(std::move(settings));
}
