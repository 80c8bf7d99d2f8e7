#pragma once
// An Instrument wired to the tracking VISA double, a scripted interaction and a manual clock,
// with helpers that script the instruments a search finds.

#include <string>
#include <vector>

#include "instrument/instrument.h"
#include "measure/texts.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"
#include "tracking_visa.h"

namespace instrument_test {

inline constexpr const char* kUsb3800Hex = "USB[0-9]*::0x2B7A::0x0ED8::?*INSTR";
inline constexpr const char* kUsb3800Dec = "USB[0-9]*::11130::3800::?*INSTR";
inline constexpr const char* kUsb3820Hex = "USB[0-9]*::0x2B7A::0x0EEC::?*INSTR";
inline constexpr const char* kUsb3820Dec = "USB[0-9]*::11130::3820::?*INSTR";
inline constexpr const char* kGpibExpr = "GPIB[0-9]*::?*INSTR";
inline constexpr const char* kTcpipExpr = "TCPIP?*";

inline std::string idn3800(const std::string& serial) {
  return "ORVALENT,V3800A," + serial + ",1.02";
}
inline std::string idn3820(const std::string& serial) {
  return "ORVALENT,V3820A," + serial + ",1.02";
}

struct Rig {
  TrackingVisa visa;
  testsupport::ScriptedInteraction ui;
  testsupport::ManualClock clock;
  measure::Texts texts;
  instrument::Instrument inst{visa, ui, clock, texts};
  int runStops = 0;
  std::vector<std::string> hookCalls;

  Rig() {
    inst.setRunStop([this] { ++runStops; });
    inst.setPanelHooks({
        [this] { hookCalls.push_back("full"); },
        [this] { hookCalls.push_back("compact"); },
        [this] { hookCalls.push_back("changed"); },
        [this] { hookCalls.push_back("found"); },
        [this] { hookCalls.push_back("nothing"); },
    });
  }

  // An instrument listed by `expression` that answers "*IDN?" with `idn`.
  void add(const char* expression, const std::string& name, const std::string& idn) {
    visa.findResults[expression].push_back(name);
    visa.addInstrument(name, idn);
  }

  // Forgets the calls and messages so far.
  void clearRecords() {
    visa.calls.clear();
    ui.shown.clear();
    clock.sleeps.clear();
    hookCalls.clear();
    runStops = 0;
  }

  std::vector<std::string> expressions() const {
    std::vector<std::string> out;
    for (const auto& c : visa.callsOf("viFindRsrc")) out.push_back(c.text);
    return out;
  }
};

}  // namespace instrument_test
