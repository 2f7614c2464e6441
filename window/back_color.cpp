// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/back_color.h"

#include <QWidget>

void SetBackColor(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  palette.setColor(QPalette::Window, colour);
  control->setPalette(palette);
  control->setAutoFillBackground(true);
}

QColor BackColor(const QWidget* control) { return control->palette().color(QPalette::Window); }
