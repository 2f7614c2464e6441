// SPDX-License-Identifier: GPL-3.0-or-later
// The meter panel in the window: where it lies, the reference pitch (stored, read back,
// set from the keyboard and the wheel) and the picture in each look, judged by where
// the needle is and which marker is lit rather than pixel by pixel.
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QScreen>
#include <QListWidget>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

#include "analysis/note_naming.h"
#include "window/auto_size_label.h"
#include "window/back_color.h"
#include "window/meter/meter_display.h"
#include "window/meter/meter_panel.h"
#include "window/push_button.h"
#include "window/reference_pitch_setting.h"
#include "window_test_support.h"

namespace {

std::vector<QString> warnings;

void RecordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg) warnings.push_back(text);
}

class MeterPanelTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    warnings.clear();
    previousHandler_ = qInstallMessageHandler(RecordWarning);
  }
  void TearDown() override {
    qInstallMessageHandler(previousHandler_);
    qApp->setStyleSheet("");
  }

  void StorePitch(const QString& text) {
    QSettings(SettingsPath(), QSettings::IniFormat).setValue(kReferencePitchKey, text);
  }
  QVariant StoredPitch() const { return QSettings(SettingsPath(), QSettings::IniFormat).value(kReferencePitchKey); }

 private:
  QtMessageHandler previousHandler_ = nullptr;
};

// One second of blocks of 1024 points holding `note` off by `cents`.
void ShowNote(MeterPanel& panel, std::int16_t note, double cents) {
  panel.SetMeasuring(true);
  const double block = 1024.0 / 44100.0;
  for (int i = 0; i * block < 1.0; ++i) {
    BlockReading reading;
    reading.noteNumber = note;
    reading.cents = cents;
    reading.frequency = 440.0 * std::exp2((note - 69) / 12.0 + cents / 1200.0);
    panel.ShowReading(reading, MeterClock::time_point(std::chrono::milliseconds(std::lround(1000 * i * block))));
  }
}

TEST_F(MeterPanelTest, LiesBesideTheOriginalContentWithABigNoteAndTheStandardPitch) {
  auto form = LoadedForm();
  const QRect panel = form->Meter->geometry();
  for (QWidget* control : {static_cast<QWidget*>(form->Frame1), static_cast<QWidget*>(form->Frame2),
                           static_cast<QWidget*>(form->Frame3), static_cast<QWidget*>(form->PushButton2)})
    EXPECT_GE(panel.left(), control->geometry().right() + 8) << control->objectName().toStdString();
  EXPECT_EQ(panel.top(), form->Frame1->y());
  EXPECT_EQ(panel.bottom(), form->PushButton2->geometry().bottom());
  EXPECT_EQ(panel.right() + 1 + 8, form->width());

  EXPECT_GE(QFontMetrics(form->Meter->Display()->NoteFont()).height(),
            4 * QFontMetrics(form->lblNote->font()).height());
  const QDoubleSpinBox* pitch = form->Meter->ReferencePitchBox();
  EXPECT_EQ(pitch->minimum(), 400.0);
  EXPECT_EQ(pitch->maximum(), 480.0);
  EXPECT_EQ(pitch->singleStep(), 0.1);
  EXPECT_EQ(pitch->decimals(), 1);
  EXPECT_EQ(pitch->value(), 440.0);
  EXPECT_TRUE(warnings.empty());
  EXPECT_FALSE(StoredPitch().isValid()) << "nothing is stored before the player sets a pitch";
}

struct StoredPitchCase {
  const char* name;
  const char* stored;  // nullptr: nothing stored
  double pitch;
  bool warns;
  friend void PrintTo(const StoredPitchCase& test, std::ostream* out) { *out << test.name; }
};

class StoredPitchTest : public MeterPanelTest, public ::testing::WithParamInterface<StoredPitchCase> {};

