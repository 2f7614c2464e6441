// SPDX-License-Identifier: GPL-3.0-or-later
// The meter's model on a made-up clock: the needle's scale and zone, how it settles, how
// a note is held, dimmed and dropped, the strobe's drift and the pitch history.
#include "window/meter/meter_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using std::chrono::milliseconds;

// Blocks of 1024 points at 44100 samples a second.
constexpr double kBlockSeconds = 1024.0 / 44100.0;

MeterClock::time_point At(double seconds) {
  return MeterClock::time_point(
      std::chrono::duration_cast<MeterClock::duration>(std::chrono::duration<double>(seconds)));
}

BlockReading Reading(std::int16_t note, double cents) {
  BlockReading reading;
  reading.noteNumber = note;
  reading.cents = cents;
  reading.frequency = 440.0 * std::exp2((note - 69) / 12.0 + cents / 1200.0);
  return reading;
}

constexpr std::int16_t kA2 = 45;
constexpr std::int16_t kE2 = 40;

// Feeds blocks from `from` for `seconds`, each reading given by `cents(block)` (NaN: a
// block without a reading); returns the time after the last block.
template <typename Cents>
double Feed(MeterModel& model, double from, double seconds, Cents cents, std::int16_t note = kA2) {
  int block = 0;
  double t = from;
  for (; t < from + seconds - 1e-9; t += kBlockSeconds, ++block) {
    const double c = cents(block);
    model.Show(std::isnan(c) ? BlockReading{} : Reading(note, c), At(t));
  }
  return t;
}

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

TEST(MeterScale, CentsToNeedlePositionAndZone) {
  const struct { double cents; double position; TuneZone zone; } cases[] = {
      {-50, -1.0, TuneZone::Flat},   {-25, -0.5, TuneZone::Flat},  {-2.01, -0.0402, TuneZone::Flat},
      {-2, -0.04, TuneZone::InTune}, {0, 0.0, TuneZone::InTune},    {1.5, 0.03, TuneZone::InTune},
      {2, 0.04, TuneZone::InTune},   {2.01, 0.0402, TuneZone::Sharp}, {10, 0.2, TuneZone::Sharp},
      {50, 1.0, TuneZone::Sharp},    {80, 1.0, TuneZone::Sharp},    {-120, -1.0, TuneZone::Flat}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(NeedlePosition(c.cents), c.position) << c.cents;
    EXPECT_EQ(ZoneOf(c.cents), c.zone) << c.cents;
  }
  EXPECT_EQ(NeedlePosition(kNone), 0.0);
}

TEST(MeterModel, TheZoneFollowsTheSettledNeedle) {
  const struct { double cents; TuneZone zone; } cases[] = {
      {-6, TuneZone::Flat}, {-1.5, TuneZone::InTune}, {1.8, TuneZone::InTune}, {7, TuneZone::Sharp}};
  for (const auto& c : cases) {
    MeterModel model;
    Feed(model, 0, 2, [&](int) { return c.cents; });
    EXPECT_EQ(model.Zone(), c.zone) << c.cents;
    EXPECT_NEAR(model.NeedleCents(), c.cents, 1e-6);
  }
}

// A step of the same note: a block or two of the new value move nothing (the median),
// then the needle approaches it steadily, never beyond, and within 1 cent in under 0.4 s.
TEST(MeterModel, AStepIsApproachedSmoothly) {
  MeterModel model;
  const double step = Feed(model, 0, 2, [](int) { return 0.0; });
  std::vector<double> needle;
  for (double t = step; t < step + 1; t += kBlockSeconds) {
    model.Show(Reading(kA2, 10.0), At(t));
    needle.push_back(model.NeedleCents());
  }
  EXPECT_EQ(needle[0], 0.0);
  EXPECT_EQ(needle[1], 0.0);
  for (std::size_t i = 1; i < needle.size(); ++i) {
    EXPECT_GE(needle[i], needle[i - 1]) << i;
    EXPECT_LE(needle[i], 10.0) << i;
  }
  const auto at = [&](double seconds) { return needle[static_cast<std::size_t>(seconds / kBlockSeconds)]; };
  EXPECT_LT(at(0.15), 7.0) << "the needle jumped";
  EXPECT_GT(at(0.4), 9.0) << "the needle lags";
}

// Scatter of +-3 cents from block to block around +4: the needle stands near +4 and
// moves a small part of what the readings do.
TEST(MeterModel, BlockToBlockJitterIsSmoothedOut) {
  const double jitter[] = {3, -3, 1, -2, 3, 0, -3, 2, -1, 3, -3, 2, 0, -2, 1};
  MeterModel model;
  std::vector<double> needle;
  std::vector<double> raw;
  Feed(model, 0, 4, [&](int block) {
    const double cents = 4.0 + jitter[block % std::size(jitter)];
    if (block * kBlockSeconds > 1.0) {  // once settled
      raw.push_back(cents);
      needle.push_back(model.NeedleCents());
    }
    return cents;
  });
  const auto spread = [](const std::vector<double>& values, double around) {
    double sum = 0.0;
    for (const double v : values) sum += (v - around) * (v - around);
    return std::sqrt(sum / static_cast<double>(values.size()));
  };
  EXPECT_LT(spread(needle, 4.0), spread(raw, 4.0) / 4.0);
}

