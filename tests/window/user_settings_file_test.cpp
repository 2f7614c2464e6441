// SPDX-License-Identifier: GPL-3.0-or-later
// The user's settings file outside Windows.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "file_kinds.h"
#include "window/settings_store.h"
#include "window_test_support.h"

namespace {

std::vector<QString> warnings;

void RecordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg) warnings.push_back(text);
}

// Opens the writing end of a FIFO should the code under test still wait in an open of it
// after a while, so that such a fault fails the test instead of hanging it.
class ReleaseFifoReader {
 public:
  explicit ReleaseFifoReader(const QString& path)
      : thread_([this, name = QFile::encodeName(path)](std::stop_token stop) {
          std::mutex mutex;
          std::unique_lock lock(mutex);
          std::condition_variable_any never;
          if (never.wait_for(lock, stop, std::chrono::seconds(20), [] { return false; }) ||
              stop.stop_requested())
            return;
          // Opening the writing end without blocking succeeds only while a reader waits.
          const int writer = open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
          released_ = writer >= 0;
          if (writer >= 0) close(writer);
        }) {}

  // Whether a reader had to be released; ends the watch.
  bool Released() {
    thread_.request_stop();
    thread_.join();
    return released_;
  }

 private:
  bool released_ = false;
  std::jthread thread_;  // last: it starts once the flag exists
};

// The files under a temporary config folder (XDG_CONFIG_HOME), with Qt's warnings recorded.
class UserSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hadConfigHome_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    configHome_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
    ASSERT_TRUE(QDir(folder.path()).mkpath("Harrowfen"));
    warnings.clear();
    previousHandler_ = qInstallMessageHandler(RecordWarning);
  }
  void TearDown() override {
    qInstallMessageHandler(previousHandler_);
    if (hadConfigHome_)
      qputenv("XDG_CONFIG_HOME", configHome_);
    else
      qunsetenv("XDG_CONFIG_HOME");
  }

  // "conf", the store's file, or "ini", an earlier version's.
  QString PathOf(const char* extension) const {
    return folder.filePath(QString("Harrowfen/Corvandel Pitch Suite.") + extension);
  }
  static void Write(const QString& path, const QByteArray& contents) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
  }
  // The bytes of a regular file; a FIFO or a folder gives "not a regular file".
  static QByteArray Contents(const QString& path) {
    if (!QFileInfo(path).isFile()) return "not a regular file";
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
  }

  QTemporaryDir folder;

 private:
  bool hadConfigHome_ = false;
  QByteArray configHome_;
  QtMessageHandler previousHandler_ = nullptr;
};

// What an earlier version kept in "… Suite.ini" is read when the "… Suite.conf" file lacks
// it, and the .conf file wins where both hold a value.
TEST_F(UserSettingsTest, StoresInTheConfFileAndKeepsWhatTheIniFileHeld) {
  Write(PathOf("ini"), "[General]\nlstnumberofpoints=2\n");
  EXPECT_EQ(OpenUserSettings()->GetSetting("lstnumberofpoints", "0"), "2");
  EXPECT_EQ(QSettings(PathOf("conf"), QSettings::IniFormat).value("lstnumberofpoints"), "2");

  // Of another size than the file just saved: Qt's settings cache takes a file of the
  // same size and time stamp for unchanged.
  Write(PathOf("conf"), "[General]\nlstnumberofpoints = 1\n");
  const std::unique_ptr<SettingsStore> store = OpenUserSettings();
  EXPECT_EQ(store->GetSetting("lstnumberofpoints", "0"), "1");
  store->SaveSetting("lstnumberofpoints", "0");
  EXPECT_EQ(Contents(PathOf("ini")), "[General]\nlstnumberofpoints=2\n");  // left as it was
  EXPECT_TRUE(warnings.empty());
}

const QByteArray kStoredTwo = "[General]\nlstnumberofpoints=2\n";
// Junk keys after a good value, past the size a settings file can have.
const QByteArray kOversized = [] {
  QByteArray text = kStoredTwo;
  for (int key = 0; text.size() <= kMaxSettingsFileBytes; ++key) text += "junk" + QByteArray::number(key) + "=x\n";
  return text;
}();

