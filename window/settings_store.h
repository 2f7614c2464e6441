// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user settings store: text values under application "Harrowfen", section
// "Corvandel Pitch Suite". Handed to the window, so tests give it a temporary file.
#pragma once

#include <QSettings>
#include <QString>
#include <map>
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

// The store of a settings file that is not opened (see IsSettingsFileUsable): reads give
// the defaults, a value saved holds for this run only, each save warns as a failed save
// does, and the file is left as it is.
class RunOnlySettingsStore : public SettingsStore {
 public:
  explicit RunOnlySettingsStore(QString fileName);

  std::string GetSetting(const std::string& key, const std::string& defaultValue) override;
  void SaveSetting(const std::string& key, const std::string& value) override;

 private:
  QString fileName_;
  std::map<std::string, std::string> values_;
};

// A settings file holds one or two short values: anything larger is junk.
inline constexpr qint64 kMaxSettingsFileBytes = 64 * 1024;

// True when the path may be opened as a settings file: absent, or a regular file (links
// followed) of at most kMaxSettingsFileBytes. Opening a FIFO blocks until a writer comes,
// a device never ends, and a huge file is slow to read and copied on every save.
bool IsSettingsFileUsable(const QString& path);

// The user's own store: the registry key of the classic per-user settings calls on
// Windows, so a size chosen with an earlier version is kept; elsewhere a file in Qt's
// native format in the user's config folder (Harrowfen/Corvandel Pitch Suite.conf), which
// takes over the values an earlier version stored in "Corvandel Pitch Suite.ini". A file
// there that is not usable is neither read nor written: the store then runs on defaults.
std::unique_ptr<SettingsStore> OpenUserSettings();

// Copies into `to` each known setting (known_settings.h) that `from` holds with a usable
// text and `to` lacks, and saves `to` if anything came over. `from` is left as it is.
void CarryOverSettings(QSettings& from, QSettings& to);

// An INI file at the given path (tests).
std::unique_ptr<QSettings> OpenSettingsFile(const QString& path);