// A value that is no pitch from 400.0 to 480.0 Hz gives 440.0 with a warning and stays
// stored as it was; the FFT size is read as ever.
TEST_P(StoredPitchTest, IsReadAtStartUp) {
  const StoredPitchCase& test = GetParam();
  StoreSetting("2");
  if (test.stored) StorePitch(test.stored);
  auto form = LoadedForm();
  EXPECT_EQ(form->Meter->ReferencePitch(), test.pitch);
  EXPECT_EQ(warnings.size(), test.warns ? 1u : 0u);
  EXPECT_EQ(StoredPitch(), test.stored ? QVariant(test.stored) : QVariant());
  EXPECT_EQ(form->lstNumberofPoints->currentRow(), 2);
  EXPECT_TRUE(messages.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    StoredValues, StoredPitchTest,
    ::testing::Values(StoredPitchCase{"Absent", nullptr, 440.0, false},
                      StoredPitchCase{"Orchestra", "442.0", 442.0, false},
                      StoredPitchCase{"Baroque", "415", 415.0, false},
                      StoredPitchCase{"LowestAndTenths", "400.04", 400.0, false},
                      StoredPitchCase{"Highest", "480", 480.0, false},
                      StoredPitchCase{"JustAbove", "480.1", 440.0, true},
                      StoredPitchCase{"DoubleA4", "880", 440.0, true},
                      StoredPitchCase{"Word", "concert", 440.0, true},
                      StoredPitchCase{"CommaDecimal", "442,5", 440.0, true},
                      StoredPitchCase{"Empty", "", 440.0, false}),
    CaseName());

// Stepped with the arrow keys and the wheel, or typed and confirmed; each new pitch is
// stored at once.
TEST_F(MeterPanelTest, ThePitchIsSetWithoutAMouseOrWithTheWheelAndStored) {
  auto form = LoadedForm();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QDoubleSpinBox* pitch = form->Meter->ReferencePitchBox();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), pitch) << "Alt+A, the label's shortcut";
  form->PushButton2->setFocus();
  QTest::keyClick(form->PushButton2, Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), pitch);

  QTest::keyClick(pitch, Qt::Key_Up);
  EXPECT_DOUBLE_EQ(pitch->value(), 440.1);
  EXPECT_EQ(StoredPitch(), "440.1");
  QTest::keyClick(pitch, Qt::Key_PageUp);
  EXPECT_DOUBLE_EQ(pitch->value(), 441.1);
  QTest::keyClick(pitch, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(pitch, "415");
  EXPECT_EQ(StoredPitch(), "441.1") << "a pitch being typed is not taken yet";
  QTest::keyClick(pitch, Qt::Key_Return);
  EXPECT_DOUBLE_EQ(pitch->value(), 415.0);
  EXPECT_EQ(StoredPitch(), "415.0");

  const QPointF centre = QRectF(pitch->rect()).center();
  QWheelEvent wheel(centre, pitch->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(pitch, &wheel);
  EXPECT_DOUBLE_EQ(pitch->value(), 414.9);
  EXPECT_EQ(StoredPitch(), "414.9");
  QTest::keyClick(pitch, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(form->Text1));
}

TEST_F(MeterPanelTest, ReadingsMoveNothingWhileNotMeasuring) {
  auto form = LoadedForm();
  BlockReading reading;
  reading.frequency = 440.0;
  reading.noteNumber = 69;
  form->Meter->ShowReading(reading, MeterClock::now());
  EXPECT_EQ(form->Meter->Model().State(), MeterState::Rest);
  EXPECT_EQ(form->Meter->Display()->NoteText(), "");
  ShowNote(*form->Meter, 69, 3.0);
  form->Meter->SetMeasuring(false);
  const double strobe = form->Meter->Model().StrobePhase();
  form->Meter->ShowReading(reading, MeterClock::now());
  EXPECT_EQ(form->Meter->Model().StrobePhase(), strobe);
  EXPECT_EQ(form->Meter->Display()->NoteText(), "A4") << "a stop leaves the last picture";
}

// The panel repaints only the parts that changed; what the window shows after a run of
// readings (a note moving, another note, silence that dims it, the note again moving
// on) is what painting the whole picture afresh gives.
TEST_F(MeterPanelTest, RepaintingThePartsThatChangedLeavesTheWholePicture) {
  auto form = LoadedForm();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  MeterPanel& panel = *form->Meter;
  MeterDisplay& display = *panel.Display();
  panel.SetMeasuring(true);
  const auto reading = [](std::int16_t note, double cents) {
    BlockReading r;
    r.noteNumber = note;
    r.cents = cents;
    r.frequency = 440.0 * std::exp2((note - 69) / 12.0 + cents / 1200.0);
    return r;
  };
  std::vector<BlockReading> blocks;
  for (int i = 0; i < 12; ++i) blocks.push_back(reading(45, 12.0 - 2 * i));
  for (int i = 0; i < 6; ++i) blocks.push_back(reading(40, -30.0));
  for (int i = 0; i < 4; ++i) blocks.push_back(BlockReading{});
  for (int i = 0; i < 8; ++i) blocks.push_back(reading(40, -25.0 + i));
  double seconds = 0.0;
  for (const BlockReading& block : blocks) {
    seconds += block.noteNumber < 0 ? 0.6 : 0.05;  // the silence dims the note
    panel.ShowReading(block, MeterClock::time_point(std::chrono::milliseconds(std::lround(1000 * seconds))));
    QTest::qWait(45);  // past the spacing of the pictures: each block is shown
  }
  ASSERT_EQ(panel.Model().State(), MeterState::Live);
  const QPoint at = display.mapTo(form.get(), QPoint(0, 0));
  const QImage shown =
      form->screen()->grabWindow(form->winId(), at.x(), at.y(), display.width(), display.height()).toImage();
  const QImage whole = display.grab().toImage();
  EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), whole.convertToFormat(QImage::Format_RGB32));
}

