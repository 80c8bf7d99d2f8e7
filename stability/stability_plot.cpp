#include "stability/stability_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace stability {

namespace {

struct Decades {
  int first = 0;
  int last = 1;
};

// Whole decades around [lo, hi]; at least one.
Decades decadesAround(double lo, double hi) {
  Decades d{static_cast<int>(std::floor(std::log10(lo) + 1e-9)),
            static_cast<int>(std::ceil(std::log10(hi) - 1e-9))};
  if (d.last <= d.first) d.last = d.first + 1;
  return d;
}

std::vector<PlotTick> ticks(const Decades& d, double from, double to) {
  std::vector<PlotTick> out;
  const double span = d.last - d.first;
  for (int e = d.first; e <= d.last; ++e) {
    for (int k = 1; k <= 9; ++k) {
      if (e == d.last && k > 1) break;
      const double fraction = (e - d.first + std::log10(k)) / span;
      PlotTick t;
      t.position = from + (to - from) * fraction;
      t.major = k == 1;
      if (t.major) t.label = "1e" + std::to_string(e);
      out.push_back(t);
    }
  }
  return out;
}

}  // namespace

PlotGeometry plotGeometry(const std::vector<Point>& points, int width, int height, int marginLeft,
                          int marginTop, int marginRight, int marginBottom) {
  PlotGeometry g;
  g.left = marginLeft;
  g.top = marginTop;
  g.right = std::max(g.left + 1.0, static_cast<double>(width - marginRight));
  g.bottom = std::max(g.top + 1.0, static_cast<double>(height - marginBottom));
  double tauLo = std::numeric_limits<double>::infinity(), tauHi = 0;
  double sLo = std::numeric_limits<double>::infinity(), sHi = 0;
  auto positive = [](double v) { return v > 0 && std::isfinite(v); };
  for (const Point& p : points) {
    if (!positive(p.tau) || !positive(p.sigma)) continue;
    tauLo = std::min(tauLo, p.tau);
    tauHi = std::max(tauHi, p.tau);
    for (double v : {p.sigma, p.lo, p.hi}) {
      if (!positive(v)) continue;
      sLo = std::min(sLo, v);
      sHi = std::max(sHi, v);
    }
  }
  if (!(tauHi > 0)) return g;
  g.empty = false;
  const Decades dx = decadesAround(tauLo, tauHi);
  const Decades dy = decadesAround(sLo, sHi);
  g.xTicks = ticks(dx, g.left, g.right);
  g.yTicks = ticks(dy, g.bottom, g.top);
  auto px = [&](double v) {
    return g.left + (g.right - g.left) * (std::log10(v) - dx.first) / (dx.last - dx.first);
  };
  auto py = [&](double v) {
    return g.bottom - (g.bottom - g.top) * (std::log10(v) - dy.first) / (dy.last - dy.first);
  };
  for (const Point& p : points) {
    if (!positive(p.tau) || !positive(p.sigma)) continue;
    if (g.series.empty() || g.series.back().statistic != p.statistic) {
      g.series.push_back({p.statistic, {}});
    }
    PlotMarker m;
    m.x = px(p.tau);
    m.y = py(p.sigma);
    m.yLo = positive(p.lo) ? py(p.lo) : m.y;
    m.yHi = positive(p.hi) ? py(p.hi) : m.y;
    g.series.back().markers.push_back(m);
  }
  return g;
}

}  // namespace stability
