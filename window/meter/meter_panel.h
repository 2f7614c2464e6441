// SPDX-License-Identifier: GPL-3.0-or-later
// The meter panel beside the window's original content: the meter's picture and the
// reference pitch A4. It takes each measured block whole, with the time it was shown,
// and repaints at most 25 times a second, like the result captions.
#pragma once

#include <QElapsedTimer>
#include <QGroupBox>
#include <chrono>

#include "window/meter/meter_model.h"

class MeterDisplay;
class QDoubleSpinBox;
class QLabel;

class MeterPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit MeterPanel(QWidget* parent);

  void ShowReading(const BlockReading& reading, MeterClock::time_point now);
  // A start begins afresh; a stop leaves the last picture standing, strobe and all.
  void SetMeasuring(bool measuring);
  bool Measuring() const { return measuring_; }

  double ReferencePitch() const;
  // Sets the spin box without signalling a change (the stored value at start-up).
  void SetReferencePitch(double pitchA4);

  const MeterModel& Model() const { return model_; }
  MeterDisplay* Display() const { return display_; }
  QDoubleSpinBox* ReferencePitchBox() const { return pitchBox_; }

 signals:
  // The player set another reference pitch: typed and confirmed, stepped or turned.
  void ReferencePitchChanged(double pitchA4);

 private:
  MeterModel model_;
  MeterDisplay* display_;
  QLabel* pitchLabel_;
  QDoubleSpinBox* pitchBox_;
  // At most 25 pictures a second, each painted with the result captions of the same
  // block: a block that ends sooner after the last picture is shown with the next one
  // (blocks keep coming while measuring), and only the parts that changed are repainted.
  static constexpr std::chrono::milliseconds kRepaintSpacing{40};
  QElapsedTimer sinceRefresh_;
  bool measuring_ = false;
};
