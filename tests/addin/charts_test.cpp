// AddChart's worksheet preparation, the chart builders and the scroll bars, on the in-memory
// sheet: names, formulas exactly as written, the bin rows by limit mode, refusals and errors.

#include <gtest/gtest.h>

#include <deque>

#include "addin_rig.h"
#include "support/recording_visa.h"

namespace {

using addintest::AddinRig;
using testsupport::RecordingVisa;
using testsupport::Reply;

constexpr const char* kCounter = "USB0::0x2B7A::0x0ED8::C::INSTR";

// A counter that answers every "fetch?" with the next of `readings`, repeating the last.
struct ChartRig {
  RecordingVisa visa;
  std::deque<std::string> readings{"+1.0"};
  AddinRig<RecordingVisa> rig{visa};

  ChartRig() {
    visa.resources[kCounter].responder = [this](const std::string& last) -> std::optional<Reply> {
      if (last == "func?") return Reply{"FREQ\n", std::nullopt};
      if (last == "fetch?") {
        std::string r = readings.front();
        if (readings.size() > 1) readings.pop_front();
        return Reply{r + "\n", std::nullopt};
      }
      if (last.back() == '?') return Reply{"+0\n", std::nullopt};
      return std::nullopt;
    };
    ViSession rm = 0, session = 0;
    visa.viOpenDefaultRM(&rm);
    visa.viOpen(rm, kCounter, 0, 0, &session);
    rig.app.IWKSesn = session;
  }
  void limits(bool autoMin, bool autoMax, const char* min = "", const char* max = "") {
    rig.app.SaveSetting("SetAutoMin", autoMin ? "True" : "False");
    rig.app.SaveSetting("SetAutoMax", autoMax ? "True" : "False");
    rig.app.SaveSetting("MiniLimit", min);
    rig.app.SaveSetting("MaxLimit", max);
  }
  void prepare(int kind, std::int32_t readings = 20, bool inSheet = true) {
    rig.fillTemplate(kind);
    rig.app.SetNumberOfReading(readings);
    rig.app.SetTerimnatingUpon(1);
    rig.app.AddChart(static_cast<std::int16_t>(kind), inSheet);
  }
  const sheet::MemoryCell& cell(const char* address) const { return rig.ws->cell(address); }
  // The last row of column C that holds a formula.
  int lastBinRow() const {
    int row = 1;
    while (!rig.ws->cell("C" + std::to_string(row + 1)).formula.empty()) ++row;
    return row;
  }
};

TEST(AddinCharts, StripChartNamesAndTheirFormulas) {
  ChartRig c;
  c.prepare(1);
  const auto& ws = *c.rig.ws;
  EXPECT_EQ(ws.rangeNames.at("CtrDataRef"), "A1");
  EXPECT_EQ(ws.rangeNames.at("CtrCount"), "F6");
  EXPECT_EQ(ws.rangeNames.at("CtrPoints"), "F8");
  EXPECT_EQ(ws.value("F6"), 1);
  EXPECT_EQ(ws.definedNames.at("CtrisStripChart"), "=Sheet1!CtrPoints<=Sheet1!CtrCount");
  EXPECT_EQ(ws.definedNames.at("CtryAxis"),
            "=IF(Sheet1!CtrisStripChart,OFFSET(Sheet1!R2C1,Sheet1!CtrCount-Sheet1!CtrPoints,1,"
            "Sheet1!CtrPoints,1),OFFSET(Sheet1!R2C1,0,1,Sheet1!CtrCount,1))");
  EXPECT_EQ(ws.definedNames.at("CtrxAxis"),
            "=IF(Sheet1!CtrisStripChart,OFFSET(Sheet1!R2C1,Sheet1!CtrCount-Sheet1!CtrPoints,0,"
            "Sheet1!CtrPoints,1),OFFSET(Sheet1!R2C1,0,0,Sheet1!CtrCount,1))");
  // Added in this order: the window, the times, then the test that picks between them.
  std::vector<std::string> order;
  for (const auto& line : c.rig.calc->log)
    if (line.rfind("Sheet1.addName ", 0) == 0)
      order.push_back(line.substr(15, line.find(' ', 15) - 15));
  EXPECT_EQ(order, (std::vector<std::string>{"CtryAxis", "CtrxAxis", "CtrisStripChart"}));
}

TEST(AddinCharts, HistogramFormulasWithAutomaticLimits) {
  ChartRig c;
  c.prepare(2, 150);
  const auto& ws = *c.rig.ws;
  for (auto [name, range] :
       std::vector<std::pair<const char*, const char*>>{{"CtrDataRef", "A1"},
                                                        {"CtrCount", "G4"},
                                                        {"CtrBinsRef", "C1"},
                                                        {"CtrFirstBin", "C2"},
                                                        {"CtrDistrRef", "D1"},
                                                        {"CtrAccumRef", "E1"},
                                                        {"CtrMinlimit", "G7"},
                                                        {"CtrMaxlimit", "G8"},
                                                        {"CtrBinSize", "G9"},
                                                        {"CtrTotBins", "G10"},
                                                        {"CtrxHistoAxis", "C2:C11"},
                                                        {"CtryHisto1Axis", "D2:D11"},
                                                        {"CtryHisto2Axis", "E2:E11"}})
    EXPECT_EQ(ws.rangeNames.at(name), range) << name;
  EXPECT_EQ(c.cell("G4").formula, "=COUNTA(R2C1:R151C1)");
  EXPECT_EQ(c.cell("G4").style, sheet::FormulaStyle::R1C1);
  EXPECT_EQ(c.cell("G9").formula,
            "=IF(Sheet1!CtrMaxlimit >Sheet1!CtrMinlimit,(Sheet1!CtrMaxlimit - "
            "Sheet1!CtrMinlimit)/Sheet1!CtrTotBins,0)");
  EXPECT_EQ(ws.value("G10"), 10);
  EXPECT_EQ(ws.value("G7"), 0);
  EXPECT_EQ(ws.value("G8"), 0);
  EXPECT_EQ(c.cell("C2").formula,
            "=IF(Sheet1!CtrMinlimit < Sheet1!CtrMaxlimit,Sheet1!CtrMinlimit + "
            "Sheet1!CtrBinSize ,Sheet1!CtrMaxlimit)");
  EXPECT_EQ(c.cell("C3").formula, "=(OFFSET(Sheet1!CtrFirstBin,0,0) + Sheet1!CtrBinSize)");
  EXPECT_EQ(c.cell("C10").formula, "=(OFFSET(Sheet1!CtrFirstBin,7,0) + Sheet1!CtrBinSize)");
  EXPECT_EQ(c.cell("C11").formula, "=(OFFSET(Sheet1!CtrFirstBin,8,0))");
  EXPECT_EQ(c.lastBinRow(), 11);
  for (int row = 2; row <= 11; ++row) {
    const auto& d = ws.cell("D" + std::to_string(row));
    EXPECT_EQ(d.arrayRange, "D2:D11");
    EXPECT_EQ(d.formula, "=FREQUENCY(B2:OFFSET(B1,COUNT(B2:B151),0),C2:OFFSET(C1,9,0))");
  }
  EXPECT_EQ(c.cell("E2").formula, "=R2C4/SUM(R2C4:R11C4)");
  EXPECT_EQ(c.cell("E3").formula, "=R2C5+R3C4/SUM(R2C4:R11C4)");
  EXPECT_EQ(c.cell("E11").formula, "=R10C5+R11C4/SUM(R2C4:R11C4)");
  EXPECT_TRUE(c.cell("E12").formula.empty());
  EXPECT_EQ(c.cell("C2").numberFormat, "<= 0.000000000000E+00;<= -0.000000000000E+00");
  EXPECT_EQ(c.cell("C11").numberFormat, "> 0.000000000000E+00;> -0.000000000000E+00");
  EXPECT_EQ(c.cell("E5").numberFormat, "0.00%");
  EXPECT_FALSE(c.cell("F7").fontColor);
}

TEST(AddinCharts, EachFixedLimitAddsABinRowAndTurnsItsPairRed) {
  struct Case {
    bool autoMin, autoMax;
    int lastRow;
    bool minRed, maxRed;
    const char* firstBoundary;
  } cases[] = {
      {true, true, 11, false, false, nullptr},
      {false, true, 12, true, false, "=Sheet1!CtrMinlimit"},
      {true, false, 12, false, true, nullptr},
      {false, false, 13, true, true, "=Sheet1!CtrMinlimit"},
  };
  for (const auto& k : cases) {
    ChartRig c;
    c.limits(k.autoMin, k.autoMax, "9999990", "10000010");
    c.prepare(3);
    const std::string mode =
        std::string(k.autoMin ? "auto" : "fixed") + "/" + (k.autoMax ? "auto" : "fixed");
    EXPECT_EQ(c.lastBinRow(), k.lastRow) << mode;
    EXPECT_EQ(c.cell("F11").fontColor == 255, k.minRed) << mode;
    EXPECT_EQ(c.cell("G11").fontColor == 255, k.minRed) << mode;
    EXPECT_EQ(c.cell("F12").fontColor == 255, k.maxRed) << mode;
    if (k.firstBoundary) EXPECT_EQ(c.cell("C2").formula, k.firstBoundary) << mode;
    EXPECT_EQ(c.rig.ws->value("G11"), k.autoMin ? 0 : 9999990) << mode;
    EXPECT_EQ(c.rig.ws->value("G12"), k.autoMax ? 0 : 10000010) << mode;
    EXPECT_EQ(c.cell("G6").formula, "=COUNTA(R2C1:R21C1)") << "kind 3 counts in G6";
    EXPECT_EQ(c.rig.ws->rangeNames.at("CtrTotBins"), "G14");
  }
}

TEST(AddinCharts, BinCountsThatCannotBeLaidOutAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    double bins;
    bool autoMin, autoMax;
  } cases[] = {{0, true, true},  {-4, false, false},  {2, true, true},
               {1, false, true}, {0.5, false, false}, {40000, true, true}};
  for (const auto& k : cases) {
    ChartRig c;
    c.limits(k.autoMin, k.autoMax, "1", "2");
    c.rig.fillTemplate(2);
    c.rig.ws->setValue("G6", k.bins);
    if (k.bins == 40000) c.rig.calc->rows = 40000;  // the bin rows would pass the last row
    const std::size_t logged = c.rig.calc->log.size();
    c.rig.app.AddChart(2, true);
    ASSERT_EQ(c.rig.ui.shown.size(), 1u) << k.bins;
    EXPECT_NE(c.rig.ui.shown[0].text.find("G6"), std::string::npos) << c.rig.ui.shown[0].text;
    EXPECT_EQ(c.rig.calc->log.size(), logged) << "nothing written for " << k.bins;
    c.rig.app.StartTimer(100);
    EXPECT_FALSE(c.rig.timer.armed()) << "the run does not start";
    EXPECT_EQ(c.rig.ui.shown.size(), 1u);
  }
  ChartRig ok;
  ok.limits(false, false, "1", "2");
  ok.rig.fillTemplate(2);
  ok.rig.ws->setValue("G6", 1);  // with both limits fixed one bin lays out
  ok.rig.app.AddChart(2, true);
  EXPECT_TRUE(ok.rig.ui.shown.empty());
  EXPECT_EQ(ok.lastBinRow(), 4);
}

