// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/device_list.h"

#include <algorithm>

std::string DeviceName(WaveInput& waveInput, std::int32_t deviceId) {
  WaveInCaps caps{};
  waveInput.GetDevCaps(static_cast<std::uint32_t>(deviceId), &caps, kDeviceCapsSize);
  const char* begin = caps.szPname;
  return std::string(begin, std::find(begin, begin + sizeof caps.szPname, '\0'));
}
