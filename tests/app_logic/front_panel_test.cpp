// The main window's logic end to end, without a display: the builtin VISA library with the
// simulated counters in-process, real database files in a temporary folder, a manual clock
// and timer, and scripted answers for the message boxes.

#include "app/front_panel.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/text_format.h"
#include "reading/value_format.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"
#include "visa/builtin_library.h"

namespace {

namespace fs = std::filesystem;
using app::Change;
using app::Command;
using measure::Ctl;

// Forwards every call to the real library and keeps what was written and read, with the
// clock's time of each write.
class TapLibrary final : public visa::Library {
 public:
  struct Io {
    ViSession session;
    std::string bytes;
    ViStatus status;
    core::Clock::TimePoint at;
  };
  TapLibrary(visa::Library& inner, core::Clock& clock) : inner_(inner), clock_(clock) {}

  std::vector<Io> writes;
  std::vector<Io> reads;

  std::vector<std::string> writesTo(ViSession s) const {
    std::vector<std::string> out;
    for (const auto& w : writes)
      if (w.session == s) out.push_back(w.bytes);
    return out;
  }
  // Answers that came back complete on session `s`.
  std::vector<std::string> answersFrom(ViSession s) const {
    std::vector<std::string> out;
    for (const auto& r : reads)
      if (r.session == s && r.status == VI_SUCCESS) out.push_back(r.bytes);
    return out;
  }

  ViStatus viOpenDefaultRM(ViSession* rm) override { return inner_.viOpenDefaultRM(rm); }
  ViStatus viFindRsrc(ViSession rm, const char* e, ViFindList* l, ViUInt32* c, char* f) override {
    return inner_.viFindRsrc(rm, e, l, c, f);
  }
  ViStatus viFindNext(ViFindList l, char* d) override { return inner_.viFindNext(l, d); }
  ViStatus viOpen(ViSession rm, const char* n, ViAccessMode m, ViUInt32 t, ViSession* s) override {
    return inner_.viOpen(rm, n, m, t, s);
  }
  ViStatus viSetAttribute(ViObject o, ViAttr a, ViAttrState v) override {
    return inner_.viSetAttribute(o, a, v);
  }
  ViStatus viGetAttribute(ViObject o, ViAttr a, void* v) override {
    return inner_.viGetAttribute(o, a, v);
  }
  ViStatus viWrite(ViSession s, const ViByte* b, ViUInt32 c, ViUInt32* w) override {
    const ViStatus st = inner_.viWrite(s, b, c, w);
    writes.push_back({s, std::string(reinterpret_cast<const char*>(b), c), st, clock_.now()});
    return st;
  }
  ViStatus viRead(ViSession s, ViByte* b, ViUInt32 c, ViUInt32* r) override {
    ViUInt32 got = 0;
    const ViStatus st = inner_.viRead(s, b, c, &got);
    if (r) *r = got;
    reads.push_back({s, std::string(reinterpret_cast<const char*>(b), got), st, clock_.now()});
    return st;
  }
  ViStatus viClear(ViSession s) override { return inner_.viClear(s); }
  ViStatus viStatusDesc(ViObject o, ViStatus s, char* d) override {
    return inner_.viStatusDesc(o, s, d);
  }
  ViStatus viGpibControlREN(ViSession s, ViUInt16 m) override {
    return inner_.viGpibControlREN(s, m);
  }
  ViStatus viClose(ViObject o) override { return inner_.viClose(o); }

