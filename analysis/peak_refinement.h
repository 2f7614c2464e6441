// SPDX-License-Identifier: GPL-3.0-or-later
// Locating a peak between samples: the vertex of the parabola through a local maximum
// and its two neighbours.
#pragma once

struct RefinedPeak {
  double offset = 0.0;  // from the middle sample, in samples (within half a sample)
  double value = 0.0;   // the parabola's value there
};

// The vertex of the parabola through (-1, left), (0, centre), (1, right). Where the
// three do not curve downwards there is no vertex to trust: offset 0, value centre.
RefinedPeak RefinePeak(double left, double centre, double right);
