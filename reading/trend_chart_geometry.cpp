#include "reading/trend_chart_geometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace reading {

namespace {

// Non-finite readings (an answer whose exponent overflows a double) are drawn at a finite
// bound so that every extent and height stays finite and the rescale loop ends.
constexpr double kDrawBound = DBL_MAX / 8;
constexpr double kMaxScale = 1e300;

double drawable(double v) {
  if (std::isnan(v)) return 0.0;
  return std::clamp(v, -kDrawBound, kDrawBound);
}

}  // namespace

ChartPoint TrendChartGeometry::toPicture(ChartPoint logical) const {
  return {viewportOrigin.x + logical.x * viewportExtent.x / windowExtent.x,
          viewportOrigin.y + logical.y * viewportExtent.y / windowExtent.y};
}

TrendChartGeometry trendChartGeometry(std::span<const double> window, int capacity,
                                      int pictureWidth, int pictureHeight) {
  TrendChartGeometry g;
  const int c = std::max(capacity, 2);
  const int n = static_cast<int>(std::min(window.size(), static_cast<size_t>(c)));

  std::vector<double> drawn;
  drawn.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) drawn.push_back(drawable(window[static_cast<size_t>(i)]));

  // High-value rescale, decided by the newest reading, sized by the largest high reading.
  if (n > 0 && drawn.back() >= kHighValueLimit) {
    double largest = 0.0;
    for (double v : drawn)
      if (v >= kHighValueLimit) largest = std::max(largest, v);
    while (largest >= kHighValueLimit) {
      largest /= 10.0;
      g.factor *= 10.0;
    }
    for (double& v : drawn) v /= g.factor;
  }

  if (n > 0) {
    const auto [lo, hi] = std::minmax_element(drawn.begin(), drawn.end());
    g.span = *hi - *lo;
  }
  if (g.span != 0.0 && g.span < kScaledSpanFloor) {
    // The cap only matters for spans near the smallest doubles; it keeps s finite.
    while (g.span * g.scale < kScaledSpanFloor && g.scale < kMaxScale) g.scale *= 10.0;
  }

  double height = g.span == 0.0 ? 1.0 : std::trunc(-2.0 * g.span * g.scale);
  if (height == 0.0) height = -1.0;  // a span too small to scale still maps to a real height
  g.windowExtent = {static_cast<double>(c), height};
  g.viewportExtent = {static_cast<double>(pictureWidth), static_cast<double>(pictureHeight / 2)};
  g.viewportOrigin = {0.0, static_cast<double>(pictureHeight / 2)};

  if (n <= 1) return g;
  // Height of place k (1-based) relative to place 1.
  auto h = [&](int place) {
    return std::trunc((drawn[static_cast<size_t>(place - 1)] - drawn[0]) * g.scale);
  };
  if (n < c) {
    for (int x = 0; x < n; ++x) g.line.push_back({static_cast<double>(x), h(n - x)});
  } else {
    g.line.push_back({static_cast<double>(c), h(2)});
    for (int place = 2; place <= c; ++place)
      g.line.push_back({static_cast<double>(c + 1 - place), h(place)});
    g.line.push_back({0.0, h(c)});
  }
  return g;
}

}  // namespace reading
