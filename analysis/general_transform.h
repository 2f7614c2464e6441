// SPDX-License-Identifier: GPL-3.0-or-later
// The transforms of real double-precision data that the period and spectrum measurements
// and the dominant-frequency search's first frame use. What depends only on the length
// (twiddle factors, the bit-reversal permutation) and the working points are made once
// per length and thread and kept.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

// The forward transform X[k] = sum x[n] e^(-2 pi i kn/size) of real samples zero-padded
// to `size`, a power of two of at least 2 and of samples.size(). Only X[0] .. X[size/2]
// are stored (the rest are their conjugates); spectrum is resized to size/2 + 1. The
// padding is never stored: it spares the first stages' work.
void ForwardRealTransform(const std::vector<double>& samples, std::size_t size,
                          std::vector<std::complex<double>>& spectrum);

// The inverse of the above, unscaled: x[n] = sum X[k] e^(2 pi i kn/size) over all size
// bins, with X[size - k] = conj X[k]; size = 2 (spectrum.size() - 1). The imaginary parts
// of X[0] and X[size/2] are ignored.
void InverseRealTransform(const std::vector<std::complex<double>>& spectrum, std::vector<double>& samples);
