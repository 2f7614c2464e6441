// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

// The normalised square difference function of McLeod & Wyvill for every lag 0 .. size-1:
// n(t) = 2 sum x[j] x[j+t] / sum (x[j]^2 + x[j+t]^2), over the overlap of the block with
// itself shifted by t; 1 for a block that repeats exactly after t samples, 0 where the
// overlap holds no energy. The block's mean is removed first.
std::vector<double> NormalisedSquareDifference(const std::vector<std::int16_t>& block);

// The same from the block's PaddedTransform, and, where the NSDF's peaks are too narrow
// for a parabola through three lags to locate them (much of the block's power lies high
// in the band), its values half a lag after each lag too, by band-limited interpolation.
struct SquareDifference {
  std::vector<double> atLags;
  std::vector<double> betweenLags;  // n(t + 1/2) for t = 0 .. size-2, or empty
};
SquareDifference MeasureSquareDifference(const std::vector<std::int16_t>& block,
                                         const std::vector<std::complex<double>>& padded);
