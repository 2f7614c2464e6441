// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/hand_cursor.h"

#include <QBuffer>
#include <QImageReader>
#include <QPixmap>
#include <cstdint>

#include "analysis/numeric.h"
#include "window/program_files.h"

namespace {

constexpr int kCursorFileType = 2;  // the directory's type field: 1 icon, 2 cursor

int Word(const QByteArray& bytes, int offset) {
  return static_cast<std::uint8_t>(bytes[offset]) |
         (static_cast<std::uint8_t>(bytes[offset + 1]) << 8);
}

// A cursor file keeps the first image's hotspot where an icon keeps planes and bit
// count: bytes 10..13 of the file. Qt's reader does not report it.
QPoint Hotspot(const QByteArray& bytes, QSize imageSize) {
  if (bytes.size() < 14 || Word(bytes, 2) != kCursorFileType) return QPoint(0, 0);
  return QPoint(qBound(0, Word(bytes, 10), imageSize.width() - 1),
                qBound(0, Word(bytes, 12), imageSize.height() - 1));
}

}  // namespace

QCursor LoadCursorFile(const QString& path) {
  std::optional<QByteArray> contents = ReadSmallRegularFile(path, kMaxCursorFileBytes);
  if (!contents) throw RuntimeError(kInvalidPicture);
  QByteArray& bytes = *contents;
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "ico");  // Qt's icon reader also reads cursor files
  const QImage image = reader.read();
  if (image.isNull()) throw RuntimeError(kInvalidPicture);
  const QPoint hotspot = Hotspot(bytes, image.size());
  return QCursor(QPixmap::fromImage(image), hotspot.x(), hotspot.y());
}
