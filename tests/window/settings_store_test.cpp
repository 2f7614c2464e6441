// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store warns only when saving really failed.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <vector>

#include "window/settings_store.h"
#include "window_test_support.h"

namespace {

std::vector<QString> warnings;

void RecordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg) warnings.push_back(text);
}

const QByteArray kBinaryJunk("\x7f" "ELF\x02\x01\x00\xff[\x80\n\x01\x02\x03\n", 16);

struct SaveCase {
  const char* name;
  QByteArray before;      // the file's content when the store is opened
  bool folderGoesAway;    // its folder becomes a plain file before the save
  bool warns;

  friend void PrintTo(const SaveCase& test, std::ostream* out) { *out << test.name; }
};

class SaveTest : public ::testing::TestWithParam<SaveCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(folder.path()).mkpath("store"));
    warnings.clear();
    previousHandler = qInstallMessageHandler(RecordWarning);
  }
  void TearDown() override { qInstallMessageHandler(previousHandler); }

  QTemporaryDir folder;
  QtMessageHandler previousHandler = nullptr;
};

TEST_P(SaveTest, WarnsOnlyWhenTheValueDidNotReachTheFile) {
  const SaveCase& test = GetParam();
  const QString path = folder.filePath("store/settings.conf");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(test.before);
  }
  QSettingsStore store(OpenSettingsFile(path));
  if (test.folderGoesAway) {
    ASSERT_TRUE(QDir(folder.path()).rename("store", "moved"));
    QFile plain(folder.filePath("store"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  }
  store.SaveSetting("lstnumberofpoints", "2");
  store.SaveSetting("lstnumberofpoints", "1");  // a later failure is not hidden either

  EXPECT_EQ(warnings.size(), test.warns ? 2u : 0u);
  if (!test.folderGoesAway) {
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).value("lstnumberofpoints"), "1");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, SaveTest,
    ::testing::Values(SaveCase{"Clean", "[General]\nlstnumberofpoints=0\n", false, false},
                      SaveCase{"BinaryJunk", kBinaryJunk, false, false},
                      SaveCase{"CleanThenUnwritable", "[General]\nlstnumberofpoints=0\n", true, true},
                      SaveCase{"BinaryJunkThenUnwritable", kBinaryJunk, true, true}),
    CaseName());

}  // namespace
