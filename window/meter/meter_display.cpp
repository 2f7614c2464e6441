// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/meter/meter_display.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegularExpression>
#include <cmath>
#include <numbers>

#include "analysis/note_naming.h"

namespace {

constexpr double kDegreesPerCent = 1.0;  // the scale spans 100 degrees
constexpr double kNoteHeight = 78;
constexpr double kScaleTop = 96;          // the top of the scale's arc
constexpr double kScaleRadius = 112;
constexpr double kBandWidth = 26;         // the scale's band, inside its arc
constexpr double kReadingsTop = 160;      // the row of the markers and the cents
constexpr double kReadingsHeight = 26;
constexpr double kCentsBoxWidth = 112;
constexpr double kMarkerSize = 22;
constexpr double kMarkerGap = 10;
constexpr double kFrequencyTop = 188;
constexpr double kStrobeTop = 214;
constexpr double kStrobeHeight = 22;
constexpr double kStrobePeriod = 16;      // pixels
constexpr double kHistoryTop = 244;
constexpr double kHistoryCents = 20;      // the strip shows -20 to +20 cents
constexpr double kHistorySeconds = 10;

QFont PixelFont(const QFont& base, int pixels) {
  QFont font = base;
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

QColor Faint(QColor colour, double opacity) {
  colour.setAlphaF(static_cast<float>(opacity));
  return colour;
}

bool ShowsNote(MeterState state) { return state != MeterState::Rest; }
bool IsCurrent(MeterState state) { return state == MeterState::Live || state == MeterState::Held; }

}  // namespace

MeterDisplay::MeterDisplay(const MeterModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("MeterDisplay");
  connect(this, &MeterDisplay::ColoursChanged, this, qOverload<>(&QWidget::update));
}

QSize MeterDisplay::sizeHint() const { return {232, 302}; }

QString MeterDisplay::NoteText() const {
  return ShowsNote(model_.State()) ? QString::fromStdString(Note_Octave(model_.NoteNumber())) : QString();
}

QString MeterDisplay::CentsText() const {
  if (!ShowsNote(model_.State())) return {};
  const long cents = std::lround(model_.NeedleCents());
  return (cents > 0 ? QString("+%1").arg(cents) : QString::number(cents)) + " cents";
}

QString MeterDisplay::FrequencyText() const {
  if (!ShowsNote(model_.State())) return {};
  return QLocale().toString(model_.Frequency(), 'f', 2) + " Hz";
}

bool MeterDisplay::MarkerLit(TuneZone zone) const {
  return IsCurrent(model_.State()) && model_.Zone() == zone;
}

QPointF MeterDisplay::Pivot() const { return {width() / 2.0, kScaleTop + kScaleRadius}; }

double MeterDisplay::ScaleRadius() const { return kScaleRadius; }

QPointF MeterDisplay::OnScale(double cents, double radius) const {
  const double radians = NeedlePosition(cents) * 50.0 * kDegreesPerCent * std::numbers::pi / 180.0;
  return Pivot() + QPointF(radius * std::sin(radians), -radius * std::cos(radians));
}

QLineF MeterDisplay::Needle() const {
  const double cents = model_.NeedleCents();
  return {OnScale(cents, ScaleRadius() - kBandWidth - 14), OnScale(cents, ScaleRadius() + 4)};
}

QFont MeterDisplay::NoteFont() const { return PixelFont(font(), 64); }

QRectF MeterDisplay::MarkerBox(TuneZone zone) const {
  const double middle = width() / 2.0;
  const double centsLeft = middle - kCentsBoxWidth / 2;
  const double markerTop = kReadingsTop + (kReadingsHeight - kMarkerSize) / 2;
  switch (zone) {
    case TuneZone::Flat:
      return {centsLeft - kMarkerGap - kMarkerSize, markerTop, kMarkerSize, kMarkerSize};
    case TuneZone::Sharp:
      return {centsLeft + kCentsBoxWidth + kMarkerGap, markerTop, kMarkerSize, kMarkerSize};
    case TuneZone::InTune:
      break;
  }
  return {centsLeft, kReadingsTop, kCentsBoxWidth, kReadingsHeight};
}

QRectF MeterDisplay::StrobeBand() const { return {0.5, kStrobeTop + 0.5, width() - 1.0, kStrobeHeight}; }

QRectF MeterDisplay::HistoryStrip() const {
  return {0.5, kHistoryTop + 0.5, width() - 1.0, height() - kHistoryTop - 1.0};
}

QColor MeterDisplay::ReadingColour() const {
  return model_.State() == MeterState::Dimmed ? dimColor_ : textColor_;
}

void MeterDisplay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), backgroundColor_);
  PaintNote(painter);
  PaintScale(painter);
  PaintNeedle(painter);
  PaintMarkersAndReadings(painter);
  PaintStrobe(painter);
  PaintHistory(painter);
}

