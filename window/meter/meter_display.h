// SPDX-License-Identifier: GPL-3.0-or-later
// The meter's picture, painted from its model: the note with its octave, large; the
// needle over a scale of -50 to +50 cents with a tick every 10; the signed cents between
// the flat and sharp markers; the frequency; the strobe band; the pitch history. The
// in-tune zone shows by colour and by shape: a lit marker is filled, the others are only
// outlined, and each has its own shape and place (flat: a triangle on the left pointing
// up the scale; sharp: one on the right pointing down; in tune: the box of the cents).
// A skin sets the colours through the properties below (qproperty-needleColor: ...).
//
// It is repainted part by part, only where the picture changed, over a background
// (scale, frames, grid) drawn once: a held note moves the strobe and the history for
// every picture, and little else.
#pragma once

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <array>

#include "window/meter/meter_model.h"

class MeterDisplay : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor backgroundColor MEMBER backgroundColor_ NOTIFY ColoursChanged)
  Q_PROPERTY(QColor textColor MEMBER textColor_ NOTIFY ColoursChanged)
  Q_PROPERTY(QColor scaleColor MEMBER scaleColor_ NOTIFY ColoursChanged)
  Q_PROPERTY(QColor needleColor MEMBER needleColor_ NOTIFY ColoursChanged)
  Q_PROPERTY(QColor inTuneColor MEMBER inTuneColor_ NOTIFY ColoursChanged)
  Q_PROPERTY(QColor offTuneColor MEMBER offTuneColor_ NOTIFY ColoursChanged)
  Q_PROPERTY(QColor dimColor MEMBER dimColor_ NOTIFY ColoursChanged)
  Q_PROPERTY(QColor strobeColor MEMBER strobeColor_ NOTIFY ColoursChanged)
  Q_PROPERTY(QColor historyColor MEMBER historyColor_ NOTIFY ColoursChanged)

 public:
  MeterDisplay(const MeterModel& model, QWidget* parent);

  // Repaints the parts whose picture the model has changed since they were painted.
  void Refresh();

  // What is shown, as text ("" at rest): "E2", "+3 cents", "82.41 Hz".
  QString NoteText() const;
  QString CentsText() const;
  QString FrequencyText() const;

  // The note's name is drawn in this font, the octave a little smaller.
  QFont NoteFont() const;

  // Where things are drawn, for the tests of the picture.
  QLineF Needle() const;
  QRectF MarkerBox(TuneZone zone) const;
  // Lit: the needle shows a reading in that zone (nothing is lit at rest).
  bool MarkerLit(TuneZone zone) const;

  QSize sizeHint() const override;

 signals:
  void ColoursChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum Part { kNote, kDial, kMarkers, kFrequency, kStrobe, kHistory, kParts };
  QRect PartRect(Part part) const;
  // What a part shows, as text: a part whose text changed is repainted.
  QString PartPicture(Part part) const;
  // The history's time line advances in steps: the number of the step the last block is in.
  std::int64_t HistoryStep() const;

  // The needle's cents as drawn, in quarter cents: its tip moves by half a pixel or more,
  // or not at all, so it is repainted only for a move that shows.
  double ShownCents() const;
  QPointF Pivot() const;
  QPointF OnScale(double cents, double radius) const;
  void PaintBackground();
  void PaintNote(QPainter& painter) const;
  void PaintDial(QPainter& painter) const;
  void PaintMarkers(QPainter& painter) const;
  void PaintFrequency(QPainter& painter) const;
  void PaintStrobe(QPainter& painter) const;
  void PaintHistory(QPainter& painter) const;
  QColor ReadingColour() const;  // the note's and the readings': dimmed when the note fades

  const MeterModel& model_;
  QPixmap background_;  // the scale, frames and grid; null when it is to be drawn afresh
  std::array<QString, kParts> painted_;  // each part's picture as last painted
  QColor backgroundColor_{Qt::white};
  QColor textColor_{0x20, 0x20, 0x20};
  QColor scaleColor_{0x60, 0x60, 0x60};
  QColor needleColor_{0xc6, 0x28, 0x28};
  QColor inTuneColor_{0x2e, 0x7d, 0x32};
  QColor offTuneColor_{0xe6, 0x51, 0x00};
  QColor dimColor_{0xb4, 0xb4, 0xb4};
  QColor strobeColor_{0x37, 0x47, 0x4f};
  QColor historyColor_{0x15, 0x65, 0xc0};
};
