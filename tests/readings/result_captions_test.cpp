// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/result_captions.h"

#include <gtest/gtest.h>

namespace {

TEST(FrequencyCaption, TwoDecimalsTiesToEvenInShortestForm) {
  const struct { double frequency; char separator; const char* text; } cases[] = {
      {440, '.', "Frequency: 440"},         {82.4069, '.', "Frequency: 82.41"},
      {110.5, '.', "Frequency: 110.5"},     {110.125, '.', "Frequency: 110.12"},
      {110.375, '.', "Frequency: 110.38"},  {0, '.', "Frequency: 0"},
      {82.4069, ',', "Frequency: 82,41"},   {4186.00904480958, '.', "Frequency: 4186.01"},
      {27.499, '.', "Frequency: 27.5"},     {1234.004, ',', "Frequency: 1234"}};
  for (const auto& c : cases) EXPECT_EQ(FrequencyCaption(c.frequency, c.separator), c.text);
}

TEST(NoteCaptionUpdate, WritesANewNoteOnceAndKeepsItOutOfRange) {
  std::string last;
  const struct { double frequency; const char* update; } steps[] = {
      {440, "Note: A4"}, {441, nullptr}, {0, nullptr},  // out of range: the label keeps A4
      {5000, nullptr},   {82.41, "Note: E2"}, {440, "Note: A4"}};
  for (const auto& step : steps) {
    const auto update = NoteCaptionUpdate(step.frequency, last);
    if (step.update == nullptr)
      EXPECT_FALSE(update.has_value()) << step.frequency;
    else
      EXPECT_EQ(update.value_or("none"), step.update) << step.frequency;
  }
  EXPECT_EQ(last, "A4");
}

}  // namespace
