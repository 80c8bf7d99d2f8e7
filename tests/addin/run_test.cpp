// Logging runs on the in-memory sheet: start modes, ticks, stop conditions, the toolbar, the
// rows and the summary block, and what happens on faults.

#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "addin/date_time.h"
#include "addin_rig.h"
#include "sim/counter.h"
#include "sim/in_process_counters.h"
#include "support/recording_visa.h"
#include "visa/builtin_library.h"

namespace {

using addintest::AddinRig;
using testsupport::RecordingVisa;
using testsupport::Reply;

constexpr const char* kCounter = "USB0::0x2B7A::0x0ED8::T::INSTR";

// A counter scripted through the recording VISA: "func?" answers `function`, every "fetch?"
// the next of `readings` (nothing once they are used up), "*OPC?" answers `opc`.
struct ScriptedCounter {
  RecordingVisa visa;
  std::string function = "FREQ";
  std::deque<std::string> readings;
  std::string opc;  // empty: *OPC? gets no answer (the trigger has not come)
  ViSession session = 0;

  ScriptedCounter() {
    visa.resources[kCounter].responder = [this](const std::string& last) -> std::optional<Reply> {
      if (last == "func?") return Reply{"\"" + function + "\"\n", std::nullopt};
      if (last == "fetch?") {
        if (readings.empty()) return std::nullopt;
        std::string r = readings.front();
        readings.pop_front();
        return Reply{r + "\n", std::nullopt};
      }
      if (last == "*OPC?")
        return opc.empty() ? std::nullopt : std::optional<Reply>(Reply{opc + "\n", {}});
      if (last == "*esr?") return Reply{"+0\n", std::nullopt};
      if (last == "syst:err?") return Reply{"+0,\"No error\"\n", std::nullopt};
      if (last.back() == '?') return Reply{"EXT\n", std::nullopt};
      return std::nullopt;
    };
    ViSession rm = 0;
    visa.viOpenDefaultRM(&rm);
    visa.viOpen(rm, kCounter, 0, 0, &session);
  }
  std::vector<std::string> writes() const {
    std::vector<std::string> out;
    for (const auto& c : visa.callsOf("viWrite")) out.push_back(c.text);
    return out;
  }
};

struct ScriptedRun {
  ScriptedCounter counter;
  AddinRig<RecordingVisa> rig{counter.visa};
  ScriptedRun() { rig.app.IWKSesn = counter.session; }
  void start(int kind, std::int32_t readings, std::int32_t interval = 100) {
    rig.fillTemplate(kind);
    rig.app.SetSheet(rig.ws);
    rig.app.SetNumberOfReading(readings);
    rig.app.SetTerimnatingUpon(1);
    rig.app.AddChart(static_cast<std::int16_t>(kind), true);
    rig.app.StartTimer(interval);
  }
  int ticksUntilEnd(int limit = 1000) {
    int n = 0;
    while (rig.timer.armed() && n < limit) {
      rig.timer.fire();
      ++n;
    }
    return n;
  }
};

// The simulated V3800A in-process, connected as the work session.
struct SimulatedRun {
  static visa::BuiltinOptions options() {
    visa::BuiltinOptions o;
    o.simulate = true;
    o.simulatedModels = {"V3800A"};
    return o;
  }
  visa::BuiltinLibrary visa{options()};
  AddinRig<visa::BuiltinLibrary> rig{visa};
  SimulatedRun() {
    rig.app.FindDevice();
    rig.app.GetIDN(0);
    rig.app.IWKSesn = rig.app.IIDNSesn;
  }
  sim::Counter& counter() { return *sim::simulatedCounter(visa, rig.app.IIDNAddr); }
};

double sampleStdev(const std::vector<double>& v) {
  double mean = 0;
  for (double x : v) mean += x;
  mean /= v.size();
  double ss = 0;
  for (double x : v) ss += (x - mean) * (x - mean);
  return std::sqrt(ss / (v.size() - 1));
}

TEST(AddinToolbar, SetAppWiresTheNineControls) {
  RecordingVisa visa;
  AddinRig rig(visa);
  sheet::MemoryCommandBar& bar = rig.bar();
  ASSERT_EQ(bar.controlCount(), 9);
  const char* actions[] = {"CTRAboutV38XX",      "CTRConnectV38XX",    "CTRFilesV38XX",
                           "CTRFuncsV38XX",      "CTRMeasV38XX",       "CTRChartV38XX",
                           "CTRTimerStartV38XX", "CTRTimerPauseV38XX", "CTRTimerStopV38XX"};
  const char* tips[] = {"About ORVALENT V38XX Tallyway",
                        "Connect to Device",
                        "File Access",
                        "Set up Instrument",
                        "Get Single Reading",
                        "Logging Charts",
                        "START",
                        "PAUSE",
                        "STOP"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(bar.controls[i].onAction, actions[i]);
    EXPECT_EQ(bar.controls[i].toolTip, tips[i]);
  }
  EXPECT_EQ(rig.toolbar(), "EV EV EV EV EV EV -V -V -V ");
  EXPECT_EQ(rig.app.GetExlVersion(), 7);
}

TEST(AddinToolbar, StatesThroughDirectPauseResumeAndStop) {
  ScriptedRun run;
  run.counter.readings = {"+1.0E+007", "+1.0E+007", "+1.0E+007"};
  run.start(0, 100);
  EXPECT_EQ(run.rig.toolbar(), "EV Eh Eh Eh Eh Eh -V EV EV ");
  run.rig.app.PauseTimer();
  EXPECT_EQ(run.rig.toolbar(), "EV Eh Eh Eh Eh Eh EV -V EV ");
  run.rig.app.Stop_Pause();
  EXPECT_EQ(run.rig.toolbar(), "EV Eh Eh Eh Eh Eh -V EV EV ");
  run.rig.app.StopTimer();
  EXPECT_EQ(run.rig.toolbar(), "EV EV EV EV EV EV -V -V -V ");
  EXPECT_FALSE(run.rig.timer.armed());
  EXPECT_EQ(run.rig.calc->statusBar.back(), "Ready");
}

TEST(AddinToolbar, StartIsAvailableBetweenRunsOnlyWithAWorkSession) {
  ScriptedRun run;
  run.counter.readings = {"+1.0E+007", "+1.0E+007", "+1.0E+007"};
  addin::Application& app = run.rig.app;
  const ViSession session = app.IWKSesn;
  app.IWKSesn = 0;
  app.readyToStart();
  EXPECT_EQ(run.rig.toolbar(), "EV EV EV EV EV EV -V -V -V ") << "no counter: no START";
  app.IWKSesn = session;
  app.readyToStart();
  EXPECT_EQ(run.rig.toolbar(), "EV EV EV EV EV EV EV -V -V ");

  // A run keeps the toolbar as it set it, paused or not.
  run.start(0, 100);
  app.readyToStart();
  EXPECT_EQ(run.rig.toolbar(), "EV Eh Eh Eh Eh Eh -V EV EV ");
  app.PauseTimer();
  app.readyToStart();
  EXPECT_EQ(run.rig.toolbar(), "EV Eh Eh Eh Eh Eh EV -V EV ");
  app.StopTimer();
  EXPECT_EQ(run.rig.toolbar(), "EV EV EV EV EV EV -V -V -V ") << "the end of a run disables START";
  app.readyToStart();
  EXPECT_EQ(run.rig.toolbar(), "EV EV EV EV EV EV EV -V -V ") << "the next run can start";
}

TEST(AddinRun, DirectRunOfTheSimulatedCounterFillsRowsAndSummary) {
  SimulatedRun run;
  run.rig.app.SetNumberOfReading(25);
  run.rig.app.SetTerimnatingUpon(1);
  run.rig.app.AddChart(0, true);
  run.rig.app.StartTimer(100);
  EXPECT_EQ(run.rig.timer.interval, 100);
  int ticks = 0;
  while (run.rig.timer.armed()) {
    run.rig.timer.fire();
    ++ticks;
  }
  EXPECT_EQ(ticks, 25) << "mode 1 ends right after row N + 1";
  const std::vector<double> values = run.rig.ws->columnValues(2);
  ASSERT_EQ(values.size(), 25u);
  for (double v : values) EXPECT_NEAR(v, 1e7, 100);
  const auto& ws = *run.rig.ws;
  EXPECT_EQ(ws.value("F4"), 25);
  EXPECT_NEAR(ws.value("F5"), sampleStdev(values), 1e-9 * sampleStdev(values) + 1e-12);
  double sum = 0;
  for (double v : values) sum += v;
  EXPECT_DOUBLE_EQ(ws.value("F6"), sum / 25);
  EXPECT_EQ(ws.value("F7"), *std::min_element(values.begin(), values.end()));
  EXPECT_EQ(ws.value("F8"), *std::max_element(values.begin(), values.end()));
  EXPECT_EQ(ws.cell("F5").numberFormat, "0.000000000000E+00;-0.000000000000E+00");
  EXPECT_EQ(ws.cell("A2").numberFormat, "hh:mm:ss.00");
  EXPECT_NEAR(ws.value("A2"), 46000, 1000) << "a date-time serial of today";
  EXPECT_TRUE(run.rig.ws->cell("A27").numberFormat.empty()) << "no row after the 25th";
  EXPECT_TRUE(run.rig.ui.shown.empty());
}

TEST(AddinRun, CommandsOfADirectRun) {
  ScriptedRun run;
  run.counter.readings = {"+1.0E+007", "+2.0E+007"};
  run.start(0, 2);
  run.ticksUntilEnd();
  EXPECT_EQ(run.counter.writes(), (std::vector<std::string>{"func?", "init:cont on", "fetch?",
                                                            "fetch?", "init:cont off", "*esr?"}));
  // The run's time-out is 30 s and the session's own comes back at the end.
  std::vector<ViAttrState> timeouts;
  for (const auto& c : run.counter.visa.callsOf("viSetAttribute"))
    if (c.object == run.counter.session) timeouts.push_back(c.value);
  EXPECT_EQ(timeouts, (std::vector<ViAttrState>{30000, 2000}));
}

TEST(AddinRun, SummaryCellsByChartKind) {
  struct Case {
    int kind;
    const char *count, *strip, *stdev, *average, *minimum, *maximum;
  } cases[] = {
      {0, "F4", nullptr, "F5", "F6", "F7", "F8"},
      {1, "F4", "F6", "F10", "F11", "F12", "F13"},
      {2, "G4", nullptr, "G11", "G12", "G7", "G8"},
      {3, "G4", "G6", "G15", "G16", "G11", "G12"},
  };
  for (const auto& c : cases) {
    ScriptedRun run;
    run.counter.readings = {"+3.0", "+1.0", "+2.0"};
    run.start(c.kind, 3);
    run.ticksUntilEnd();
    const auto& ws = *run.rig.ws;
    EXPECT_EQ(ws.value(c.count), 3) << "kind " << c.kind;
    if (c.strip) EXPECT_EQ(ws.value(c.strip), 3) << "kind " << c.kind;
    EXPECT_DOUBLE_EQ(ws.value(c.stdev), 1.0) << "kind " << c.kind;
    EXPECT_EQ(ws.cell(c.stdev).numberFormat, "0.000000000000E+00;-0.000000000000E+00");
    EXPECT_DOUBLE_EQ(ws.value(c.average), 2.0) << "kind " << c.kind;
    EXPECT_EQ(ws.value(c.minimum), 1.0) << "kind " << c.kind;
    EXPECT_EQ(ws.value(c.maximum), 3.0) << "kind " << c.kind;
  }
}

TEST(AddinRun, OverflowReadingCountsButLeavesTheStandardDeviation) {
  ScriptedRun run;
  run.counter.readings = {"+10.0", "+12.0", "+9.91E+37"};
  run.start(0, 3);
  run.rig.timer.fire();
  run.rig.timer.fire();
  EXPECT_DOUBLE_EQ(run.rig.ws->value("F5"), 2 / std::sqrt(2.0)) << "|a-b|/sqrt(2)";
  run.rig.timer.fire();
  EXPECT_DOUBLE_EQ(run.rig.ws->value("F5"), 2 / std::sqrt(2.0));
  EXPECT_EQ(run.rig.ws->value("F4"), 3);
  EXPECT_DOUBLE_EQ(run.rig.ws->value("F6"), (22 + 9.91e37) / 3);
  EXPECT_EQ(run.rig.ws->value("F8"), 9.91e37) << "the overflow value enters the maximum";
  EXPECT_EQ(run.rig.ws->value("F7"), 10);
}

TEST(AddinRun, DecimalCommaAndGarbageAnswers) {
  ScriptedRun run;
  run.counter.readings = {"1,5", "+1,00000000E+007 Hz", "@#$garbage", "xyz", "2.5"};
  run.start(0, 3);
  run.ticksUntilEnd();
  EXPECT_EQ(run.rig.ws->columnValues(2), (std::vector<double>{1.5, 1e7, 2.5}));
  int reports = 0;
  for (const auto& s : run.rig.calc->statusBar)
    if (s.rfind("Not a reading, skipped: ", 0) == 0) ++reports;
  EXPECT_EQ(reports, 1) << "garbage is reported once a run, in the status bar";
  EXPECT_TRUE(run.rig.ui.shown.empty());
}

TEST(AddinRun, OneReadingWritesRowTwoAndEnds) {
  ScriptedRun run;
  run.counter.readings = {"+1.0", "+2.0"};
  run.start(0, 1);
  EXPECT_EQ(run.ticksUntilEnd(), 1);
  EXPECT_EQ(run.rig.ws->columnValues(2), (std::vector<double>{1.0}));
}

TEST(AddinRun, StopTimeEndsAfterItsPoints) {
  ScriptedRun run;
  run.counter.readings = {"1", "2", "3", "4", "5"};
  run.rig.app.SetStopTime("0", "0", "3", 1000);
  run.rig.app.SetTerimnatingUpon(2);
  run.rig.app.AddChart(0, false);
  run.rig.app.StartTimer(1000);
  EXPECT_EQ(run.ticksUntilEnd(), 3);
  EXPECT_EQ(run.rig.ws->columnValues(2).size(), 3u);
}

TEST(AddinRun, PausedRunKeepsItsTimerAndResumesAtTheNextRow) {
  ScriptedRun run;
  run.counter.readings = {"1", "2", "3"};
  run.start(0, 0);
  run.rig.app.SetTerimnatingUpon(0);
  run.rig.timer.fire();
  run.rig.app.PauseTimer();
  run.rig.timer.fire();
  run.rig.timer.fire();
  EXPECT_TRUE(run.rig.timer.armed());
  EXPECT_EQ(run.rig.ws->columnValues(2).size(), 1u);
  run.rig.app.Stop_Pause();
  run.rig.timer.fire();
  EXPECT_EQ(run.rig.ws->columnValues(2), (std::vector<double>{1, 2}));
}

TEST(AddinRun, WaitingStartsReadingAtItsTime) {
  ScriptedRun run;
  run.counter.readings = {"1", "2"};
  run.rig.app.SetBegin(2);
  run.rig.app.SetAtTime("2025-12-08 09:01:00");  // local time of the rig's clock + about 1 min
  const double start = run.rig.app.startDateTime();
  // Put the clock one minute before the start, whatever the local time zone.
  run.rig.clock.set(std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()));
  const double nowSerial = addin::dateTimeSerial(run.rig.clock.now());
  run.rig.clock.advance(std::chrono::milliseconds(
      static_cast<long long>(std::llround((start - nowSerial) * 86400000.0)) - 60000));
  run.start(0, 2, 250);
  EXPECT_DOUBLE_EQ(run.rig.ws->value("F1"), start);
  EXPECT_EQ(run.rig.timer.interval, 1000);
  run.rig.timer.fire();
  EXPECT_EQ(run.rig.calc->statusBar.back(), "Waiting time...");
  EXPECT_TRUE(run.rig.ws->columnValues(2).empty());
  run.rig.clock.advance(std::chrono::seconds(61));
  run.rig.timer.fire();
  EXPECT_EQ(run.rig.timer.interval, 250) << "reading at the run's own interval";
  EXPECT_EQ(run.rig.ws->columnValues(2), (std::vector<double>{1}));
}

