// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_kinds.h"

#include <QDir>

bool MakeNotRegularFile(const QString& path) { return QDir().mkpath(path); }

bool LinksAreSymbolic() { return false; }
