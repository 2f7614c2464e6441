// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/meter/meter_model.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFullScaleCents = 50.0;
constexpr double kStrobeStillWithin = 0.5;
constexpr double kStrobePeriodsPerCent = 0.15;
constexpr double kStrobeFastest = 3.0;  // periods a second

double Seconds(MeterClock::duration duration) { return std::chrono::duration<double>(duration).count(); }

double Median(std::vector<double>&& values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  if (values.size() % 2 == 1) return *middle;
  return (*middle + *std::max_element(values.begin(), middle)) / 2.0;
}

}  // namespace

double NeedlePosition(double cents) {
  if (std::isnan(cents)) return 0.0;
  return std::clamp(cents / kFullScaleCents, -1.0, 1.0);
}

TuneZone ZoneOf(double cents) {
  if (cents < -kInTuneCents) return TuneZone::Flat;
  if (cents > kInTuneCents) return TuneZone::Sharp;
  return TuneZone::InTune;
}

double StrobeSpeed(double cents) {
  if (!(std::abs(cents) >= kStrobeStillWithin)) return 0.0;
  return std::clamp(cents * kStrobePeriodsPerCent, -kStrobeFastest, kStrobeFastest);
}

MeterModel::MeterModel(MeterTiming timing) : timing_(timing) {}

double MeterModel::Frequency() const {
  return state_ == MeterState::Rest ? 0.0 : noteFrequency_ * std::exp2(needle_ / 1200.0);
}

void MeterModel::Show(const BlockReading& reading, MeterClock::time_point now) {
  const double sinceLastBlock = Seconds(now - lastShown_);
  const bool wasLive = state_ == MeterState::Live;
  lastShown_ = now;
  if (reading.noteNumber < 0 || !(reading.frequency > 0.0)) {
    Fade(now);
  } else {
    // A string played again after a pause may have been retuned meanwhile.
    if (state_ == MeterState::Dimmed) recent_.clear();
    if (state_ == MeterState::Rest || reading.noteNumber != note_)
      StartNote(reading, now);
    else
      FollowNote(reading, now, sinceLastBlock);
    if (wasLive) {  // the pattern stands still while nothing is heard
      strobePhase_ += StrobeSpeed(needle_) * sinceLastBlock;
      strobePhase_ -= std::floor(strobePhase_);
    }
    history_.push_back({now, needle_, !wasLive && !history_.empty()});
    lastReading_ = now;
    state_ = MeterState::Live;
  }
  while (!history_.empty() && now - history_.front().time > timing_.historySpan) history_.pop_front();
}

void MeterModel::StartNote(const BlockReading& reading, MeterClock::time_point now) {
  note_ = reading.noteNumber;
  recent_.assign(1, {now, reading.cents});
  needle_ = reading.cents;
  noteFrequency_ = reading.frequency / std::exp2(reading.cents / 1200.0);
  history_.clear();
}

void MeterModel::FollowNote(const BlockReading& reading, MeterClock::time_point now,
                            double secondsSinceLastBlock) {
  recent_.push_back({now, reading.cents});
  while (recent_.size() > static_cast<std::size_t>(std::max(1, timing_.medianAtLeast)) &&
         now - recent_.front().time > timing_.medianSpan)
    recent_.pop_front();
  std::vector<double> cents;
  for (const Recent& each : recent_) cents.push_back(each.cents);
  const double target = Median(std::move(cents));
  const double settle = Seconds(timing_.settleTime);
  const double share = settle > 0.0 ? 1.0 - std::exp(-secondsSinceLastBlock / settle) : 1.0;
  needle_ = recent_.size() == 1 ? target : needle_ + (target - needle_) * share;
  // The reference pitch may have changed: the note's own pitch follows the reading.
  noteFrequency_ = reading.frequency / std::exp2(reading.cents / 1200.0);
}

void MeterModel::Fade(MeterClock::time_point now) {
  if (state_ == MeterState::Rest) return;
  const auto silence = now - lastReading_;
  if (silence >= timing_.restAfter) {
    *this = MeterModel(timing_);
    lastShown_ = now;
  } else {
    state_ = silence >= timing_.dimAfter ? MeterState::Dimmed : MeterState::Held;
  }
}
