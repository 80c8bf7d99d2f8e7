// The Chart Record dialog's logic: scale and mapping, the trace in logical coordinates and its
// thinning, the stretch checks with their messages, the slider's read-outs and marker.

#include "records/chart_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "measure/texts.h"
#include "reading_files.h"
#include "records/chart_pyramid.h"
#include "records/view_record.h"
#include "support/scripted_interaction.h"

namespace {

using records::ChartPoint;
using records::ChartRecord;
using testsupport::ScriptedInteraction;
using viewtest::StartDirectory;
using Points = std::vector<ChartPoint>;

TEST(ChartGeometry, ScaleIsTheSmallestPowerOfTenReachingTheTarget) {
  struct Case {
    const char* name;
    double range;
    double scale;
  };
  const Case cases[] = {
      {"readings 10, 11, 12", 2, 1e8},
      {"all equal", 0, 1},
      {"just below the target", 99999998, 10},
      {"exactly the target", 99999999, 1},
      {"above the target", 3e9, 1},
      {"half a unit", 0.5, 1e9},
      {"tiny range", 1e-12, 1e20},
  };
  for (const Case& c : cases) EXPECT_EQ(records::chartScale(c.range), c.scale) << c.name;
}

TEST(ChartGeometry, MappingOfWindowOntoTheLowerHalfViewport) {
  const records::ChartMapping m = records::chartMapping(2, 2, 1e8, 400, 301);
  EXPECT_EQ(m.windowWidth, 2);
  EXPECT_EQ(m.windowHeight, -4e8);
  EXPECT_EQ(m.viewportWidth, 400);
  EXPECT_EQ(m.viewportHeight, 150);
  EXPECT_EQ(m.originY, 150);
  EXPECT_EQ(m.deviceX(0), 0);
  EXPECT_EQ(m.deviceX(1), 200);
  EXPECT_EQ(m.deviceX(2), 400);
  EXPECT_EQ(m.deviceY(0), 150) << "F sits on the middle";
  EXPECT_EQ(m.deviceY(2e8), 75) << "larger values higher";
  EXPECT_EQ(m.deviceY(-4e8), 300) << "-2R at the bottom";
  EXPECT_EQ(records::chartMapping(5, 0, 1, 100, 100).windowHeight, 1) << "R = 0";
  EXPECT_EQ(records::chartMapping(5, 3e9, 1, 100, 100).windowHeight, -6e9)
      << "wide ranges keep their height beyond 32 bits";
}

TEST(ChartGeometry, DrawingExamples) {
  {
    const std::vector<double> rising = {10, 11, 12};
    const records::ChartTrace t = records::chartTrace(rising, 300, 200, false);
    EXPECT_EQ(t.lastX, 2);
    EXPECT_EQ(t.range, 2);
    EXPECT_EQ(t.scale, 1e8);
    EXPECT_EQ(t.points, (Points{{0, 0}, {1, 1e8}, {2, 2e8}}));
    EXPECT_EQ(t.mapping.deviceY(t.points[0].y), 100) << "starts at mid-height";
    EXPECT_LT(t.mapping.deviceY(t.points[2].y), t.mapping.deviceY(t.points[1].y)) << "rises";
  }
  {
    const std::vector<double> flat = {7.5, 7.5, 7.5, 7.5};
    const records::ChartTrace t = records::chartTrace(flat, 300, 200, false);
    EXPECT_EQ(t.range, 0);
    EXPECT_EQ(t.mapping.windowHeight, 1);
    for (const ChartPoint& p : t.points) EXPECT_EQ(t.mapping.deviceY(p.y), 100);
  }
  {
    const std::vector<double> overflow = {9.91e37, 9.91e37, 9.91e37};
    const records::ChartTrace t = records::chartTrace(overflow, 300, 200, false);
    EXPECT_EQ(t.range, 0) << "readings beyond the starting bounds keep their true range";
    EXPECT_EQ(t.mapping.windowHeight, 1);
    for (const ChartPoint& p : t.points) EXPECT_EQ(t.mapping.deviceY(p.y), 100);
  }
  {
    // y is truncated toward zero: 0.123456789 × 1e9 = 123456789.0000...
    const std::vector<double> small = {1.0, 1.5, 0.9};
    const records::ChartTrace t = records::chartTrace(small, 300, 200, false);
    EXPECT_EQ(t.scale, 1e9);
    EXPECT_EQ(t.points[1].y, 5e8);
    EXPECT_EQ(t.points[2].y, std::trunc((0.9 - 1.0) * 1e9));
  }
  EXPECT_TRUE(records::chartTrace(std::vector<double>{3}, 300, 200, false).points.size() == 1)
      << "a stretch of one record has one point and no line";
}

TEST(ChartGeometry, MarkerStepsAcrossItsOwnWindow) {
  const records::ChartMapping drawing = records::chartMapping(9, 2, 1e8, 1000, 200);
  struct Case {
    const char* name;
    long long span;
    long long position;
    records::ChartMarker marker;
  };
  const Case cases[] = {
      {"first record", 10, 0, {-5, 100, 5, 100}},
      {"middle", 10, 5, {495, 100, 505, 100}},
      {"last of a span drawn with all", 10, 9, {895, 100, 905, 100}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(records::chartMarker(c.span, c.position, 0, drawing), c.marker) << c.name;
  }
  EXPECT_EQ(records::chartMarker(0, 3, 0, drawing), records::chartMarker(1, 3, 0, drawing))
      << "a span of zero does not divide by zero";
}

// ---- The dialog ----------------------------------------------------------------------------

class ChartRecordTest : public ::testing::Test {
 protected:
  void choose(int n) {
    dialog.open();
    const auto& entries = dialog.view().entries;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (records::chartRecordEntry(n, {2011, 11, 10, 9, 6, 32}) == entries[i]) {
        dialog.chooseDatabase(static_cast<int>(i));
        return;
      }
    }
    FAIL() << "database " << n << " is not listed";
  }
  void drawFrom(const char* from, const char* to) {
    dialog.setDrawAll(false);
    dialog.setFromText(from);
    dialog.setToText(to);
  }

  StartDirectory dir;
  ScriptedInteraction ui;
  measure::Texts texts;
  ChartRecord dialog{ui, texts};
};

TEST_F(ChartRecordTest, OpeningShowsTextsListAndDefaults) {
  records::createDatabase(dir.path(1));
  viewtest::writeValues(dir.path(2), {1, 2});
  viewtest::writeValues(dir.path(10), {1});
  dialog.open();
  const auto& v = dialog.view();
  EXPECT_EQ(v.entries,
            (std::vector<std::string>{"Database 2    ( 11 / 11 / 10 -- 09 : 06 : 32 )",
                                      "Database 10    ( 11 / 11 / 10 -- 09 : 06 : 32 )"}));
  EXPECT_EQ(v.listText, "Please select a Database.");
  EXPECT_EQ(v.title, "Chart Record");
  EXPECT_EQ((std::vector<std::string>{v.settingGroup, v.drawColorLabel, v.changeColorText,
                                      v.recordCountLabel, v.divisionLabel, v.drawChartText,
                                      v.clearText, v.drawAllText, v.drawFromText, v.toLabel,
                                      v.afterToLabel, v.exitText}),
            (std::vector<std::string>{"Setting", "Draw Color:", "Change Color",
                                      "Record Count:", "Division", "Draw Chart", "Clear",
                                      "Drawing with all", "Drawing data from", "to", "", "Exit"}));
  EXPECT_EQ((std::vector<std::string>{v.changeColorTooltip, v.drawTooltip, v.clearTooltip,
                                      v.exitTooltip}),
            (std::vector<std::string>{"Change Color ...", "Draw Chart ...", "Clear Chart ...",
                                      "Exit ..."}));
  EXPECT_TRUE(v.drawAll);
  EXPECT_FALSE(v.fromToEnabled);
  EXPECT_FALSE(v.drawEnabled);
  EXPECT_EQ(v.drawColor, (core::Color{0, 255, 255}));
  EXPECT_FALSE(v.chartDrawn);
  EXPECT_TRUE(v.countText.empty() && v.fromText.empty() && v.recordText.empty());
  EXPECT_EQ(records::entryDatabaseNumber(v.entries[1]), 10);
  EXPECT_EQ(std::filesystem::current_path(), dir.dbFolder());
}

TEST_F(ChartRecordTest, NoDatabasesOrNoFolder) {
  dialog.open();
  EXPECT_EQ(dialog.view().listText, "Database does not found.");
  EXPECT_TRUE(ui.shown.empty());

  std::filesystem::current_path(dir.root());
  std::filesystem::remove(dir.dbFolder());
  dialog.open();
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Database working folder not found.");
  EXPECT_EQ(ui.shown[0].caption, "Database check");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::None);
  EXPECT_TRUE(dialog.folder().empty());
  EXPECT_EQ(dialog.view().listText, "Database does not found.");
}

