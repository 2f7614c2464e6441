// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/meter/meter_display.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

#include "analysis/note_naming.h"

namespace {

constexpr double kNoteHeight = 78;
constexpr double kScaleTop = 96;      // the top of the scale's arc
constexpr double kScaleRadius = 112;
constexpr double kScaleDegrees = 50;  // at either end of the scale
constexpr double kBandWidth = 26;     // the scale's band, inside its arc
constexpr double kNeedleInner = kScaleRadius - kBandWidth - 6;
constexpr double kNeedleOuter = kScaleRadius + 4;
constexpr double kReadingsTop = 160;  // the row of the markers and the cents
constexpr double kReadingsHeight = 26;
constexpr double kCentsBoxWidth = 128;
constexpr double kMarkerSize = 22;
constexpr double kMarkerGap = 10;
constexpr double kFrequencyTop = 188;
constexpr double kFrequencyWidth = 120;
constexpr double kStrobeTop = 214;
constexpr double kStrobeHeight = 22;
constexpr double kStrobePeriod = 16;  // pixels
constexpr double kHistoryTop = 244;
constexpr double kHistoryCents = 20;  // the strip shows -20 to +20 cents
constexpr double kHistorySeconds = 10;
// The history moves on in steps of two pixels (86 ms at 232 pixels for 10 s), not for
// every picture: a chart recorder needs no more, and it is the largest part to repaint.
constexpr double kHistoryStep = 2;

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

QString Signed(long value) { return value > 0 ? QString("+%1").arg(value) : QString::number(value); }

bool ShowsNote(MeterState state) { return state != MeterState::Rest; }
bool IsCurrent(MeterState state) { return state == MeterState::Live || state == MeterState::Held; }

}  // namespace

MeterDisplay::MeterDisplay(const MeterModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("MeterDisplay");
  setAttribute(Qt::WA_OpaquePaintEvent);  // the background pixmap covers every pixel
  connect(this, &MeterDisplay::ColoursChanged, this, [this] {
    background_ = QPixmap();
    update();
  });
}

QSize MeterDisplay::sizeHint() const { return {232, 302}; }

void MeterDisplay::resizeEvent(QResizeEvent* event) {
  background_ = QPixmap();
  QWidget::resizeEvent(event);
}

QString MeterDisplay::NoteText() const {
  return ShowsNote(model_.State()) ? QString::fromStdString(Note_Octave(model_.NoteNumber())) : QString();
}

QString MeterDisplay::CentsText() const {
  if (!ShowsNote(model_.State())) return {};
  // A tenth of a cent, from the needle as drawn: the text, the needle and the lit marker
  // agree at the edges of the in-tune zone.
  const double tenths = std::round(10 * ShownCents()) / 10;
  const QString number = QLocale().toString(std::abs(tenths), 'f', 1);
  return (tenths > 0 ? "+" : tenths < 0 ? "-" : "") + number + " cents";
}

QString MeterDisplay::FrequencyText() const {
  if (!ShowsNote(model_.State())) return {};
  // Where the needle is drawn: the text changes with the needle, not more often.
  const double frequency = model_.Frequency() * std::exp2((ShownCents() - model_.NeedleCents()) / 1200.0);
  return QLocale().toString(frequency, 'f', 2) + " Hz";
}

double MeterDisplay::ShownCents() const { return std::round(4 * model_.NeedleCents()) / 4; }

QFont MeterDisplay::NoteFont() const { return PixelFont(font(), 64); }

bool MeterDisplay::MarkerLit(TuneZone zone) const {
  return IsCurrent(model_.State()) && ZoneOf(ShownCents()) == zone;
}

QPointF MeterDisplay::Pivot() const { return {width() / 2.0, kScaleTop + kScaleRadius}; }

QPointF MeterDisplay::OnScale(double cents, double radius) const {
  const double radians = NeedlePosition(cents) * kScaleDegrees * std::numbers::pi / 180.0;
  return Pivot() + QPointF(radius * std::sin(radians), -radius * std::cos(radians));
}

QLineF MeterDisplay::Needle() const {
  const double cents = ShownCents();
  return {OnScale(cents, kNeedleInner), OnScale(cents, kNeedleOuter)};
}