struct FileCase {
  const char* name;
  std::function<void(const QString& path)> make;
  friend void PrintTo(const FileCase& test, std::ostream* out) { *out << test.name; }
};

const FileCase kFifo{"Fifo", [](const QString& path) { ASSERT_TRUE(MakeNotRegularFile(path)); }};
const FileCase kOverSixtyFourKiB{"OverSixtyFourKiB", [](const QString& path) {
                                   QFile file(path);
                                   ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                                   file.write(kOversized);
                                 }};

class UnusableStoreFileTest : public UserSettingsTest,
                              public ::testing::WithParamInterface<FileCase> {};

// Neither read (a FIFO would block start-up for good) nor written: the defaults hold, a
// choice holds for this run with the warning of a store that cannot be written, and the
// file stays as it was.
TEST_P(UnusableStoreFileTest, RunsOnDefaultsAndLeavesTheFileAsItWas) {
  const QString conf = PathOf("conf");
  GetParam().make(conf);
  const QByteArray before = Contents(conf);
  ReleaseFifoReader release(conf);
  const std::unique_ptr<SettingsStore> store = OpenUserSettings();
  EXPECT_EQ(store->GetSetting("lstnumberofpoints", "0"), "0");
  store->SaveSetting("lstnumberofpoints", "1");
  EXPECT_EQ(store->GetSetting("lstnumberofpoints", "0"), "1");
  EXPECT_EQ(warnings, std::vector<QString>{"Settings could not be saved to " + conf});
  EXPECT_EQ(Contents(conf), before);
  EXPECT_FALSE(release.Released()) << "start-up waited in an open of the FIFO";
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableStoreFileTest, ::testing::Values(kFifo, kOverSixtyFourKiB),
                         CaseName());

struct CarryOverCase {
  const char* name;
  std::function<void(const QString& path)> makeIni;
  std::map<QString, QString> carried;  // what the .conf file holds afterwards
  bool iniRead = true;                  // false: it is not read, with a warning
  friend void PrintTo(const CarryOverCase& test, std::ostream* out) { *out << test.name; }
};

std::function<void(const QString&)> IniHolding(QByteArray text) {
  return [text](const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  };
}

class CarryOverTest : public UserSettingsTest, public ::testing::WithParamInterface<CarryOverCase> {};

// Only the values the tuner knows come over, and only those the store would take; an
// .ini file that is not a small regular file is not read. It stays as it was.
TEST_P(CarryOverTest, TakesOnlyKnownUsableValuesAndLeavesTheIniFileAlone) {
  const QString ini = PathOf("ini");
  GetParam().makeIni(ini);
  const QByteArray before = Contents(ini);
  ReleaseFifoReader release(ini);
  OpenUserSettings();
  const QSettings conf(PathOf("conf"), QSettings::IniFormat);
  std::map<QString, QString> held;
  for (const QString& key : conf.allKeys()) held[key] = conf.value(key).toString();
  EXPECT_EQ(held, GetParam().carried);
  EXPECT_EQ(Contents(ini), before);
  EXPECT_FALSE(release.Released()) << "start-up waited in an open of the FIFO";
  EXPECT_EQ(warnings.size(), GetParam().iniRead ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CarryOverTest,
    ::testing::Values(
        CarryOverCase{"KnownValuesAmongJunk",
                      IniHolding("[General]\nlstnumberofpoints=2\nReferencePitchA4=432.5\njunk=1\n"
                                 "[Other]\nlstnumberofpoints=1\n"),
                      {{"lstnumberofpoints", "2"}, {"ReferencePitchA4", "432.5"}}},
        CarryOverCase{"OutOfRange", IniHolding("[General]\nlstnumberofpoints=7\nReferencePitchA4=480.5\n"), {}},
        CarryOverCase{"NoNumbers", IniHolding("[General]\nlstnumberofpoints=abc\nReferencePitchA4=A4\n"), {}},
        CarryOverCase{"OverSixtyFourKiB", kOverSixtyFourKiB.make, {}, false},
        CarryOverCase{"Fifo", kFifo.make, {}, false}),
    CaseName());

}  // namespace
