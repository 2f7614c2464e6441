// SPDX-License-Identifier: GPL-3.0-or-later
// A press of the Start/Stop button as a person makes it: press and release queued behind
// whatever is pending, so they arrive in the next event processing (inside the
// measuring loop, once it runs) rather than at once.
#pragma once

#include <QCoreApplication>
#include <QMouseEvent>

#include "window/push_button.h"

inline void PostPress(PushButton* button) {
  const QPointF centre = QRectF(button->rect()).center();
  const QPointF global = button->mapToGlobal(centre);
  QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, centre, global,
                                                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, centre, global,
                                                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}
