// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/auto_size_label.h"

#include <QEvent>

AutoSizeLabel::AutoSizeLabel(const QString& caption, QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setText(caption);
  adjustSize();
}

QString AutoSizeLabel::Caption() const { return text(); }

void AutoSizeLabel::SetCaption(const QString& caption) {
  // The measuring loop writes the tuning for every block; an unchanged caption needs
  // neither a new layout nor a repaint.
  if (caption == text()) return;
  setText(caption);
  adjustSize();  // keeps the top-left corner, takes the text's size
}

QSize AutoSizeLabel::sizeHint() const {
  const auto known = sizeHints_.constFind(text());
  if (known != sizeHints_.cend()) return known.value();
  const QSize size = MeasuresAsOneText() ? TextSize() : QLabel::sizeHint();
  if (sizeHints_.size() >= kRememberedSizes) sizeHints_.clear();
  sizeHints_.insert(text(), size);
  return size;
}

bool AutoSizeLabel::MeasuresAsOneText() const {
  // What QLabel adds around the text beyond the contents margins: an indent (set, or
  // taken from the frame when there is one), a margin, a least size, or wrapping.
  const bool indented = indent() > 0 || (indent() < 0 && frameWidth() != 0);
  return !indented && margin() == 0 && minimumSize().isNull() && !wordWrap() &&
         textFormat() == Qt::PlainText && !text().isEmpty();
}

QSize AutoSizeLabel::TextSize() const {
  // QLabel's own hint lays the text out three times (for its least size too); the
  // size of a plain caption is one layout within the room QLabel gives it.
  ensurePolished();
  const QMargins margins = contentsMargins();
  const int horizontal = margins.left() + margins.right();
  const int vertical = margins.top() + margins.bottom();
  const QRect room(0, 0, kLayoutRoom - horizontal, kLayoutRoom);
  const QRect text = fontMetrics().boundingRect(room, static_cast<int>(alignment()) | Qt::TextExpandTabs, this->text());
  return text.size() + QSize(horizontal, vertical);
}

bool AutoSizeLabel::event(QEvent* event) {
  switch (event->type()) {
    // Whatever can change how large a text is drawn.
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::Polish:
    case QEvent::ContentsRectChange:
    case QEvent::LayoutDirectionChange:
    case QEvent::ScreenChangeInternal:
      sizeHints_.clear();
      break;
    default:
      break;
  }
  return QLabel::event(event);
}
