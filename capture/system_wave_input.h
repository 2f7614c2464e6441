// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's wave-input backend (ALSA on Linux, winmm on Windows); CMake links the
// one that fits the platform.
#pragma once

#include <memory>

#include "capture/wave_input.h"

std::unique_ptr<WaveInput> CreateSystemWaveInput();