TEST_F(ChartRecordTest, ChoosingShowsTheCountAndEnablesDrawing) {
  viewtest::writeValues(dir.path(3), {10, 11, 12});
  choose(3);
  EXPECT_EQ(dialog.view().countText, "3");
  EXPECT_TRUE(dialog.view().drawEnabled);
  dialog.setDrawAll(false);
  EXPECT_TRUE(dialog.view().fromToEnabled);
  dialog.setDrawAll(true);
  EXPECT_FALSE(dialog.view().fromToEnabled);
}

TEST_F(ChartRecordTest, StretchChecksAndTheirMessages) {
  viewtest::writeValues(dir.path(3), {1, 2, 3, 4, 5, 6, 7, 8});
  choose(3);
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    const char* text;  // the message, or none when drawn
    long long lastX;
  };
  const Case cases[] = {
      {"From 5 To 2 draws records 2 to 5", "5", "2", nullptr, 3},
      {"From 2 To 5", "2", "5", nullptr, 3},
      {"From 0", "0", "5", "Input Data Error! Please re-enter.", 0},
      {"To equal to From", "4", "4", "Input Data Error! Please re-enter.", 0},
      {"negative", "-3", "5", "Input Data Error! Please re-enter.", 0},
      {"text without a number", "abc", "5", "Input Data Error! Please re-enter.", 0},
      {"To beyond the count", "2", "9", "Out of range! Please re-enter.", 0},
      {"From beyond the count", "9", "2", "Out of range! Please re-enter.", 0},
      {"the whole stretch", "1", "8", nullptr, 7},
  };
  for (const Case& c : cases) {
    ui.shown.clear();
    drawFrom(c.from, c.to);
    const auto trace = dialog.draw(400, 200);
    if (c.text) {
      EXPECT_FALSE(trace) << c.name;
      EXPECT_FALSE(dialog.view().chartDrawn) << c.name;
      ASSERT_EQ(ui.shown.size(), 1u) << c.name;
      EXPECT_EQ(ui.shown[0].text, c.text) << c.name;
      EXPECT_EQ(ui.shown[0].caption, "ERROR") << c.name;
      EXPECT_EQ(ui.shown[0].icon, core::Icon::Error) << c.name;
      continue;
    }
    ASSERT_TRUE(trace) << c.name;
    EXPECT_TRUE(ui.shown.empty()) << c.name;
    EXPECT_EQ(trace->lastX, c.lastX) << c.name;
    EXPECT_EQ(dialog.view().sliderMaximum, c.lastX) << c.name;
    EXPECT_TRUE(dialog.view().chartDrawn) << c.name;
  }
  drawFrom("5", "2");
  const auto trace = dialog.draw(400, 200);
  ASSERT_TRUE(trace);
  EXPECT_EQ(trace->firstValue, 2) << "the stretch starts at record 2";
  EXPECT_EQ(trace->maximum, 5);
}

