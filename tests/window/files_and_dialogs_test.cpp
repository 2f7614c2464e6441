// SPDX-License-Identifier: GPL-3.0-or-later
// The file test, paths beside the program and the dialogs of the message service.
#include <QMessageBox>
#include <QPushButton>

#include "window/program_files.h"
#include "window_test_support.h"

namespace {

struct FileExistsCase {
  const char* name;
  QString relativePath;  // under the test folder; "" is the empty text itself
  bool exists;

  friend void PrintTo(const FileExistsCase& test, std::ostream* out) { *out << test.name; }
};

class FileExistsTest : public WindowTest, public ::testing::WithParamInterface<FileExistsCase> {};

TEST_P(FileExistsTest, TrueOnlyWhenTheLastChangeTimeCanBeRead) {
  WriteProgramFile("present.txt", "x");
  const QString path =
      GetParam().relativePath.isEmpty() ? QString() : folder.filePath(GetParam().relativePath);
  EXPECT_EQ(FileExists(path), GetParam().exists);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileExistsTest,
    ::testing::Values(FileExistsCase{"File", "program/present.txt", true},
                      FileExistsCase{"Folder", "program", true},
                      FileExistsCase{"MissingFile", "program/absent.txt", false},
                      FileExistsCase{"MissingFolder", "nowhere/present.txt", false},
                      FileExistsCase{"EmptyText", "", false}),
    CaseName());

TEST(ProgramFiles, TailsAreJoinedToTheFolderWithForwardSlashes) {
  EXPECT_EQ(ProgramFilePath("/opt/tuner", kHandCursorTail), "/opt/tuner/HAND-M.CUR");
  EXPECT_EQ(ProgramFilePath("/opt/tuner", kSkinFileTail), "/opt/tuner/x/o.cjs");
}

TEST_F(WindowTest, ErrorDialogShowsTheExactTextWithExclamationAndOk) {
  const auto dialog = MakeErrorDialog({"Overflow", "Form_Load", 134});
  EXPECT_EQ(dialog->windowTitle(), "Application Error");
  EXPECT_EQ(dialog->icon(), QMessageBox::Warning);
  EXPECT_EQ(dialog->standardButtons(), QMessageBox::Ok);
  EXPECT_EQ(dialog->text(),
            "Overflow\r\nin Corvandel2021/08/31.Form1.Form_Load at line 134\r\r"
            "Please email screenshot of this message to support@harrowfen.example");
}

TEST_F(WindowTest, PlainMessageHasTheApplicationTitleNoIconAndOk) {
  QCoreApplication::setApplicationName("Corvandel Pitch");
  const auto dialog = MakeMessageDialog("No microphone found.");
  EXPECT_EQ(dialog->windowTitle(), "Corvandel Pitch");
  EXPECT_EQ(dialog->icon(), QMessageBox::NoIcon);
  EXPECT_EQ(dialog->standardButtons(), QMessageBox::Ok);
  EXPECT_EQ(dialog->text(), "No microphone found.");
}

}  // namespace
