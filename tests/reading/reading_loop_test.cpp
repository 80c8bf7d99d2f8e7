#include "reading/reading_loop.h"

#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/manual_clock.h"
#include "support/scripted_interaction.h"

namespace {

struct FakeLink : reading::ReadingLink {
  std::deque<std::string> answers;
  std::vector<std::string> writes;
  bool failNextRead = false;
  bool failed = false;
  std::function<void()> onReadFailure;  // the instrument layer stops the run itself

  void write(const std::string& command) override { writes.push_back(command); }
  std::string read() override {
    failed = failNextRead || answers.empty();
    failNextRead = false;
    if (failed) {
      if (onReadFailure) onReadFailure();
      return "";
    }
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
  bool lastReadFailed() const override { return failed; }
};

struct FakeStore : reading::ReadingStore {
  std::vector<std::string> stored;
  int failAfter = -1;  // appends that succeed before the first failure; -1: never fails
  bool append(const std::string& answer, std::string* error) override {
    if (failAfter >= 0 && static_cast<int>(stored.size()) >= failAfter) {
      *error = "The disk is full.";
      return false;
    }
    stored.push_back(answer);
    return true;
  }
};

struct FakeControls : reading::RunControls {
  std::string model = "3800";
  bool stopTimeBox = false;
  reading::StopTime stopAt;
  bool stopAfterBox = false;
  long long n = 100;
  bool setScale = false;
  bool scaleCompact = false;
  std::string modelCode() const override { return model; }
  bool stopTimeChecked() const override { return stopTimeBox; }
  reading::StopTime stopTime() const override { return stopAt; }
  bool stopAfterNChecked() const override { return stopAfterBox; }
  long long stopAfterN() const override { return n; }
  bool setScaleOffsetChecked() const override { return setScale; }
  bool scaleOffsetCompactChecked() const override { return scaleCompact; }
};

struct FakeDisplay : reading::ReadingDisplay {
  std::string count, stdev, elapsed, current;
  std::vector<reading::TrendChart> charts;
  void showCount(const std::string& t) override { count = t; }
  void showStdev(const std::string& t) override { stdev = t; }
  void showElapsed(const std::string& t) override { elapsed = t; }
  void showCurrent(const std::string& t) override { current = t; }
  void showTrend(const reading::TrendChart& c) override { charts.push_back(c); }
  int chartWidth() const override { return 404; }
  int chartHeight() const override { return 200; }
};

struct Rig {
  FakeLink link;
  FakeStore store;
  FakeControls controls;
  FakeDisplay display;
  testsupport::ScriptedInteraction ui;
  testsupport::ManualClock clock;
  int runStops = 0;
  reading::ReadingLoop loop{{link, store, controls, display, ui, clock, [this] {
                               ++runStops;
                               loop.setRunning(false);
                             }}};

  Rig() {
    link.onReadFailure = [this] { loop.setRunning(false), ++runStops; };
  }

