// SPDX-License-Identifier: GPL-3.0-or-later
// Code page 1252, the ANSI code page of Western European and US systems, which Wine also
// takes for an English locale.
#include "eight_bit_device_name.h"

const EightBitDeviceName kEightBitDeviceName{"EightBitCodePage1252TextIsDecoded", "Mikrofon \xE4\xF6"};
