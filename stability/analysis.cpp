#include "stability/analysis.h"

namespace stability {

std::vector<Point> analyse(const PhaseSeries& series, const AnalysisOptions& options) {
  std::vector<Point> points;
  for (Statistic st : options.statistics) {
    const std::size_t maxM = maxAveragingFactor(st, series.size());
    for (std::size_t m : averagingFactors(options.taus, maxM)) {
      const Deviation d = deviation(series, st, m);
      if (d.terms == 0) continue;
      Point p;
      p.statistic = st;
      p.m = m;
      p.tau = static_cast<double>(m) * series.tau0;
      p.terms = d.terms;
      p.sigma = d.sigma;
      p.edf = whiteFmEdf(st, m, d.terms);
      const Interval ci = confidenceInterval(d.sigma, p.edf, options.confidence);
      p.lo = ci.lo;
      p.hi = ci.hi;
      if (options.identifyNoise) p.noise = estimateNoise(series, m, noiseDifferenceLimit(st));
      points.push_back(p);
    }
  }
  return points;
}

}  // namespace stability
