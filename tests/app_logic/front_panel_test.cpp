// The main window's logic end to end, without a display: the builtin VISA library with the
// simulated counters in-process, real database files in a temporary folder, a manual clock
// and timer, and scripted answers for the message boxes.

#include "app/front_panel.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "core/text_format.h"
#include "reading/value_format.h"
#include "records/database_files.h"
#include "records/run_info.h"
#include "sim/in_process_counters.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"
#include "visa/builtin_library.h"

namespace {

namespace fs = std::filesystem;
using app::Change;
using app::Command;
using measure::Ctl;

constexpr const char* kSim3800 = "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR";
constexpr const char* kSim3820 = "USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR";

struct FakeTimers : app::Timers {
  bool active = false;
  int periodMs = 0;
  void start(int, int period) override { active = true, periodMs = period; }
  void stop(int) override { active = false; }
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
  bool showTcpipAddress(instrument::TcpipAddressData&) override { return false; }
  void open(app::Dialog d) override { opened.push_back(d); }
};

// A fresh database folder made the process's current directory for one test.
class DatabaseFolder {
 public:
  DatabaseFolder() : previous_(fs::current_path()) {
    char pattern[] = "/tmp/v38xx_loop_XXXXXX";
    root_ = mkdtemp(pattern);
    fs::create_directory(root_ / "DB");
    fs::current_path(root_ / "DB");
  }
  ~DatabaseFolder() {
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path file(int n) const { return root_ / "DB" / ("DBfile_DB" + std::to_string(n) + ".db"); }

 private:
  fs::path previous_;
  fs::path root_;
};

// read_value of every row, and the number of read_date rows.
std::vector<double> storedValues(const fs::path& file, int* dateRows) {
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

struct Rig {
  explicit Rig(bool simulate = true, bool threadedIo = false)
      : builtin(options(simulate)),
        fp(builtin, ui, clock, timers, dialogs, panelOptions(threadedIo)) {
    if (simulate) {
      counter().setCommandLog([this](std::string_view m) {
        sent.push_back({std::string(m), clock.now()});
      });
    }
    fp.setChartSize(400, 200);
    fp.setChangeHandler([this](Change c) { changes.push_back(c); });
    fp.initialize();
  }
  static app::FrontPanelOptions panelOptions(bool threadedIo) {
    app::FrontPanelOptions o;
    o.iniPath = std::string(V38XX_BUILD_DIR) + "/share/v38xx/CTR_TOOLV38XX.ini";
    o.language = "English(U.S)";
    o.threadedIo = threadedIo;
    return o;
  }
  static visa::BuiltinOptions options(bool simulate) {
    visa::BuiltinOptions o;
    o.simulate = simulate;
    o.usbtmcSysfsDir = "/nonexistent";
    o.gpibLibrary = "/nonexistent/libgpib.so.0";
    return o;
  }

  // Makes the simulated V3800A the current instrument.
  void select3800() {
    const auto& lines = fp.instrument().deviceList().lines;
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].find("V3800A") != std::string::npos) fp.selectDevice(static_cast<int>(i));
    ASSERT_EQ(fp.instrument().modelCode(), "3800");
  }
  sim::Counter& counter() { return *sim::simulatedCounter(builtin, kSim3800); }
  // Ticks at the timer's period; keeps every answer the loop read.
  void ticks(int n) {
    for (int i = 0; i < n; ++i) {
      clock.advance(std::chrono::milliseconds(timers.periodMs));
      const int before = fp.loop().count();
      fp.onTimer();
      if (fp.loop().count() > before) answers.push_back(fp.instrument().lastResponse());
    }
  }
  long messages(const std::string& text) const {
    return std::count_if(sent.begin(), sent.end(), [&](const auto& m) { return m.first == text; });
  }
  std::string lastSent() const { return sent.empty() ? "" : sent.back().first; }
  int count(Change c) const {
    return static_cast<int>(std::count(changes.begin(), changes.end(), c));
  }

