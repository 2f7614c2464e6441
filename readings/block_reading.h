// SPDX-License-Identifier: GPL-3.0-or-later
// One analysed block, whole: what the three result labels show for it and what a meter
// needs to draw it. The measuring loop hands the window one of these per block, so every
// caption painted at one moment comes from the same block.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct BlockReading {
  double seconds = 0.0;    // how long the block is
  double frequency = 0.0;  // hertz as analysed; 0: the block holds no clear note
  std::string frequencyCaption;              // "Frequency: 82.41", for every block
  std::optional<std::string> noteCaption;    // "Note: E2" when the note label changes
  std::optional<std::string> tuningCaption;  // "Tuning: +5" for every block with a reading
  // The nearest equal-tempered note for the reference pitch (-1: none) and the deviation
  // from it in cents, unrounded, in [-50, +50].
  std::int16_t noteNumber = -1;
  double cents = 0.0;
};
