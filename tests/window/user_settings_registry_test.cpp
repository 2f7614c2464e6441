// SPDX-License-Identifier: GPL-3.0-or-later
// The user's settings store on Windows, read and written through the registry API itself
// at the key where the classic per-user settings calls keep the FFT size. The user's own
// value, if any, is put back afterwards.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <windows.h>

#include "window/settings_store.h"

namespace {

const wchar_t kKey[] = L"Software\\VB and VBA Program Settings\\Harrowfen\\Corvandel Pitch Suite";
const wchar_t kValue[] = L"lstnumberofpoints";

struct RegistryText {
  DWORD type = REG_NONE;
  std::wstring text;
};

std::optional<RegistryText> ReadValue() {
  DWORD type = REG_NONE;
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY, &type, nullptr, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY, &type, text.data(), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  text.resize(wcsnlen(text.c_str(), text.size()));
  return RegistryText{type, text};
}

void WriteValue(const std::wstring& text) {
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, text.c_str(), bytes), ERROR_SUCCESS);
}

class RegistrySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = ReadValue(); }
  void TearDown() override {
    if (saved_) {
      WriteValue(saved_->text);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    }
  }

 private:
  std::optional<RegistryText> saved_;
};

// One test, not two: the key is the user's own, and two test programs run side by side
// would write and delete it under each other.
TEST_F(RegistrySettingsTest, TheChosenSizeIsStoredAsTextAtTheClassicKeyAndReadBack) {
  OpenUserSettings()->SaveSetting("lstnumberofpoints", "2");
  const auto stored = ReadValue();
  ASSERT_TRUE(stored.has_value()) << "nothing at HKCU\\Software\\VB and VBA Program Settings\\...";
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored->text, L"2");

  // A value left by an earlier version is read; without one the default holds.
  WriteValue(L"1");
  EXPECT_EQ(OpenUserSettings()->GetSetting("lstnumberofpoints", "0"), "1");
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
  EXPECT_EQ(OpenUserSettings()->GetSetting("lstnumberofpoints", "0"), "0");
}

}  // namespace
