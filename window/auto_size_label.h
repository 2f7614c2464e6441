// A label that sizes itself to its caption: the left edge stays, the width follows the
// text. A caption longer than the container is cut off by the container's edge.
#pragma once

#include <QLabel>
#include <QString>

class AutoSizeLabel : public QLabel {
  Q_OBJECT

 public:
  AutoSizeLabel(const QString& caption, QWidget* parent);

  QString Caption() const;
  // Use this rather than setText so the width follows the text.
  void SetCaption(const QString& caption);
};
