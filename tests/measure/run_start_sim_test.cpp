// Run Start against the simulated counter: for many generated panel settings the command
// sequence is written to a counter of the matching model, one command per write. The counter
// must accept every command (its error queue stays empty), and afterwards its settings must be
// the panel's where the counter reports them.

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/text_format.h"
#include "panel_fixture.h"
#include "sim/counter.h"

namespace {

using measure::Ctl;
using measure::CtlKind;
using paneltest::Panel;

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : random_(seed) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool coin() { return below(2) == 1; }
  double uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random_);
  }
  // A number as a user types it: a few significant digits, sometimes in exponent form.
  std::string typed(double value) {
    return below(4) == 0 ? core::format("%.3e", value) : core::format("%.6g", value);
  }

  // Settings the instrument accepts: times within its gate range (below-floor values are
  // raised by Run Start), delays and counts anywhere (Run Start clamps them), moderate limits.
  void randomise(Panel& p) {
    const bool full = p.modelCode == "3800";
    const Ctl pages[] = {Ctl::FreqRatioPage, Ctl::TimePeriodPage, Ctl::VoltPage,
                         Ctl::OtherMeasPage};
    p.panel.press(pages[below(4)]);
    if (full) {
      const Ctl buttons[][4] = {
          {Ctl::FreqButton, Ctl::RatioButton, Ctl::FreqButton, Ctl::RatioButton},
          {Ctl::PeriodButton, Ctl::EdgeButton, Ctl::WidthButton, Ctl::IntvalButton},
          {Ctl::Count_, Ctl::Count_, Ctl::Count_, Ctl::Count_},
          {Ctl::PhaseButton, Ctl::DutyCycleButton, Ctl::TotalButton, Ctl::TotalButton}};
      const Ctl button = buttons[p.panel.page()][below(4)];
      if (button != Ctl::Count_) p.panel.press(button);
    }
    for (const auto& c : p.panel.controls()) {
      if (c.kind != CtlKind::List || c.id == Ctl::ReadSpeed || c.id == Ctl::Dots) continue;
      p.select(c.id, below(static_cast<int>(c.entries.size())));
    }
    for (Ctl box : {Ctl::TimeBaseBox, Ctl::SetLimitBox, Ctl::OutBox, Ctl::SetScaleOffsetBox,
                    Ctl::StatsShowBox, Ctl::In1Atten, Ctl::In1Filter, Ctl::In2Atten, Ctl::In2Filter,
                    Ctl::CompactTimeBaseBox, Ctl::CompactSetLimitBox, Ctl::CompactScaleOffsetBox}) {
      p.check(box, coin());
    }
    for (Ctl edit : {Ctl::GateTimeEdit, Ctl::StopTimeEdit, Ctl::CompactGateTimeEdit,
                     Ctl::CompactStopTimeEdit}) {
      p.text(edit, typed(std::pow(10.0, uniform(-4, 2.5))));
    }
    for (Ctl edit : {Ctl::ArmStartDelayEdit, Ctl::ArmStopDelayEdit}) {
      p.text(edit, typed(std::pow(10.0, uniform(-8, 1))));
    }
    for (Ctl edit : {Ctl::ArmStartCountEdit, Ctl::ArmStopCountEdit}) {
      p.text(edit, std::to_string(below(2) ? below(1000) : below(1000000000)));
    }
    for (Ctl edit : {Ctl::UpperEdit, Ctl::LowerEdit, Ctl::OffsetEdit, Ctl::CompactUpperEdit,
                     Ctl::CompactLowerEdit, Ctl::CompactOffsetEdit}) {
      p.text(edit, below(8) == 0 ? "0" : typed(uniform(-1000, 1000)));
    }
    for (Ctl edit : {Ctl::ScaleEdit, Ctl::CompactScaleEdit}) {
      p.text(edit, below(8) == 0 ? "" : typed(uniform(-100, 100)));
    }
    p.text(Ctl::StatsCountEdit, std::to_string(below(1000)));
    for (Ctl edit : {Ctl::In1LevelEdit, Ctl::In2LevelEdit}) {
      p.text(edit, typed(uniform(-5.125, 5.125)));
    }
  }

 private:
  std::mt19937_64 random_;
};

