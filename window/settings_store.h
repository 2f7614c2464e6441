// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user settings store: text values under application "Harrowfen", section
// "Corvandel Pitch Suite". Handed to the window, so tests give it a temporary file.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>
#include <string>

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string GetSetting(const std::string& key, const std::string& defaultValue) = 0;
  // A store that cannot be written keeps the old value; the caller is not told.
  virtual void SaveSetting(const std::string& key, const std::string& value) = 0;
};

class QSettingsStore : public SettingsStore {
 public:
  explicit QSettingsStore(std::unique_ptr<QSettings> settings);
  ~QSettingsStore() override;

  std::string GetSetting(const std::string& key, const std::string& defaultValue) override;
  void SaveSetting(const std::string& key, const std::string& value) override;

 private:
  std::unique_ptr<QSettings> settings_;
};

// The user's own store: the registry key of the classic per-user settings calls on
// Windows, so a size chosen with an earlier version is kept; elsewhere a file in Qt's
// native format in the user's config folder (Harrowfen/Corvandel Pitch Suite.conf), which
// takes over what an earlier version stored in "Corvandel Pitch Suite.ini".
std::unique_ptr<QSettings> OpenUserSettings();

// Copies into `to` every value of `from` that `to` lacks, and saves `to` if anything
// came over. `from` is left as it is.
void CarryOverSettings(QSettings& from, QSettings& to);

// An INI file at the given path (tests).
std::unique_ptr<QSettings> OpenSettingsFile(const QString& path);
