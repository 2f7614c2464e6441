// SPDX-License-Identifier: GPL-3.0-or-later
// A device name with letters beyond ASCII, "Mikrofon äö", as the platform's driver hands
// it over: UTF-8 on Linux, the ANSI code page on Windows. CMake picks the file that fits.
#pragma once

struct EightBitDeviceName {
  const char* encoding;  // names the test case
  const char* bytes;
};

extern const EightBitDeviceName kEightBitDeviceName;
