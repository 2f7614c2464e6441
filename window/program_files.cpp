// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/program_files.h"

#include <QFile>
#include <QFileInfo>

QString ProgramFilePath(const QString& programFolder, const QString& tail) {
  return programFolder + QString(tail).replace('\\', '/');
}

bool FileExists(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && info.lastModified().isValid();
}

std::optional<QByteArray> ReadSmallRegularFile(const QString& path, qint64 maxBytes) {
  const QFileInfo info(path);
  if (!info.isFile() || info.size() > maxBytes) return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  // The file may have grown since it was measured: one byte more than allowed tells.
  QByteArray bytes = file.read(maxBytes + 1);
  if (bytes.size() > maxBytes || file.error() != QFileDevice::NoError) return std::nullopt;
  return bytes;
}