void MeterDisplay::PaintNote(QPainter& painter) const {
  if (!ShowsNote(model_.State())) {
    painter.setPen(dimColor_);
    painter.setFont(NoteFont());
    painter.drawText(QRectF(0, 0, width(), kNoteHeight), Qt::AlignCenter, QString(QChar(0x2013)));
    return;
  }
  // The name large, the octave beside it a little smaller, on one baseline.
  const QString text = NoteText();
  const qsizetype octaveAt = text.indexOf(QRegularExpression("-?[0-9]"));
  const QString name = text.left(octaveAt);
  const QString octave = text.mid(octaveAt);
  const QFont nameFont = NoteFont();
  const QFont octaveFont = PixelFont(font(), 40);
  const double nameWidth = QFontMetricsF(nameFont).horizontalAdvance(name);
  const double octaveWidth = QFontMetricsF(octaveFont).horizontalAdvance(octave);
  const double left = (width() - nameWidth - octaveWidth) / 2;
  const double baseline = kNoteHeight - 12;
  painter.setPen(ReadingColour());
  painter.setFont(nameFont);
  painter.drawText(QPointF(left, baseline), name);
  painter.setFont(octaveFont);
  painter.drawText(QPointF(left + nameWidth, baseline), octave);
}

void MeterDisplay::PaintScale(QPainter& painter) const {
  const QPointF pivot = Pivot();
  const double outer = ScaleRadius();
  const double inner = outer - kBandWidth;
  // The in-tune zone: a wedge of the band, strong while the needle stands in it.
  QPainterPath zone;
  const QRectF outerBox(pivot - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer));
  const QRectF innerBox(pivot - QPointF(inner, inner), QSizeF(2 * inner, 2 * inner));
  const double halfZone = kInTuneCents * kDegreesPerCent;
  zone.arcMoveTo(outerBox, 90 + halfZone);
  zone.arcTo(outerBox, 90 + halfZone, -2 * halfZone);
  zone.arcTo(innerBox, 90 - halfZone, 2 * halfZone);
  zone.closeSubpath();
  painter.fillPath(zone, MarkerLit(TuneZone::InTune) ? inTuneColor_ : Faint(inTuneColor_, 0.35));

  painter.setPen(QPen(scaleColor_, 1.5));
  painter.drawArc(outerBox, 16 * 40, 16 * 100);
  painter.setFont(PixelFont(font(), 11));
  for (int cents = -50; cents <= 50; cents += 10) {
    const double tickInner = cents == 0 ? inner : outer - (cents % 50 == 0 ? 18 : 12);
    painter.drawLine(OnScale(cents, tickInner), OnScale(cents, outer));
    if (cents % 50 != 0 && std::abs(cents) != 20) continue;
    const QString label = cents > 0 ? QString("+%1").arg(cents) : QString::number(cents);
    const QPointF at = OnScale(cents, outer + 11);
    painter.drawText(QRectF(at.x() - 20, at.y() - 8, 40, 16), Qt::AlignCenter, label);
  }
}

void MeterDisplay::PaintNeedle(QPainter& painter) const {
  const bool showing = ShowsNote(model_.State());
  const QColor colour = showing && model_.State() != MeterState::Dimmed ? needleColor_ : dimColor_;
  painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(Needle());
}

