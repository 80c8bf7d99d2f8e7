#pragma once
// One analysis: the chosen statistics over a set of taus, each point with its number of terms,
// its confidence interval and the noise type found there.

#include <cstddef>
#include <optional>
#include <vector>

#include "stability/confidence.h"
#include "stability/deviation.h"
#include "stability/noise_id.h"
#include "stability/series.h"

namespace stability {

struct AnalysisOptions {
  std::vector<Statistic> statistics{Statistic::Oadev};
  TauSet taus = TauSet::Octave;
  double confidence = kOneSigmaConfidence;
  bool identifyNoise = true;
};

struct Point {
  Statistic statistic = Statistic::Oadev;
  std::size_t m = 0;
  double tau = 0.0;  // seconds
  std::size_t terms = 0;
  double sigma = 0.0;
  double lo = 0.0;  // confidence interval
  double hi = 0.0;
  double edf = 0.0;
  std::optional<NoiseEstimate> noise;
};

// Every statistic in the order given, its points by ascending tau; a tau at which every term
// touches a gap is left out.
std::vector<Point> analyse(const PhaseSeries& series, const AnalysisOptions& options);

}  // namespace stability