TEST_F(ChartRecordTest, SliderReadsTheMarkedRecord) {
  viewtest::writeValues(dir.path(3), {10, 11, 12, 13.25});
  choose(3);
  const auto trace = dialog.draw(300, 200);
  ASSERT_TRUE(trace);
  EXPECT_EQ(dialog.view().sliderMaximum, 3);
  const auto marker = dialog.slider(3);
  ASSERT_TRUE(marker);
  EXPECT_EQ(dialog.view().recordText, "4");
  EXPECT_EQ(dialog.view().valueText, "13.250000000000000");
  EXPECT_EQ(dialog.view().dateText, "11 / 11 / 10 -- 09 : 06 : 32");
  // Drawn with all, the marker steps by 1,000,000,000 / count.
  EXPECT_EQ(*marker, records::chartMarker(4, 3, 325000000, trace->mapping));

  drawFrom("2", "4");
  ASSERT_TRUE(dialog.draw(300, 200));
  ASSERT_TRUE(dialog.slider(0));
  EXPECT_EQ(dialog.view().recordText, "2");
  EXPECT_EQ(dialog.view().valueText, "11.000000000000000");
  ASSERT_TRUE(dialog.slider(2));
  EXPECT_EQ(dialog.view().recordText, "4");
}

TEST_F(ChartRecordTest, ClearStopsTheMarkerAndKeepsTheReadOuts) {
  viewtest::writeValues(dir.path(3), {1, 2, 3});
  choose(3);
  ASSERT_TRUE(dialog.draw(300, 200));
  ASSERT_TRUE(dialog.slider(1));
  dialog.clear();
  EXPECT_FALSE(dialog.view().chartDrawn);
  EXPECT_FALSE(dialog.slider(2));
  EXPECT_EQ(dialog.view().recordText, "2");
}