  DatabaseFolder folder;
  testsupport::ManualClock clock;
  visa::BuiltinLibrary builtin;
  testsupport::ScriptedInteraction ui;
  FakeTimers timers;
  FakeDialogs dialogs;
  std::vector<std::pair<std::string, core::Clock::TimePoint>> sent;  // received by the V3800A
  std::vector<std::string> answers;
  std::vector<Change> changes;
  app::FrontPanel fp;
};

TEST(FrontPanel, RecordsARunOfTwentyFiveReadingsIntoDatabaseThree) {
  Rig r;
  r.select3800();
  r.fp.selection().save = true;
  r.fp.selection().database = 3;
  r.fp.command(Command::RunStart);
  ASSERT_TRUE(r.fp.running());
  EXPECT_EQ(r.timers.periodMs, 100);
  EXPECT_EQ(r.fp.panel().control(Ctl::ChartCaption).caption, "Freq Measurement");
  r.ticks(25);
  r.fp.command(Command::RunStop);
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);
  EXPECT_EQ(r.messages("INIT:CONT ON"), 1);
  EXPECT_EQ(r.messages("fetch?\n"), 25);
  EXPECT_EQ(r.lastSent(), "INIT:CONT OFF");

  // The answers, parsed and stored by the rule: "%.30f" and back.
  ASSERT_EQ(r.answers.size(), 25u);
  std::vector<double> values;
  for (const auto& a : r.answers) values.push_back(std::strtod(a.c_str(), nullptr));
  int dateRows = 0;
  const auto stored = storedValues(r.folder.file(3), &dateRows);
  ASSERT_EQ(stored.size(), 25u);
  for (size_t i = 0; i < stored.size(); ++i)
    EXPECT_EQ(stored[i], std::strtod(core::format("%.30f", values[i]).c_str(), nullptr)) << i;
  EXPECT_EQ(dateRows, 1);

  // Two-pass sample standard deviation of the valid readings.
  std::vector<double> valid;
  for (double v : values)
    if (std::abs(v) < 9.91e36) valid.push_back(v);
  ASSERT_GE(valid.size(), 2u);
  double mean = 0, q = 0;
  for (double v : valid) mean += v / static_cast<double>(valid.size());
  for (double v : valid) q += (v - mean) * (v - mean);
  const double stdev = std::sqrt(q / static_cast<double>(valid.size() - 1));
  EXPECT_NEAR(r.fp.loop().statistics().standardDeviation(), stdev, 1e-9 * (1 + stdev));
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  const auto& v = r.fp.values();
  EXPECT_EQ(v.count, "25");
  EXPECT_EQ(v.elapsed, "2s");  // 25 ticks of 100 ms
  EXPECT_EQ(v.current, reading::FormatCurrent(r.answers.back(), "3800", 0));
  EXPECT_EQ(v.stdev, reading::FormatStdev(core::format("%.30f", stdev), "3800", 0));
  EXPECT_EQ(v.maximum, reading::FormatMaxMin(core::format("%.30lf", *hi), "3800", 0));
  EXPECT_EQ(v.minimum, reading::FormatMaxMin(core::format("%.30lf", *lo), "3800", 0));
  EXPECT_EQ(r.fp.chart()->geometry.line.size(), 25u);
  EXPECT_TRUE(r.ui.shown.empty());
}

