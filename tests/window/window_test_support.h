// SPDX-License-Identifier: GPL-3.0-or-later
// A main window over a temporary program folder and settings file, a simulated wave
// input and a message service that records what it would have shown.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/simulated_wave_input.h"
#include "window/app_title.h"
#include "window/form1.h"
#include "window/message_service.h"
#include "window/settings_store.h"

class RecordingMessages : public MessageService {
 public:
  std::vector<QString> messages;
  std::vector<ErrorReport> errors;

  void ShowMessage(const QString& text) override { messages.push_back(text); }
  void ShowError(const ErrorReport& report) override { errors.push_back(report); }
};

// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// Names parameterised cases after their `name` field.
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& test) const {
    return test.param.name;
  }
};

inline std::vector<SimulatedDevice> NamedDevices(const std::vector<std::string>& names) {
  std::vector<SimulatedDevice> devices;
  for (const std::string& name : names) {
    SimulatedDevice device;
    device.name = name;
    devices.push_back(std::move(device));
  }
  return devices;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkpath("program"));
    QCoreApplication::setApplicationName(kProductTitle);
  }

  QString ProgramFolder() const { return folder.filePath("program"); }
  QString SettingsPath() const { return folder.filePath("settings.conf"); }

  void StoreSetting(const QString& value) {
    QSettings(SettingsPath(), QSettings::IniFormat).setValue(kNumberOfPointsKey, value);
  }
  std::optional<QString> StoredSetting() const {
    const QSettings stored(SettingsPath(), QSettings::IniFormat);
    if (!stored.contains(kNumberOfPointsKey)) return std::nullopt;
    return stored.value(kNumberOfPointsKey).toString();
  }

  void WriteProgramFile(const QString& name, const QByteArray& contents) {
    const QString path = ProgramFolder() + "/" + name;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
  }

  std::unique_ptr<Form1> MakeForm(const QString& productTitle = kProductTitle) {
    settings =
        std::make_unique<QSettingsStore>(OpenSettingsFile(settingsPath.value_or(SettingsPath())));
    return std::make_unique<Form1>(
        Form1Services{*waveInput, *settings, messages, ProgramFolder(), productTitle});
  }

  std::unique_ptr<Form1> LoadedForm(const QString& productTitle = kProductTitle) {
    auto form = MakeForm(productTitle);
    form->Form_Load();
    return form;
  }

  QTemporaryDir folder;
  std::optional<QString> settingsPath;  // another settings file than SettingsPath()
  std::unique_ptr<SimulatedWaveInput> waveInput =
      std::make_unique<SimulatedWaveInput>(NamedDevices({"Microphone"}));
  std::unique_ptr<QSettingsStore> settings;
  RecordingMessages messages;
};
