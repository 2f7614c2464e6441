// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/meter/meter_panel.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QSignalBlocker>

#include "analysis/note_naming.h"
#include "window/meter/meter_display.h"

MeterPanel::MeterPanel(QWidget* parent) : QGroupBox("Meter", parent) {
  setObjectName("MeterPanel");
  display_ = new MeterDisplay(model_, this);
  display_->setGeometry(8, 20, 232, 302);

  pitchBox_ = new QDoubleSpinBox(this);
  pitchBox_->setObjectName("spnReferencePitch");
  pitchBox_->setRange(kLowestPitchA4, kHighestPitchA4);
  pitchBox_->setDecimals(1);
  pitchBox_->setSingleStep(0.1);
  pitchBox_->setSuffix(" Hz");
  pitchBox_->setValue(kStandardPitchA4);
  // A typed pitch counts once confirmed (Enter or leaving the box), not at every key.
  pitchBox_->setKeyboardTracking(false);
  pitchBox_->setGeometry(130, 330, 110, 24);
  pitchLabel_ = new QLabel("Reference &A4:", this);
  pitchLabel_->setObjectName("lblReferencePitch");
  pitchLabel_->setBuddy(pitchBox_);
  pitchLabel_->setGeometry(8, 330, 118, 24);
  pitchLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  connect(pitchBox_, &QDoubleSpinBox::valueChanged, this, &MeterPanel::ReferencePitchChanged);
}

void MeterPanel::ShowReading(const BlockReading& reading, MeterClock::time_point now) {
  if (!measuring_) return;
  const bool wasAtRest = model_.State() == MeterState::Rest;
  model_.Show(reading, now);
  if (wasAtRest && model_.State() == MeterState::Rest) return;  // nothing moves
  if (sinceRefresh_.isValid() && sinceRefresh_.elapsed() < kRepaintSpacing.count()) return;
  sinceRefresh_.restart();
  display_->Refresh();
}

void MeterPanel::SetMeasuring(bool measuring) {
  measuring_ = measuring;
  if (measuring) model_ = MeterModel();
  display_->Refresh();  // a stop shows the last block's picture
}

double MeterPanel::ReferencePitch() const { return pitchBox_->value(); }

void MeterPanel::SetReferencePitch(double pitchA4) {
  const QSignalBlocker quiet(pitchBox_);
  pitchBox_->setValue(pitchA4);
}
