// SPDX-License-Identifier: GPL-3.0-or-later
// The device list as the backends and the window share it: the name of a device as the
// list shows it, the capability record a backend writes for a named device, and which
// device an identifier names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "capture/wave_input.h"

// The bytes of the device's name field, up to the first NUL (all 32 when there is none),
// in the platform's 8-bit encoding (the ANSI code page on Windows, UTF-8 on Linux). A
// failed query leaves the record zero, so the name is empty. -1 asks for the default device.
std::string DeviceName(WaveInput& waveInput, std::int32_t deviceId);

// Fills the capability record of a device called `name` (at most 32 bytes of it are
// kept, so the caller cuts where it must) and writes no more than `size` bytes of it.
MMResult WriteDeviceCaps(std::string_view name, WaveInCaps* caps, std::uint32_t size);

// The device a capability query or an open names among `count` devices, the wave mapper
// (-1) naming the first; `count` when there is no such device.
std::uint32_t ChosenDevice(std::uint32_t deviceId, std::uint32_t count);