 private:
  visa::Library& inner_;
  core::Clock& clock_;
};

struct FakeTimers : app::Timers {
  bool active = false;
  int periodMs = 0;
  std::vector<int> starts;
  void start(int id, int period) override {
    EXPECT_EQ(id, app::kReadingTimer);
    active = true;
    periodMs = period;
    starts.push_back(period);
  }
  void stop(int id) override {
    EXPECT_EQ(id, app::kReadingTimer);
    active = false;
  }
};

struct FakeDialogs : app::Dialogs {
  int settingModeShown = 0;
  std::function<void(records::SettingMode&)> whileSettingMode;
  std::vector<app::Dialog> opened;
  void showSettingMode(records::SettingMode& model) override {
    ++settingModeShown;
    model.open(96, 96);
    if (whileSettingMode) whileSettingMode(model);
    model.close();
  }
  void showTcpipAddress(instrument::TcpipAddressData&) override {}
  void open(app::Dialog d) override { opened.push_back(d); }
};

// A fresh database folder made the process's current directory for one test.
class DatabaseFolder {
 public:
  DatabaseFolder() : previous_(fs::current_path()) {
    char pattern[] = "/tmp/v38xx_loop_XXXXXX";
    root_ = mkdtemp(pattern);
    folder_ = root_ / "DB";
    fs::create_directory(folder_);
    fs::current_path(folder_);
  }
  ~DatabaseFolder() {
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path file(int n) const { return folder_ / ("DBfile_DB" + std::to_string(n) + ".db"); }

 private:
  fs::path previous_;
  fs::path root_;
  fs::path folder_;
};

std::vector<double> readValues(const fs::path& file, int* dateRows) {
  sqlite3* db = nullptr;
  std::vector<double> out;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT read_value FROM read ORDER BY rowid", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) out.push_back(sqlite3_column_double(st, 0));
  sqlite3_finalize(st);
  sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM read_date", -1, &st, nullptr);
  if (sqlite3_step(st) == SQLITE_ROW) *dateRows = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

std::string iniPath() { return std::string(V38XX_BUILD_DIR) + "/share/v38xx/CTR_TOOLV38XX.ini"; }

struct Rig {
  explicit Rig(bool simulate = true)
      : builtin([simulate] {
          visa::BuiltinOptions o;
          o.simulate = simulate;
          o.usbtmcSysfsDir = "/nonexistent";
          o.gpibLibrary = "/nonexistent/libgpib.so.0";
          return o;
        }()) {
    fp.setChartSize(400, 200);
    fp.setChangeHandler([this](Change c) { changes.push_back(c); });
    fp.initialize();
  }

  // Selects the device list line that shows `model` ("V3800A", "V3820A").
  void select(const std::string& model) {
    const auto& lines = fp.instrument().deviceList().lines;
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].find(model) != std::string::npos) fp.selectDevice(static_cast<int>(i));
    ASSERT_NE(fp.instrument().currentName().find(model == "V3800A" ? "0x0ED8" : "0x0EEC"),
              std::string::npos);
  }
  ViSession session() { return fp.instrument().currentSession(); }
  sim::Counter& counter() { return *builtin.simulatedCounter(fp.instrument().currentName()); }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) {
      clock.advance(std::chrono::milliseconds(timers.periodMs));
      fp.onTimer();
    }
  }
  size_t queriesSent(const std::string& query) {
    const auto w = tap.writesTo(session());
    return static_cast<size_t>(std::count(w.begin(), w.end(), query));
  }
  int count(Change c) const {
    return static_cast<int>(std::count(changes.begin(), changes.end(), c));
  }

  DatabaseFolder folder;
  testsupport::ManualClock clock;
  visa::BuiltinLibrary builtin;
  TapLibrary tap{builtin, clock};
  testsupport::ScriptedInteraction ui;
  FakeTimers timers;
  FakeDialogs dialogs;
  std::vector<Change> changes;
  app::FrontPanel fp{tap, ui, clock, timers, dialogs, {iniPath(), "English(U.S)"}};
};

double twoPassStdev(const std::vector<double>& xs) {
  double mean = 0;
  for (double x : xs) mean += x;
  mean /= static_cast<double>(xs.size());
  double q = 0;
  for (double x : xs) q += (x - mean) * (x - mean);
  return std::sqrt(q / static_cast<double>(xs.size() - 1));
}