  void start(reading::RunParameters p = {}) {
    loop.setRunning(true);
    loop.start(p);
  }
  void answer(const std::string& a, int times = 1) {
    for (int i = 0; i < times; ++i) link.answers.push_back(a);
  }
};

TEST(ReadingLoop, StopConditions) {
  struct Case {
    const char* proves;
    std::function<void(Rig&)> setUp;
    int ticks;
    size_t queries;
    int runStops;
  } cases[] = {
      {"after N = 10 the tick stops before an eleventh query",
       [](Rig& r) {
         r.controls.stopAfterBox = true;
         r.controls.n = 10;
       },
       11, 10, 1},
      {"a stop time in the past stops on the first tick without a query",
       [](Rig& r) {
         r.controls.stopTimeBox = true;
         r.controls.stopAt = {2001, 1, 1, 0, 0, 0};
       },
       1, 0, 1},
      {"a stop time ahead lets the run go on",
       [](Rig& r) {
         r.controls.stopTimeBox = true;
         r.controls.stopAt = {2099, 12, 31, 23, 59, 59};
       },
       3, 3, 0},
      {"a tick after the run ended repeats RunStop and sends nothing",
       [](Rig& r) { r.loop.setRunning(false); }, 2, 0, 2},
  };
  for (const auto& c : cases) {
    Rig r;
    r.start();
    r.answer("+1.00000000000E+006\n", 20);
    c.setUp(r);
    for (int i = 0; i < c.ticks; ++i) r.loop.tick();
    EXPECT_EQ(r.link.writes.size(), c.queries) << c.proves;
    EXPECT_EQ(r.runStops, c.runStops) << c.proves;
  }
}

TEST(ReadingLoop, EventsDuringTheStopTimeCheck) {
  struct Case {
    const char* proves;
    bool stopDuringEvents;
    bool tickDuringEvents;
    size_t queries;
    int runStops;
  } cases[] = {
      {"a Run Stop from the menu ends the tick", true, false, 0, 1},
      {"a timer tick meanwhile does not nest", false, true, 1, 0},
  };
  for (const auto& c : cases) {
    Rig r;
    r.start();
    r.answer("+1.00000000000E+006\n", 5);
    r.controls.stopTimeBox = true;
    r.controls.stopAt = {2099, 1, 1, 0, 0, 0};
    r.ui.onProcessEvents = [&] {
      if (c.stopDuringEvents) {
        ++r.runStops;
        r.loop.setRunning(false);
      }
      if (c.tickDuringEvents) r.loop.tick();
    };
    r.loop.tick();
    EXPECT_EQ(r.ui.processEventsCalls, 1) << c.proves;
    EXPECT_EQ(r.link.writes.size(), c.queries) << c.proves;
    EXPECT_EQ(r.runStops, c.runStops) << c.proves;
  }
}

TEST(ReadingLoop, QueryFollowsTheScaleAndStatisticsSettings) {
  struct Case {
    const char* proves;
    std::string model;
    bool setScale;
    bool statisticsOn;
    std::string query;
  } cases[] = {
      {"statistics on with Set Scale/Offset on a 3800", "3800", true, true, "calc:data?"},
      {"statistics alone", "3800", false, true, "calc3:data?"},
      {"plain fetch with its line feed", "3820", true, false, "fetch?\n"},
  };
  for (const auto& c : cases) {
    Rig r;
    r.controls.model = c.model;
    r.controls.setScale = c.setScale;
    r.start({0, c.statisticsOn, false});
    r.answer("+1.0E+000\n");
    r.loop.tick();
    ASSERT_EQ(r.link.writes.size(), 1u) << c.proves;
    EXPECT_EQ(r.link.writes[0], c.query) << c.proves;
  }
}

TEST(ReadingLoop, ReadingsUpdateCountStatisticsAndDisplays) {
  Rig r;
  r.start({0, false, true});
  r.answer("+1.00000000000E+000\n");
  r.answer("9.91E+37\n");
  r.answer("+3.00000000000E+000\n");
  r.loop.tick();
  EXPECT_EQ(r.display.count, "1");
  EXPECT_EQ(r.display.current, "1.0000000000 Hz");
  EXPECT_EQ(r.display.stdev, "0  Hz");
  r.clock.advance(std::chrono::seconds(125));
  r.loop.tick();  // overflow answer: counted, stored, drawn, no statistics
  EXPECT_EQ(r.display.count, "2");
  EXPECT_EQ(r.loop.statistics().validCount(), 1);
  EXPECT_EQ(r.loop.maximum(), 9.91e37);
  EXPECT_EQ(r.display.elapsed, "2m:5s");
  r.loop.tick();
  EXPECT_EQ(r.display.count, "3");
  EXPECT_EQ(r.loop.statistics().validCount(), 2);
  EXPECT_NEAR(r.loop.statistics().standardDeviation(), std::sqrt(2.0), 1e-15);
  EXPECT_EQ(r.display.stdev, "1.414214Hz");
  EXPECT_EQ(r.loop.minimum(), 1.0);
  EXPECT_EQ(r.store.stored, (std::vector<std::string>{"+1.00000000000E+000\n", "9.91E+37\n",
                                                      "+3.00000000000E+000\n"}));
  ASSERT_EQ(r.display.charts.size(), 3u);
  EXPECT_EQ(r.display.charts.back().minText, "1.0000000000  Hz");
  EXPECT_EQ(r.loop.window().count(), 3);
  EXPECT_EQ(r.loop.window().value(3), 3.0);
}

TEST(ReadingLoop, NothingIsStoredWhenSaveIsOff) {
  Rig r;
  r.start({0, false, false});
  r.answer("+1.0E+000\n", 3);
  for (int i = 0; i < 3; ++i) r.loop.tick();
  EXPECT_TRUE(r.store.stored.empty());
  EXPECT_EQ(r.loop.count(), 3);
}

TEST(ReadingLoop, FailedTicksCountAndDrawNothing) {
  struct Case {
    const char* proves;
    bool failRead;
    bool failStore;
    size_t messages;
  } cases[] = {
      // The instrument layer shows the VISA message itself.
      {"a failed read ends the tick", true, false, 0},
      {"a failed store stops the run with the reason", false, true, 1},
  };
  for (const auto& c : cases) {
    Rig r;
    r.start({0, false, true});
    r.answer("+1.0E+000\n", 3);
    r.loop.tick();
    r.link.failNextRead = c.failRead;
    r.store.failAfter = c.failStore ? 1 : -1;
    r.loop.tick();
    EXPECT_EQ(r.runStops, 1) << c.proves;
    EXPECT_EQ(r.loop.count(), 1) << c.proves;
    EXPECT_EQ(r.loop.window().count(), 1) << c.proves;
    EXPECT_EQ(r.display.charts.size(), 1u) << c.proves;
    EXPECT_EQ(r.store.stored.size(), 1u) << c.proves;
    ASSERT_EQ(r.ui.shown.size(), c.messages) << c.proves;
    if (c.messages) {
      EXPECT_NE(r.ui.shown[0].text.find("The disk is full."), std::string::npos);
      EXPECT_EQ(r.ui.shown[0].caption, "V38XX_AP");
      EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Error);
    }
  }
}

TEST(ReadingLoop, CountLimitStopsWithTheMessage) {
  Rig r;
  r.loop.setReadingLimit(4);
  r.start();
  r.answer("+1.0E+000\n", 10);
  for (int i = 0; i < 4; ++i) r.loop.tick();
  EXPECT_EQ(r.runStops, 0);
  r.loop.tick();  // the fifth reading exceeds the limit: it is the last
  EXPECT_EQ(r.loop.count(), 5);
  EXPECT_EQ(r.runStops, 1);
  ASSERT_EQ(r.ui.shown.size(), 1u);
  EXPECT_EQ(r.ui.shown[0].text, "The upper limit of data records is 100 million.");
  EXPECT_EQ(r.ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Exclamation);
  EXPECT_EQ(reading::ReadingLoop::kMaxReadings, 99999999);
}

TEST(ReadingLoop, StartResetsTheRunState) {
  Rig r;
  r.start({0, false, false});
  r.answer("+5.0E+000\n", 3);
  r.loop.tick();
  r.loop.tick();
  r.clock.advance(std::chrono::seconds(30));
  r.start({11, true, false});
  EXPECT_EQ(r.loop.count(), 0);
  EXPECT_EQ(r.loop.statistics().validCount(), 0);
  EXPECT_EQ(r.loop.maximum(), -999999999.0);
  EXPECT_EQ(r.loop.minimum(), 999999999.0);
  EXPECT_EQ(r.loop.window().count(), 0);
  EXPECT_EQ(r.loop.startTime(), r.clock.nowSeconds());
  EXPECT_EQ(r.loop.parameters().functionCode, 11);
}

TEST(ReadingLoop, DotsChangeTheChartCapacity) {
  Rig r;
  EXPECT_EQ(r.loop.window().capacity(), 101);
  r.loop.setDots(50);
  r.start();
  r.answer("+1.0E+000\n");
  r.loop.tick();
  ASSERT_EQ(r.display.charts.size(), 1u);
  EXPECT_EQ(r.display.charts[0].geometry.windowExtent.x, 51.0);
  EXPECT_EQ(r.display.charts[0].geometry.viewportExtent, (reading::ChartPoint{404, 100}));
}

}  // namespace
