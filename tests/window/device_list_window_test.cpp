// SPDX-License-Identifier: GPL-3.0-or-later
// The device list as the window shows it after start-up.
#include <QListWidget>

#include "eight_bit_device_name.h"
#include "window_test_support.h"

namespace {

QStringList Entries(const QListWidget* list) {
  QStringList entries;
  for (int row = 0; row < list->count(); ++row) entries << list->item(row)->text();
  return entries;
}

struct DeviceListCase {
  const char* name;
  std::vector<std::string> deviceNames;
  QStringList entries;

  friend void PrintTo(const DeviceListCase& test, std::ostream* out) { *out << test.name; }
};

class DeviceListTest : public WindowTest, public ::testing::WithParamInterface<DeviceListCase> {};

TEST_P(DeviceListTest, ListsDevicesInIdentifierOrderWithTheFirstSelected) {
  waveInput = std::make_unique<SimulatedWaveInput>(NamedDevices(GetParam().deviceNames));
  auto form = LoadedForm();
  EXPECT_EQ(Entries(form->lstAudioDevices), GetParam().entries);
  EXPECT_EQ(form->lstAudioDevices->currentRow(), 0);
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_FALSE(form->ProgramEnded());
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DeviceListTest,
    ::testing::Values(
        DeviceListCase{"One", {"USB Microphone"}, {"USB Microphone"}},
        DeviceListCase{"Three", {"Line In", "Webcam", "Headset"}, {"Line In", "Webcam", "Headset"}},
        DeviceListCase{"EmptyNameKeepsItsPlace", {"A", "", "C"}, {"A", "", "C"}},
        DeviceListCase{"NameFillingAll32Bytes",
                       {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"},
                       {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"}},
        DeviceListCase{"NameBeyond32BytesIsCut",
                       {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"},
                       {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"}},
        DeviceListCase{kEightBitDeviceName.encoding, {kEightBitDeviceName.bytes}, {"Mikrofon äö"}}),
    CaseName());

TEST_F(WindowTest, NoDeviceTellsTheUserAndEndsTheProgramBeforeShowing) {
  waveInput = std::make_unique<SimulatedWaveInput>(std::vector<SimulatedDevice>{});
  auto form = LoadedForm();
  EXPECT_EQ(messages.messages, std::vector<QString>{"No microphone found."});
  EXPECT_TRUE(form->ProgramEnded());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->lstAudioDevices->count(), 0);
  EXPECT_TRUE(messages.errors.empty());
}

TEST_F(WindowTest, FillingAgainReplacesTheEntries) {
  waveInput = std::make_unique<SimulatedWaveInput>(NamedDevices({"One", "Two"}));
  auto form = LoadedForm();
  form->lstAudioDevices->setCurrentRow(1);
  form->FillDeviceList();
  EXPECT_EQ(Entries(form->lstAudioDevices), QStringList({"One", "Two"}));
  EXPECT_EQ(form->lstAudioDevices->currentRow(), 0);
}

}  // namespace
