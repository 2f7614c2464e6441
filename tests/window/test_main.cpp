// SPDX-License-Identifier: GPL-3.0-or-later
// Widget tests need one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>

// The labels are sized for Arial. Where it is missing and no font configuration stands in
// for it (Wine has neither), the fonts the build put beside the test program are used:
// Liberation Sans has Arial's metrics.
static void UseFontsBesideTheProgram() {
  const QDir folder(QCoreApplication::applicationDirPath());
  for (const QString& file : folder.entryList({"*.ttf"}, QDir::Files)) {
    if (QFontDatabase::addApplicationFont(folder.filePath(file)) < 0)
      qWarning("Font %s could not be loaded", qPrintable(file));
  }
  if (!QFontDatabase::families().contains("Arial") &&
      QFontDatabase::families().contains("Liberation Sans"))
    QFont::insertSubstitution("Arial", "Liberation Sans");
}

int main(int argc, char** argv) {
  // Also when CTest lists the tests, which it does without the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseFontsBesideTheProgram();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