TEST(FrontPanel, RecordsARunOfTwentyFiveReadingsIntoDatabaseThree) {
  Rig r;
  r.select("V3800A");
  ASSERT_EQ(r.fp.instrument().modelCode(), "3800");
  r.fp.selection().save = true;
  r.fp.selection().database = 3;

  r.fp.command(Command::RunStart);
  ASSERT_TRUE(r.fp.running());
  EXPECT_TRUE(r.timers.active);
  EXPECT_EQ(r.timers.periodMs, 100);
  EXPECT_EQ(r.fp.panel().control(Ctl::ChartCaption).caption, "Freq Measurement");
  EXPECT_EQ(r.fp.values().maximum, "0");
  EXPECT_EQ(r.fp.values().current, "0");
  r.ticks(25);
  r.fp.command(Command::RunStop);
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);

  const auto writes = r.tap.writesTo(r.session());
  const auto on = std::find(writes.begin(), writes.end(), "INIT:CONT ON");
  ASSERT_NE(on, writes.end());
  EXPECT_EQ(std::count(on, writes.end(), "fetch?\n"), 25);
  EXPECT_EQ(writes.back(), "INIT:CONT OFF");
  EXPECT_EQ(r.counter().setting("INIT:CONT"), "0");

  // What the counter answered to the 25 queries, parsed without the product's helpers.
  const auto all = r.tap.answersFrom(r.session());
  ASSERT_GE(all.size(), 25u);
  const std::vector<std::string> answers(all.end() - 25, all.end());
  std::vector<double> values;
  for (const auto& a : answers) values.push_back(std::strtod(a.c_str(), nullptr));

  int dateRows = 0;
  const auto stored = readValues(r.folder.file(3), &dateRows);
  ASSERT_EQ(stored.size(), 25u);
  for (size_t i = 0; i < stored.size(); ++i) {
    const std::string printed = core::format("%.30f", values[i]);
    EXPECT_EQ(stored[i], std::strtod(printed.c_str(), nullptr)) << i;
  }
  EXPECT_EQ(dateRows, 1);

  std::vector<double> valid;
  for (double v : values)
    if (std::abs(v) < 9.91e36) valid.push_back(v);
  ASSERT_GE(valid.size(), 2u);
  const double stdev = twoPassStdev(valid);
  EXPECT_NEAR(r.fp.loop().statistics().standardDeviation(), stdev, 1e-9 * (1 + stdev));
  const double maximum = *std::max_element(values.begin(), values.end());
  const double minimum = *std::min_element(values.begin(), values.end());
  const auto& v = r.fp.values();
  EXPECT_EQ(v.count, "25");
  EXPECT_EQ(v.elapsed, "2s");  // 25 ticks of 100 ms
  EXPECT_EQ(v.current, reading::FormatCurrent(answers.back(), "3800", 0));
  EXPECT_EQ(v.stdev, reading::FormatStdev(core::format("%.30f", stdev), "3800", 0));
  EXPECT_EQ(v.maximum, reading::FormatMaxMin(core::format("%.30lf", maximum), "3800", 0));
  EXPECT_EQ(v.minimum, reading::FormatMaxMin(core::format("%.30lf", minimum), "3800", 0));
  ASSERT_TRUE(r.fp.chart().has_value());
  EXPECT_EQ(r.fp.chart()->geometry.line.size(), 25u);
  EXPECT_TRUE(r.ui.shown.empty());
}