QRectF MeterDisplay::MarkerBox(TuneZone zone) const {
  const double centsLeft = width() / 2.0 - kCentsBoxWidth / 2;
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

QRect MeterDisplay::PartRect(Part part) const {
  const auto band = [this](double top, double bottom) {
    return QRect(0, static_cast<int>(top), width(), static_cast<int>(bottom - top));
  };
  switch (part) {
    case kNote:
      return band(0, kNoteHeight);
    case kDial:
      return band(kNoteHeight, kReadingsTop);
    case kMarkers:
      return band(kReadingsTop - 1, kFrequencyTop);
    case kFrequency:
      return QRect(static_cast<int>((width() - kFrequencyWidth) / 2), static_cast<int>(kFrequencyTop),
                   static_cast<int>(kFrequencyWidth), static_cast<int>(kStrobeTop - kFrequencyTop));
    case kStrobe:
      return band(kStrobeTop, kHistoryTop);
    case kHistory:
    case kParts:
      break;
  }
  return band(kHistoryTop, height());
}

QString MeterDisplay::PartPicture(Part part) const {
  const MeterState state = model_.State();
  const QString shade = QString::number(static_cast<int>(state));
  switch (part) {
    case kNote:
      return shade + NoteText();
    case kDial: {
      const QLineF needle = Needle();
      return shade + QString::number(MarkerLit(TuneZone::InTune)) +
             QString::asprintf(" %.2f %.2f", needle.p2().x(), needle.p2().y());
    }
    case kMarkers:
      return shade + QString::number(static_cast<int>(ZoneOf(ShownCents()))) + CentsText();
    case kFrequency:
      return shade + FrequencyText();
    case kStrobe:
      return shade + QString::number(std::lround(4 * model_.StrobePhase() * kStrobePeriod));
    case kHistory:
    case kParts:
      break;
  }
  if (model_.History().empty()) return {};
  return shade + NoteText() + " " + QString::number(HistoryStep());
}

std::int64_t MeterDisplay::HistoryStep() const {
  const double stepSeconds = kHistoryStep * kHistorySeconds / width();
  return static_cast<std::int64_t>(std::floor(std::chrono::duration<double>(model_.LastShown().time_since_epoch()).count() / stepSeconds));
}

void MeterDisplay::Refresh() {
  for (int part = 0; part < kParts; ++part)
    if (PartPicture(static_cast<Part>(part)) != painted_[part]) update(PartRect(static_cast<Part>(part)));
}

QColor MeterDisplay::ReadingColour() const {
  return model_.State() == MeterState::Dimmed ? dimColor_ : textColor_;
}

void MeterDisplay::paintEvent(QPaintEvent* event) {
  if (background_.isNull()) PaintBackground();
  QPainter painter(this);
  painter.drawPixmap(event->rect(), background_, QRectF(event->rect()).toRect());
  painter.setRenderHint(QPainter::Antialiasing);
  const auto paint = [&](Part part, void (MeterDisplay::*paintPart)(QPainter&) const) {
    if (!event->region().intersects(PartRect(part))) return;
    (this->*paintPart)(painter);
    // Painted in part only (an exposed corner), the rest may still show an older picture.
    painted_[part] = event->region().contains(PartRect(part)) ? PartPicture(part) : QString();
  };
  paint(kNote, &MeterDisplay::PaintNote);
  paint(kDial, &MeterDisplay::PaintDial);
  paint(kMarkers, &MeterDisplay::PaintMarkers);
  paint(kFrequency, &MeterDisplay::PaintFrequency);
  paint(kStrobe, &MeterDisplay::PaintStrobe);
  paint(kHistory, &MeterDisplay::PaintHistory);
}

void MeterDisplay::PaintBackground() {
  const qreal ratio = devicePixelRatioF();
  background_ = QPixmap(size() * ratio);
  background_.setDevicePixelRatio(ratio);
  background_.fill(backgroundColor_);
  QPainter painter(&background_);
  painter.setRenderHint(QPainter::Antialiasing);

  // The scale: its arc, a tick every 10 cents, the in-tune zone as a faint wedge.
  const QPointF pivot = Pivot();
  const double outer = kScaleRadius;
  const double inner = outer - kBandWidth;
  const QRectF outerBox(pivot - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer));
  const QRectF innerBox(pivot - QPointF(inner, inner), QSizeF(2 * inner, 2 * inner));
  const double halfZone = kInTuneCents / 50.0 * kScaleDegrees;
  QPainterPath zone;
  zone.arcMoveTo(outerBox, 90 + halfZone);
  zone.arcTo(outerBox, 90 + halfZone, -2 * halfZone);
  zone.arcTo(innerBox, 90 - halfZone, 2 * halfZone);
  zone.closeSubpath();
  painter.fillPath(zone, Faint(inTuneColor_, 0.35));
  painter.setPen(QPen(scaleColor_, 1.5));
  painter.drawArc(outerBox, static_cast<int>(16 * (90 - kScaleDegrees)), static_cast<int>(16 * 2 * kScaleDegrees));
  painter.setFont(PixelFont(font(), 11));
  for (int cents = -50; cents <= 50; cents += 10) {
    const double tickInner = cents == 0 ? inner : outer - (cents % 50 == 0 ? 18 : 12);
    painter.drawLine(OnScale(cents, tickInner), OnScale(cents, outer));
    if (cents % 50 != 0 && std::abs(cents) != 20) continue;
    const QPointF at = OnScale(cents, outer + 11);
    painter.drawText(QRectF(at.x() - 20, at.y() - 8, 40, 16), Qt::AlignCenter, Signed(cents));
  }

  // The strobe's frame; the history's frame, its in-tune band and lines at +-10 cents.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(scaleColor_, 1));
  painter.drawRect(QRectF(0, kStrobeTop, width() - 1, kStrobeHeight));
  const QRectF strip(0, kHistoryTop, width() - 1, height() - kHistoryTop - 1);
  const double perCent = (strip.height() / 2 - 2) / kHistoryCents;
  painter.fillRect(QRectF(1, strip.center().y() - kInTuneCents * perCent, width() - 2, 2 * kInTuneCents * perCent),
                   Faint(inTuneColor_, 0.25));
  painter.drawRect(strip);
  painter.setPen(QPen(Faint(scaleColor_, 0.5), 1, Qt::DotLine));
  for (const double cents : {-10.0, 10.0})
    painter.drawLine(QPointF(1, strip.center().y() - cents * perCent), QPointF(width() - 2, strip.center().y() - cents * perCent));
}

