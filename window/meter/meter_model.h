// SPDX-License-Identifier: GPL-3.0-or-later
// What the meter panel shows, worked out block by block from the readings alone, with
// the time handed in: the held note, a needle that settles, the in-tune zone, the strobe
// pattern's offset and the pitch history. Plain C++, so it is tested on a made-up clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "readings/block_reading.h"

using MeterClock = std::chrono::steady_clock;

// How the meter settles and fades.
struct MeterTiming {
  // The needle follows the median of the note's readings of the last medianSpan, at
  // least medianAtLeast of them (five blocks of 1024 points, three of 2048 or 4096: one
  // stray block moves it not at all), approached exponentially with this time constant.
  std::chrono::milliseconds medianSpan{110};
  int medianAtLeast = 3;
  std::chrono::milliseconds settleTime{150};
  // Without a reading the note is held, dimmed after a while and dropped after longer.
  std::chrono::milliseconds dimAfter{1500};
  std::chrono::milliseconds restAfter{6000};
  std::chrono::milliseconds historySpan{10000};
};

enum class MeterState {
  Rest,    // no note: nothing heard yet, or a long silence
  Live,    // the last block named the note
  Held,    // blocks without a reading since, for a short while
  Dimmed,  // no reading for longer: the note is shown faded
};

enum class TuneZone { Flat, InTune, Sharp };

struct HistoryPoint {
  MeterClock::time_point time;
  double cents;
  bool startsLine;  // blocks without a reading came before it
};

// Where the needle points for a deviation: -1 at -50 cents, 0 in tune, +1 at +50 cents,
// and no further.
double NeedlePosition(double cents);

// In tune within 2 cents either way.
inline constexpr double kInTuneCents = 2.0;
TuneZone ZoneOf(double cents);

// How fast the strobe pattern drifts, in pattern periods a second: to the right
// (positive) when sharp, to the left when flat, in proportion to the deviation; still
// within half a cent. Capped, so that between two pictures the pattern moves well under
// half a period even when the panel is repainted only for each block of 4096 points
// (10.8 a second), and its direction can never be misread.
double StrobeSpeed(double cents);

class MeterModel {
 public:
  explicit MeterModel(MeterTiming timing = {});

  // One block: a reading (noteNumber -1 or frequency 0: none) and when it was shown.
  void Show(const BlockReading& reading, MeterClock::time_point now);

  MeterState State() const { return state_; }
  std::int16_t NoteNumber() const { return note_; }  // -1 at rest
  double NeedleCents() const { return needle_; }     // the smoothed deviation; 0 at rest
  double Frequency() const;                          // where the needle points, in hertz; 0 at rest
  TuneZone Zone() const { return ZoneOf(needle_); }
  double StrobePhase() const { return strobePhase_; }  // the pattern's offset in periods, [0, 1)
  // The needle's cents over the last historySpan, oldest first, since the note began.
  const std::deque<HistoryPoint>& History() const { return history_; }
  MeterClock::time_point LastShown() const { return lastShown_; }

 private:
  void StartNote(const BlockReading& reading, MeterClock::time_point now);
  void FollowNote(const BlockReading& reading, MeterClock::time_point now, double secondsSinceLastBlock);
  void Fade(MeterClock::time_point now);

  MeterTiming timing_;
  MeterState state_ = MeterState::Rest;
  std::int16_t note_ = -1;
  double needle_ = 0.0;
  double noteFrequency_ = 0.0;  // the note's own pitch for the reference pitch in use
  double strobePhase_ = 0.0;
  struct Recent {
    MeterClock::time_point time;
    double cents;
  };
  std::deque<Recent> recent_;  // the note's last readings, newest last
  std::deque<HistoryPoint> history_;
  MeterClock::time_point lastReading_{};
  MeterClock::time_point lastShown_{};
};
