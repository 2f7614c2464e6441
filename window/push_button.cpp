// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/push_button.h"

#include <QMouseEvent>

PushButton::PushButton(QWidget* parent) : QPushButton(parent) {
  // Pointer moves are reported also while no mouse button is held.
  setMouseTracking(true);
  connect(this, &QPushButton::clicked, this, &PushButton::Click);
}

QString PushButton::Caption() const { return text(); }

void PushButton::SetCaption(const QString& caption) { setText(caption); }

void PushButton::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  emit PointerMove(MouseButtonState(event->buttons()), ShiftState(event->modifiers()),
                   position.x(), position.y());
  QPushButton::mouseMoveEvent(event);
}

int MouseButtonState(Qt::MouseButtons buttons) {
  return (buttons.testFlag(Qt::LeftButton) ? PushButton::kLeftButton : 0) |
         (buttons.testFlag(Qt::RightButton) ? PushButton::kRightButton : 0) |
         (buttons.testFlag(Qt::MiddleButton) ? PushButton::kMiddleButton : 0);
}

int ShiftState(Qt::KeyboardModifiers modifiers) {
  return (modifiers.testFlag(Qt::ShiftModifier) ? PushButton::kShiftMask : 0) |
         (modifiers.testFlag(Qt::ControlModifier) ? PushButton::kCtrlMask : 0) |
         (modifiers.testFlag(Qt::AltModifier) ? PushButton::kAltMask : 0);
}
