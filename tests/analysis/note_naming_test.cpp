// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/note_naming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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

}  // namespace
