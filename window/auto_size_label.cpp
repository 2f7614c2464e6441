#include "window/auto_size_label.h"

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
