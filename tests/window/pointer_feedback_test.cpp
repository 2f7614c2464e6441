// SPDX-License-Identifier: GPL-3.0-or-later
// Pointer feedback: which moves change the window's pointer mode, and the busy rule.
#include <QTest>

#include "window/push_button.h"
#include "window_test_support.h"

namespace {

enum class Place { Background, Frame1, Frame2, Frame3, Button, Label, List };

// Points in window coordinates, each over one element only.
QPoint PointOver(Place place) {
  switch (place) {
    case Place::Background: return {3, 3};     // left margin, beside the frames
    case Place::Frame1: return {12, 68};       // Frame1's border strip left of its list
    case Place::Frame2: return {12, 325};      // Frame2 below its labels
    case Place::Frame3: return {12, 200};      // Frame3's border strip left of its list
    case Place::Button: return {268, 357};
    case Place::Label: return {202, 311};      // over lblTuning
    case Place::List: return {268, 70};        // over lstAudioDevices
  }
  return {};
}

struct PointerCase {
  const char* name;
  std::int16_t modeBefore;
  Place place;
  std::int16_t modeAfter;
  friend void PrintTo(const PointerCase& test, std::ostream* out) { *out << test.name; }
};

class PointerFeedbackTest : public WindowTest, public ::testing::WithParamInterface<PointerCase> {};

TEST_P(PointerFeedbackTest, MoveSetsTheWindowsPointerMode) {
  const PointerCase& test = GetParam();
  auto form = LoadedForm();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  form->SetMousePointer(test.modeBefore);
  QTest::mouseMove(form.get(), PointOver(test.place));
  EXPECT_EQ(form->MousePointer(), test.modeAfter);
}

constexpr std::int16_t kDefault = Form1::kDefaultPointer;
constexpr std::int16_t kBusy = Form1::kBusyPointer;
constexpr std::int16_t kHand = Form1::kCustomPointer;

INSTANTIATE_TEST_SUITE_P(
    Moves, PointerFeedbackTest,
    ::testing::Values(PointerCase{"ButtonShowsTheHand", kDefault, Place::Button, kHand},
                      PointerCase{"BackgroundRestores", kHand, Place::Background, kDefault},
                      PointerCase{"Frame1Restores", kHand, Place::Frame1, kDefault},
                      PointerCase{"Frame2Restores", kHand, Place::Frame2, kDefault},
                      PointerCase{"Frame3Restores", kHand, Place::Frame3, kDefault},
                      PointerCase{"LabelKeepsTheHand", kHand, Place::Label, kHand},
                      PointerCase{"LabelKeepsTheDefault", kDefault, Place::Label, kDefault},
                      PointerCase{"ListKeepsTheHand", kHand, Place::List, kHand},
                      PointerCase{"BusyOverButton", kBusy, Place::Button, kBusy},
                      PointerCase{"BusyOverBackground", kBusy, Place::Background, kBusy},
                      PointerCase{"BusyOverFrame1", kBusy, Place::Frame1, kBusy},
                      PointerCase{"BusyOverFrame2", kBusy, Place::Frame2, kBusy},
                      PointerCase{"BusyOverFrame3", kBusy, Place::Frame3, kBusy}),
    CaseName());

TEST_F(WindowTest, PointerModesShowTheirShapes) {
  auto form = LoadedForm();
  form->SetMousePointer(Form1::kBusyPointer);
  EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);
  // Without HAND-M.CUR the custom mode shows an ordinary arrow.
  form->SetMousePointer(Form1::kCustomPointer);
  EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
  form->SetMousePointer(Form1::kBusyPointer);
  form->SetMousePointer(Form1::kDefaultPointer);
  EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
  // The button has no shape of its own, so the window's shows over it.
  EXPECT_FALSE(form->PushButton2->testAttribute(Qt::WA_SetCursor));
}

TEST_F(WindowTest, CustomModeShowsTheHandFromTheCursorFile) {
  QFile shipped(QStringLiteral(CORVANDEL_RESOURCES_DIR "/HAND-M.CUR"));
  ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
  WriteProgramFile("HAND-M.CUR", shipped.readAll());
  auto form = LoadedForm();
  ASSERT_TRUE(form->MouseIcon.has_value());
  form->SetMousePointer(Form1::kCustomPointer);
  EXPECT_EQ(form->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(form->cursor().hotSpot(), form->MouseIcon->hotSpot());
}

}  // namespace
