// SPDX-License-Identifier: GPL-3.0-or-later
// The user's settings store on Windows, read and written through the registry API itself
// at the key where the classic per-user settings calls keep the FFT size, and the
// reference pitch beside it. The user's own values, if any, are put back afterwards.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include "window/reference_pitch_setting.h"
#include "window/settings_store.h"

namespace {

const wchar_t kKey[] = L"Software\\VB and VBA Program Settings\\Harrowfen\\Corvandel Pitch Suite";
const wchar_t kSizeValue[] = L"lstnumberofpoints";
const wchar_t kPitchValue[] = L"ReferencePitchA4";

struct RegistryText {
  DWORD type = REG_NONE;
  std::wstring text;
};

std::optional<RegistryText> ReadValue(const wchar_t* name) {
  DWORD type = REG_NONE;
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY, &type, nullptr, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY, &type, text.data(), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  text.resize(wcsnlen(text.c_str(), text.size()));
  return RegistryText{type, text};
}

void WriteValue(const wchar_t* name, const std::wstring& text) {
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, REG_SZ, text.c_str(), bytes), ERROR_SUCCESS);
}

class RegistrySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* value : {kSizeValue, kPitchValue}) saved_.emplace_back(value, ReadValue(value));
  }
  void TearDown() override {
    for (const auto& [value, text] : saved_) {
      if (text) {
        WriteValue(value, text->text);
      } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, value);
      }
    }
  }

 private:
  std::vector<std::pair<const wchar_t*, std::optional<RegistryText>>> saved_;
};

// One test, not two: the key is the user's own, and two test programs run side by side
// would write and delete it under each other.
TEST_F(RegistrySettingsTest, SizeAndPitchAreStoredAsTextAtTheClassicKeyAndReadBack) {
  OpenUserSettings()->SaveSetting("lstnumberofpoints", "2");
  const auto stored = ReadValue(kSizeValue);
  ASSERT_TRUE(stored.has_value()) << "nothing at HKCU\\Software\\VB and VBA Program Settings\\...";
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored->text, L"2");

  // A value left by an earlier version is read; without one the default holds.
  WriteValue(kSizeValue, L"1");
  EXPECT_EQ(OpenUserSettings()->GetSetting("lstnumberofpoints", "0"), "1");
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kSizeValue);
  EXPECT_EQ(OpenUserSettings()->GetSetting("lstnumberofpoints", "0"), "0");

  // The reference pitch: decimal text in hertz under the same key, beside the size.
  WriteValue(kSizeValue, L"2");
  StoreReferencePitch(*OpenUserSettings(), 442.5);
  const auto pitch = ReadValue(kPitchValue);
  ASSERT_TRUE(pitch.has_value());
  EXPECT_EQ(pitch->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(pitch->text, L"442.5");
  EXPECT_EQ(ReadValue(kSizeValue)->text, L"2");
  const struct { const wchar_t* text; double pitch; } stores[] = {
      {L"415", 415.0}, {L"432.0", 432.0}, {L"880", 440.0}, {L"A=442", 440.0}, {L"", 440.0}};
  for (const auto& each : stores) {
    WriteValue(kPitchValue, each.text);
    EXPECT_EQ(StoredReferencePitch(*OpenUserSettings()), each.pitch);
    EXPECT_EQ(ReadValue(kPitchValue)->text, each.text) << "a value read is left as it was";
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kPitchValue);
  EXPECT_EQ(StoredReferencePitch(*OpenUserSettings()), 440.0);
}

}  // namespace
