// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/app_title.h"

#include <QCoreApplication>

#include "analysis/numeric.h"

QString ShortenedAppTitle(const QString& productTitle) {
  QString title = productTitle;
  do {
    // Position of the last space counted from 1, 0 when there is none; the title keeps
    // the characters before it, and a cut to -1 characters is refused.
    const qsizetype lastSpace = title.lastIndexOf(QChar(' ')) + 1;
    if (lastSpace - 1 < 0) throw RuntimeError(ErrorText::InvalidCall);
    title = title.left(lastSpace - 1);
  } while (title.size() > kMaxAppTitleLength);
  return title;
}

// The application name rather than the display name: Qt appends a display name to every
// window caption, which would change the caption the window sets itself.
void SetAppTitle(const QString& productTitle) {
  QCoreApplication::setApplicationName(ShortenedAppTitle(productTitle));
}

QString AppTitle() { return QCoreApplication::applicationName(); }
