// SPDX-License-Identifier: GPL-3.0-or-later
// One transform of a block for both the period measurement and the block's spectrum: the
// block zero-padded to four times its length (and on to a power of two). Its even bins are
// the block padded to twice its length, which the autocorrelation needs; the Blackman
// window of the spectrum is a sum of three cosines whose periods are whole fractions of
// the block, so windowing it is a combination of neighbouring bins.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

// X[k] for k = 0 .. size/2 of the block as it stands (its mean kept), size the power of
// two at or above four times the block's length. The bins are this thread's own, valid
// until the next call in the thread.
const std::vector<std::complex<double>>& PaddedTransform(const std::vector<std::int16_t>& block);
