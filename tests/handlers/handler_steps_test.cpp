// SPDX-License-Identifier: GPL-3.0-or-later
#include "handlers/handler_steps.h"

#include <gtest/gtest.h>

#include <vector>

#include "analysis/numeric.h"

namespace {

TEST(HandlerSteps, ReportsTheFailingStepAndGoesOn) {
  std::vector<ErrorReport> reports;
  HandlerSteps steps("Form_Load", [&](const ErrorReport& r) { reports.push_back(r); });
  std::vector<int> ran;
  EXPECT_TRUE(steps.Run(100, [&] { ran.push_back(100); }));
  EXPECT_FALSE(steps.Run(104, [&] { throw RuntimeError("Invalid procedure call or argument"); }));
  EXPECT_TRUE(steps.Run(106, [&] { ran.push_back(106); }));
  EXPECT_EQ(ran, (std::vector<int>{100, 106}));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].line, 104);
  EXPECT_EQ(ErrorDialogText(reports[0]),
            "Invalid procedure call or argument\r\n"
            "in Corvandel2021/08/31.Form1.Form_Load at line 104\r\r"
            "Please email screenshot of this message to support@harrowfen.example");
}

}  // namespace
