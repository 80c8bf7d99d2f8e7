#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "reading/trend_chart_geometry.h"
#include "reading/trend_window.h"

namespace {

using reading::ChartPoint;
using reading::TrendWindow;

std::vector<double> places(const TrendWindow& w) { return {w.values().begin(), w.values().end()}; }

TEST(TrendWindow, GrowsToCapacityThenShiftsBehindPlaceOne) {
  TrendWindow w(5);
  for (double x : {12.0, 11.0, 10.0, 13.0}) w.push(x);
  EXPECT_EQ(places(w), (std::vector<double>{12, 11, 10, 13}));
  w.push(14.0);
  EXPECT_EQ(places(w), (std::vector<double>{12, 11, 10, 13, 14}));
  // Full: place 2 is dropped, place 1 stays (it lies between 10 and 13).
  w.push(9.0);
  EXPECT_EQ(w.count(), 5);
  EXPECT_EQ(places(w), (std::vector<double>{12, 10, 13, 14, 9}));
}

TEST(TrendWindow, PlaceOneRule) {
  struct Case {
    const char* proves;
    std::vector<double> full;  // places 1..C before the advance
    double placeOneAfter;
  } cases[] = {
      {"reference above every kept value is replaced", {50, 1, 2, 3, 4}, 2},
      {"reference below every kept value is replaced", {-50, 1, 2, 3, 4}, 2},
      {"reference inside the kept values stays", {2.5, 1, 2, 3, 4}, 2.5},
      {"a tie with a kept value is not strictly beyond", {3, 1, 2, 3, 0}, 3},
      {"the dropped place 2 takes no part", {10, 99, 1, 2, 3}, 1},
  };
  for (const auto& c : cases) {
    TrendWindow w(static_cast<int>(c.full.size()));
    for (double x : c.full) w.push(x);
    w.advance();
    EXPECT_EQ(w.value(1), c.placeOneAfter) << c.proves;
  }
}

TEST(TrendWindow, NewCapacityKeepsReferenceAndNewestReadings) {
  TrendWindow w(6);
  for (double x : {1.0, 2.0, 3.0, 4.0, 5.0, 6.0}) w.push(x);
  w.setCapacity(4);
  EXPECT_EQ(places(w), (std::vector<double>{1, 4, 5, 6}));
  w.setCapacity(10);
  w.push(7.0);
  EXPECT_EQ(places(w), (std::vector<double>{1, 4, 5, 6, 7}));
  w.clear();
  EXPECT_EQ(w.count(), 0);
}

TEST(TrendChartGeometry, LinePointsForEachCaseOfN) {
  struct Case {
    const char* proves;
    std::vector<double> window;
    int capacity;
    std::vector<ChartPoint> line;
  } cases[] = {
      {"no reading, no line", {}, 5, {}},
      {"one reading, no line", {3.0}, 5, {}},
      // span 2 -> s = 10^8: heights are (value - place 1) * 10^8.
      {"1 < n < C: newest at x = 0, place 1 at x = n - 1",
       {1.0, 2.0, 3.0},
       5,
       {{0, 2e8}, {1, 1e8}, {2, 0}}},
      {"n = C: from x = C over places 2..C to x = 0, place 1 not drawn",
       {1.0, 2.0, 3.0, 2.0},
       4,
       {{4, 1e8}, {3, 1e8}, {2, 2e8}, {1, 1e8}, {0, 1e8}}},
  };
  for (const auto& c : cases) {
    const auto g = reading::trendChartGeometry(c.window, c.capacity, 400, 200);
    EXPECT_EQ(g.line, c.line) << c.proves;
  }
}

TEST(TrendChartGeometry, AllEqualReadingsLieOnTheMiddleLine) {
  const std::vector<double> window{5.0, 5.0, 5.0, 5.0};
  const auto g = reading::trendChartGeometry(window, 101, 500, 300);
  EXPECT_EQ(g.span, 0.0);
  EXPECT_EQ(g.scale, 1.0);
  EXPECT_EQ(g.windowExtent, (ChartPoint{101, 1}));
  EXPECT_EQ(g.viewportExtent, (ChartPoint{500, 150}));
  EXPECT_EQ(g.viewportOrigin, (ChartPoint{0, 150}));
  ASSERT_EQ(g.line.size(), 4u);
  for (const auto& p : g.line) EXPECT_EQ(g.toPicture(p).y, 150.0);
}

TEST(TrendChartGeometry, HalfUnitSpanScalesByTenToTheNine) {
  // Place 1 at 10.0, the newest 0.25 above it, the span 0.5.
  const std::vector<double> window{10.0, 9.75, 10.25};
  const int height = 400;
  const auto g = reading::trendChartGeometry(window, 101, 640, height);
  EXPECT_EQ(g.span, 0.5);
  EXPECT_EQ(g.scale, 1e9);
  EXPECT_EQ(g.windowExtent, (ChartPoint{101, -1e9}));
  ASSERT_FALSE(g.line.empty());
  const ChartPoint newest = g.toPicture(g.line.front());
  EXPECT_DOUBLE_EQ(newest.x, 0.0);
  EXPECT_DOUBLE_EQ(newest.y, height / 2.0 - height / 8.0);  // one eighth above the middle
  const ChartPoint lowest = g.toPicture(g.line[1]);
  EXPECT_DOUBLE_EQ(lowest.y, height / 2.0 + height / 8.0);
  // Place 1 at x = n - 1, on the middle line; x = C is the right edge.
  EXPECT_DOUBLE_EQ(g.toPicture(g.line.back()).x, 2 * 640.0 / 101);
  EXPECT_DOUBLE_EQ(g.toPicture(g.line.back()).y, height / 2.0);
  EXPECT_DOUBLE_EQ(g.toPicture({101, 0}).x, 640.0);
}

TEST(TrendChartGeometry, HighReadingsAreDrawnDividedWithoutChangingTheWindow) {
  TrendWindow w(101);
  for (double x : {1.4e9, 1.5e9, 1.45e9}) w.push(x);
  const auto before = places(w);
  const auto g = reading::trendChartGeometry(w.values(), w.capacity(), 400, 200);
  EXPECT_EQ(g.factor, 10.0);
  EXPECT_DOUBLE_EQ(g.span, 1e7);  // (1.5e9 - 1.4e9) / 10
  EXPECT_EQ(g.scale, 10.0);
  EXPECT_EQ(g.line.front(), (ChartPoint{0, std::trunc((1.45e8 - 1.4e8) * 10.0)}));
  EXPECT_EQ(places(w), before);
}

TEST(TrendChartGeometry, RescaleOnlyWhenTheNewestReadingIsHigh) {
  const std::vector<double> oldHigh{1.5e9, 1.0};
  EXPECT_EQ(reading::trendChartGeometry(oldHigh, 101, 400, 200).factor, 1.0);
  const std::vector<double> overflowNewest{1.0, 9.91e37};
  const auto g = reading::trendChartGeometry(overflowNewest, 101, 400, 200);
  EXPECT_GT(g.factor, 1e28);
  EXPECT_LT(9.91e37 / g.factor, reading::kHighValueLimit);
}

TEST(TrendChartGeometry, UnrepresentableReadingsStillGiveAFiniteDrawing) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::vector<double>> windows{
      {1.0, inf}, {-inf, 1.0, inf}, {1.0, 1.0 + 1e-15}, {0.0, 5e-324}, {1e300, -1e300}};
  for (const auto& window : windows) {
    const auto g = reading::trendChartGeometry(window, 101, 400, 200);
    EXPECT_TRUE(std::isfinite(g.windowExtent.y) && g.windowExtent.y != 0.0);
    for (const auto& p : g.line) {
      const auto d = g.toPicture(p);
      EXPECT_TRUE(std::isfinite(d.x) && std::isfinite(d.y));
    }
  }
}

}  // namespace
