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
// Windows, so a size chosen with an earlier version is kept; an INI file in the user's
// config folder elsewhere (Harrowfen/Corvandel Pitch Suite.conf).
std::unique_ptr<QSettings> OpenUserSettings();

// An INI file at the given path (tests).
std::unique_ptr<QSettings> OpenSettingsFile(const QString& path);
