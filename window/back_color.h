// SPDX-License-Identifier: GPL-3.0-or-later
// A control's background colour, the way the window's design sets it: the palette's
// window colour, filled in by the control itself.
#pragma once

#include <QColor>

class QWidget;

void SetBackColor(QWidget* control, const QColor& colour);
QColor BackColor(const QWidget* control);
