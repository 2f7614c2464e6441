#include "window/program_files.h"

#include <QFileInfo>

QString ProgramFilePath(const QString& programFolder, const QString& tail) {
  return programFolder + QString(tail).replace('\\', '/');
}

bool FileExists(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && info.lastModified().isValid();
}
