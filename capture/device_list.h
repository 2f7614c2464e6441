// SPDX-License-Identifier: GPL-3.0-or-later
// The name of a wave-input device as the device list shows it.
#pragma once

#include <cstdint>
#include <string>

#include "capture/wave_input.h"

// The bytes of the device's name field, up to the first NUL (all 32 when there is none),
// in the platform's 8-bit encoding (the ANSI code page on Windows, UTF-8 on Linux). A
// failed query leaves the record zero, so the name is empty. -1 asks for the default device.
std::string DeviceName(WaveInput& waveInput, std::int32_t deviceId);
