// SPDX-License-Identifier: GPL-3.0-or-later
// Taking one low sound out of a block, to measure how well what is left repeats: a body
// mode under two notes is explained by neither of their periods.
#pragma once

#include <cstdint>
#include <vector>

// The block, its mean taken out, less the sinusoid of the given frequency that fits it best
// (least squares).
std::vector<double> WithoutTone(const std::vector<std::int16_t>& block, double frequency, double sampleRate);

// The block less its slow trend (a parabola across it), fitted together with the first
// four harmonics of `fundamental` so that the note's partials lend the trend nothing. A
// sound under one cycle a block (a body mode under a low string at 1024 points, too close
// to the string for the spectrum to hold apart) is mostly such a trend.
std::vector<double> WithoutSlowTrend(const std::vector<std::int16_t>& block, double fundamental, double sampleRate);

// The samples rounded to whole sample values, within the 16-bit range: a block with a
// sound taken out, to be analysed as a block.
std::vector<std::int16_t> RoundedToSamples(const std::vector<double>& samples);

// The normalised square difference of the samples at `lag` samples, between samples the
// vertex of the parabola through the three nearest lags.
double SquareDifferenceAt(const std::vector<double>& samples, double lag);
