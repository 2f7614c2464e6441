// The transform of double-precision complex data that the period and spectrum
// measurements use (the dominant-frequency search keeps its own, in fourier_transform.h).
#pragma once

#include <complex>
#include <vector>

// In-place radix-2 transform of a power-of-two length; sign -1 forward, +1 inverse
// (unscaled).
void TransformInPlace(std::vector<std::complex<double>>& data, double sign);
