// SPDX-License-Identifier: GPL-3.0-or-later
// Spaces out the repaints of the result captions while the tuner measures. At 1024
// points a block ends every 23 ms and writes new captions; painting them for every block
// cost about a fifth of the tuner's processor time, and no one reads 40 captions a
// second. A caption's text still changes at once (it is always the last block's); only
// its repaint waits until the spacing since the last one shown has passed, and then all
// the captions held back are shown together.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <vector>

class CaptionRepaintPacing : public QObject {
  Q_OBJECT

 public:
  explicit CaptionRepaintPacing(std::chrono::milliseconds spacing);

  // Call just before the caption of `control` changes.
  void BeforeChange(QWidget* control);

 private:
  void Hold(QWidget* control);
  void ShowHeld();

  const std::chrono::milliseconds spacing_;
  QElapsedTimer sinceShown_;
  QTimer release_;
  std::vector<QPointer<QWidget>> held_;
};
