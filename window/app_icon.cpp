// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/app_icon.h"

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : {32, 48, 128, 256})
    icon.addFile(QString(":/icons/corvandel-%1.png").arg(size), QSize(size, size));
  return icon;
}
