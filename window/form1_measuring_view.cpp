// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/form1_measuring_view.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QLocale>

#include "window/auto_size_label.h"
#include "window/form1.h"
#include "window/message_service.h"
#include "window/push_button.h"

namespace {
QString Text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }
}  // namespace

Form1MeasuringView::Form1MeasuringView(Form1& form)
    : form_(form), pacing_(std::chrono::milliseconds(40), [this](const BlockReading& r) { ShowCaptions(r); }) {}

std::string Form1MeasuringView::ButtonCaption() const { return Utf8(form_.PushButton2->Caption()); }

void Form1MeasuringView::SetButtonCaption(const std::string& caption) {
  form_.PushButton2->SetCaption(Text(caption));
}

std::int16_t Form1MeasuringView::SelectedDeviceIndex() const {
  return static_cast<std::int16_t>(form_.lstAudioDevices->currentRow());
}

std::string Form1MeasuringView::NumberOfPointsText() const {
  const QListWidgetItem* selected = form_.lstNumberofPoints->currentItem();
  return selected != nullptr && selected->isSelected() ? Utf8(selected->text()) : std::string();
}

void Form1MeasuringView::SetNumberOfPointsEnabled(bool enabled) {
  form_.lstNumberofPoints->setEnabled(enabled);
}

void Form1MeasuringView::ShowReading(const BlockReading& reading) { pacing_.Offer(reading); }

void Form1MeasuringView::ShowCaptions(const BlockReading& reading) {
  form_.lblFrequency->SetCaption(Text(reading.frequencyCaption));
  if (reading.noteCaption) form_.lblNote->SetCaption(Text(*reading.noteCaption));
  if (reading.tuningCaption) form_.lblTuning->SetCaption(Text(*reading.tuningCaption));
}

char Form1MeasuringView::DecimalSeparator() const {
  const QString point = QLocale().decimalPoint();
  return point.size() == 1 && point.at(0).unicode() < 128 ? static_cast<char>(point.at(0).unicode()) : '.';
}

void Form1MeasuringView::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void Form1MeasuringView::ShowMessage(const std::string& text) {
  form_.Services().messages.ShowMessage(Text(text));
}

void Form1MeasuringView::ShowError(const ErrorReport& report) {
  form_.Services().messages.ShowError(report);
}
