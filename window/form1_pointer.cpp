// SPDX-License-Identifier: GPL-3.0-or-later
// Pointer feedback: the window's pointer mode and the five pointer-move handlers.
#include <QGroupBox>
#include <QMouseEvent>

#include "window/form1.h"
#include "window/push_button.h"

std::int16_t Form1::MousePointer() const { return mousePointer_; }

void Form1::SetMousePointer(std::int16_t mode) {
  mousePointer_ = mode;
  // Set on the window, the shape also shows over every control without a shape of its
  // own (the button, the frames, the labels).
  if (mode == kBusyPointer)
    setCursor(Qt::WaitCursor);
  else if (mode == kCustomPointer)
    setCursor(MouseIcon.value_or(QCursor(Qt::ArrowCursor)));
  else
    unsetCursor();
}

void Form1::HoverPointer(std::int16_t mode) {
  if (MousePointer() != kBusyPointer) SetMousePointer(mode);
}

void Form1::Form_MouseMove(int, int, int, int) { HoverPointer(kDefaultPointer); }
void Form1::Frame1_MouseMove(int, int, int, int) { HoverPointer(kDefaultPointer); }
void Form1::Frame2_MouseMove(int, int, int, int) { HoverPointer(kDefaultPointer); }
void Form1::Frame3_MouseMove(int, int, int, int) { HoverPointer(kDefaultPointer); }
void Form1::PushButton2_MouseMove(int, int, int, int) { HoverPointer(kCustomPointer); }

void Form1::WirePointerFeedback() {
  setMouseTracking(true);
  for (QGroupBox* frame : {Frame1, Frame2, Frame3}) {
    frame->setMouseTracking(true);
    frame->installEventFilter(this);
  }
  connect(PushButton2, &PushButton::PointerMove, this, &Form1::PushButton2_MouseMove);
  // A move over a control belongs to that control alone: without this a move over a
  // label would also count as one over its frame, and one over the button as one over
  // the window.
  for (QWidget* control : Controls()) control->setAttribute(Qt::WA_NoMousePropagation);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  Form_MouseMove(MouseButtonState(event->buttons()), ShiftState(event->modifiers()),
                 position.x(), position.y());
  QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    const auto* move = static_cast<QMouseEvent*>(event);
    const int button = MouseButtonState(move->buttons());
    const int shift = ShiftState(move->modifiers());
    const QPoint position = move->position().toPoint();
    if (watched == Frame1) Frame1_MouseMove(button, shift, position.x(), position.y());
    if (watched == Frame2) Frame2_MouseMove(button, shift, position.x(), position.y());
    if (watched == Frame3) Frame3_MouseMove(button, shift, position.x(), position.y());
  }
  return QWidget::eventFilter(watched, event);
}
