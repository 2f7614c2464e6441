// SPDX-License-Identifier: GPL-3.0-or-later
// corvandel-list-devices: prints the wave-input devices as the tuner lists them, one per
// line with its identifier, for checking a Windows machine's microphones from a console.
#include <cstdio>

#include "capture/device_list.h"
#include "capture/system_wave_input.h"

int main() {
  const auto waveInput = CreateSystemWaveInput();
  const std::uint32_t count = waveInput->GetNumDevs();
  if (count == 0) std::puts("No microphone found.");
  for (std::uint32_t id = 0; id < count; ++id) {
    const std::int32_t deviceId = static_cast<std::int32_t>(id);
    std::printf("%d\t%s\n", deviceId, DeviceName(*waveInput, deviceId).c_str());
  }
  return 0;
}
