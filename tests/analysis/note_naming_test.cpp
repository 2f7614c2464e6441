// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/note_naming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "analysis/numeric.h"

namespace {

TEST(GetMIDINoteNumber, NamesTheNearestNoteInsideTheRange) {
  const struct { double frequency; int note; } cases[] = {
      {440, 69},          {27.5, 21},   {27.4999, -1}, {4186.00904480958, 108},
      {4186.01, -1},      {0, -1},      {-440, -1},    {261.6255653, 60},
      {1000, 83},         {std::numeric_limits<double>::quiet_NaN(), -1},
      // Halfway between two notes the even neighbour wins.
      {440 * std::pow(2.0, 1.0 / 24), 70}, {440 * std::pow(2.0, 3.0 / 24), 70},
      {440 * std::pow(2.0, -1.0 / 24), 68}};
  for (const auto& c : cases) EXPECT_EQ(GetMIDINoteNumber(c.frequency), c.note) << c.frequency;
}

TEST(Note_Octave, NameFollowedByOctave) {
  const struct { int note; const char* text; } cases[] = {
      {-1, "out of range"}, {69, "A4"}, {60, "C4"}, {61, "C#4"}, {70, "Bb4"}, {21, "A0"},
      {108, "C8"},          {63, "Eb4"}, {0, "C-1"}, {12, "C0"},  {127, "G9"}, {66, "F#4"},
      {68, "Ab4"}};
  for (const auto& c : cases)
    EXPECT_EQ(Note_Octave(static_cast<std::int16_t>(c.note)), c.text) << c.note;
}

TEST(Tuning, CentsFromTheSemitoneBelowAsSignedText) {
  const double a4 = 440;
  const struct { double frequency; const char* text; } cases[] = {
      {440, "0"},        {445, "+20"},  {436, "-16"},  {453, "\u00B1" "50"},
      {452, "+47"},      {430.6640625, "-37"},        {a4 * std::pow(2.0, 49.0 / 1200), "+49"},
      {a4 * std::pow(2.0, -49.0 / 1200), "-49"},     {a4 * std::pow(2.0, 1.0 / 24), "\u00B1" "50"},
      {5, "+"},          {6.875, "0"},  {82.4069, "0"}, {27.5, "0"}};
  for (const auto& c : cases) EXPECT_EQ(Tuning(c.frequency), c.text) << c.frequency;
}

TEST(Tuning, ZeroOrNegativeFrequencyIsAnInvalidArgument) {
  for (double frequency : {0.0, -1.0}) {
    try {
      Tuning(frequency);
      ADD_FAILURE() << frequency << " gave no error";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.Description(), "Invalid procedure call or argument");
    }
  }
}

// A note built from the reference pitch, a note number and an offset in cents is named
// back as that note, with that offset as the tuning text and as unrounded cents.
TEST(ReferencePitch, NamesNotesAndCentsFromTheChosenA4) {
  const int notes[] = {28, 40, 45, 52, 57, 64, 69, 81, 96};
  const struct { int cents; const char* text; } offsets[] = {
      {-49, "-49"}, {-7, "-7"}, {0, "0"}, {12, "+12"}, {49, "+49"}};
  for (const double a4 : {400.0, 415.0, 432.0, 440.0, 442.0, 466.0, 480.0}) {
    for (const int note : notes) {
      for (const auto& offset : offsets) {
        const double frequency = a4 * std::pow(2.0, (note - 69) / 12.0 + offset.cents / 1200.0);
        const auto named = GetMIDINoteNumber(frequency, a4);
        EXPECT_EQ(named, note) << a4 << " " << frequency;
        EXPECT_EQ(Tuning(frequency, a4), offset.text) << a4 << " " << frequency;
        EXPECT_NEAR(CentsFromNote(frequency, named, a4), offset.cents, 1e-9) << a4 << " " << frequency;
      }
    }
  }
}

// The same sound read against different reference pitches.
TEST(ReferencePitch, OneSoundReadAgainstEachA4) {
  const struct { double a4; double frequency; const char* note; const char* tuning; } cases[] = {
      {440, 440, "A4", "0"},        {442, 440, "A4", "-8"},       {432, 440, "A4", "+32"},
      {415, 440, "Bb4", "+1"},      {466, 440, "Ab4", "+1"},      {466, 466, "A4", "0"},
      {442, 82.69, "E2", "-2"},     {415, 77.73, "E2", "0"},      {440, 466.16, "Bb4", "0"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Note_Octave(GetMIDINoteNumber(c.frequency, c.a4)), c.note) << c.a4 << " " << c.frequency;
    EXPECT_EQ(Tuning(c.frequency, c.a4), c.tuning) << c.a4 << " " << c.frequency;
  }
}

TEST(ReferencePitch, ReadsDecimalTextInRangeToATenth) {
  const struct { const char* text; std::optional<double> pitch; } cases[] = {
      {"440", 440.0},    {"442.0", 442.0}, {"415.3", 415.3}, {" 432 ", 432.0}, {"400", 400.0},
      {"480", 480.0},    {"399.96", 400.0}, {"480.04", 480.0}, {"441.26", 441.3},
      {"399.9", std::nullopt}, {"480.1", std::nullopt},  {"0", std::nullopt},
      {"-442", std::nullopt},  {"", std::nullopt},       {"  ", std::nullopt},
      {"abc", std::nullopt},   {"442abc", std::nullopt}, {"4 42", std::nullopt},
      {"442,5", std::nullopt}, {"+442", std::nullopt},   {"4.42e2", std::nullopt},
      {"nan", std::nullopt},   {"inf", std::nullopt},    {"1e999", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(PitchA4FromText(c.text), c.pitch) << '"' << c.text << '"';
}

TEST(ReferencePitch, TextReadsBackAsTheSamePitch) {
  for (const double pitch : {400.0, 415.3, 432.0, 440.0, 442.1, 466.2, 479.9, 480.0}) {
    EXPECT_EQ(PitchA4FromText(PitchA4Text(pitch)), pitch) << pitch;
  }
  EXPECT_EQ(PitchA4Text(440.0), "440.0");
  EXPECT_EQ(PitchA4Text(415.3), "415.3");
}

}  // namespace