TEST(FrontPanel, RunsEndOnTheirStopConditions) {
  struct Case {
    const char* proves;
    std::function<void(Rig&)> setUp;
    int ticks;
    long queries;
  } cases[] = {
      {"stop after N = 10 stops before an eleventh query",
       [](Rig& r) {
         r.fp.panel().setText(Ctl::StopAfterNCount, "10");
         r.fp.panel().setChecked(Ctl::StopAfterNBox, true);
       },
       12, 10},
      {"a stop time one second ahead stops on the first tick after it, without a query",
       [](Rig& r) {
         r.fp.panel().setChecked(Ctl::StopTimeBox, true);
         const std::tm t = r.clock.localNow();
         r.fp.setStopTime(
             {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec + 1});
       },
       25, 19},
  };
  for (const auto& c : cases) {
    Rig r;
    r.select3800();
    c.setUp(r);
    r.fp.command(Command::RunStart);
    r.ticks(c.ticks);
    EXPECT_FALSE(r.fp.running()) << c.proves;
    EXPECT_FALSE(r.timers.active) << c.proves;
    EXPECT_EQ(r.messages("fetch?\n"), c.queries) << c.proves;
    EXPECT_EQ(r.lastSent(), "INIT:CONT OFF") << c.proves;
  }
}

TEST(FrontPanel, StatisticsWithScaleOffsetOnA3800QueriesTheScaledResult) {
  Rig r;
  r.select3800();
  r.fp.panel().setChecked(Ctl::StatsShowBox, true);
  r.fp.panel().setChecked(Ctl::SetScaleOffsetBox, true);
  r.fp.command(Command::RunStart);
  r.ticks(2);
  EXPECT_EQ(r.messages("calc:data?"), 2);
  EXPECT_EQ(r.fp.loop().count(), 2);
}

TEST(FrontPanel, FailuresEndTheRunWithTheirMessage) {
  struct Case {
    const char* proves;
    std::function<void(Rig&)> before;  // before Run Start
    std::function<void(Rig&)> during;  // after one reading
    std::string text;
    std::string caption;
    long runStarts;
  } cases[] = {
      {"a read time-out shows the VISA text", nullptr,
       [](Rig& r) {
         r.builtin.viSetAttribute(r.fp.instrument().currentSession(), VI_ATTR_TMO_VALUE, 200);
         sim::Faults slow;
         slow.answerDelayMs = 1500;
         r.counter().setFaults(slow);
       },
       "Timeout expired before operation completed.", "V38XX_AP", 1},
      {"a level out of range stops before the run starts",
       [](Rig& r) {
         r.fp.panel().select(Ctl::In1LevelMode, 1);  // "Absolute"
         r.fp.panel().setText(Ctl::In1LevelEdit, "5.126");
       },
       nullptr, "Out of range! Please re-enter a Level's value between (-5.125) to 5.125.", "ERROR",
       0},
  };
  for (const auto& c : cases) {
    Rig r;
    r.select3800();
    if (c.before) c.before(r);
    r.fp.command(Command::RunStart);
    r.ticks(1);
    if (c.during) c.during(r);
    r.ticks(1);
    EXPECT_FALSE(r.fp.running()) << c.proves;
    EXPECT_LE(r.fp.loop().count(), 1) << c.proves;
    ASSERT_EQ(r.ui.shown.size(), 1u) << c.proves;
    // A failed read's message goes on with the counter and the command (first paragraph here).
    const std::string& text = r.ui.shown[0].text;
    EXPECT_EQ(text.substr(0, text.find("\n\n")), c.text) << c.proves;
    EXPECT_EQ(r.ui.shown[0].caption, c.caption) << c.proves;
    EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Error) << c.proves;
    EXPECT_EQ(r.messages("INIT:CONT ON"), c.runStarts) << c.proves;
    EXPECT_TRUE(r.fp.commandEnabled(Command::RunStart)) << c.proves;
    EXPECT_TRUE(r.fp.deviceListEnabled()) << c.proves;
  }
}

TEST(FrontPanel, SaveOnAUsedDatabaseStopsAtTheEndOfRunStart) {
  Rig r;
  r.select3800();
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
  EXPECT_EQ(r.lastSent(), "INIT:CONT OFF");
  int dateRows = 0;
  EXPECT_EQ(storedValues(r.folder.file(3), &dateRows).size(), 2u);
}

