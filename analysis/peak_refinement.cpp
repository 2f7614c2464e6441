// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/peak_refinement.h"

RefinedPeak RefinePeak(double left, double centre, double right) {
  const double curvature = left - 2.0 * centre + right;
  if (!(curvature < 0.0)) return {0.0, centre};
  const double offset = 0.5 * (left - right) / curvature;
  return {offset, centre - 0.25 * (left - right) * offset};
}
