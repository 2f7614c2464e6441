// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/reading_pacing.h"

#include <utility>

ReadingPacing::ReadingPacing(std::chrono::milliseconds spacing, std::function<void(const BlockReading&)> show)
    : spacing_(spacing), show_(std::move(show)) {
  release_.setSingleShot(true);
  connect(&release_, &QTimer::timeout, this, &ReadingPacing::ShowWaiting);
}

void ReadingPacing::Offer(const BlockReading& reading) {
  waiting_.frequency = reading.frequency;
  waiting_.frequencyCaption = reading.frequencyCaption;
  if (reading.noteCaption) waiting_.noteCaption = reading.noteCaption;
  if (reading.tuningCaption) waiting_.tuningCaption = reading.tuningCaption;
  waiting_.noteNumber = reading.noteNumber;
  waiting_.cents = reading.cents;
  anyWaiting_ = true;
  const auto shownAgo = std::chrono::milliseconds(sinceShown_.isValid() ? sinceShown_.elapsed() : spacing_.count());
  if (shownAgo >= spacing_ || reading.seconds * 1000.0 >= static_cast<double>(spacing_.count()))
    ShowWaiting();
  else if (!release_.isActive())
    release_.start(spacing_ - shownAgo);
}

void ReadingPacing::ShowWaiting() {
  release_.stop();
  if (!anyWaiting_) return;
  sinceShown_.restart();
  show_(waiting_);
  waiting_.noteCaption.reset();
  waiting_.tuningCaption.reset();
  anyWaiting_ = false;
}
