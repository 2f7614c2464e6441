// SPDX-License-Identifier: GPL-3.0-or-later
// The Start/Stop button: a push button whose caption reads back exactly as written, with
// a click signal and a pointer-move signal that reports the mouse-button and shift state
// the way the window's other pointer-move handlers receive them.
#pragma once

#include <QPushButton>
#include <QString>

class PushButton : public QPushButton {
  Q_OBJECT

 public:
  // Mouse-button bits and shift bits of PointerMove.
  static constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
  static constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

  explicit PushButton(QWidget* parent = nullptr);

  QString Caption() const;
  void SetCaption(const QString& caption);

 signals:
  void Click();
  // x and y in pixels from the button's top-left corner.
  void PointerMove(int button, int shift, int x, int y);

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
};

int MouseButtonState(Qt::MouseButtons buttons);
int ShiftState(Qt::KeyboardModifiers modifiers);