TEST(FrontPanel, ShutdownDuringARunWaitsTwiceTheReadSpeedThenReturnsToLocal) {
  Rig r;
  r.select3800();
  ASSERT_TRUE(r.fp.panel().select(Ctl::ReadSpeed, 4));  // "2000 ms"
  r.fp.command(Command::RunStart);
  r.ticks(1);
  r.clock.sleeps.clear();
  const auto before = r.clock.now();
  r.fp.shutdown();
  EXPECT_EQ(r.clock.sleeps, (std::vector<int>{4000}));
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);
  ASSERT_GE(r.sent.size(), 2u);
  const auto& off = r.sent[r.sent.size() - 2];
  EXPECT_EQ(off.first, "INIT:CONT OFF");
  EXPECT_EQ(off.second - before, std::chrono::milliseconds(4000));
  EXPECT_EQ(r.sent.back().first.rfind("syst:comm:rlst loc", 0), 0u);
  EXPECT_FALSE(sim::simulatedCounter(r.builtin, kSim3800)->remote());
  EXPECT_FALSE(sim::simulatedCounter(r.builtin, kSim3820)->remote());
  const size_t messages = r.sent.size();
  r.fp.shutdown();  // once only
  EXPECT_EQ(r.sent.size(), messages);
}

TEST(FrontPanel, MenuButtonsAndDeviceListFollowTheRun) {
  Rig r;
  r.select3800();
  auto& panel = r.fp.panel();
  auto idle = [&] {
    for (Command c : app::kAllCommands) EXPECT_EQ(r.fp.commandEnabled(c), c != Command::RunStop);
    EXPECT_TRUE(r.fp.deviceListEnabled());
    EXPECT_FALSE(r.timers.active);
    EXPECT_FALSE(panel.control(Ctl::RunButton).checked);
    EXPECT_TRUE(panel.control(Ctl::StopButton).checked);
  };
  idle();
  ASSERT_TRUE(panel.select(Ctl::Dots, 0));  // "50"
  EXPECT_EQ(r.fp.values().chartRightLabel, "50");
  r.fp.command(app::kRunStartAlias);
  for (Command c : app::kAllCommands) EXPECT_EQ(r.fp.commandEnabled(c), c == Command::RunStop);
  EXPECT_FALSE(r.fp.deviceListEnabled());
  EXPECT_TRUE(panel.control(Ctl::RunButton).checked);
  EXPECT_FALSE(panel.control(Ctl::StopButton).checked);
  ASSERT_TRUE(panel.select(Ctl::ReadSpeed, 2));  // "500 ms" re-arms timer 1
  EXPECT_EQ(r.timers.periodMs, 500);
  r.ticks(1);
  EXPECT_EQ(r.fp.chart()->geometry.windowExtent.x, 51.0);
  r.fp.command(Command::About);  // greyed
  r.fp.selectDevice(1);          // locked
  EXPECT_TRUE(r.dialogs.opened.empty());
  EXPECT_EQ(r.fp.instrument().modelCode(), "3800");
  r.fp.systemMenuAbout();  // the system menu's About is not greyed
  panel.press(Ctl::StopButton);
  idle();
  r.fp.command(app::kAboutAlias);
  EXPECT_EQ(r.dialogs.opened, (std::vector<app::Dialog>{app::Dialog::About, app::Dialog::About}));
}

TEST(FrontPanel, WithoutAnInstrumentRunStartOnlySaysSo) {
  Rig r(false);
  EXPECT_EQ(r.fp.instrument().deviceList().lines, (std::vector<std::string>{"Device Not Found"}));
  r.fp.command(Command::RunStart);
  EXPECT_FALSE(r.fp.running());
  EXPECT_FALSE(r.timers.active);
  ASSERT_EQ(r.ui.shown.size(), 1u);
  EXPECT_EQ(r.ui.shown[0].text, "No Device Connected");
  EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Exclamation);
}