TEST(FrontPanel, StopConditionsOnTheSimulatedCounter) {
  struct Case {
    const char* proves;
    std::function<void(Rig&)> setUp;
    int ticks;
    size_t queries;
  } cases[] = {
      {"stop after N = 10 stops before an eleventh query",
       [](Rig& r) {
         r.fp.panel().setText(Ctl::StopAfterNCount, "10");
         r.fp.panel().setChecked(Ctl::StopAfterNBox, true);
       },
       12, 10},
      {"a stop time in the past stops on the first tick without a query",
       [](Rig& r) {
         r.fp.panel().setChecked(Ctl::StopTimeBox, true);
         r.fp.setStopTime({2001, 1, 1, 0, 0, 0});
       },
       1, 0},
  };
  for (const auto& c : cases) {
    Rig r;
    r.select("V3800A");
    c.setUp(r);
    r.fp.command(Command::RunStart);
    ASSERT_TRUE(r.fp.running()) << c.proves;
    r.ticks(c.ticks);
    EXPECT_FALSE(r.fp.running()) << c.proves;
    EXPECT_FALSE(r.timers.active) << c.proves;
    EXPECT_EQ(r.queriesSent("fetch?\n"), c.queries) << c.proves;
    EXPECT_EQ(r.tap.writesTo(r.session()).back(), "INIT:CONT OFF") << c.proves;
    EXPECT_TRUE(r.fp.commandEnabled(Command::RunStart)) << c.proves;
  }
}

TEST(FrontPanel, StatisticsWithScaleOffsetOnA3800QueriesTheScaledResult) {
  Rig r;
  r.select("V3800A");
  r.fp.panel().setChecked(Ctl::StatsShowBox, true);
  r.fp.panel().setChecked(Ctl::SetScaleOffsetBox, true);
  r.fp.command(Command::RunStart);
  r.ticks(2);
  EXPECT_EQ(r.queriesSent("calc:data?"), 2u);
  EXPECT_EQ(r.queriesSent("calc3:data?"), 0u);
  EXPECT_EQ(r.fp.loop().count(), 2);
}

TEST(FrontPanel, ReadTimeOutStopsTheRunWithTheVisaMessage) {
  Rig r;
  r.select("V3800A");
  r.fp.command(Command::RunStart);
  r.ticks(1);
  ASSERT_EQ(r.fp.loop().count(), 1);
  // A short time-out and an answer that comes later than that.
  r.tap.viSetAttribute(r.session(), VI_ATTR_TMO_VALUE, 200);
  sim::Faults slow;
  slow.answerDelayMs = 1500;
  r.counter().setFaults(slow);
  r.ticks(1);
  EXPECT_FALSE(r.fp.running());
  EXPECT_EQ(r.fp.loop().count(), 1);
  ASSERT_EQ(r.ui.shown.size(), 1u);
  EXPECT_EQ(r.ui.shown[0].text, "Timeout expired before operation completed.");
  EXPECT_EQ(r.ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Error);
  EXPECT_TRUE(r.fp.commandEnabled(Command::RunStart));
  EXPECT_TRUE(r.fp.deviceListEnabled());
}

TEST(FrontPanel, LevelOutOfRangeStopsTheRunBeforeItStarts) {
  Rig r;
  r.select("V3800A");
  auto& panel = r.fp.panel();
  ASSERT_TRUE(panel.select(Ctl::In1LevelMode, 1));  // "Absolute"
  panel.setText(Ctl::In1LevelEdit, "5.126");
  r.fp.command(Command::RunStart);
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);
  ASSERT_EQ(r.ui.shown.size(), 1u);
  EXPECT_EQ(r.ui.shown[0].text, r.fp.texts().get("768"));
  EXPECT_EQ(r.ui.shown[0].caption, "ERROR");
  EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Error);
  const auto writes = r.tap.writesTo(r.session());
  EXPECT_EQ(std::count(writes.begin(), writes.end(), "INIT:CONT ON"), 0);
  EXPECT_EQ(writes.back(), "INIT:CONT OFF");
  EXPECT_TRUE(r.fp.commandEnabled(Command::RunStart));
}

