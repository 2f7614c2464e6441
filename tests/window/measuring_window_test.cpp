// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring through the real window: presses and close requests arrive through the
// event queue, as a person's do, and are handled inside the loop's event processing.
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QTimer>

#include "capture/measuring_loop.h"
#include "support/queued_press.h"
#include "window/auto_size_label.h"
#include "window/meter/meter_display.h"
#include "window/meter/meter_panel.h"
#include "window/push_button.h"
#include "window_test_support.h"

namespace {


class MeasuringWindowTest : public WindowTest {
 protected:
  void UseDevice(SimulatedDevice::Source source, int stopsDeliveringAfter = -1, bool opens = true) {
    SimulatedDevice device;
    device.name = "Microphone";
    device.source = std::move(source);
    device.stopsDeliveringAfter = stopsDeliveringAfter;
    device.opens = opens;
    waveInput = std::make_unique<SimulatedWaveInput>(std::vector<SimulatedDevice>{device},
                                                     SimulatedWaveInput::Pacing::RealTime);
  }
  std::unique_ptr<Form1> ShownForm() {
    auto form = LoadedForm();
    form->show();
    form->Measuring->SetStallAllowance(std::chrono::milliseconds(100));
    return form;
  }
  static bool Idle(const Form1& form) {
    return form.Measuring->hWaveIn == 0 && !form.Measuring->Running &&
           form.PushButton2->Caption() == "Start" && form.lstNumberofPoints->isEnabled();
  }
};

TEST_F(MeasuringWindowTest, APressDuringMeasuringStopsItAndTheLabelsKeepTheResult) {
  UseDevice(SimulatedDevice::Tone(440, 9000));
  auto form = ShownForm();
  bool measuringShown = false;
  QTimer::singleShot(150, form.get(), [&] {
    measuringShown = form->PushButton2->Caption() == "Stop" && !form->lstNumberofPoints->isEnabled();
    PostPress(form->PushButton2);
  });
  PostPress(form->PushButton2);
  QCoreApplication::processEvents();  // the start press: returns once the loop has ended

  EXPECT_TRUE(measuringShown);
  EXPECT_TRUE(Idle(*form));
  EXPECT_EQ(form->lblNote->Caption().toStdString(), "Note: A4");
  EXPECT_TRUE(form->lblFrequency->Caption().startsWith("Frequency: 4")) << form->lblFrequency->Caption().toStdString();
  EXPECT_TRUE(form->lblTuning->Caption().startsWith("Tuning: ")) << form->lblTuning->Caption().toStdString();
  EXPECT_FALSE(waveInput->DeviceOpen());
  EXPECT_TRUE(messages.messages.empty());
}

// The labels and the meter name the note for the reference pitch; the frequency label
// stays in hertz. The meter runs from the start to the stop.
TEST_F(MeasuringWindowTest, LabelsAndMeterNameTheNoteForTheReferencePitch) {
  const struct { double pitchA4; const char* note; int cents; } cases[] = {
      {440.0, "A4", 8}, {442.0, "A4", 0}, {415.0, "Bb4", 9}};
  for (const auto& c : cases) {
    UseDevice(SimulatedDevice::Tone(442, 9000));
    auto form = ShownForm();
    form->Meter->ReferencePitchBox()->setValue(c.pitchA4);
    bool meterRan = false;
    QTimer::singleShot(400, form.get(), [&] {
      meterRan = form->Meter->Measuring();
      PostPress(form->PushButton2);
    });
    PostPress(form->PushButton2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Idle(*form));
    EXPECT_TRUE(meterRan);
    EXPECT_FALSE(form->Meter->Measuring());
    EXPECT_EQ(form->lblNote->Caption().toStdString(), std::string("Note: ") + c.note) << c.pitchA4;
    EXPECT_EQ(form->Meter->Display()->NoteText().toStdString(), c.note) << c.pitchA4;
    // Within a cent or two: a block read under load may stray a little.
    EXPECT_NEAR(form->lblTuning->Caption().mid(8).toInt(), c.cents, 2) << c.pitchA4;
    EXPECT_NEAR(form->Meter->Display()->CentsText().split(' ')[0].toDouble(), c.cents, 2) << c.pitchA4;
    EXPECT_TRUE(form->lblFrequency->Caption().startsWith("Frequency: 44")) << form->lblFrequency->Caption().toStdString();
  }
}

TEST_F(MeasuringWindowTest, ACloseRequestWhileMeasuringKeepsTheWindowOpenAndASecondEndsIt) {
  UseDevice(SimulatedDevice::Tone(196, 9000));
  auto form = ShownForm();
  QTimer::singleShot(100, form.get(), [&] { form->close(); });
  PostPress(form->PushButton2);
  QCoreApplication::processEvents();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(Idle(*form));
  EXPECT_EQ(form->lblNote->Caption().toStdString(), "Note: G3");

  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
}

TEST_F(MeasuringWindowTest, APressHandledWithTheCloseRequestIsIgnored) {
  UseDevice(SimulatedDevice::Tone(196, 9000));
  auto form = ShownForm();
  QTimer::singleShot(100, form.get(), [&] {
    QMetaObject::invokeMethod(form.get(), "close", Qt::QueuedConnection);
    PostPress(form->PushButton2);
  });
  PostPress(form->PushButton2);
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();  // anything still queued behind the loop
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(Idle(*form));
  const auto calls = waveInput->Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Open 0"), 1);
}

TEST_F(MeasuringWindowTest, ADeviceThatStopsDeliveringGivesTheWindowBack) {
  UseDevice(SimulatedDevice::Tone(330, 9000), 2);
  auto form = ShownForm();
  PostPress(form->PushButton2);
  QCoreApplication::processEvents();
  EXPECT_EQ(messages.messages, std::vector<QString>{kDeviceStoppedDelivering});
  EXPECT_TRUE(Idle(*form));
  EXPECT_EQ(form->lblNote->Caption().toStdString(), "Note: E4");
}

TEST_F(MeasuringWindowTest, ADeviceThatDoesNotOpenLeavesTheWindowIdleForAnotherTry) {
  UseDevice(SimulatedDevice::Silence(), -1, false);
  auto form = ShownForm();
  for (int press = 1; press <= 2; ++press) {
    PostPress(form->PushButton2);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.messages.size(), static_cast<std::size_t>(press));
    EXPECT_TRUE(Idle(*form));
  }
  EXPECT_EQ(messages.messages.front(), kDeviceDidNotOpen);
}

