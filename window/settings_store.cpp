#include "window/settings_store.h"

#include <QDebug>
#include <QSettings>
#include <QString>

QSettingsStore::QSettingsStore(std::unique_ptr<QSettings> settings)
    : settings_(std::move(settings)) {}

QSettingsStore::~QSettingsStore() = default;

std::string QSettingsStore::GetSetting(const std::string& key, const std::string& defaultValue) {
  return settings_
      ->value(QString::fromStdString(key), QString::fromStdString(defaultValue))
      .toString()
      .toStdString();
}

void QSettingsStore::SaveSetting(const std::string& key, const std::string& value) {
  settings_->setValue(QString::fromStdString(key), QString::fromStdString(value));
  settings_->sync();
  // The choice still holds for this run; only the next start will not see it.
  if (settings_->status() != QSettings::NoError)
    qWarning("Settings could not be saved to %s", qPrintable(settings_->fileName()));
}

std::unique_ptr<QSettings> OpenSettingsFile(const QString& path) {
  return std::make_unique<QSettings>(path, QSettings::IniFormat);
}