void MeterDisplay::PaintMarkersAndReadings(QPainter& painter) const {
  const auto marker = [&](TuneZone zone, const QColor& lit) {
    painter.setPen(QPen(MarkerLit(zone) ? lit : dimColor_, 1.5));
    painter.setBrush(MarkerLit(zone) ? QBrush(lit) : Qt::NoBrush);
  };
  // Flat: a triangle pointing up the scale (tune up); sharp: one pointing down.
  const QRectF flat = MarkerBox(TuneZone::Flat);
  marker(TuneZone::Flat, offTuneColor_);
  painter.drawPolygon(QPolygonF({flat.topLeft(), flat.bottomLeft(), QPointF(flat.right(), flat.center().y())}));
  const QRectF sharp = MarkerBox(TuneZone::Sharp);
  marker(TuneZone::Sharp, offTuneColor_);
  painter.drawPolygon(QPolygonF({sharp.topRight(), sharp.bottomRight(), QPointF(sharp.left(), sharp.center().y())}));
  const QRectF box = MarkerBox(TuneZone::InTune);
  marker(TuneZone::InTune, inTuneColor_);
  painter.drawRoundedRect(box, 6, 6);
  painter.setBrush(Qt::NoBrush);

  // On the lit in-tune box the text takes the background's colour to stand out.
  painter.setPen(MarkerLit(TuneZone::InTune) ? backgroundColor_ : ReadingColour());
  painter.setFont(PixelFont(font(), 17));
  painter.drawText(box, Qt::AlignCenter, CentsText());
  painter.setPen(ReadingColour());
  painter.setFont(PixelFont(font(), 13));
  painter.drawText(QRectF(0, kFrequencyTop, width(), 20), Qt::AlignCenter, FrequencyText());
}

void MeterDisplay::PaintStrobe(QPainter& painter) const {
  const QRectF band = StrobeBand();
  painter.setPen(QPen(scaleColor_, 1));
  painter.drawRect(band);
  if (!ShowsNote(model_.State())) return;
  painter.save();
  painter.setClipRect(band.adjusted(1, 1, -1, -1));
  const QColor stripes = model_.State() == MeterState::Live ? strobeColor_ : dimColor_;
  const double offset = model_.StrobePhase() * kStrobePeriod;
  for (double x = band.left() - kStrobePeriod + offset; x < band.right(); x += kStrobePeriod)
    painter.fillRect(QRectF(x, band.top(), kStrobePeriod / 2, band.height()), stripes);
  painter.restore();
}

void MeterDisplay::PaintHistory(QPainter& painter) const {
  const QRectF strip = HistoryStrip();
  const auto y = [&](double cents) {
    return strip.center().y() - std::clamp(cents, -kHistoryCents, kHistoryCents) / kHistoryCents * (strip.height() / 2 - 2);
  };
  painter.fillRect(QRectF(strip.left(), y(kInTuneCents), strip.width(), y(-kInTuneCents) - y(kInTuneCents)),
                   Faint(inTuneColor_, 0.25));
  painter.setPen(QPen(scaleColor_, 1));
  painter.drawRect(strip);
  painter.setPen(QPen(Faint(scaleColor_, 0.5), 1, Qt::DotLine));
  for (const double cents : {-10.0, 10.0}) painter.drawLine(QPointF(strip.left(), y(cents)), QPointF(strip.right(), y(cents)));

  const auto& history = model_.History();
  if (history.empty()) return;
  const MeterClock::time_point newest = model_.LastShown();
  const auto x = [&](MeterClock::time_point time) {
    const double age = std::chrono::duration<double>(newest - time).count();
    return strip.right() - age / kHistorySeconds * strip.width();
  };
  painter.setPen(QPen(model_.State() == MeterState::Dimmed ? dimColor_ : historyColor_, 1.5));
  QPolygonF line;
  for (const HistoryPoint& point : history) {
    if (point.startsLine && !line.isEmpty()) {
      painter.drawPolyline(line);
      line.clear();
    }
    line << QPointF(x(point.time), y(point.cents));
  }
  painter.drawPolyline(line);
}