TEST(FrontPanel, SaveOnAUsedDatabaseStopsAtTheEndOfRunStart) {
  Rig r;
  r.select("V3800A");
  r.fp.selection().save = true;
  r.fp.selection().database = 3;
  r.fp.command(Command::RunStart);
  r.ticks(2);
  r.fp.command(Command::RunStop);

  // Database 3 now has a start date: declining to overwrite it and keeping it in Setting Mode
  // marks it used.
  r.ui.answers.push_back(core::Answer::No);
  r.fp.command(Command::RunStart);
  EXPECT_EQ(r.dialogs.settingModeShown, 1);
  EXPECT_TRUE(r.fp.selection().databaseUsed);
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);
  EXPECT_FALSE(r.fp.recorder().recording());
  EXPECT_EQ(r.tap.writesTo(r.session()).back(), "INIT:CONT OFF");
  int dateRows = 0;
  EXPECT_EQ(readValues(r.folder.file(3), &dateRows).size(), 2u);
}

TEST(FrontPanel, ShutdownDuringARunWaitsTwiceTheReadSpeedThenReturnsToLocal) {
  Rig r;
  r.select("V3800A");
  ASSERT_TRUE(r.fp.panel().select(Ctl::ReadSpeed, 4));  // "2000 ms"
  r.fp.command(Command::RunStart);
  EXPECT_EQ(r.timers.periodMs, 2000);
  r.ticks(1);
  r.clock.sleeps.clear();
  const auto before = r.clock.now();
  r.fp.shutdown();
  EXPECT_EQ(r.clock.sleeps, (std::vector<int>{4000}));
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);

  const auto off = std::find_if(r.tap.writes.begin(), r.tap.writes.end(),
                                [&](const auto& w) { return w.bytes == "INIT:CONT OFF"; });
  ASSERT_NE(off, r.tap.writes.end());
  EXPECT_EQ(off->at - before, std::chrono::milliseconds(4000));
  const std::string local("syst:comm:rlst loc\0", 19);
  EXPECT_EQ(std::count_if(off, r.tap.writes.end(), [&](const auto& w) { return w.bytes == local; }),
            2);  // both simulated counters
  EXPECT_FALSE(r.builtin.simulatedCounter("USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR")->remote());
  EXPECT_FALSE(r.builtin.simulatedCounter("USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR")->remote());
  const auto writesBefore = r.tap.writes.size();
  r.fp.shutdown();  // once only
  EXPECT_EQ(r.tap.writes.size(), writesBefore);
}

TEST(FrontPanel, MenuAndDeviceListFollowTheRun) {
  Rig r;
  r.select("V3800A");
  for (Command c : app::kAllCommands) EXPECT_EQ(r.fp.commandEnabled(c), c != Command::RunStop);
  EXPECT_TRUE(r.fp.deviceListEnabled());
  r.fp.command(Command::RunStart);
  for (Command c : app::kAllCommands) EXPECT_EQ(r.fp.commandEnabled(c), c == Command::RunStop);
  EXPECT_FALSE(r.fp.deviceListEnabled());
  EXPECT_TRUE(r.fp.panel().control(Ctl::RunButton).checked);
  EXPECT_FALSE(r.fp.panel().control(Ctl::StopButton).checked);
  // Greyed commands and the locked device list do nothing.
  r.fp.command(Command::About);
  r.fp.selectDevice(1);
  EXPECT_TRUE(r.dialogs.opened.empty());
  EXPECT_EQ(r.fp.instrument().modelCode(), "3800");
  r.fp.command(app::kRunStopAlias);
  for (Command c : app::kAllCommands) EXPECT_EQ(r.fp.commandEnabled(c), c != Command::RunStop);
  EXPECT_TRUE(r.fp.deviceListEnabled());
  EXPECT_FALSE(r.fp.panel().control(Ctl::RunButton).checked);
  EXPECT_TRUE(r.fp.panel().control(Ctl::StopButton).checked);
  r.fp.command(app::kAboutAlias);
  r.fp.command(Command::CommandControl);
  EXPECT_EQ(r.dialogs.opened,
            (std::vector<app::Dialog>{app::Dialog::About, app::Dialog::CommandControl}));
}

