#include "file_kinds.h"

#include <QDir>

bool MakeNotRegularFile(const QString& path) { return QDir().mkpath(path); }

bool LinksAreSymbolic() { return false; }
