// SPDX-License-Identifier: GPL-3.0-or-later
// The thresholds of the fundamental decision by name, as they are called in
// FundamentalThresholds, so that a tool can set them and a script can sweep them.
#pragma once

#include <string_view>
#include <vector>

#include "analysis/fundamental_thresholds.h"

// The threshold of that name in t; nullptr for an unknown name.
double* ThresholdNamed(FundamentalThresholds& t, std::string_view name);

// Every name, in the order of the struct.
std::vector<std::string_view> ThresholdNames();