TEST(AddinRun, TriggerWaitsThenFiresOnTheSimulatedCounter) {
  SimulatedRun run;
  run.rig.app.SetBegin(3);
  run.rig.app.SetNumberOfReading(3);
  run.rig.app.SetTerimnatingUpon(1);
  run.rig.app.AddChart(0, true);
  run.rig.app.StartTimer(100);
  EXPECT_EQ(run.rig.timer.interval, 1000);
  run.rig.timer.fire();  // *OPC? waits out its 3 s: no trigger yet
  EXPECT_EQ(run.rig.calc->statusBar.back(), "Waiting for External Trigger...");
  EXPECT_TRUE(run.rig.ws->columnValues(2).empty());
  EXPECT_TRUE(run.rig.app.runState().waiting);

  run.counter().externalTrigger();
  run.rig.timer.fire();
  EXPECT_EQ(run.rig.timer.interval, 100);
  EXPECT_FALSE(run.rig.app.runState().waiting);
  while (run.rig.timer.armed()) run.rig.timer.fire();
  const auto values = run.rig.ws->columnValues(2);
  ASSERT_EQ(values.size(), 3u);
  for (double v : values) EXPECT_NEAR(v, 1e7, 100);
  EXPECT_TRUE(run.rig.ui.shown.empty());
}

