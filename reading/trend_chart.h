#pragma once
// One redraw of the trend chart: the line's geometry and the "Max : " / "Min : " texts.

#include <span>
#include <string>

#include "reading/trend_chart_geometry.h"

namespace reading {

struct TrendChart {
  TrendChartGeometry geometry;
  std::string maxText;  // "Max : " value label
  std::string minText;  // "Min : " value label
};

// The run's maximum and minimum are printed with "%.30lf" and shown through the max/min
// formatter of the model and the running function.
TrendChart trendChart(std::span<const double> window, int capacity, double maximum, double minimum,
                      const std::string& modelCode, int functionCode, int pictureWidth,
                      int pictureHeight);

}  // namespace reading