TEST(FrontPanel, MouseMoveRedrawsTheChartOnceAfterARunOfTwoReadings) {
  for (int readings : {1, 2}) {
    Rig r;
    r.select3800();
    r.fp.command(Command::RunStart);
    r.ticks(readings);
    r.fp.command(Command::RunStop);
    const int before = r.count(Change::Chart);
    for (auto [x, y] : {std::pair{5, 100}, {100, 610}, {100, 100}, {889, 609}})
      r.fp.onMouseMove(x, y);
    EXPECT_EQ(r.count(Change::Chart) - before, readings == 2 ? 1 : 0) << readings;
  }
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
  EXPECT_EQ(r.fp.drawColor(), (core::Color{255, 0, 0}));
  EXPECT_EQ(r.count(Change::DrawColor) - before, 1);
}

// ---- Faults and bad input

// The files of the database folder, without the engine's side files (the test's own
// read-only look at a database leaves them).
std::vector<std::string> folderFiles(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename();
    if (name.ends_with("-wal") || name.ends_with("-shm")) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FrontPanel, AnAnswerThatIsNoReadingIsNeitherStoredNorCountedAndStopsTheRun) {
  Rig r;
  r.select3800();
  r.fp.selection().save = true;
  r.fp.selection().database = 2;
  r.fp.command(Command::RunStart);
  r.ticks(3);
  r.counter().setFaults({.garbageNextAnswer = true});
  r.ticks(2);
  EXPECT_FALSE(r.fp.running());
  EXPECT_EQ(r.messages("fetch?\n"), 4) << "no query after the garbage";
  EXPECT_EQ(r.fp.loop().count(), 3);
  EXPECT_EQ(r.fp.loop().statistics().validCount(), 3);
  EXPECT_EQ(r.fp.loop().window().count(), 3);
  EXPECT_EQ(r.fp.values().count, "3");
  int dateRows = 0;
  EXPECT_EQ(storedValues(r.folder.file(2), &dateRows).size(), 3u);
  ASSERT_EQ(r.ui.shown.size(), 1u);
  const std::string& text = r.ui.shown[0].text;
  EXPECT_EQ(text.rfind("The counter's answer is not a reading, so the run has been stopped.", 0),
            0u);
  EXPECT_NE(text.find("\nCounter: V3800A (USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR)\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nAnswer: \""), std::string::npos);
  EXPECT_EQ(r.ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Error);
}

TEST(FrontPanel, ARunThatCannotStartKeepsTheOldRecording) {
  Rig r;
  r.select3800();
  r.fp.selection().save = true;
  r.fp.selection().database = 3;
  r.fp.command(Command::RunStart);
  r.ticks(2);
  r.fp.command(Command::RunStop);
  int dateRows = 0;
  const std::vector<double> old = storedValues(r.folder.file(3), &dateRows);
  ASSERT_EQ(old.size(), 2u);

  // The link drops at the first query of the next run; its overwrite question was answered Yes.
  r.counter().setFaults({.dropNextAnswer = true});
  r.ui.answers = {core::Answer::Yes};
  r.fp.command(Command::RunStart);
  r.ticks(2);
  EXPECT_FALSE(r.fp.running());
  EXPECT_EQ(storedValues(r.folder.file(3), &dateRows), old) << "the old recording is intact";
  EXPECT_EQ(folderFiles(r.folder.file(3).parent_path()), std::vector<std::string>{"DBfile_DB3.db"});
}

TEST(FrontPanel, RunStartFromTheMenuReadsStopAfterNAfresh) {
  Rig r;
  r.select3800();
  r.fp.panel().setText(Ctl::StopAfterNCount, "100");
  r.fp.panel().setChecked(Ctl::StopAfterNBox, true);
  r.fp.panel().setText(Ctl::StopAfterNCount, "10");  // edited with the box ticked
  r.fp.command(Command::RunStart);
  r.ticks(15);
  EXPECT_FALSE(r.fp.running());
  EXPECT_EQ(r.messages("fetch?\n"), 10);
  EXPECT_EQ(r.fp.panel().stopAfterN(), 10);
}

