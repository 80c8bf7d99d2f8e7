#pragma once
// A recording made the way a user makes one: the front panel's logic on the simulated
// V3800A (builtin VISA, in-process), Save on, Run Start, a number of reading ticks at the
// "Read Speed" period, Run Stop. The database folder is the current directory's DB folder.

#include <string>
#include <vector>

#include "app/front_panel.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"
#include "sim/in_process_counters.h"
#include "visa/builtin_library.h"

namespace stabilitytest {

struct NoTimers : app::Timers {
  int periodMs = 0;
  void start(int, int period) override { periodMs = period; }
  void stop(int) override {}
};

struct NoDialogs : app::Dialogs {
  void showSettingMode(records::SettingMode&) override {}
  bool showTcpipAddress(instrument::TcpipAddressData&) override { return false; }
  void open(app::Dialog) override {}
};

// Records `readings` ticks into database `n` with "Read Speed" entry `readSpeedIndex`
// (0: 100 ms ... 4: 2000 ms); the counter's input is disconnected for the ticks listed in
// `noSignal` (it answers 9.91E+37 then). Returns the messages shown (none when all went well).
inline std::vector<std::string> recordSimulatedRun(int n, int readings, int readSpeedIndex,
                                                   const std::vector<int>& noSignal = {}) {
  visa::BuiltinOptions o;
  o.simulate = true;
  o.usbtmcSysfsDir = "/nonexistent";
  o.gpibLibrary = "/nonexistent/libgpib.so.0";
  visa::BuiltinLibrary builtin(o);
  testsupport::ManualClock clock;
  testsupport::ScriptedInteraction ui;
  NoTimers timers;
  NoDialogs dialogs;
  app::FrontPanel fp(
      builtin, ui, clock, timers, dialogs,
      {std::string(V38XX_BUILD_DIR) + "/share/v38xx/CTR_TOOLV38XX.ini", "English(U.S)"});
  fp.setChartSize(400, 200);
  fp.initialize();
  const auto& lines = fp.instrument().deviceList().lines;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find("V3800A") != std::string::npos) fp.selectDevice(static_cast<int>(i));
  }
  fp.panel().select(measure::Ctl::ReadSpeed, readSpeedIndex);
  fp.selection().save = true;
  fp.selection().database = n;
  fp.command(app::Command::RunStart);
  sim::Counter& counter =
      *sim::simulatedCounter(builtin, "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR");
  for (int i = 0; i < readings; ++i) {
    const bool quiet = std::find(noSignal.begin(), noSignal.end(), i) != noSignal.end();
    counter.setSignalConnected(1, !quiet);
    clock.advance(std::chrono::milliseconds(timers.periodMs));
    fp.onTimer();
  }
  fp.command(app::Command::RunStop);
  fp.shutdown();
  std::vector<std::string> shown;
  for (const auto& m : ui.shown) shown.push_back(m.text);
  return shown;
}

}  // namespace stabilitytest
