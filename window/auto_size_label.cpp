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
  const QSize size = QLabel::sizeHint();
  if (sizeHints_.size() >= kRememberedSizes) sizeHints_.clear();
  sizeHints_.insert(text(), size);
  return size;
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
