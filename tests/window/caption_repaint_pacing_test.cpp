// SPDX-License-Identifier: GPL-3.0-or-later
// The result captions' repaints: a change soon after the last one shown waits, and every
// caption held back is shown together once the spacing has passed.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "window/caption_repaint_pacing.h"

TEST(CaptionRepaintPacing, HoldsChangesWithinTheSpacingAndShowsThemTogether) {
  QWidget window;
  QLabel note(&window);
  QLabel tuning(&window);
  window.show();
  CaptionRepaintPacing pacing(std::chrono::milliseconds(500));

  pacing.BeforeChange(&note);
  EXPECT_TRUE(note.updatesEnabled()) << "the first change is shown at once";
  pacing.BeforeChange(&note);
  pacing.BeforeChange(&tuning);
  EXPECT_FALSE(note.updatesEnabled());
  EXPECT_FALSE(tuning.updatesEnabled());

  EXPECT_TRUE(QTest::qWaitFor([&] { return note.updatesEnabled() && tuning.updatesEnabled(); }, 10000));
  pacing.BeforeChange(&tuning);
  EXPECT_FALSE(tuning.updatesEnabled()) << "the spacing counts from the captions just shown";
}
