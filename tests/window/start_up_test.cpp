// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the remembered FFT size, the application title, the hand pointer and the
// order in which failures are reported and start-up goes on.
#include <QListWidget>

#include "analysis/numeric.h"
#include "window/hand_cursor.h"
#include "file_kinds.h"
#include "window_test_support.h"

namespace {

struct StoredPositionCase {
  const char* name;
  std::optional<QString> stored;  // nullopt: nothing stored yet
  int selectedRow;                // -1: nothing selected
  const char* error;              // "" when start-up reports nothing
  std::optional<QString> storedAfter;

  friend void PrintTo(const StoredPositionCase& test, std::ostream* out) { *out << test.name; }
};

class StoredPositionTest : public WindowTest,
                           public ::testing::WithParamInterface<StoredPositionCase> {};

TEST_P(StoredPositionTest, SelectsTheStoredPositionOrReportsLine134) {
  const StoredPositionCase& test = GetParam();
  if (test.stored) StoreSetting(*test.stored);
  auto form = LoadedForm();

  EXPECT_EQ(form->lstNumberofPoints->count(), 3);
  EXPECT_EQ(form->lstNumberofPoints->currentRow(), test.selectedRow);
  EXPECT_EQ(StoredSetting(), test.storedAfter);
  if (*test.error) {
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_EQ(messages.errors[0].description, test.error);
    EXPECT_EQ(messages.errors[0].handler, "Form_Load");
    EXPECT_EQ(messages.errors[0].line, 134);
  } else {
    EXPECT_TRUE(messages.errors.empty());
  }
  if (test.selectedRow < 0) {
    EXPECT_TRUE(form->BitReversedIndex.empty());
    EXPECT_TRUE(form->Samples.empty());
  } else {
    const int points = 1024 << test.selectedRow;
    EXPECT_EQ(form->BitReversedIndex.size(), static_cast<std::size_t>(points / 2));
    EXPECT_EQ(form->Samples, std::vector<std::int16_t>(static_cast<std::size_t>(2 * points), 0));
  }
  // The device list, the last step, always runs.
  EXPECT_EQ(form->lstAudioDevices->count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    StoredValues, StoredPositionTest,
    ::testing::Values(
        StoredPositionCase{"Absent", std::nullopt, 0, "", "0"},
        StoredPositionCase{"Zero", "0", 0, "", "0"},
        StoredPositionCase{"One", "1", 1, "", "1"},
        StoredPositionCase{"Two", "2", 2, "", "2"},
        StoredPositionCase{"MinusOne", "-1", -1, "", "-1"},
        StoredPositionCase{"Word", "abc", -1, "Type mismatch", "abc"},
        StoredPositionCase{"BeyondInt16", "40000", -1, "Overflow", "40000"},
        StoredPositionCase{"Three", "3", -1, "Invalid property value", "3"},
        StoredPositionCase{"MinusTwo", "-2", -1, "Invalid property value", "-2"},
        StoredPositionCase{"OneAndAHalf", "1.5", 2, "", "2"},
        StoredPositionCase{"TwoAndAHalf", "2.5", 2, "", "2"},
        StoredPositionCase{"Half", "0.5", 0, "", "0"}),
    CaseName());

TEST_F(WindowTest, UserSelectionRebuildsTheBuffersAndStoresThePosition) {
  auto form = LoadedForm();
  form->Samples[5] = 77;
  form->lstNumberofPoints->setCurrentRow(1);
  EXPECT_EQ(StoredSetting(), "1");
  EXPECT_EQ(form->BitReversedIndex, BitReversal(1024));
  EXPECT_EQ(form->Samples, std::vector<std::int16_t>(4096, 0));
}

TEST_F(WindowTest, UnwritableStoreStillSelects) {
  WriteProgramFile("not-a-folder", "");
  settingsPath = ProgramFolder() + "/not-a-folder/settings.conf";
  StoreSetting("2");  // in the writable file, which this form does not use
  auto form = LoadedForm();
  EXPECT_TRUE(messages.errors.empty());
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_EQ(form->lstNumberofPoints->currentRow(), 0);
  EXPECT_EQ(form->Samples.size(), 2048u);
  form->lstNumberofPoints->setCurrentRow(2);
  EXPECT_EQ(form->Samples.size(), 8192u);
  EXPECT_FALSE(QFileInfo::exists(*settingsPath));
}

struct AppTitleCase {
  const char* name;
  QString productTitle;
  QString appTitle;

  friend void PrintTo(const AppTitleCase& test, std::ostream* out) { *out << test.name; }
};

class AppTitleTest : public ::testing::TestWithParam<AppTitleCase> {};

TEST_P(AppTitleTest, DropsWordsFromTheEndUntilFortyCharactersRemain) {
  EXPECT_EQ(ShortenedAppTitle(GetParam().productTitle), GetParam().appTitle);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, AppTitleTest,
    ::testing::Values(
        AppTitleCase{"ProductTitle", "Corvandel Pitch Suite", "Corvandel Pitch"},
        AppTitleCase{"ThreeWords", "Alpha Beta Gamma", "Alpha Beta"},
        AppTitleCase{"ExactlyForty", QString(29, 'a') + " " + QString(10, 'b'), QString(29, 'a')},
        // 45 characters: the first cut leaves 42, the second 34.
        AppTitleCase{"FortyFive", "Corvandel Pitch Suite Professional Edition XY",
                     "Corvandel Pitch Suite Professional"},
        AppTitleCase{"LeadingSpace", " Tuner", ""}),
    CaseName());

TEST(AppTitle, TitleWithoutASpaceIsAnInvalidCall) {
  for (const QString title : {"Tuner", ""}) {
    try {
      ShortenedAppTitle(title);
      ADD_FAILURE() << "no error for \"" << title.toStdString() << "\"";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.Description(), "Invalid procedure call or argument");
    }
  }
}

TEST_F(WindowTest, StartUpNamesTheWindowAndTheApplication) {
  auto form = LoadedForm();
  EXPECT_EQ(form->windowTitle(), "Corvandel Pitch Suite");
  EXPECT_EQ(AppTitle(), "Corvandel Pitch");
  EXPECT_FALSE(form->windowIcon().isNull());
  EXPECT_TRUE(messages.errors.empty());
}

TEST_F(WindowTest, OneWordProductTitleIsReportedAtLine104AndTheTitleStays) {
  auto form = LoadedForm("Tuner");
  ASSERT_EQ(messages.errors.size(), 1u);
  EXPECT_EQ(messages.errors[0].line, 104);
  EXPECT_EQ(messages.errors[0].description, "Invalid procedure call or argument");
  EXPECT_EQ(AppTitle(), "Corvandel Pitch Suite");
  EXPECT_EQ(form->windowTitle(), "Tuner");
  EXPECT_EQ(form->lstNumberofPoints->currentRow(), 0);  // start-up went on
}

TEST_F(WindowTest, NoHandPointerFileMeansNoPointerImageAndNoMessage) {
  auto form = LoadedForm();
  EXPECT_FALSE(form->MouseIcon.has_value());
  EXPECT_TRUE(messages.errors.empty());
}

QByteArray ShippedHandCursor() {
  QFile file(QStringLiteral(CORVANDEL_RESOURCES_DIR "/HAND-M.CUR"));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll();
}

// The shipped cursor with trailing bytes, which the picture reader ignores.
void WritePaddedCursor(const QString& path, qint64 size) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const QByteArray cursor = ShippedHandCursor();
  ASSERT_EQ(file.write(cursor + QByteArray(size - cursor.size(), '\0')), size);
}

