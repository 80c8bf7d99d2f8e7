// Worksheet charts: AddChart prepares the sheet for the chart kind (named cells, defined names,
// the histogram's bins and its formulas), StartTimer builds the charts, and EndRun sets up the
// strip chart's scroll bars. The spreadsheet computes everything it shows: the window of the
// strip chart moves with the names CtrCount and CtrPoints, and the histogram's counts and shares
// are formulas over the logged column.

#include <algorithm>

#include "addin/application.h"
#include "core/text_format.h"

namespace addin {
namespace {

// The cells of a histogram by chart kind (2, or 3 beside the strip chart).
struct HistogramCells {
  const char* minimum;       // CtrMinlimit
  const char* maximum;       // CtrMaxlimit
  const char* binSize;       // CtrBinSize
  const char* totalBins;     // CtrTotBins
  const char* countFormula;  // the COUNTA of the logged times
  const char* templateBins;  // the bin count the user types in the template
  const char* minimumPair;   // label and value of the lower limit
  const char* maximumPair;   // label and value of the upper limit
};

const HistogramCells& histogramCells(int kind) {
  static const HistogramCells kind2{"G7", "G8", "G9", "G10", "G4", "G6", "F7:G7", "F8:G8"};
  static const HistogramCells kind3{"G11", "G12", "G13", "G14", "G6", "G10", "F11:G11", "F12:G12"};
  return kind == 3 ? kind3 : kind2;
}

// A Boolean setting as the add-in's forms save it ("True"/"False"); anything else is `fallback`.
bool settingFlag(const std::string& text, bool fallback) {
  const std::string t = core::toLower(text);
  if (t == "true") return true;
  if (t == "false") return false;
  bool parsed = false;
  const double v = core::leadingDouble(text, &parsed);
  return parsed ? v != 0 : fallback;
}

constexpr long kRed = 255;  // the spreadsheet's colour number of red
constexpr std::int32_t kScrollRowLimit = 30000;

}  // namespace

void Application::AddChart(std::int16_t val1, bool val2) {
  chartKind_ = val1;
  chartInSheet_ = val2;
  chartsRefused_ = false;
  prepareCharts();
}

void Application::prepareCharts() {
  const bool strip = chartKind_ == 1 || chartKind_ == 3;
  const bool histogram = chartKind_ == 2 || chartKind_ == 3;
  if (!strip && !histogram) return;

  const bool autoMax = settingFlag(LoadSetting("SetAutoMax", "True"), true);
  const bool autoMin = settingFlag(LoadSetting("SetAutoMin", "True"), true);
  const std::string maxLimit = LoadSetting("MaxLimit", "");
  const std::string minLimit = LoadSetting("MiniLimit", "");

  sheet::Worksheet& ws = worksheet();
  const std::string s = ws.name();

  // The bins are checked before anything is written: a count below 1 divides by zero, and a
  // layout whose rows run backwards or past the sheet's end would write over the table.
  std::int16_t bins = 0;
  int lastBinRow = 0;
  if (histogram) {
    const HistogramCells& cells = histogramCells(chartKind_);
    const double typed = ws.value(cells.templateBins);
    const int fixedLimits = (autoMin ? 0 : 1) + (autoMax ? 0 : 1);
    const int smallest = 3 - fixedLimits;  // K = T - 3 + fixed limits must not be below 0
    if (!(typed >= smallest && typed <= 32767)) {
      message("The number of bins in " + std::string(cells.templateBins) + " must be a whole " +
                  "number of at least " + std::to_string(smallest) +
                  (fixedLimits == 2   ? " with both limits fixed"
                   : fixedLimits == 1 ? " with one limit fixed"
                                      : " with automatic limits") +
                  " (it is " + ws.text(cells.templateBins) +
                  "). The sheet was not changed; the run does not start.",
              core::Icon::Error);
      chartsRefused_ = true;
      return;
    }
    bins = static_cast<std::int16_t>(typed);
    lastBinRow = bins + fixedLimits + 1;
    if (lastBinRow > (app_ ? app_->rowCount() : 65536)) {
      message("The " + std::to_string(bins) + " bins in " + cells.templateBins +
                  " need more rows than the sheet has. The run does not start.",
              core::Icon::Error);
      chartsRefused_ = true;
      return;
    }
  }

  if (strip) {
    // The strip chart counts in the cell its scroll bar moves: F6, or G6 beside a histogram.
    const char* count = chartKind_ == 1 ? "F6" : "G6";
    const char* points = chartKind_ == 1 ? "F8" : "G8";
    ws.nameRange("A1", "CtrDataRef");
    ws.nameRange(count, "CtrCount");
    ws.nameRange(points, "CtrPoints");
    ws.setValue(chartKind_ == 1 ? "F6" : "G4", 1);
    const std::string windowY =
        "OFFSET(" + s + "!R2C1," + s + "!CtrCount-" + s + "!CtrPoints,1," + s + "!CtrPoints,1)";
    const std::string allY = "OFFSET(" + s + "!R2C1,0,1," + s + "!CtrCount,1)";
    const std::string windowX =
        "OFFSET(" + s + "!R2C1," + s + "!CtrCount-" + s + "!CtrPoints,0," + s + "!CtrPoints,1)";
    const std::string allX = "OFFSET(" + s + "!R2C1,0,0," + s + "!CtrCount,1)";
    ws.addName("CtryAxis", "=IF(" + s + "!CtrisStripChart," + windowY + "," + allY + ")");
    ws.addName("CtrxAxis", "=IF(" + s + "!CtrisStripChart," + windowX + "," + allX + ")");
    ws.addName("CtrisStripChart", "=" + s + "!CtrPoints<=" + s + "!CtrCount");
    numPoints_ = static_cast<std::int32_t>(ws.value(points));
  }
  if (!histogram) return;

  const HistogramCells& cells = histogramCells(chartKind_);
  if (chartKind_ == 2) {
    ws.nameRange("A1", "CtrDataRef");
    ws.nameRange("G4", "CtrCount");
  }
  ws.nameRange("C1", "CtrBinsRef");
  ws.nameRange("C2", "CtrFirstBin");
  ws.nameRange("D1", "CtrDistrRef");
  ws.nameRange("E1", "CtrAccumRef");
  ws.nameRange(cells.minimum, "CtrMinlimit");
  ws.nameRange(cells.maximum, "CtrMaxlimit");
  ws.nameRange(cells.binSize, "CtrBinSize");
  ws.nameRange(cells.totalBins, "CtrTotBins");

  const std::int32_t rows = (terminating_ == 1 ? numberOfReadings_ : maxPoints_) + 1;

  // Limits: an automatic or empty one is 0; with both at 0 the first reading sets both.
  const double maximum = autoMax || maxLimit.empty() ? 0 : core::leadingDouble(maxLimit);
  const double minimum = autoMin || minLimit.empty() ? 0 : core::leadingDouble(minLimit);
  maximum_ = maximum;
  minimum_ = minimum;
  ws.setValue(cells.minimum, minimum);
  ws.setValue(cells.maximum, maximum);

  ws.setFormula(cells.countFormula, "=COUNTA(R2C1:R" + std::to_string(rows) + "C1)",
                sheet::FormulaStyle::R1C1);
  ws.setFormula(cells.binSize,
                "=IF(" + s + "!CtrMaxlimit >" + s + "!CtrMinlimit," + "(" + s + "!CtrMaxlimit - " +
                    s + "!CtrMinlimit)/" + s + "!CtrTotBins,0)",
                sheet::FormulaStyle::A1);
  ws.setValue(cells.totalBins, bins);

  int m = 0, k = 0;
  if (autoMin && autoMax) {
    m = bins;
    k = bins - 3;
  } else if (!autoMin && autoMax) {
    m = bins + 1;
    k = bins - 2;
    ws.setFontColor(cells.minimumPair, kRed);
  } else if (autoMin && !autoMax) {
    m = bins + 1;
    k = bins - 2;
    ws.setFontColor(cells.maximumPair, kRed);
  } else {
    m = bins + 2;
    k = bins - 1;
    ws.setFontColor(cells.minimumPair, kRed);
    ws.setFontColor(cells.maximumPair, kRed);
  }
  const int n = m + 1;
  const std::string last = std::to_string(n);

  if (!autoMin)
    ws.setFormula("C2", "=" + s + "!CtrMinlimit", sheet::FormulaStyle::A1);
  else
    ws.setFormula("C2",
                  "=IF(" + s + "!CtrMinlimit < " + s + "!CtrMaxlimit," + s + "!CtrMinlimit + " + s +
                      "!CtrBinSize ," + s + "!CtrMaxlimit)",
                  sheet::FormulaStyle::A1);
  for (int i = 0; i <= k; ++i)
    ws.setFormula(
        "C" + std::to_string(i + 3),
        "=(OFFSET(" + s + "!CtrFirstBin," + std::to_string(i) + ",0) + " + s + "!CtrBinSize)",
        sheet::FormulaStyle::A1);
  // The last row repeats the boundary above it as the label of the overflow bin.
  ws.setFormula("C" + std::to_string(k + 4),
                "=(OFFSET(" + s + "!CtrFirstBin," + std::to_string(k + 1) + ",0))",
                sheet::FormulaStyle::A1);

  ws.setArrayFormula("D2:D" + last,
                     "=FREQUENCY(B2:OFFSET(B1,COUNT(B2:B" + std::to_string(rows) +
                         "),0),C2:OFFSET(C1," + std::to_string(m - 1) + ",0))",
                     sheet::FormulaStyle::A1);

  ws.setFormula("E2", "=R2C4/SUM(R2C4:R" + last + "C4)", sheet::FormulaStyle::R1C1);
  for (int i = 2; i <= m; ++i)
    ws.setFormula(
        "E" + std::to_string(i + 1),
        "=R" + std::to_string(i) + "C5+R" + std::to_string(i + 1) + "C4/SUM(R2C4:R" + last + "C4)",
        sheet::FormulaStyle::R1C1);

  ws.nameRange("C2:C" + last, "CtrxHistoAxis");
  ws.nameRange("D2:D" + last, "CtryHisto1Axis");
  ws.nameRange("E2:E" + last, "CtryHisto2Axis");
  ws.setNumberFormat("C2:C" + last, "<= 0.000000000000E+00;<= -0.000000000000E+00");
  ws.setNumberFormat("C" + last, "> 0.000000000000E+00;> -0.000000000000E+00");
  ws.setNumberFormat("E2:E" + last, "0.00%");
}

bool Application::buildCharts() {
  if (chartsRefused_) {
    EndRun();  // AddChart has said why
    return false;
  }
  const bool modern = bigGrid();
  sheet::Worksheet& ws = worksheet();
  const std::string s = ws.name();

  double stripRight = 0;
  if (chartKind_ == 1 || chartKind_ == 3) {
    try {
      sheet::ChartDefinition definition;
      definition.type = sheet::ChartType::LineWithMarkers;
      definition.series.push_back({"=" + s + "!R1C2", "=" + s + "!CtryAxis", "", false});
      definition.title = ws.text(chartKind_ == 1 ? "F1" : "G1");
      if (modern) {
        definition.categoryAxis = false;
        definition.valueAxis = true;
        definition.lowTickLabels = true;
      }
      definition.inSheet = chartInSheet_;
      definition.left = ws.columnLeft(chartKind_ == 1 ? 8 : 9);  // right of the summary block
      definition.top = 12;
      definition.windowPoints = std::max<std::int32_t>(numPoints_, 1);
      stripChart_ = ws.addChart(definition);
      stripRight = definition.left + definition.width;
      ws.activate();
    } catch (const std::exception& e) {
      return chartFailed("Create Line-Chart Error:", e);
    }
  }
  if (chartKind_ == 2 || chartKind_ == 3) {
    try {
      sheet::ChartDefinition definition;
      definition.type = sheet::ChartType::ClusteredColumns;
      definition.title = ws.text("B1") + "     " + ws.text("G1");
      definition.series.push_back(
          {"=" + s + "!R1C4", "=" + s + "!CtryHisto1Axis", "=" + s + "!CtrxHistoAxis", false});
      definition.series.push_back({"Cumulative", "=" + s + "!CtryHisto2Axis", "", true});
      definition.valueAxisTitle = "Samples";
      definition.secondaryAxisTitle = "Cumulative%";
      definition.categoryAxisTitle = "Bin Range";
      definition.rotatedTickLabels = true;
      definition.lowTickLabels = true;
      if (modern) definition.categoryAxis = definition.valueAxis = true;
      definition.inSheet = chartInSheet_;
      definition.top = 12;
      definition.left = ws.columnLeft(9);
      if (chartKind_ == 3 && chartInSheet_ && !stripChart_.empty()) {
        // Beside the strip chart: its top, and the left of the first column to its right.
        definition.top = ws.chartTop(stripChart_);
        long column = 9;
        while (column < 1000 && ws.columnLeft(column) < stripRight + 6) ++column;
        definition.left = ws.columnLeft(column);
      }
      histogramChart_ = ws.addChart(definition);
      ws.activate();
    } catch (const std::exception& e) {
      return chartFailed("Create Histogram-Chart Error:", e);
    }
  }
  return true;
}

bool Application::chartFailed(const char* title, const std::exception& e) {
  // The number of the spreadsheet's own error, or the one a failed chart call gets.
  const auto* error = dynamic_cast<const sheet::Error*>(&e);
  const long number = error ? error->number() : 1004;
  EndRun();
  message(std::string(title) + "\r\n" + e.what() + "\r\n" + std::to_string(number),
          core::Icon::None);
  return false;
}

void Application::setUpScrollBars(std::int32_t finalRow) {
  try {
    sheet::Worksheet& ws = worksheet();
    const std::int32_t r = std::min(finalRow, kScrollRowLimit);
    const std::int32_t maximum = r - 2 == 0 ? 1 : r - 2;
    const std::string first = chartKind_ == 1 ? "$F$6" : "$G$6";
    const std::string second = chartKind_ == 1 ? "$F$8" : "$G$8";
    // The strip chart can now be widened up to every reading of the run.
    if (!stripChart_.empty())
      ws.setChartWindow(stripChart_, std::max<long>(maximum, static_cast<long>(ws.value(second))));
    ws.setScrollBars("Scroll Bar 1", {maximum, maximum, 1, 1, 5, first});
    ws.setScrollBars("Scroll Bar 2",
                     {maximum, static_cast<long>(ws.value(second)), 1, 1, 5, second});
  } catch (const std::exception& e) {
    message(std::string("Scroll Bar Error:\r\n") + e.what(), core::Icon::None);
  }
}

void Application::releaseCharts() {
  stripChart_.clear();
  histogramChart_.clear();
}

}  // namespace addin
