// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as it is created: controls, fonts, colours, focus, window buttons,
// self-sizing labels and the push button's signals.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "window/auto_size_label.h"
#include "window/meter/meter_panel.h"
#include "window/push_button.h"
#include "window_test_support.h"

namespace {

struct ControlDesign {
  const char* name;
  const char* container;
  const char* caption;  // frame title, text box text or button caption; "" for none
  QRect pixels;         // design twips / 15; labels size themselves, so width 0 here

  friend void PrintTo(const ControlDesign& test, std::ostream* out) { *out << test.name; }
};

class ControlLayoutTest : public WindowTest, public ::testing::WithParamInterface<ControlDesign> {};

QString CaptionOf(const QWidget* control) {
  if (auto* frame = qobject_cast<const QGroupBox*>(control)) return frame->title();
  if (auto* text = qobject_cast<const QLineEdit*>(control)) return text->text();
  if (auto* button = qobject_cast<const PushButton*>(control)) return button->Caption();
  if (auto* label = qobject_cast<const AutoSizeLabel*>(control)) return label->Caption();
  return "";
}

TEST_P(ControlLayoutTest, HasItsDesignPlaceCaptionAndFont) {
  const ControlDesign& design = GetParam();
  auto form = MakeForm();
  auto* control = form->findChild<QWidget*>(design.name);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->parentWidget()->objectName(), design.container);
  EXPECT_EQ(CaptionOf(control), design.caption);
  EXPECT_EQ(control->pos(), design.pixels.topLeft());
  if (design.pixels.width() > 0) {
    EXPECT_EQ(control->size(), design.pixels.size());
  }
  if (control != form->PushButton2) {
    EXPECT_EQ(control->font(), form->font());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Form1Controls, ControlLayoutTest,
    ::testing::Values(
        ControlDesign{"Text1", "Form1", "Text1", QRect(48, 408, 177, 47)},
        ControlDesign{"Frame3", "Form1", "Number of Points", QRect(8, 140, 520, 135)},
        ControlDesign{"lstNumberofPoints", "Frame3", "", QRect(16, 24, 489, 94)},
        ControlDesign{"Frame2", "Form1", "Tuning", QRect(8, 280, 520, 55)},
        ControlDesign{"lblFrequency", "Frame2", "Frequency:", QRect(360, 24, 0, 0)},
        ControlDesign{"lblTuning", "Frame2", "Tuning:", QRect(184, 24, 0, 0)},
        ControlDesign{"lblNote", "Frame2", "Note:", QRect(16, 24, 0, 0)},
        ControlDesign{"Frame1", "Form1", "Audio Devices", QRect(8, 8, 520, 127)},
        ControlDesign{"lstAudioDevices", "Frame1", "", QRect(16, 20, 489, 94)},
        ControlDesign{"PushButton2", "Form1", "Start", QRect(8, 344, 520, 27)}),
    CaseName());

// The design widths are those of the captions in Arial 9 pt bold; a wrong font or size
// shows here.
TEST_F(WindowTest, LabelsTakeTheDesignWidthsOfTheirCaptions) {
  auto form = MakeForm();
  EXPECT_NEAR(form->lblFrequency->width(), 930 / 15, 3);
  EXPECT_NEAR(form->lblTuning->width(), 615 / 15, 3);
  EXPECT_NEAR(form->lblNote->width(), 435 / 15, 3);
}

// Labels remember the sizes of captions they showed, but a caption shown again after a
// font change takes the size of the new font.
TEST_F(WindowTest, ALabelSizesACaptionShownBeforeInItsCurrentFont) {
  auto form = MakeForm();
  AutoSizeLabel* label = form->lblTuning;
  label->SetCaption("Tuning: +12");
  const int width = label->width();
  label->SetCaption("Tuning: 0");
  label->SetCaption("Tuning: +12");
  EXPECT_EQ(label->width(), width);
  QFont larger = label->font();
  larger.setPointSizeF(2 * larger.pointSizeF());
  label->setFont(larger);
  label->SetCaption("Tuning: 0");
  label->SetCaption("Tuning: +12");
  EXPECT_GT(label->width(), width + width / 2);
}

struct LabelDressing {
  const char* name;
  const char* styleSheet;  // "" for none
  int indent;              // QLabel's own default is -1
};

class LabelSizeTest : public WindowTest, public ::testing::WithParamInterface<LabelDressing> {};

// A label takes the size a plain QLabel dressed alike would ask for, caption by caption:
// the same width, so the same text shows, however the size is worked out.
TEST_P(LabelSizeTest, MatchesAPlainLabelDressedAlike) {
  const LabelDressing& dressing = GetParam();
  QWidget container;
  container.setStyleSheet(dressing.styleSheet);
  container.setFont(QFont("Arial", 9, QFont::Bold));
  auto* label = new AutoSizeLabel("", &container);
  auto* plain = new QLabel(&container);
  plain->setTextFormat(Qt::PlainText);
  for (QLabel* each : {static_cast<QLabel*>(label), plain}) each->setIndent(dressing.indent);
  for (const char* caption : {"Frequency: 110.25", "Tuning: -7", "Note: C#4", "W\tiW", "two\nlines"}) {
    label->SetCaption(caption);
    plain->setText(caption);
    EXPECT_EQ(label->sizeHint(), plain->sizeHint()) << caption;
    EXPECT_EQ(label->size(), plain->sizeHint()) << caption;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dressings, LabelSizeTest,
    ::testing::Values(LabelDressing{"bare", "", -1}, LabelDressing{"indented", "", 6},
                      LabelDressing{"padded", "QLabel { padding: 1px 5px 3px 2px; }", -1},
                      LabelDressing{"bordered", "QLabel { border: 2px solid black; }", -1}),
    CaseName());

TEST_F(WindowTest, WindowAndButtonFontsAreArialBold) {
  auto form = MakeForm();
  EXPECT_EQ(form->font().family(), "Arial");
  EXPECT_DOUBLE_EQ(form->font().pointSizeF(), 9.0);
  EXPECT_TRUE(form->font().bold());
  EXPECT_EQ(form->PushButton2->font().family(), "Arial");
  EXPECT_DOUBLE_EQ(form->PushButton2->font().pointSizeF(), 11.25);
  EXPECT_TRUE(form->PushButton2->font().bold());
}

TEST_F(WindowTest, WindowFramesAndLabelsAreWhiteAndTheButtonToo) {
  auto form = MakeForm();
  for (QWidget* control : std::initializer_list<QWidget*>{
           form.get(), form->Frame1, form->Frame2, form->Frame3, form->lblFrequency,
           form->lblTuning, form->lblNote}) {
    EXPECT_TRUE(control->autoFillBackground()) << control->objectName().toStdString();
    EXPECT_EQ(control->palette().color(QPalette::Window), QColor(Qt::white))
        << control->objectName().toStdString();
  }
  EXPECT_EQ(form->PushButton2->palette().color(QPalette::Button), QColor(Qt::white));
  EXPECT_EQ(form->PushButton2->palette().color(QPalette::ButtonText),
            QApplication::palette().color(QPalette::ButtonText));
}

TEST_F(WindowTest, WindowHasAFixedClientAreaAndNoMaximiseButton) {
  auto form = MakeForm();
  EXPECT_EQ(form->windowTitle(), "Form1");
  // The original 536 x 379, widened for the meter panel to its right: it still fits an
  // 800 x 600 screen.
  EXPECT_EQ(form->size(), QSize(792, 379));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  // The text box lies wholly below the client area.
  EXPECT_GT(form->Text1->y(), form->height());
}

TEST_F(WindowTest, OpensCentredWithTheFocusInTheHiddenTextBoxAndTabsInDesignOrder) {
  auto form = LoadedForm();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  EXPECT_EQ(form->frameGeometry().center(), form->screen()->availableGeometry().center());

  EXPECT_EQ(QApplication::focusWidget(), form->Text1);
  const std::vector<QWidget*> tabOrder{form->lstAudioDevices, form->lstNumberofPoints, form->PushButton2,
                                       form->Meter->ReferencePitchBox(), form->Text1};
  for (QWidget* next : tabOrder) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
}

TEST_F(WindowTest, LabelWidensToTheRightAndIsCutOffByItsFrame) {
  auto form = MakeForm();
  const QRect before = form->lblFrequency->geometry();
  form->lblFrequency->SetCaption("Frequency: 440.00");
  EXPECT_EQ(form->lblFrequency->pos(), before.topLeft());
  EXPECT_GT(form->lblFrequency->width(), before.width());

  form->lblFrequency->SetCaption("Frequency: 4186.01 Hz, a long text that overruns the frame");
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  EXPECT_GT(form->lblFrequency->width(), 2400 / 15);
  EXPECT_EQ(form->lblFrequency->visibleRegion().boundingRect().width(), 2400 / 15);
}

TEST_F(WindowTest, ButtonCaptionReadsBackExactlyAndAPressClicksOnce) {
  auto form = MakeForm();
  for (const QString caption : {"Stop", "Start", "&Go", "stop "}) {
    form->PushButton2->SetCaption(caption);
    EXPECT_EQ(form->PushButton2->Caption(), caption);
  }
  QSignalSpy clicks(form->PushButton2, &PushButton::Click);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QTest::mouseClick(form->PushButton2, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);
}

struct PointerMoveCase {
  const char* name;
  Qt::MouseButtons buttons;
  Qt::KeyboardModifiers modifiers;
  int button;
  int shift;
  friend void PrintTo(const PointerMoveCase& test, std::ostream* out) { *out << test.name; }
};

class PointerMoveTest : public ::testing::TestWithParam<PointerMoveCase> {};

TEST_P(PointerMoveTest, ReportsButtonShiftAndPosition) {
  const PointerMoveCase& move = GetParam();
  PushButton button;
  button.resize(100, 30);
  QSignalSpy moves(&button, &PushButton::PointerMove);
  QMouseEvent event(QEvent::MouseMove, QPointF(12, 7), button.mapToGlobal(QPointF(12, 7)),
                    Qt::NoButton, move.buttons, move.modifiers);
  QCoreApplication::sendEvent(&button, &event);
  ASSERT_EQ(moves.count(), 1);
  const QList<QVariant> arguments = moves.first();
  EXPECT_EQ(arguments[0].toInt(), move.button);
  EXPECT_EQ(arguments[1].toInt(), move.shift);
  EXPECT_EQ(arguments[2].toInt(), 12);
  EXPECT_EQ(arguments[3].toInt(), 7);
}

INSTANTIATE_TEST_SUITE_P(
    ButtonAndShiftStates, PointerMoveTest,
    ::testing::Values(PointerMoveCase{"Nothing", Qt::NoButton, Qt::NoModifier, 0, 0},
                      PointerMoveCase{"LeftShift", Qt::LeftButton, Qt::ShiftModifier, 1, 1},
                      PointerMoveCase{"RightCtrl", Qt::RightButton, Qt::ControlModifier, 2, 2},
                      PointerMoveCase{"MiddleAlt", Qt::MiddleButton, Qt::AltModifier, 4, 4},
                      PointerMoveCase{"LeftRightShiftAlt", Qt::LeftButton | Qt::RightButton,
                                      Qt::ShiftModifier | Qt::AltModifier, 3, 5}),
    CaseName());

}  // namespace