TEST_F(MeasuringWindowTest, SilenceReadsZeroAndKeepsTheNoteAndTuning) {
  UseDevice(SimulatedDevice::Silence());
  auto form = ShownForm();
  form->lblNote->SetCaption("Note: E2");
  form->lblTuning->SetCaption("Tuning: +3");
  QTimer::singleShot(100, form.get(), [&] { PostPress(form->PushButton2); });
  PostPress(form->PushButton2);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->lblFrequency->Caption().toStdString(), "Frequency: 0");
  EXPECT_EQ(form->lblNote->Caption().toStdString(), "Note: E2");
  EXPECT_EQ(form->lblTuning->Caption().toStdString(), "Tuning: +3");
  EXPECT_TRUE(Idle(*form));
}

TEST_F(MeasuringWindowTest, AnErrorWhileMeasuringIsReportedAtLine136AndReleasesTheDevice) {
  UseDevice(SimulatedDevice::Tone(440, 9000));
  auto form = ShownForm();
  form->BitReversedIndex = BitReversal(64);  // does not fit the frames of the chosen size
  PostPress(form->PushButton2);
  QCoreApplication::processEvents();
  ASSERT_EQ(messages.errors.size(), 1u);
  EXPECT_EQ(messages.errors[0].handler, "PushButton2_Click");
  EXPECT_EQ(messages.errors[0].line, 136);
  EXPECT_EQ(messages.errors[0].description, "Subscript out of range");
  EXPECT_TRUE(Idle(*form));
  EXPECT_FALSE(waveInput->DeviceOpen());
}

TEST_F(MeasuringWindowTest, WithoutAStoredSizeTheStartIsRefused) {
  UseDevice(SimulatedDevice::Silence());
  StoreSetting("-1");
  auto form = ShownForm();
  PostPress(form->PushButton2);
  QCoreApplication::processEvents();
  EXPECT_EQ(messages.messages, std::vector<QString>{kChooseNumberOfPoints});
  EXPECT_TRUE(waveInput->Calls().empty());
  EXPECT_TRUE(Idle(*form));
}

}  // namespace
