// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_kinds.h"

#include <sys/stat.h>

#include <QFile>

bool MakeNotRegularFile(const QString& path) {
  return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool LinksAreSymbolic() { return true; }
