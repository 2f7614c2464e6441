// SPDX-License-Identifier: GPL-3.0-or-later
// The files that lie beside the program, and the file test start-up uses on them.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Tails of the files beside the program, written as on Windows.
inline constexpr const char* kHandCursorTail = "\\HAND-M.CUR";
inline constexpr const char* kSkinFileTail = "\\x\\o.cjs";

// The program folder followed by the tail, its backslashes made forward slashes
// (which Qt understands on every platform).
QString ProgramFilePath(const QString& programFolder, const QString& tail);

// True when the file system can report the path's last-change time; false on any
// failure (missing file or folder, empty or malformed path, no access). Never throws.
bool FileExists(const QString& path);

// The whole content of a regular file (symbolic links followed) of at most maxBytes;
// nothing for a folder, a FIFO, a device, a larger file or a read error. Never opens
// anything that could block or deliver without end.
std::optional<QByteArray> ReadSmallRegularFile(const QString& path, qint64 maxBytes);