TEST_F(ChartRecordTest, SliderSurvivesFieldsEditedAfterDrawing) {
  viewtest::writeValues(dir.path(3), {1, 2, 3, 4, 5, 6});
  choose(3);
  drawFrom("2", "5");
  ASSERT_TRUE(dialog.draw(300, 200));
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    const char* record;
  };
  const Case cases[] = {
      {"span of zero: the drawn stretch", "4", "4", "5"},
      {"From above To", "5", "2", "3"},
      {"empty fields: the first record", "", "", "1"},
      {"beyond the file: the last record", "6", "9", "7"},
  };
  for (const Case& c : cases) {
    dialog.setFromText(c.from);
    dialog.setToText(c.to);
    ASSERT_TRUE(dialog.slider(1)) << c.name;
    EXPECT_EQ(dialog.view().recordText, c.record) << c.name;
  }
  dialog.setFromText("6");
  dialog.setToText("9");
  ASSERT_TRUE(dialog.slider(1));
  EXPECT_EQ(dialog.view().valueText, "6.000000000000000") << "past the end reads the last record";
}

TEST_F(ChartRecordTest, EmptyTableDrawsNothingAndNeverDividesByZero) {
  viewtest::writeValues(dir.path(3), {});
  choose(3);
  EXPECT_EQ(dialog.view().countText, "0");
  EXPECT_FALSE(dialog.draw(300, 200));
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "No data in file");
  EXPECT_FALSE(dialog.view().chartDrawn);
  EXPECT_FALSE(dialog.slider(0));

  ui.shown.clear();
  drawFrom("1", "2");
  EXPECT_FALSE(dialog.draw(300, 200));
  EXPECT_EQ(ui.shown.at(0).text, "Out of range! Please re-enter.");

  // One record: one point, no line; the slider marks it.
  viewtest::writeValues(dir.path(4), {4});
  choose(4);
  const auto one = dialog.draw(300, 200);
  ASSERT_TRUE(one);
  EXPECT_EQ(one->points.size(), 1u);
  ASSERT_TRUE(dialog.slider(0));
  EXPECT_EQ(dialog.view().recordText, "1");
}

TEST_F(ChartRecordTest, ColourStartsCyanAndFollowsThePicker) {
  viewtest::writeValues(dir.path(3), {1});
  dialog.open();
  ui.colors.push_back(std::nullopt);
  EXPECT_FALSE(dialog.changeColor());
  EXPECT_EQ(dialog.view().drawColor, (core::Color{0, 255, 255}));
  ui.colors.push_back(core::Color{255, 128, 0});
  EXPECT_TRUE(dialog.changeColor());
  EXPECT_EQ(dialog.view().drawColor, (core::Color{255, 128, 0}));
  EXPECT_EQ(ui.colorRequests, (std::vector<core::Color>{{0, 0, 0}, {0, 0, 0}}))
      << "the picker starts from black";
}

