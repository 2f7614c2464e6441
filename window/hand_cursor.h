// SPDX-License-Identifier: GPL-3.0-or-later
// The custom pointer image: a Windows cursor file (.cur) loaded as a Qt cursor with the
// hotspot the file names.
#pragma once

#include <QCursor>
#include <QString>

inline constexpr const char* kInvalidPicture = "Invalid picture";
inline constexpr qint64 kMaxCursorFileBytes = 1024 * 1024;  // a cursor is a few kilobytes

// Raises "Invalid picture" when the path is not a regular file of at most
// kMaxCursorFileBytes or cannot be read as a cursor or icon image.
QCursor LoadCursorFile(const QString& path);