struct Look {
  const char* name;
  const char* skin;  // a file of skins/, or nullptr for the default look
  friend void PrintTo(const Look& look, std::ostream* out) { *out << look.name; }
};

struct Shown {
  const char* name;
  double cents;
  TuneZone lit;
};

class MeterLookTest : public MeterPanelTest, public ::testing::WithParamInterface<Look> {};

bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 60;
}

QColor Pixel(const QImage& image, QPointF at) { return image.pixelColor(at.toPoint()); }

// The centre of each marker's inside: filled when lit, the background otherwise.
QPointF MarkerInside(const MeterDisplay& display, TuneZone zone) {
  const QRectF box = display.MarkerBox(zone);
  switch (zone) {
    case TuneZone::Flat:
      return {box.left() + box.width() / 3, box.center().y()};
    case TuneZone::Sharp:
      return {box.right() - box.width() / 3, box.center().y()};
    case TuneZone::InTune:
      break;
  }
  return {box.left() + 5, box.center().y()};
}

TEST_P(MeterLookTest, TheNeedleAndTheLitMarkerShowWhereTheReadingIs) {
  if (GetParam().skin) {
    QFile skin(QString(CORVANDEL_SKINS_DIR) + "/" + GetParam().skin);
    ASSERT_TRUE(skin.open(QIODevice::ReadOnly));
    WriteProgramFile("x/o.cjs", skin.readAll());
  }
  auto form = LoadedForm();
  ASSERT_TRUE(messages.errors.empty());
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  MeterDisplay& display = *form->Meter->Display();
  const QColor background = display.property("backgroundColor").value<QColor>();
  const QColor needle = display.property("needleColor").value<QColor>();
  if (GetParam().skin) {
    EXPECT_EQ(BackColor(form->Meter), BackColor(form->Frame1)) << "the panel's frame follows the skin";
    EXPECT_NE(background, QColor(Qt::white)) << "the skin gives the meter its colours";
  }
  const Shown readings[] = {{"flat", -8.0, TuneZone::Flat}, {"in tune", 1.0, TuneZone::InTune},
                            {"sharp", 12.0, TuneZone::Sharp}, {"far sharp", 70.0, TuneZone::Sharp}};
  for (const Shown& shown : readings) {
    ShowNote(*form->Meter, 45, shown.cents);
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.updatesEnabled(); }, 5000));
    const QImage image = display.grab().toImage();
    const QLineF line = display.Needle();
    // The needle points left of the middle when flat, right when sharp, up when in tune.
    const double fromMiddle = line.p2().x() - display.width() / 2.0;
    EXPECT_EQ(fromMiddle < -5 ? TuneZone::Flat : fromMiddle > 5 ? TuneZone::Sharp : TuneZone::InTune, shown.lit)
        << shown.name;
    EXPECT_TRUE(Near(Pixel(image, line.center()), needle)) << shown.name;
    for (const TuneZone zone : {TuneZone::Flat, TuneZone::InTune, TuneZone::Sharp}) {
      const QColor inside = Pixel(image, MarkerInside(display, zone));
      if (zone == shown.lit)
        EXPECT_FALSE(Near(inside, background)) << shown.name << ": marker " << static_cast<int>(zone);
      else
        EXPECT_TRUE(Near(inside, background)) << shown.name << ": marker " << static_cast<int>(zone);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Looks, MeterLookTest,
                         ::testing::Values(Look{"Default", nullptr}, Look{"DarkStage", "dark-stage.cjs"},
                                           Look{"HighContrast", "high-contrast.cjs"}),
                         CaseName());

}  // namespace