// The function the counter should report for the panel's running function.
std::string expectedFunction(const Panel& p) {
  const bool compact = p.modelCode == "3820";
  auto channel = [&](Ctl list) {
    return compact ? std::string("1") : std::string(p.panel.choice(list)).substr(2);
  };
  switch (p.panel.runningFunctionCode()) {
    case 0:
      return "FREQ " + channel(Ctl::FreqInput);
    case 10: {
      const std::string r(p.panel.choice(Ctl::RatioList));  // "1_to_2"
      return "FREQ:RAT " + r.substr(0, 1) + "," + r.substr(5, 1);
    }
    case 11:
      return "PER " + channel(Ctl::PeriodInput);
    case 12:
      return p.panel.choice(Ctl::EdgeList) == "Rise" ? "RTIM 1" : "FTIM 1";
    case 13:
      return p.panel.choice(Ctl::WidthList) == "Pos" ? "PWID 1" : "NWID 1";
    case 14:
      return "TINT 1,2";
    case 2: {
      const Ctl show = compact ? Ctl::CompactVoltShow : Ctl::VoltShow;
      const std::string s(p.panel.choice(show));
      const std::string kind = s == "Vpp"    ? "PTP"
                               : s == "Vmax" ? "MAX"
                               : s == "Vmin" ? "MIN"
                                             : "CENT";
      return "VOLT:" + kind + " " + channel(Ctl::VoltInput);
    }
    case 31:
      return "PHAS 1,2";
    case 32:
      return "DCYC 1";
    default:
      return "TOT:TIM 1";
  }
}

double number(const sim::Counter& counter, const std::string& key) {
  return std::stod(counter.setting(key));
}

void expectSameNumber(double actual, double expected, const std::string& what) {
  EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::fabs(expected))) << what;
}

// Limits, scale and offset as the counter holds them, in the function's base unit.
double limitValue(const std::string& edit, int unitIndex, int code) {
  const double v = core::leadingDouble(edit);
  const bool time = code >= 11 && code <= 14;
  static const double kFrequency[] = {1e-6, 1e-3, 1, 1e3, 1e6};
  static const double kTime[] = {1e-12, 1e-9, 1e-6, 1e-3, 1};
  return v * (time ? kTime[unitIndex] : kFrequency[unitIndex]);
}