TEST(AddinCharts, BuildersMakeTheStripChartAndTheHistogramBesideIt) {
  ChartRig c;
  c.prepare(3, 20, true);
  c.rig.app.StartTimer(100);
  const auto& charts = c.rig.ws->charts;
  ASSERT_EQ(charts.size(), 2u);
  const sheet::ChartDefinition& strip = charts[0].definition;
  EXPECT_EQ(strip.type, sheet::ChartType::LineWithMarkers);
  ASSERT_EQ(strip.series.size(), 1u);
  EXPECT_EQ(strip.series[0].name, "=Sheet1!R1C2");
  EXPECT_EQ(strip.series[0].values, "=Sheet1!CtryAxis");
  EXPECT_EQ(strip.title, "V38XX Histogram");  // the title cell of kind 3 is G1
  EXPECT_FALSE(strip.categoryAxis) << "large-grid variant: category axis off";
  EXPECT_TRUE(strip.inSheet);
  EXPECT_EQ(strip.windowPoints, 100);
  const sheet::ChartDefinition& histogram = charts[1].definition;
  EXPECT_EQ(histogram.type, sheet::ChartType::ClusteredColumns);
  EXPECT_EQ(histogram.title, "Reading     V38XX Histogram");
  ASSERT_EQ(histogram.series.size(), 2u);
  EXPECT_EQ(histogram.series[0].name, "=Sheet1!R1C4");
  EXPECT_EQ(histogram.series[0].values, "=Sheet1!CtryHisto1Axis");
  EXPECT_EQ(histogram.series[0].xValues, "=Sheet1!CtrxHistoAxis");
  EXPECT_EQ(histogram.series[1].name, "Cumulative");
  EXPECT_EQ(histogram.series[1].values, "=Sheet1!CtryHisto2Axis");
  EXPECT_TRUE(histogram.series[1].secondaryAxis);
  EXPECT_EQ(histogram.valueAxisTitle, "Samples");
  EXPECT_EQ(histogram.secondaryAxisTitle, "Cumulative%");
  EXPECT_EQ(histogram.categoryAxisTitle, "Bin Range");
  EXPECT_EQ(histogram.top, strip.top);
  EXPECT_GT(histogram.left, strip.left);
  EXPECT_EQ(c.rig.calc->screenUpdating, true);
}

