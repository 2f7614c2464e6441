// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/caption_repaint_pacing.h"

CaptionRepaintPacing::CaptionRepaintPacing(std::chrono::milliseconds spacing) : spacing_(spacing) {
  release_.setSingleShot(true);
  connect(&release_, &QTimer::timeout, this, &CaptionRepaintPacing::ShowHeld);
}

void CaptionRepaintPacing::BeforeChange(QWidget* control) {
  if (release_.isActive()) {  // others already wait: this one is shown with them
    Hold(control);
    return;
  }
  const auto shownAgo = std::chrono::milliseconds(sinceShown_.isValid() ? sinceShown_.elapsed() : spacing_.count());
  if (shownAgo >= spacing_) {
    sinceShown_.restart();
    return;
  }
  Hold(control);
  release_.start(spacing_ - shownAgo);
}

void CaptionRepaintPacing::Hold(QWidget* control) {
  // A control whose updates are off asks for no repaint when its text changes; turning
  // them on again repaints it whole.
  if (!control->updatesEnabled()) return;
  control->setUpdatesEnabled(false);
  held_.emplace_back(control);
}

void CaptionRepaintPacing::ShowHeld() {
  for (const QPointer<QWidget>& control : held_)
    if (control) control->setUpdatesEnabled(true);
  held_.clear();
  sinceShown_.restart();
}
