#include "window/auto_size_label.h"

AutoSizeLabel::AutoSizeLabel(const QString& caption, QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  SetCaption(caption);
}

QString AutoSizeLabel::Caption() const { return text(); }

void AutoSizeLabel::SetCaption(const QString& caption) {
  setText(caption);
  adjustSize();  // keeps the top-left corner, takes the text's size
}