TEST(FrontPanel, BadNumbersAreRefusedBeforeAnythingIsSent) {
  struct Case {
    const char* proves;
    std::function<void(Rig&)> setUp;
    Ctl field;
    std::string message;
  };
  const Case cases[] = {
      {"a scale beyond the double range",
       [](Rig& r) {
         r.fp.panel().setChecked(Ctl::SetScaleOffsetBox, true);
         r.fp.panel().setText(Ctl::ScaleEdit, "1e999");
       },
       Ctl::ScaleEdit, "Scale: \"1e999\" is not a number. Please enter a number."},
      {"an offset that is no number",
       [](Rig& r) {
         r.fp.panel().setChecked(Ctl::SetScaleOffsetBox, true);
         r.fp.panel().setText(Ctl::OffsetEdit, "--5x");
       },
       Ctl::OffsetEdit, "Offset: \"--5x\" is not a number. Please enter a number."},
      {"an empty limit with the limits on",
       [](Rig& r) {
         r.fp.panel().setChecked(Ctl::SetLimitBox, true);
         r.fp.panel().setText(Ctl::UpperEdit, "");
         r.fp.panel().setText(Ctl::LowerEdit, "5");
       },
       Ctl::UpperEdit, "Upper: please enter a number."},
      {"an empty gate time", [](Rig& r) { r.fp.panel().setText(Ctl::GateTimeEdit, " "); },
       Ctl::GateTimeEdit, "Gate: please enter a number."},
      {"an empty N with its box ticked",
       [](Rig& r) {
         r.fp.panel().setChecked(Ctl::StopAfterNBox, true);
         r.fp.panel().setText(Ctl::StopAfterNCount, "");
       },
       Ctl::StopAfterNCount, "Stop After N count: please enter a number."},
      {"an N out of its range",
       [](Rig& r) {
         r.fp.panel().setChecked(Ctl::StopAfterNBox, true);
         r.fp.panel().setText(Ctl::StopAfterNCount, "0");
       },
       Ctl::StopAfterNCount, "Stop After N count: Please enter an integer between 1 and 10000000."},
  };
  for (const Case& c : cases) {
    Rig r;
    r.select3800();
    c.setUp(r);
    std::vector<Ctl> focused;
    r.fp.panel().setFocusHandler([&](Ctl id) { focused.push_back(id); });
    r.ui.shown.clear();
    const std::size_t sentBefore = r.sent.size();
    r.fp.panel().press(Ctl::RunButton);
    EXPECT_FALSE(r.fp.running()) << c.proves;
    EXPECT_EQ(r.sent.size(), sentBefore) << c.proves << ": nothing was sent";
    EXPECT_FALSE(r.timers.active) << c.proves;
    ASSERT_EQ(r.ui.shown.size(), 1u) << c.proves;
    EXPECT_EQ(r.ui.shown[0].text, c.message) << c.proves;
    EXPECT_EQ(r.ui.shown[0].caption, "V38XX_AP") << c.proves;
    EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Error) << c.proves;
    EXPECT_EQ(focused, std::vector<Ctl>{c.field}) << c.proves;
    EXPECT_FALSE(r.fp.panel().control(Ctl::RunButton).checked) << c.proves;
    EXPECT_TRUE(r.fp.panel().control(Ctl::StopButton).checked) << c.proves;
    EXPECT_TRUE(r.fp.commandEnabled(Command::RunStart)) << c.proves;
  }
}

TEST(FrontPanel, APassedStopTimeIsRefusedWithAMessage) {
  Rig r;
  r.select3800();
  r.fp.panel().setChecked(Ctl::StopTimeBox, true);
  r.fp.setStopTime({2001, 1, 1, 0, 0, 0});
  r.ui.shown.clear();
  const std::size_t sentBefore = r.sent.size();
  r.fp.command(Command::RunStart);
  EXPECT_FALSE(r.fp.running());
  EXPECT_EQ(r.sent.size(), sentBefore);
  ASSERT_EQ(r.ui.shown.size(), 1u);
  EXPECT_EQ(r.ui.shown[0].text,
            "The stop time 2001/01/01 00:00:00 has already passed, so the run was not started.\n"
            "Set a later stop time or clear \"Stop Time\".");
  EXPECT_EQ(r.ui.shown[0].icon, core::Icon::Exclamation);
  EXPECT_EQ(r.fp.values().current, "") << "no bare 0 on the display";
}

