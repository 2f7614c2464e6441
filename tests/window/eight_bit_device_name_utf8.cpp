// SPDX-License-Identifier: GPL-3.0-or-later
#include "eight_bit_device_name.h"

const EightBitDeviceName kEightBitDeviceName{"EightBitUtf8TextIsDecoded", "Mikrofon \xC3\xA4\xC3\xB6"};
