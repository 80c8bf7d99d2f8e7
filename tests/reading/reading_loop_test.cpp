#include "reading/reading_loop.h"

#include <cmath>
#include <deque>

#include <gtest/gtest.h>

#include "support/manual_clock.h"
#include "support/scripted_interaction.h"

namespace {

// Stand-ins for the window: a counter that answers from a list, a store that can fail, the
// stop-time box and the value labels.
struct Fakes : reading::ReadingLink,
               reading::ReadingStore,
               reading::RunControls,
               reading::ReadingDisplay {
  std::deque<std::string> answers;
  int queries = 0;
  bool failed = false;
  std::function<void()> onReadFailure;
  std::vector<std::string> stored;
  bool storeFails = false;
  bool stopTimeBox = false;
  std::string count;
  std::string maxText;
  std::string minText;
  std::function<void(const std::string&)> onCurrent;
  int charts = 0;

  void write(const std::string&) override { ++queries; }
  std::string read() override {
    failed = answers.empty();
    if (failed) {
      onReadFailure();
      return "";
    }
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
  bool lastReadFailed() const override { return failed; }
  std::string counter;
  std::string counterDescription() const override { return counter; }
  bool append(const std::string& answer, std::string* error) override {
    if (storeFails) *error = "The disk is full.";
    if (!storeFails) stored.push_back(answer);
    return !storeFails;
  }
  std::string modelCode() const override { return "3800"; }
  bool stopTimeChecked() const override { return stopTimeBox; }
  reading::StopTime stopTime() const override { return {2099, 1, 1, 0, 0, 0}; }
  bool stopAfterNChecked() const override { return false; }
  long long stopAfterN() const override { return 0; }
  bool setScaleOffsetChecked() const override { return false; }
  bool scaleOffsetCompactChecked() const override { return false; }
  void showCount(const std::string& t) override { count = t; }
  void showStdev(const std::string&) override {}
  void showElapsed(const std::string&) override {}
  void showCurrent(const std::string& t) override {
    if (onCurrent) onCurrent(t);
  }
  void showTrend(const reading::TrendChart& chart) override {
    ++charts;
    maxText = chart.maxText;
    minText = chart.minText;
  }
  int chartWidth() const override { return 400; }
  int chartHeight() const override { return 200; }
};

struct Rig {
  Fakes f;
  testsupport::ScriptedInteraction ui;
  testsupport::ManualClock clock;
  int runStops = 0;
  reading::ReadingLoop loop{{f, f, f, f, ui, clock, [this] { stop(); }}};

  Rig() {
    f.onReadFailure = [this] { stop(); };
    loop.setRunning(true);
    loop.start({0, false, true});
    f.answers.assign(10, "+1.00000000000E+006\n");
  }
  void stop() {
    ++runStops;
    loop.setRunning(false);
  }
};

TEST(ReadingLoop, EventsLetThroughDuringTheStopTimeCheck) {
  struct Case {
    const char* proves;
    bool stopMeanwhile;
    bool tickMeanwhile;
    int queries;
    int runStops;
  } cases[] = {
      {"a Run Stop from the menu ends the tick without a query", true, false, 0, 1},
      {"a timer tick meanwhile does not nest", false, true, 1, 0},
  };
  for (const auto& c : cases) {
    Rig r;
    r.f.stopTimeBox = true;
    r.ui.onProcessEvents = [&] {
      if (c.stopMeanwhile) r.stop();
      if (c.tickMeanwhile) r.loop.tick();
    };
    r.loop.tick();
    EXPECT_EQ(r.ui.processEventsCalls, 1) << c.proves;
    EXPECT_EQ(r.f.queries, c.queries) << c.proves;
    EXPECT_EQ(r.runStops, c.runStops) << c.proves;
  }
}

TEST(ReadingLoop, AFailedTickCountsStoresAndDrawsNothing) {
  struct Case {
    const char* proves;
    bool failRead;
    bool failStore;
    size_t messages;  // a failed read has shown the VISA text itself
  } cases[] = {
      {"a failed read ends the tick", true, false, 0},
      {"a failed store stops the run with the reason", false, true, 1},
  };
  for (const auto& c : cases) {
    Rig r;
    r.loop.tick();
    if (c.failRead) r.f.answers.clear();
    r.f.storeFails = c.failStore;
    r.loop.tick();
    EXPECT_EQ(r.runStops, 1) << c.proves;
    EXPECT_EQ(r.loop.count(), 1) << c.proves;
    EXPECT_EQ(r.loop.window().count(), 1) << c.proves;
    EXPECT_EQ(r.f.charts, 1) << c.proves;
    EXPECT_EQ(r.f.stored.size(), 1u) << c.proves;
    ASSERT_EQ(r.ui.shown.size(), c.messages) << c.proves;
    if (c.messages) {
      EXPECT_NE(r.ui.shown[0].text.find("The disk is full."), std::string::npos);
      EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Error);
    }
    r.loop.tick();  // a tick after the stop only repeats RunStop
    EXPECT_EQ(r.runStops, 2) << c.proves;
    EXPECT_EQ(r.loop.count(), 1) << c.proves;
  }
}

TEST(ReadingLoop, OverflowAnswersAreCountedAndDrawnButLeaveTheStatistics) {
  Rig r;
  r.f.answers = {"+1.0E+000\n", "9.91E+37\n", "+3.0E+000\n", "-9.91E+37\n"};
  std::vector<std::string> currents;
  r.f.onCurrent = [&](const std::string& t) { currents.push_back(t); };
  for (int i = 0; i < 4; ++i) r.loop.tick();
  EXPECT_EQ(r.f.count, "4");
  EXPECT_EQ(r.loop.statistics().validCount(), 2);
  EXPECT_DOUBLE_EQ(r.loop.statistics().standardDeviation(), std::sqrt(2.0));
  // The counter's no-signal answers are no measurements: not the maximum, not the minimum.
  EXPECT_EQ(r.loop.maximum(), 3.0);
  EXPECT_EQ(r.loop.minimum(), 1.0);
  EXPECT_EQ(r.f.maxText, "3.0000000000  Hz");
  EXPECT_EQ(r.loop.window().value(2), 9.91e37);
  EXPECT_EQ(r.f.stored,
            (std::vector<std::string>{"+1.0E+000\n", "9.91E+37\n", "+3.0E+000\n", "-9.91E+37\n"}))
      << "stored as received";
  ASSERT_EQ(currents.size(), 4u);
  EXPECT_EQ(currents[1], "No signal");
  EXPECT_EQ(currents[3], "No signal");
  EXPECT_EQ(currents[2], "3.0000000000 Hz");
}

TEST(ReadingLoop, OnlyOverflowAnswersShowNoSignalForMaximumAndMinimum) {
  Rig r;
  r.f.answers = {"9.91E+37\n", "9.91E+37\n"};
  r.loop.redraw();
  EXPECT_EQ(r.f.maxText, "0") << "before the first reading";
  EXPECT_EQ(r.f.minText, "0");
  r.loop.tick();
  r.loop.tick();
  EXPECT_EQ(r.f.maxText, "No signal");
  EXPECT_EQ(r.f.minText, "No signal");
}

TEST(ReadingLoop, AnAnswerWithoutANumberIsNoReadingAndStopsTheRun) {
  struct Case {
    const char* proves;
    std::string answer;
    std::string quoted;  // as the message quotes it
  };
  const Case cases[] = {
      {"letters", "ERR BUSY\n", "\"ERR BUSY\\n\""},
      {"nothing at all", "", "\"\""},
      {"control bytes", std::string("\x07\x01zz\r\n"), "\"\\x07\\x01zz\\r\\n\""},
      {"a sign without digits", "+E+006\n", "\"+E+006\\n\""},
  };
  for (const Case& c : cases) {
    Rig r;
    r.f.counter = "V3800A (USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR)";
    r.f.answers = {"+1.0E+000\n", c.answer, "+3.0E+000\n"};
    r.loop.tick();
    r.loop.tick();
    EXPECT_EQ(r.runStops, 1) << c.proves;
    EXPECT_EQ(r.loop.count(), 1) << c.proves;
    EXPECT_EQ(r.f.count, "1") << c.proves;
    EXPECT_EQ(r.loop.statistics().validCount(), 1) << c.proves;
    EXPECT_EQ(r.loop.window().count(), 1) << c.proves;
    EXPECT_EQ(r.f.stored.size(), 1u) << c.proves << ": nothing of it stored";
    EXPECT_EQ(r.loop.maximum(), 1.0) << c.proves;
    ASSERT_EQ(r.ui.shown.size(), 1u) << c.proves;
    EXPECT_EQ(r.ui.shown[0].text,
              "The counter's answer is not a reading, so the run has been stopped. Nothing of it "
              "was stored or counted.\n\nCounter: V3800A "
              "(USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR)\nAnswer: " +
                  c.quoted)
        << c.proves;
    EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Error) << c.proves;
  }
}

