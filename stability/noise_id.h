#pragma once
// The dominant power-law noise at an averaging factor, from the lag-1 autocorrelation (W. J.
// Riley and C. A. Greenhall, "Power law noise identification using the lag 1 autocorrelation",
// 2004). Frequency-derived series are averaged over m readings and freed of a linear drift;
// phase series are decimated by m and freed of a quadratic. The series is differenced until
// delta = r1 / (1 + r1) falls below 0.25 (at most dmax times); alpha is then
// -2 (delta + d), plus 2 for phase data, rounded to the nearest power law.

#include <cstddef>
#include <optional>
#include <string_view>

#include "stability/deviation.h"
#include "stability/series.h"

namespace stability {

struct NoiseEstimate {
  int alpha = 0;  // 2 white PM, 1 flicker PM, 0 white FM, -1 flicker FM, -2 random walk FM
  double alphaValue = 0.0;  // before rounding
  int differences = 0;      // d
  double delta = 0.0;       // r1 / (1 + r1) of the last differenced series
};

// Needs at least 30 averaged (or decimated) values without gaps; nullopt otherwise.
// dmax: 2 for the Allan family and total deviation, 3 for the Hadamard family.
std::optional<NoiseEstimate> estimateNoise(const PhaseSeries& series, std::size_t m, int dmax);

// dmax of a statistic.
int noiseDifferenceLimit(Statistic s);

// "White PM", "Flicker PM", "White FM", "Flicker FM", "Random walk FM", "Flicker walk FM",
// "Random run FM".
std::string_view noiseName(int alpha);

}  // namespace stability
