#include "reading/trend_chart.h"

#include "core/text_format.h"
#include "reading/value_format.h"

namespace reading {

TrendChart trendChart(std::span<const double> window, int capacity, double maximum, double minimum,
                      const std::string& modelCode, int functionCode, int pictureWidth,
                      int pictureHeight) {
  TrendChart chart;
  chart.geometry = trendChartGeometry(window, capacity, pictureWidth, pictureHeight);
  chart.maxText = FormatMaxMin(core::format("%.30lf", maximum), modelCode, functionCode);
  chart.minText = FormatMaxMin(core::format("%.30lf", minimum), modelCode, functionCode);
  return chart;
}

}  // namespace reading