TEST(ReadingLoop, QuotedAnswersAreCutAndShowTheirControlCharacters) {
  EXPECT_EQ(reading::quotedAnswer("abc"), "\"abc\"");
  EXPECT_EQ(reading::quotedAnswer("a\tb\x7f"), "\"a\\tb\\x7F\"");
  EXPECT_EQ(reading::quotedAnswer("\xfe\xc3\xa9"), "\"\\xFE\\xC3\\xA9\"")
      << "garbage bytes are no text of any language";
  EXPECT_EQ(reading::quotedAnswer(std::string(200, 'x'), 60),
            "\"" + std::string(60, 'x') + "...\"");
  EXPECT_EQ(reading::quotedAnswer(std::string(60, 'y'), 60), "\"" + std::string(60, 'y') + "\"");
}

TEST(ReadingLoop, TheReadingAfterTheLimitIsTheLast) {
  Rig r;
  r.loop.setReadingLimit(4);
  for (int i = 0; i < 4; ++i) r.loop.tick();
  EXPECT_EQ(r.runStops, 0);
  r.loop.tick();
  EXPECT_EQ(r.loop.count(), 5);
  EXPECT_EQ(r.runStops, 1);
  ASSERT_EQ(r.ui.shown.size(), 1u);
  EXPECT_EQ(r.ui.shown[0].text, "The upper limit of data records is 100 million.");
  EXPECT_EQ(r.ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Exclamation);
}

}  // namespace