void checkState(const Panel& p, const sim::Counter& counter) {
  const bool full = p.modelCode == "3800";
  const int code = p.panel.runningFunctionCode();
  EXPECT_EQ(counter.setting("FUNC"), expectedFunction(p));

  const Ctl gateList = full ? Ctl::GateList : Ctl::CompactGateList;
  const Ctl gateEdit = full ? Ctl::GateTimeEdit : Ctl::CompactGateTimeEdit;
  if ((code == 0 || code == 10 || code == 11) && p.panel.choice(gateList) == "Time") {
    expectSameNumber(number(counter, "FREQ:ARM:STOP:TIM"), core::leadingDouble(p.c(gateEdit).text),
                     "gate time");
  }

  const bool hasLimits = code != 2 && code != 33 && (full || code == 0 || code == 11);
  const Ctl limitBox = full ? Ctl::SetLimitBox : Ctl::CompactSetLimitBox;
  if (hasLimits) {
    EXPECT_EQ(counter.setting("CALC2:LIM:STAT"), p.c(limitBox).checked ? "1" : "0");
    const Ctl upper = full ? Ctl::UpperEdit : Ctl::CompactUpperEdit;
    const Ctl upperUnit = full ? Ctl::UpperUnit : Ctl::CompactUpperUnit;
    // "MDeg" reaches the counter as milli-degrees (SCPI's M); Duty Cycle has no unit word.
    const bool comparable = code != 32 && !(code == 31 && p.c(upperUnit).selected == 4);
    if (p.c(limitBox).checked) {
      if (comparable) {
        expectSameNumber(number(counter, "CALC2:LIM:UPP"),
                         limitValue(p.c(upper).text, p.c(upperUnit).selected, code), "upper");
      }
      const bool onFailStop = full ? p.panel.choice(Ctl::OnFailList) == "Stop"
                                   : p.c(Ctl::CompactOnFailList).selected != 0;
      EXPECT_EQ(counter.setting("INIT:AUTO"), onFailStop ? "1" : "0");
    }
    const Ctl scaleBox = full ? Ctl::SetScaleOffsetBox : Ctl::CompactScaleOffsetBox;
    EXPECT_EQ(counter.setting("CALC:MATH:STAT"), p.c(scaleBox).checked ? "1" : "0");
  }
  if (full && hasLimits) {
    EXPECT_EQ(counter.setting("CALC3:AVER:STAT"), p.c(Ctl::StatsShowBox).checked ? "1" : "0");
    if (p.c(Ctl::StatsShowBox).checked) {
      expectSameNumber(number(counter, "CALC3:AVER:COUN"),
                       core::leadingDouble(p.c(Ctl::StatsCountEdit).text), "statistics count");
    }
  }

  const bool input3 = full && ((code == 0 && p.panel.choice(Ctl::FreqInput) == "CH3") ||
                               (code == 11 && p.panel.choice(Ctl::PeriodInput) == "CH3"));
  if (input3) return;
  for (int input = 1; input <= 2; ++input) {
    const bool programmed =
        input == 1 ? (!full || p.panel.input1PanelShown()) : (full && p.panel.input2PanelShown());
    if (!programmed) continue;
    const std::string ev = input == 1 ? "EVEN" : "EVEN2";
    const std::string inp = input == 1 ? "INP" : "INP2";
    const Ctl mode = input == 1 ? Ctl::In1LevelMode : Ctl::In2LevelMode;
    const Ctl coupl = input == 1 ? Ctl::In1Coupl : Ctl::In2Coupl;
    const Ctl imped = input == 1 ? Ctl::In1Imped : Ctl::In2Imped;
    const Ctl atten = input == 1 ? Ctl::In1Atten : Ctl::In2Atten;
    const Ctl filter = input == 1 ? Ctl::In1Filter : Ctl::In2Filter;
    if (p.c(mode).enabled) {
      const bool automatic = p.panel.choice(mode) == "Auto";
      EXPECT_EQ(counter.setting(ev + ":LEV:AUTO"), automatic ? "1" : "0") << ev;
      if (automatic) {
        expectSameNumber(number(counter, ev + ":LEV:REL"),
                         core::leadingDouble(p.panel.choice(input == 1 ? Ctl::In1LevelPercent
                                                                       : Ctl::In2LevelPercent)),
                         ev + " percent");
      } else {
        expectSameNumber(
            number(counter, ev + ":LEV:ABS"),
            core::leadingDouble(p.c(input == 1 ? Ctl::In1LevelEdit : Ctl::In2LevelEdit).text),
            ev + " level");
      }
    }
    if (p.c(coupl).enabled) EXPECT_EQ(counter.setting(inp + ":COUP"), p.panel.choice(coupl));
    if (p.c(imped).enabled) {
      expectSameNumber(number(counter, inp + ":IMP"),
                       p.panel.choice(imped) == "50 ohm" ? 50 : 1000000, inp + " impedance");
    }
    if (p.c(atten).enabled) {
      expectSameNumber(number(counter, inp + ":ATT"), p.c(atten).checked ? 10 : 1, inp + " att");
    }
    if (p.c(filter).enabled) {
      EXPECT_EQ(counter.setting(inp + ":FILT"), p.c(filter).checked ? "1" : "0");
    }
  }
  if (full && code == 14) {
    EXPECT_EQ(counter.setting("EVEN2:FEED"),
              p.panel.choice(Ctl::ComList) == "ON" ? "INP1" : "INP2");
  }
}

TEST(RunStartOnTheSimulatedCounter, GeneratedSettingsAreAcceptedAndTakeEffect) {
  Generator generate(38003820);
  int levelErrors = 0;
  for (int i = 0; i < 600; ++i) {
    const bool full = i % 2 == 0;
    Panel p;
    full ? p.identifyFull() : p.identifyCompact();
    generate.randomise(p);
    const measure::RunStartProgram program = p.program();
    sim::Counter counter(
        {.model = full ? sim::Model::V3800A : sim::Model::V3820A, .serial = {}, .seed = 1});
    std::ostringstream sent;
    for (const std::string& command : program.commands) {
      counter.write(command);
      sent << "  " << command << "\n";
    }
    SCOPED_TRACE("setting " + std::to_string(i) + ", commands:\n" + sent.str());
    EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{});
    if (program.levelError) {
      ++levelErrors;
      continue;
    }
    checkState(p, counter);
  }
  EXPECT_LT(levelErrors, 600);
}

TEST(RunStartOnTheSimulatedCounter, ErrorQueueAnswersNoErrorAfterAFullProgram) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::TimePeriodPage);
  p.panel.press(Ctl::IntvalButton);
  p.select(Ctl::ArmStartList, 1);
  p.select(Ctl::ArmStartDelayList, 1);
  p.select(Ctl::ArmStopDelayList, 2);
  p.check(Ctl::SetLimitBox);
  p.check(Ctl::StatsShowBox);
  sim::Counter counter;
  for (const std::string& command : p.commands()) counter.write(command + "\n");
  counter.write("SYST:ERR?\n");
  const sim::ReadResult answer = counter.read(std::chrono::milliseconds(1000));
  ASSERT_EQ(answer.status, sim::ReadResult::Status::Ok);
  EXPECT_EQ(core::leadingInteger(answer.data), 0) << answer.data;
}

}  // namespace
