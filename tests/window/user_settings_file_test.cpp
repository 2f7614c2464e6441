// SPDX-License-Identifier: GPL-3.0-or-later
// The user's settings file outside Windows.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "window/settings_store.h"
#include "window_test_support.h"

namespace {

// The user's file: what an earlier version kept in "… Suite.ini" is read when the
// "… Suite.conf" file lacks it, and the .conf file wins where both hold a value.
class UserSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const QSettings::Format format : {QSettings::IniFormat, QSettings::NativeFormat})
      QSettings::setPath(format, QSettings::UserScope, folder.path());
  }
  void TearDown() override {
    const QString usual = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const QSettings::Format format : {QSettings::IniFormat, QSettings::NativeFormat})
      QSettings::setPath(format, QSettings::UserScope, usual);
  }

  void Write(const QString& name, const QByteArray& contents) {
    ASSERT_TRUE(QDir(folder.path()).mkpath("Harrowfen"));
    QFile file(folder.filePath("Harrowfen/" + name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
  }

  QTemporaryDir folder;
};

TEST_F(UserSettingsTest, StoresInTheConfFileAndKeepsWhatTheIniFileHeld) {
  Write("Corvandel Pitch Suite.ini", "[General]\nlstnumberofpoints=2\n");
  {
    QSettingsStore store(OpenUserSettings());
    EXPECT_EQ(store.GetSetting("lstnumberofpoints", "0"), "2");
  }
  const QSettings conf(folder.filePath("Harrowfen/Corvandel Pitch Suite.conf"),
                       QSettings::IniFormat);
  EXPECT_EQ(conf.value("lstnumberofpoints"), "2");

  // Of another size than the file just saved: Qt's settings cache takes a file of the
  // same size and time stamp for unchanged.
  Write("Corvandel Pitch Suite.conf", "[General]\nlstnumberofpoints = 1\n");
  QSettingsStore store(OpenUserSettings());
  EXPECT_EQ(store.GetSetting("lstnumberofpoints", "0"), "1");
  store.SaveSetting("lstnumberofpoints", "0");
  EXPECT_EQ(QSettings(folder.filePath("Harrowfen/Corvandel Pitch Suite.ini"), QSettings::IniFormat)
                .value("lstnumberofpoints"),
            "2");  // the earlier file is left as it was
}

}  // namespace
