// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/device_list.h"

#include <algorithm>
#include <cstring>

std::string DeviceName(WaveInput& waveInput, std::int32_t deviceId) {
  WaveInCaps caps{};
  waveInput.GetDevCaps(static_cast<std::uint32_t>(deviceId), &caps, kDeviceCapsSize);
  const char* begin = caps.szPname;
  return std::string(begin, std::find(begin, begin + sizeof caps.szPname, '\0'));
}

MMResult WriteDeviceCaps(std::string_view name, WaveInCaps* caps, std::uint32_t size) {
  if (caps == nullptr) return kError;
  WaveInCaps record;
  record.wChannels = 1;
  std::memcpy(record.szPname, name.data(), std::min(name.size(), sizeof record.szPname));
  std::memcpy(caps, &record, std::min<std::size_t>(size, sizeof record));
  return kNoError;
}

std::uint32_t ChosenDevice(std::uint32_t deviceId, std::uint32_t count) {
  if (deviceId == kWaveMapper) return count > 0 ? 0 : count;
  return std::min(deviceId, count);
}
