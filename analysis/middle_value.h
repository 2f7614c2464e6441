// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

// The value at index count/2 of the values in ascending order (the median of an odd count,
// the upper of the two middle values of an even one), for count > 0 values that are all
// zero or positive and finite. The values are left as they are.
double MiddleValue(const double* values, std::size_t count);
