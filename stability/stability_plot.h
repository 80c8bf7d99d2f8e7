#pragma once
// Where everything of the Stability dialog's log-log plot goes: decade axes covering every
// tau and every confidence interval, their ticks and labels, and for each statistic its points
// joined by a line with an error bar from lo to hi. Pixel coordinates, y growing downwards.

#include <string>
#include <vector>

#include "stability/analysis.h"

namespace stability {

struct PlotTick {
  double position = 0;  // pixels along the axis
  bool major = false;   // at a power of ten
  std::string label;    // "1e-11" at a power of ten, empty otherwise
};

struct PlotMarker {
  double x = 0, y = 0;
  double yLo = 0, yHi = 0;  // the error bar; equal to y when the interval is unknown
};

struct PlotSeries {
  Statistic statistic = Statistic::Oadev;
  std::vector<PlotMarker> markers;  // by ascending tau
};

struct PlotGeometry {
  double left = 0, top = 0, right = 0, bottom = 0;  // the plot area
  std::vector<PlotTick> xTicks, yTicks;
  std::vector<PlotSeries> series;
  bool empty = true;
};

// The plot of `points` in a `width` by `height` picture with `margins` for the labels
// (left, top, right, bottom).
PlotGeometry plotGeometry(const std::vector<Point>& points, int width, int height, int marginLeft,
                          int marginTop, int marginRight, int marginBottom);

}  // namespace stability
