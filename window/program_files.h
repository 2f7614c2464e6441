// The files that lie beside the program, and the file test start-up uses on them.
#pragma once

#include <QString>

// Tails of the files beside the program, written as on Windows.
inline constexpr const char* kHandCursorTail = "\\HAND-M.CUR";
inline constexpr const char* kSkinFileTail = "\\x\\o.cjs";

// The program folder followed by the tail, its backslashes made forward slashes
// (which Qt understands on every platform).
QString ProgramFilePath(const QString& programFolder, const QString& tail);

// True when the file system can report the path's last-change time; false on any
// failure (missing file or folder, empty or malformed path, no access). Never throws.
bool FileExists(const QString& path);