TEST(FrontPanel, WithoutAnInstrumentRunStartOnlySaysSo) {
  Rig r(false);
  EXPECT_EQ(r.fp.instrument().deviceList().lines, (std::vector<std::string>{"Device Not Found"}));
  EXPECT_FALSE(r.fp.deviceListEnabled());
  r.fp.command(Command::RunStart);
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);
  EXPECT_TRUE(r.tap.writes.empty());
  ASSERT_EQ(r.ui.shown.size(), 1u);
  EXPECT_EQ(r.ui.shown[0].text, "No Device Connected");
  EXPECT_EQ(r.ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Exclamation);
}

TEST(FrontPanel, MouseMoveRedrawsTheChartOnceAfterARunOfTwoReadings) {
  struct Case {
    const char* proves;
    int readings;
    std::vector<std::pair<int, int>> moves;
    int redraws;
  } cases[] = {
      {"first move inside redraws, later ones do not", 2, {{100, 100}, {120, 100}}, 1},
      {"moves outside the area do not count", 3, {{5, 100}, {100, 610}, {889, 609}}, 1},
      {"one reading is not enough", 1, {{100, 100}}, 0},
  };
  for (const auto& c : cases) {
    Rig r;
    r.select("V3800A");
    r.fp.command(Command::RunStart);
    r.ticks(c.readings);
    r.fp.command(Command::RunStop);
    const int before = r.count(Change::Chart);
    for (auto [x, y] : c.moves) r.fp.onMouseMove(x, y);
    EXPECT_EQ(r.count(Change::Chart) - before, c.redraws) << c.proves;
  }
}

TEST(FrontPanel, PanelHooksReachTheRun) {
  Rig r;
  r.select("V3800A");
  auto& panel = r.fp.panel();
  ASSERT_TRUE(panel.select(Ctl::Dots, 0));  // "50"
  EXPECT_EQ(r.fp.values().chartRightLabel, "50");
  EXPECT_EQ(r.fp.loop().window().capacity(), 51);
  panel.press(Ctl::RunButton);
  EXPECT_TRUE(r.fp.running());
  ASSERT_TRUE(panel.select(Ctl::ReadSpeed, 2));  // "500 ms" re-arms timer 1
  EXPECT_EQ(r.timers.periodMs, 500);
  r.ticks(1);
  EXPECT_EQ(r.fp.chart()->geometry.windowExtent.x, 51.0);
  panel.press(Ctl::StopButton);
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);
}

TEST(FrontPanel, SettingModeHandsTheDrawColourOverAndBack) {
  Rig r;
  r.dialogs.whileSettingMode = [&](records::SettingMode& model) {
    r.ui.colors.push_back(core::Color{255, 0, 0});
    model.changeColor();
  };
  EXPECT_EQ(r.fp.drawColor(), (core::Color{0, 0, 255}));
  const int before = r.count(Change::DrawColor);
  r.fp.command(Command::SettingMode);
  EXPECT_EQ(r.dialogs.settingModeShown, 1);
  EXPECT_EQ(r.fp.drawColor(), (core::Color{255, 0, 0}));
  EXPECT_EQ(r.count(Change::DrawColor) - before, 1);
}

TEST(FrontPanel, LanguageChangeRelabelsThePanel) {
  Rig r;
  r.select("V3800A");
  const std::string english = r.fp.panel().control(Ctl::ReadSpeedLabel).caption;
  const int before = r.count(Change::Labels);
  r.fp.changeLanguage(measure::kChineseSimplified);
  EXPECT_EQ(r.fp.texts().language(), measure::kChineseSimplified);
  EXPECT_EQ(r.count(Change::Labels) - before, 1);
  EXPECT_NE(r.fp.panel().control(Ctl::ReadSpeedLabel).caption, english);
}

}  // namespace