TEST_F(ChartRecordTest, VanishedFileChangesNothing) {
  viewtest::writeValues(dir.path(3), {1, 2});
  dialog.open();
  std::filesystem::remove(dir.path(3));
  dialog.chooseDatabase(0);
  EXPECT_TRUE(dialog.view().countText.empty());
  EXPECT_TRUE(dialog.view().drawEnabled);
  EXPECT_FALSE(dialog.draw(300, 200));
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ChartRecordTest, LongStretchesAreDrawnFromTheFilesPyramid) {
  std::mt19937 random(17);
  std::normal_distribution<double> noise(0, 1);
  std::vector<double> values(300000);
  double level = 1e7;
  for (double& v : values) v = level += noise(random) * 0.01;
  viewtest::writeValues(dir.path(2), values);
  struct Case {
    const char* name;
    const char* from;  // nullptr: drawing with all
    const char* to;
  };
  const Case cases[] = {
      {"all", nullptr, nullptr},
      {"a stretch inside blocks", "12345", "250000"},
      {"from the end back", "290000", "1000"},
  };
  for (int pass = 0; pass < 2; ++pass) {
    // The second pass on a file whose row ids have gaps (its summary is built again).
    const std::vector<double>& expected = values;
    for (const Case& c : cases) {
      choose(2);
      ui.progressRequests.clear();
      if (c.from) {
        drawFrom(c.from, c.to);
      } else {
        dialog.setDrawAll(true);
      }
      const auto trace = dialog.draw(660, 300);
      ASSERT_TRUE(trace) << c.name;
      long long first = 0;
      long long lastX = static_cast<long long>(expected.size()) - 1;
      if (c.from) {
        const long long a = std::stoll(c.from), b = std::stoll(c.to);
        first = std::min(a, b) - 1;
        lastX = std::abs(a - b);
      }
      records::MemoryPyramid pyramid(expected);
      const records::ChartTrace want = records::pyramidTrace(pyramid, first, lastX, 660, 300);
      EXPECT_EQ(trace->points, want.points) << c.name << " pass " << pass;
      EXPECT_EQ(trace->scale, want.scale) << c.name;
      EXPECT_TRUE(ui.progressRequests.empty()) << c.name << ": read every row";
      ASSERT_TRUE(dialog.slider(7)) << c.name;
      EXPECT_EQ(dialog.view().recordText, std::to_string(first + 8)) << c.name;
    }
    // Gaps in the row ids: the first reading of every 1,000 gone.
    viewtest::sqlExec(dir.path(2), "DELETE FROM read WHERE rowid % 1000 = 1");
    std::vector<double> kept;
    for (size_t i = 0; i < values.size(); ++i) {
      if ((i + 1) % 1000 != 1) kept.push_back(values[i]);
    }
    values = kept;
  }
}

TEST_F(ChartRecordTest, OlderFileIsReadOnceWithProgressThenDrawnFromItsNewPyramid) {
  std::vector<double> values(200000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = std::sin(i * 0.001) + (i % 7) * 0.01;
  viewtest::writeValues(dir.path(5), values);
  viewtest::dropSummary(dir.path(5));
  choose(5);
  ASSERT_EQ(ui.progressRequests.size(), 1u);
  EXPECT_EQ(ui.progressRequests[0].text, "Reading Database 5 ...");
  EXPECT_EQ(dialog.view().countText, "200000");
  const auto trace = dialog.draw(500, 200);
  ASSERT_TRUE(trace);
  EXPECT_EQ(ui.progressRequests.size(), 1u) << "drawn from the pyramid, not from every row";
  const auto every = records::chartTrace(values, 500, 200, true);
  EXPECT_EQ(trace->scale, every.scale);
  EXPECT_EQ(trace->maximum, every.maximum);
  EXPECT_EQ(trace->minimum, every.minimum);

  // Without a summary (one the triggers could not keep), every row with Cancel.
  viewtest::sqlExec(dir.path(5), "UPDATE read_summary SET state = 1");
  ui.cancelAfterReports = ui.progressReports;
  EXPECT_FALSE(dialog.draw(500, 200));
  EXPECT_FALSE(dialog.view().chartDrawn);
  EXPECT_EQ(ui.progressRequests.back().text, "Drawing Database 5 ...");
}

}  // namespace
