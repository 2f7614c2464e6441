// The custom pointer image: a Windows cursor file (.cur) loaded as a Qt cursor with the
// hotspot the file names.
#pragma once

#include <QCursor>
#include <QString>

inline constexpr const char* kInvalidPicture = "Invalid picture";

// Raises "Invalid picture" when the file cannot be read as a cursor or icon image.
QCursor LoadCursorFile(const QString& path);