void MeterDisplay::PaintNote(QPainter& painter) const {
  const QRectF area(0, 0, width(), kNoteHeight);
  if (!ShowsNote(model_.State())) {
    painter.setPen(dimColor_);
    painter.setFont(NoteFont());
    painter.drawText(area, Qt::AlignCenter, QString(QChar(0x2013)));
    return;
  }
  // The name large, the octave beside it a little smaller, on one baseline.
  const QString text = NoteText();
  qsizetype octaveAt = 1;
  while (octaveAt < text.size() && !text[octaveAt].isDigit() && text[octaveAt] != '-') ++octaveAt;
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

void MeterDisplay::PaintDial(QPainter& painter) const {
  if (MarkerLit(TuneZone::InTune)) {  // the zone's wedge, strong while the needle stands in it
    const double outer = kScaleRadius;
    const double inner = outer - kBandWidth;
    const QPointF pivot = Pivot();
    const double halfZone = kInTuneCents / 50.0 * kScaleDegrees;
    QPainterPath zone;
    const QRectF outerBox(pivot - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer));
    const QRectF innerBox(pivot - QPointF(inner, inner), QSizeF(2 * inner, 2 * inner));
    zone.arcMoveTo(outerBox, 90 + halfZone);
    zone.arcTo(outerBox, 90 + halfZone, -2 * halfZone);
    zone.arcTo(innerBox, 90 - halfZone, 2 * halfZone);
    zone.closeSubpath();
    painter.fillPath(zone, inTuneColor_);
  }
  const QColor colour = IsCurrent(model_.State()) ? needleColor_ : dimColor_;
  painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(Needle());
}

void MeterDisplay::PaintMarkers(QPainter& painter) const {
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
}

void MeterDisplay::PaintFrequency(QPainter& painter) const {
  painter.setPen(ReadingColour());
  painter.setFont(PixelFont(font(), 13));
  painter.drawText(QRectF(0, kFrequencyTop, width(), 20), Qt::AlignCenter, FrequencyText());
}

void MeterDisplay::PaintStrobe(QPainter& painter) const {
  if (!ShowsNote(model_.State())) return;
  const QRectF band(1, kStrobeTop + 1, width() - 2, kStrobeHeight - 1);
  painter.save();
  painter.setClipRect(band);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QColor stripes = model_.State() == MeterState::Live ? strobeColor_ : dimColor_;
  const double offset = model_.StrobePhase() * kStrobePeriod;
  for (double x = band.left() - kStrobePeriod + offset; x < band.right(); x += kStrobePeriod)
    painter.fillRect(QRectF(x, band.top(), kStrobePeriod / 2, band.height()), stripes);
  painter.restore();
}

void MeterDisplay::PaintHistory(QPainter& painter) const {
  const auto& history = model_.History();
  if (history.empty()) return;
  const QRectF strip(0, kHistoryTop, width() - 1, height() - kHistoryTop - 1);
  const double perCent = (strip.height() / 2 - 2) / kHistoryCents;
  // The right edge is the start of the step the last block is in: what came since is
  // drawn at the next step, so the strip changes only from step to step.
  const double stepSeconds = kHistoryStep * kHistorySeconds / width();
  const MeterClock::time_point newest{std::chrono::duration_cast<MeterClock::duration>(
      std::chrono::duration<double>(static_cast<double>(HistoryStep()) * stepSeconds))};
  // A thin line, one point a pixel: the history holds up to 430 blocks.
  painter.setPen(QPen(model_.State() == MeterState::Dimmed ? dimColor_ : historyColor_, 1));
  QPolygonF line;
  for (const HistoryPoint& point : history) {
    if (point.time >= newest) break;
    const double age = std::chrono::duration<double>(newest - point.time).count();
    const QPointF at(strip.right() - age / kHistorySeconds * strip.width(),
                     strip.center().y() - std::clamp(point.cents, -kHistoryCents, kHistoryCents) * perCent);
    if (point.startsLine && !line.isEmpty()) {
      painter.drawPolyline(line);
      line.clear();
    }
    if (!line.isEmpty() && at.x() - line.last().x() < 1.0 && &point != &history.back()) continue;
    line << at;
  }
  painter.drawPolyline(line);
}
