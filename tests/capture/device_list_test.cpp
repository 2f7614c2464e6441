// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/device_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/capture/capture_test_support.h"

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

namespace {

class MockWaveInput : public WaveInput {
 public:
  MOCK_METHOD(std::uint32_t, GetNumDevs, (), (override));
  MOCK_METHOD(MMResult, GetDevCaps, (std::uint32_t, WaveInCaps*, std::uint32_t), (override));
  MOCK_METHOD(MMResult, Open, (HWaveIn*, std::uint32_t, const WaveFormatEx*), (override));
  MOCK_METHOD(MMResult, Start, (HWaveIn), (override));
  MOCK_METHOD(MMResult, PrepareHeader, (HWaveIn, WaveHeader*, std::uint32_t), (override));
  MOCK_METHOD(MMResult, AddBuffer, (HWaveIn, WaveHeader*, std::uint32_t), (override));
  MOCK_METHOD(MMResult, UnprepareHeader, (HWaveIn, WaveHeader*, std::uint32_t), (override));
  MOCK_METHOD(MMResult, Reset, (HWaveIn), (override));
  MOCK_METHOD(MMResult, Close, (HWaveIn), (override));
  MOCK_METHOD(bool, WaitDone, (HWaveIn, WaveHeader*, std::chrono::milliseconds), (override));
};

struct NameCase {
  const char* label;
  std::string field;  // bytes the platform writes into szPname (at most 32)
  std::string expected;
  friend void PrintTo(const NameCase& c, std::ostream* out) { *out << c.label; }
};

class DeviceNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DeviceNameTest, TakesTheNameFieldUpToTheFirstNul) {
  const NameCase& c = GetParam();
  MockWaveInput input;
  EXPECT_CALL(input, GetDevCaps(3u, _, kDeviceCapsSize))
      .WillOnce(Invoke([&](std::uint32_t, WaveInCaps* caps, std::uint32_t) {
        std::memcpy(caps->szPname, c.field.data(), c.field.size());
        caps->dwFormats = 0xFFFFFFFF;  // the field after the name must not leak in
        return kNoError;
      }));
  EXPECT_EQ(DeviceName(input, 3), c.expected);
}

const std::string k32 = "Microphone Array (Realtek Audio)";  // exactly 32 bytes

INSTANTIATE_TEST_SUITE_P(
    Names, DeviceNameTest,
    ::testing::Values(NameCase{"Short", "USB Mic", "USB Mic"},
                      NameCase{"Empty", "", ""},
                      NameCase{"FullFieldWithoutNul", k32, k32},
                      NameCase{"StopsAtFirstNul", std::string("Line In\0junk", 12), "Line In"},
                      NameCase{"EightBitBytesKept", "Mikrofon \xE4\xF6\xFC", "Mikrofon \xE4\xF6\xFC"}),
    CaseLabel());

TEST(DeviceName, FailedQueryGivesEmptyName) {
  MockWaveInput input;
  EXPECT_CALL(input, GetDevCaps(_, _, _)).WillOnce(Return(kError));
  EXPECT_EQ(DeviceName(input, 0), "");
}

TEST(DeviceName, MinusOneAsksForTheDefaultDevice) {
  MockWaveInput input;
  EXPECT_CALL(input, GetDevCaps(kWaveMapper, _, kDeviceCapsSize))
      .WillOnce(Invoke([](std::uint32_t, WaveInCaps* caps, std::uint32_t) {
        std::memcpy(caps->szPname, "Default", 7);
        return kNoError;
      }));
  EXPECT_EQ(DeviceName(input, -1), "Default");
}

}  // namespace