TEST(AddinRun, StopWhileWaitingForTheTriggerAsksAndNoKeepsWaiting) {
  ScriptedRun run;
  run.rig.app.SetBegin(3);
  run.start(0, 5);
  run.rig.timer.fire();
  const std::string toolbar = run.rig.toolbar();
  run.rig.ui.answers = {core::Answer::No};
  run.rig.app.StopTimer();
  ASSERT_EQ(run.rig.ui.shown.size(), 1u);
  const auto& box = run.rig.ui.shown[0];
  EXPECT_EQ(box.buttons, core::Buttons::YesNo);
  EXPECT_EQ(box.icon, core::Icon::Information);
  EXPECT_EQ(box.text.substr(0, 34), "Waiting for an External Trigger:\r\n");
  EXPECT_NE(box.text.find("If you wish to continue waiting for the trigger Press 'No' ."),
            std::string::npos);
  EXPECT_TRUE(run.rig.timer.armed());
  EXPECT_TRUE(run.rig.app.runState().running);
  EXPECT_EQ(run.rig.toolbar(), toolbar);

  // Yes once the instrument reports completion: the arming goes back to immediate and it ends.
  run.counter.opc = "1";
  run.rig.ui.answers = {core::Answer::Yes};
  run.counter.visa.calls.clear();
  run.rig.app.StopTimer();
  EXPECT_FALSE(run.rig.timer.armed());
  EXPECT_EQ(run.counter.writes(),
            (std::vector<std::string>{"*OPC?", "syst:err?", "syst:err?", "*esr?",
                                      "freq:arm:sour imm", "init:cont off", "*esr?"}));
}

