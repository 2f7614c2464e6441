// SPDX-License-Identifier: GPL-3.0-or-later
// The application icon, a needle dial, at 32, 48, 128 and 256 pixels; drawn by
// resources/make_icons.py and built into the program as Qt resources.
#pragma once

#include <QIcon>

QIcon ApplicationIcon();
