// SPDX-License-Identifier: GPL-3.0-or-later
// The file kinds the tests of files beside the program make, where the system differs.
#pragma once

#include <QString>

// Makes a path that exists but is no regular file: a FIFO where the system has them (a
// reader of it would wait for a writer for ever), a folder on Windows, which has none.
bool MakeNotRegularFile(const QString& path);

// Whether QFile::link makes a symbolic link; on Windows it writes a shortcut file, which
// is a regular file of its own and leads nowhere when read.
bool LinksAreSymbolic();