TEST(FrontPanel, StopDuringAStalledReadCancelsItWithTheSessionsClear) {
  Rig r(true, true);
  r.select3800();
  r.fp.command(Command::RunStart);
  r.ticks(2);
  ASSERT_EQ(r.fp.loop().count(), 2);
  sim::Faults stalled;
  stalled.stalled = true;
  r.counter().setFaults(stalled);
  // STOP is pressed while the tick waits for the answer that does not come: the wait gives
  // up, the counter is cleared, the stop goes on as always; no time-out has to pass.
  int stops = 0;
  r.ui.onWait = [&](core::WaitInput input) {
    if (input != core::WaitInput::Served || stops++) return;
    r.fp.panel().press(Ctl::StopButton);
  };
  r.ticks(1);
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(r.fp.running());
  EXPECT_EQ(r.fp.loop().count(), 2);
  EXPECT_TRUE(r.ui.shown.empty()) << "a cancelled read is no failure";
  EXPECT_EQ(r.lastSent(), "INIT:CONT OFF");
  // The clear dropped the stalled answer: after the stall the next query gets its own.
  r.ui.onWait = {};
  r.counter().setFaults({});
  r.fp.instrument().write("*IDN?");
  EXPECT_EQ(r.fp.instrument().read(), r.counter().identification() + "\n");
}

}  // namespace

namespace {

// The run's settings stored with its readings: the model, the instrument's line, the
// function, the Read Speed, the commands exactly as the counter received them, the start and
// the version; a Read Speed changed during the run starts a row of its own.
TEST(FrontPanel, RunStartStoresTheRunsSettingsBesideItsReadings) {
  Rig r;
  r.select3800();
  ASSERT_TRUE(r.fp.panel().select(Ctl::ReadSpeed, 2));  // "500 ms"
  r.fp.selection().save = true;
  r.fp.selection().database = 5;
  r.sent.clear();
  r.fp.command(Command::RunStart);
  ASSERT_TRUE(r.fp.running());
  std::string program;
  for (const auto& m : r.sent) program += m.first + "\n";
  r.ticks(4);
  ASSERT_TRUE(r.fp.panel().select(Ctl::ReadSpeed, 0));  // "100 ms" during the run
  r.ticks(3);
  r.fp.command(Command::RunStop);

  records::Database db;
  records::openReadingDatabase(db, r.folder.file(5).string());
  const std::vector<records::RunInfo> rows = records::readRunInfo(db);
  ASSERT_EQ(rows.size(), 2u);
  const records::RunInfo& run = rows[0];
  EXPECT_EQ(run.firstRow, 1);
  EXPECT_EQ(run.model, "V3800A");
  EXPECT_NE(run.identification.find("V3800A"), std::string::npos);
  EXPECT_EQ(run.resource, kSim3800);
  EXPECT_EQ(run.functionCode, 0);
  EXPECT_EQ(run.functionName, "Freq");
  EXPECT_EQ(run.readSpeedMs, 500);
  EXPECT_EQ(run.program, program);  // ends with INIT:CONT ON
  EXPECT_EQ(run.programVersion, V38XX_VERSION);
  EXPECT_TRUE(run.started.hasDate());
  EXPECT_EQ(rows[1].firstRow, 5);
  EXPECT_EQ(rows[1].readSpeedMs, 100);
  EXPECT_EQ(rows[1].program, program);
  EXPECT_TRUE(r.ui.shown.empty());
}

}  // namespace