struct HandPointerFileCase {
  const char* name;
  void (*make)(const QString& path);
  const char* error;  // "" when the pointer loads

  friend void PrintTo(const HandPointerFileCase& test, std::ostream* out) { *out << test.name; }
};

class HandPointerFileTest : public WindowTest,
                            public ::testing::WithParamInterface<HandPointerFileCase> {};

// Anything but a small regular file is a bad picture, reported at once: no hang, no
// reading without end.
TEST_P(HandPointerFileTest, OnlyASmallRegularCursorFileLoads) {
  GetParam().make(ProgramFolder() + "/HAND-M.CUR");
  auto form = LoadedForm();
  EXPECT_EQ(form->lstNumberofPoints->count(), 3);  // start-up went on
  if (*GetParam().error == '\0') {
    EXPECT_TRUE(messages.errors.empty());
    EXPECT_TRUE(form->MouseIcon.has_value());
    return;
  }
  ASSERT_EQ(messages.errors.size(), 1u);
  EXPECT_EQ(messages.errors[0].line, 108);
  EXPECT_EQ(messages.errors[0].description, GetParam().error);
  EXPECT_FALSE(form->MouseIcon.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Files, HandPointerFileTest,
    ::testing::Values(
        HandPointerFileCase{"NoPicture",
                            [](const QString& path) {
                              QFile file(path);
                              ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                              file.write("this is not a cursor");
                            },
                            "Invalid picture"},
        HandPointerFileCase{"Fifo",
                            [](const QString& path) {
                              ASSERT_TRUE(MakeNotRegularFile(path));
                            },
                            "Invalid picture"},
        HandPointerFileCase{"LinkToDevZero",
                            [](const QString& path) { ASSERT_TRUE(QFile::link("/dev/zero", path)); },
                            "Invalid picture"},
        HandPointerFileCase{"CursorOneByteOverOneMebibyte",
                            [](const QString& path) { WritePaddedCursor(path, (1 << 20) + 1); },
                            "Invalid picture"},
        HandPointerFileCase{"CursorOfExactlyOneMebibyte",
                            [](const QString& path) { WritePaddedCursor(path, 1 << 20); }, ""}),
    CaseName());

// The hotspot is the topmost opaque pixel: the tip of the pointing finger.
TEST_F(WindowTest, ShippedHandPointerLoadsWithItsHotspotOnTheFingertip) {
  WriteProgramFile("HAND-M.CUR", ShippedHandCursor());
  auto form = LoadedForm();
  ASSERT_TRUE(form->MouseIcon.has_value());
  EXPECT_TRUE(messages.errors.empty());
  const QImage image = form->MouseIcon->pixmap().toImage();
  ASSERT_EQ(image.size(), QSize(32, 32));
  const QPoint hotspot = form->MouseIcon->hotSpot();
  EXPECT_EQ(qAlpha(image.pixel(hotspot)), 255);
  for (int y = 0; y < hotspot.y(); ++y)
    for (int x = 0; x < image.width(); ++x) EXPECT_EQ(qAlpha(image.pixel(x, y)), 0);
}

TEST_F(WindowTest, CursorHotspotComesFromTheFileHeader) {
  QByteArray cursor = ShippedHandCursor();
  cursor[10] = 7;  // hotspot x
  cursor[12] = 9;  // hotspot y
  WriteProgramFile("moved.cur", cursor);
  EXPECT_EQ(LoadCursorFile(ProgramFolder() + "/moved.cur").hotSpot(), QPoint(7, 9));
}

}  // namespace