TEST(AddinRun, DroppedLinkEndsTheRunWithOneBoxAndKeepsTheRows) {
  SimulatedRun run;
  run.rig.app.SetNumberOfReading(20);
  run.rig.app.SetTerimnatingUpon(1);
  run.rig.app.AddChart(0, true);
  run.rig.app.StartTimer(100);
  for (int i = 0; i < 5; ++i) run.rig.timer.fire();
  sim::Faults faults;
  faults.dropNextAnswer = true;
  run.counter().setFaults(faults);
  run.rig.timer.fire();
  EXPECT_FALSE(run.rig.timer.armed());
  EXPECT_EQ(run.rig.ws->columnValues(2).size(), 5u);
  EXPECT_EQ(run.rig.ws->value("F4"), 5);
  ASSERT_EQ(run.rig.ui.shown.size(), 1u);
  EXPECT_EQ(run.rig.ui.shown[0].text.rfind("Error status description:\r\n", 0), 0u)
      << run.rig.ui.shown[0].text;
  EXPECT_EQ(run.rig.toolbar(), "EV EV EV EV EV EV -V -V -V ");
}

TEST(AddinRun, ErrorsWhileStartingEndTheRunWithTheirBox) {
  ScriptedRun run;
  run.counter.readings = {"1"};
  run.start(0, 1);
  run.ticksUntilEnd();
  // EndRun released the worksheet: a new run without SetSheet cannot start.
  run.rig.ui.shown.clear();
  run.rig.app.StartTimer(100);
  ASSERT_EQ(run.rig.ui.shown.size(), 1u);
  EXPECT_EQ(run.rig.ui.shown[0].text.rfind("To Start Reading:\r\n", 0), 0u);
  EXPECT_FALSE(run.rig.timer.armed());
  EXPECT_EQ(run.rig.toolbar(), "EV EV EV EV EV EV -V -V -V ");

  // The standard deviation cannot be written: "STDEV:" and the run ends.
  run.rig.ui.shown.clear();
  run.counter.readings = {"1", "2"};
  run.rig.calc->failing.insert("setNumberFormat F5");
  run.start(0, 2);
  run.rig.timer.fire();
  EXPECT_FALSE(run.rig.timer.armed());
  ASSERT_EQ(run.rig.ui.shown.size(), 1u);
  EXPECT_EQ(run.rig.ui.shown[0].text.rfind("STDEV:\r\n", 0), 0u);
}

TEST(AddinRun, AnIoErrorWhileStartingEndsTheRunAtTheNextTick) {
  ScriptedRun run;
  run.counter.visa.resources[kCounter].responder = nullptr;  // "func?" gets no answer
  run.start(0, 5);
  ASSERT_EQ(run.rig.ui.shown.size(), 1u);
  EXPECT_NE(run.rig.ui.shown[0].text.find("Timeout expired"), std::string::npos);
  EXPECT_TRUE(run.rig.timer.armed());
  run.rig.timer.fire();
  EXPECT_FALSE(run.rig.timer.armed());
  EXPECT_EQ(run.rig.ui.shown.size(), 1u);
}

}  // namespace
