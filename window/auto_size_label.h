// SPDX-License-Identifier: GPL-3.0-or-later
// A label that sizes itself to its caption: the left edge stays, the width follows the
// text. A caption longer than the container is cut off by the container's edge.
#pragma once

#include <QHash>
#include <QLabel>
#include <QSize>
#include <QString>

class AutoSizeLabel : public QLabel {
  Q_OBJECT

 public:
  AutoSizeLabel(const QString& caption, QWidget* parent);

  QString Caption() const;
  // Use this rather than setText so the width follows the text.
  void SetCaption(const QString& caption);

  // Measuring a caption lays its text out. The captions of a held note come back again
  // and again, so their sizes are remembered until the font or the style changes.
  QSize sizeHint() const override;

 protected:
  bool event(QEvent* event) override;

 private:
  bool MeasuresAsOneText() const;
  QSize TextSize() const;

  static constexpr qsizetype kRememberedSizes = 256;
  static constexpr int kLayoutRoom = 2000;  // the room QLabel lays an unwrapped text out in
  mutable QHash<QString, QSize> sizeHints_;
};
