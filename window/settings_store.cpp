// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/settings_store.h"

#include <QDebug>
#include <QFileInfo>
#include <QSettings>
#include <QString>

#include "window/known_settings.h"

namespace {

void WarnNotSaved(const QString& fileName) {
  qWarning("Settings could not be saved to %s", qPrintable(fileName));
}

}  // namespace

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
  const QString name = QString::fromStdString(key);
  const QString text = QString::fromStdString(value);
  settings_->setValue(name, text);
  settings_->sync();
  bool saved = settings_->status() == QSettings::NoError;
  // A file that held junk when it was read keeps reporting a format error, written or
  // not, and hides any later write error. Reading it afresh tells: what was written
  // reads back cleanly, and the fresh store reports later errors again.
  if (settings_->status() == QSettings::FormatError) {
    const QString fileName = settings_->fileName();
    const QSettings::Format format = settings_->format();
    settings_.reset();
    settings_ = std::make_unique<QSettings>(fileName, format);
    saved = settings_->status() == QSettings::NoError && settings_->value(name) == text;
  }
  // The choice still holds for this run; only the next start will not see it.
  if (!saved) WarnNotSaved(settings_->fileName());
}

RunOnlySettingsStore::RunOnlySettingsStore(QString fileName) : fileName_(std::move(fileName)) {}

std::string RunOnlySettingsStore::GetSetting(const std::string& key, const std::string& defaultValue) {
  const auto found = values_.find(key);
  return found == values_.end() ? defaultValue : found->second;
}

void RunOnlySettingsStore::SaveSetting(const std::string& key, const std::string& value) {
  values_[key] = value;
  WarnNotSaved(fileName_);
}

bool IsSettingsFileUsable(const QString& path) {
  const QFileInfo info(path);
  return !info.exists() || (info.isFile() && info.size() <= kMaxSettingsFileBytes);
}

void CarryOverSettings(QSettings& from, QSettings& to) {
  from.setFallbacksEnabled(false);
  to.setFallbacksEnabled(false);
  bool carried = false;
  for (const KnownSetting& setting : KnownSettings()) {
    const QString key = setting.key;
    const QVariant value = from.value(key);
    if (to.contains(key) || value.typeId() != QMetaType::QString ||
        !setting.usable(value.toString().toStdString()))
      continue;
    to.setValue(key, value);
    carried = true;
  }
  if (carried) to.sync();
}

std::unique_ptr<QSettings> OpenSettingsFile(const QString& path) {
  return std::make_unique<QSettings>(path, QSettings::IniFormat);
}