TEST(MeterModel, OneStrayReadingOfTheNoteMovesNothing) {
  MeterModel model;
  const double t = Feed(model, 0, 1, [](int) { return -3.0; });
  model.Show(Reading(kA2, 40.0), At(t));
  EXPECT_EQ(model.NeedleCents(), -3.0);
}

TEST(MeterModel, ANewNoteMovesTheNeedleAtOnceAndStartsAFreshHistory) {
  MeterModel model;
  const double t = Feed(model, 0, 1, [](int) { return 10.0; });
  EXPECT_GT(model.History().size(), 10u);
  model.Show(Reading(kE2, -20.0), At(t));
  EXPECT_EQ(model.NoteNumber(), kE2);
  EXPECT_EQ(model.NeedleCents(), -20.0);
  EXPECT_NEAR(model.Frequency(), Reading(kE2, -20.0).frequency, 1e-9);
  ASSERT_EQ(model.History().size(), 1u);
  EXPECT_EQ(model.History().front().cents, -20.0);
}

// Blocks without a reading hold the note, dim it after 1.5 s and drop it after 6 s. A
// note heard again after it dimmed moves the needle at once (it may have been retuned).
TEST(MeterModel, SilenceHoldsThenDimsThenRests) {
  MeterModel model;
  const double lastReading = Feed(model, 0, 1, [](int) { return 5.0; }) - kBlockSeconds;
  const struct { double after; MeterState state; } moments[] = {
      {0.5, MeterState::Held}, {1.45, MeterState::Held}, {1.55, MeterState::Dimmed},
      {5.9, MeterState::Dimmed}, {6.05, MeterState::Rest}};
  for (const auto& moment : moments) {
    MeterModel copy = model;
    Feed(copy, lastReading + kBlockSeconds, moment.after - kBlockSeconds + 1e-6, [](int) { return kNone; });
    EXPECT_EQ(copy.State(), moment.state) << moment.after;
    if (moment.state == MeterState::Rest) {
      EXPECT_EQ(copy.NoteNumber(), -1);
      EXPECT_EQ(copy.NeedleCents(), 0.0);
      EXPECT_EQ(copy.Frequency(), 0.0);
      EXPECT_TRUE(copy.History().empty());
    } else {
      EXPECT_EQ(copy.NoteNumber(), kA2) << moment.after;
      EXPECT_EQ(copy.NeedleCents(), 5.0) << moment.after;
    }
    if (moment.state == MeterState::Dimmed) {
      copy.Show(Reading(kA2, -8.0), At(lastReading + moment.after + 0.01));
      EXPECT_EQ(copy.State(), MeterState::Live);
      EXPECT_EQ(copy.NeedleCents(), -8.0);
      EXPECT_TRUE(copy.History().back().startsLine);
    }
  }
}

// The strobe's offset per block: to the right when sharp, to the left when flat, twice
// as fast at twice the deviation, still within half a cent and while nothing is heard.
TEST(MeterModel, StrobeDriftsWithTheDeviation) {
  const auto drift = [](double cents) {
    MeterModel model;
    const double t = Feed(model, 0, 1, [&](int) { return cents; });
    const double before = model.StrobePhase();
    model.Show(Reading(kA2, cents), At(t));
    double step = model.StrobePhase() - before;
    return step - std::round(step);  // the pattern repeats every period
  };
  EXPECT_GT(drift(3), 0.0);
  EXPECT_LT(drift(-3), 0.0);
  EXPECT_NEAR(drift(6), 2 * drift(3), 1e-9);
  EXPECT_NEAR(drift(-1), -drift(1), 1e-9);
  EXPECT_EQ(drift(0.4), 0.0);
  EXPECT_EQ(drift(-0.4), 0.0);
  // A pattern that moved half a period or more between two pictures could be read the
  // wrong way; at 4096 points a block lasts 93 ms.
  EXPECT_LT(std::abs(StrobeSpeed(50)) * 4096.0 / 44100.0, 0.5);

  MeterModel model;
  const double t = Feed(model, 0, 1, [](int) { return 10.0; });
  const double phase = model.StrobePhase();
  Feed(model, t, 1, [](int) { return kNone; });
  EXPECT_EQ(model.StrobePhase(), phase);
}

TEST(MeterModel, HistoryKeepsTheLastTenSecondsOfTheNote) {
  MeterModel model;
  const double t = Feed(model, 0, 14, [](int block) { return block < 100 ? 20.0 : 1.0; });
  const auto& history = model.History();
  ASSERT_FALSE(history.empty());
  EXPECT_LE(history.back().time - history.front().time, milliseconds(10000));
  EXPECT_GE(history.back().time - history.front().time, milliseconds(9900));
  EXPECT_EQ(history.back().time, At(t - kBlockSeconds));
  EXPECT_NEAR(history.back().cents, 1.0, 1e-6);
  for (const HistoryPoint& point : history) EXPECT_FALSE(point.startsLine);
}

}  // namespace
