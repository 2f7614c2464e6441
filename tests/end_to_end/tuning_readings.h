// SPDX-License-Identifier: GPL-3.0-or-later
// How far the end-to-end tests' tuning captions lie from the note: the cents of each
// caption, and how steadily in tune a run of them stayed.
#pragma once

#include <gtest/gtest.h>

#include <QChar>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

// The cents, without sign, of a "Tuning: -3" caption (in tune: "Tuning: ±0").
inline int CentsOff(QString tuning) { return std::abs(tuning.mid(8).replace(QChar(0x00B1), "").toInt()); }

// Half the readings at most 3 cents off, nine in ten at most 6; `when` says when they
// were read, for the printout.
inline void ExpectSteadilyInTune(std::vector<int> magnitudes, const char* when) {
  ASSERT_FALSE(magnitudes.empty());
  std::sort(magnitudes.begin(), magnitudes.end());
  const int median = magnitudes[magnitudes.size() / 2];
  const int ninetieth = magnitudes[magnitudes.size() * 9 / 10];
  std::printf("tuning while %s: median %d cents, 90th percentile %d cents (%zu readings)\n", when, median,
              ninetieth, magnitudes.size());
  EXPECT_LE(median, 3);
  EXPECT_LE(ninetieth, 6);
}