TEST(AddinCharts, ABuilderErrorEndsTheRunWithItsBox) {
  ChartRig c;
  c.prepare(1);
  c.rig.calc->failing.insert("addChart");
  c.rig.app.StartTimer(100);
  ASSERT_EQ(c.rig.ui.shown.size(), 1u);
  EXPECT_EQ(c.rig.ui.shown[0].text.rfind("Create Line-Chart Error:\r\n", 0), 0u);
  EXPECT_NE(c.rig.ui.shown[0].text.find("\r\n1004"), std::string::npos) << c.rig.ui.shown[0].text;
  EXPECT_FALSE(c.rig.timer.armed());
  EXPECT_TRUE(c.rig.calc->screenUpdating);

  ChartRig h;
  h.prepare(2);
  h.rig.calc->failing.insert("addChart");
  h.rig.app.StartTimer(100);
  ASSERT_EQ(h.rig.ui.shown.size(), 1u);
  EXPECT_EQ(h.rig.ui.shown[0].text.rfind("Create Histogram-Chart Error:\r\n", 0), 0u);
}

TEST(AddinCharts, ScrollBarsAfterARun) {
  struct Case {
    int kind;
    std::int32_t readings;
    long maximum;
    const char *first, *second;
  } cases[] = {
      {1, 40000, 29998, "$F$6", "$F$8"}, {3, 30, 30, "$G$6", "$G$8"}, {1, 1, 1, "$F$6", "$F$8"}};
  for (const auto& k : cases) {
    ChartRig c;
    c.prepare(k.kind, k.readings);
    c.rig.app.StartTimer(1);
    while (c.rig.timer.armed()) c.rig.timer.fire();
    const auto& bars = c.rig.ws->scrollBars;
    const sheet::ScrollBarSettings& one = bars.at("Scroll Bar 1")[0];
    const sheet::ScrollBarSettings& two = bars.at("Scroll Bar 2")[0];
    EXPECT_EQ(one.maximum, k.maximum) << k.readings;
    EXPECT_EQ(one.value, k.maximum);
    EXPECT_EQ(one.minimum, 1);
    EXPECT_EQ(one.smallChange, 1);
    EXPECT_EQ(one.largeChange, 5);
    EXPECT_EQ(one.linkedCell, k.first);
    EXPECT_EQ(two.maximum, k.maximum);
    EXPECT_EQ(two.value, 100) << "the window width stays";
    EXPECT_EQ(two.linkedCell, k.second);
    EXPECT_EQ(c.rig.ws->charts[0].definition.windowPoints, std::max<long>(k.maximum, 100));
  }
}

}  // namespace
