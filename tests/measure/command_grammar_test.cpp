// Whatever the user types into the panel's edits, Run Start never sends a malformed command:
// every command is one of the fixed forms or a mnemonic with a well-formed number (and unit).
// The corrected texts written back into the panel are a fixed point: a second Run Start sends
// the same commands.

#include <algorithm>
#include <cmath>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "panel_fixture.h"

namespace {

using measure::Ctl;
using paneltest::Panel;

// Every command without a number the two programs can send.
const std::set<std::string> kFixedCommands = {"FUNC 'FREQ 1'",
                                              "FUNC 'FREQ 2'",
                                              "FUNC 'FREQ 3'",
                                              "CONF:FREQ:RAT (@1),(@2)",
                                              "CONF:FREQ:RAT (@1),(@3)",
                                              "CONF:FREQ:RAT (@2),(@1)",
                                              "CONF:FREQ:RAT (@3),(@1)",
                                              "CONF:PER (@1)",
                                              "CONF:PER (@2)",
                                              "CONF:PER (@3)",
                                              "CONF:RTIM",
                                              "CONF:FTIM",
                                              "CONF:PWID",
                                              "CONF:NWID",
                                              "CONF:TINT",
                                              "CONF:VOLT:PTP (@1)",
                                              "CONF:VOLT:MAX (@1)",
                                              "CONF:VOLT:MIN (@1)",
                                              "CONF:VOLT:CENT (@1)",
                                              "CONF:VOLT:PTP (@2)",
                                              "CONF:VOLT:MAX (@2)",
                                              "CONF:VOLT:MIN (@2)",
                                              "CONF:VOLT:CENT (@2)",
                                              "VOLT:MODE SLOW",
                                              "VOLT:MODE FAST",
                                              "CONF:PHAS",
                                              "CONF:DCYC",
                                              "CONF:TOTalize:TIMED (@1)",
                                              "ROSC:SOURCE:AUTO ON",
                                              "ROSC:SOURCE INT",
                                              "ROSC:SOURCE EXT",
                                              "FREQuency:ARM:STARt:SOURce IMM",
                                              "FREQuency:ARM:STOP:SOURce TIMer",
                                              "FREQuency:ARM:STARt:SOURce EXTernal",
                                              "FREQuency:ARM:STARt:SLOPe POSitive",
                                              "FREQuency:ARM:STARt:SLOPe NEGative",
                                              "FREQuency:ARM:STOP:SOURce IMM",
                                              "FREQuency:ARM:STOP:SOURce EXTernal",
                                              "FREQuency:ARM:STOP:SLOPe POSitive",
                                              "FREQuency:ARM:STOP:SLOPe NEGative",
                                              "PHASe:ARM:STARt:SOURce IMMediate",
                                              "PHASe:ARM:STARt:SOURce EXTernal",
                                              "PHASe:ARM:STARt:SLOPe POSitive",
                                              "PHASe:ARM:STARt:SLOPe NEGative",
                                              "TINTerval:ARM:STARt:SOURce IMM",
                                              "TINTerval:ARM:STARt:SOURce EXTernal",
                                              "TINTerval:ARM:STARt:SLOPe POSitive",
                                              "TINTerval:ARM:STARt:SLOPe NEGative",
                                              "TOTalize:ARM:STARt:SOURce IMM",
                                              "TOTalize:ARM:STARt:SOURce EXTernal",
                                              "TOTalize:ARM:STARt:SLOPe POSitive",
                                              "TOTalize:ARM:STARt:SLOPe NEGative",
                                              "TOTalize:ARM:STOP:SOURce EXTernal",
                                              "TOTalize:ARM:STOP:SLOPe POSitive",
                                              "TOTalize:ARM:STOP:SLOPe NEGative",
                                              "TOTalize:ARM:STOP:SOURce TIMer",
                                              ":TINTerval:ARM:ESTART:LAYer2:SOURce IMM",
                                              ":TINTerval:ARM:ESTART:LAYer1:SOURce IMM",
                                              ":TINTerval:ARM:ESTOP:LAYer2:SOURce IMM",
                                              ":TINTerval:ARM:ESTART:LAYer2:SOURce EXT",
                                              ":TINTerval:ARM:ESTART:LAYer1:SOURce TIM",
                                              ":TINTerval:ARM:ESTART:LAYer1:SOURce INTernal1",
                                              ":TINTerval:ARM:ESTOP:LAYer2:SOURce EXT",
                                              "TINTerval:ARM:ESTART:LAYer2:SLOPe POSitive",
                                              "TINTerval:ARM:ESTART:LAYer2:SLOPe NEGative",
                                              "TINTerval:ARM:ESTOP:LAYer2:SLOPe POSitive",
                                              "TINTerval:ARM:ESTOP:LAYer2:SLOPe NEGative",
                                              ":TINTerval:ARM:ESTOP:LAYer1:SOURce IMM",
                                              ":TINTerval:ARM:ESTOP:LAYer1:SOURce TIM",
                                              ":TINTerval:ARM:ESTOP:LAYer1:SOURce INTernal2",
                                              "CALCulate2:LIMit:STATe ON",
                                              "CALCulate2:LIMit:STATe OFF",
                                              "INIT:AUTO OFF",
                                              "INIT:AUTO ON",
                                              "SYST:COMM:SER:CONT:DTR LIM",
                                              "SYST:COMM:SER:SOUR USB",
                                              "SYST:COMM:SER:SOUR DB9",
                                              "SYST:COMM:SER:CONT:DTR OFF",
                                              "CALC:MATH:STATE ON",
                                              "CALC:MATH:STATE OFF",
                                              "CALC3:AVER:STATE ON",
                                              "CALC3:AVER:STATE OFF",
                                              "CALC3:AVERAGE:TYPE Meas",
                                              "CALC3:AVERAGE:TYPE SDEV",
                                              "CALC3:AVERAGE:TYPE MAX",
                                              "CALC3:AVERAGE:TYPE MIN",
                                              "CALC3:AVERAGE:TYPE MEAN",
                                              "CALC3:AVERAGE:TYPE Delta",
                                              "CALCulate3:LFILter:STATe OFF",
                                              "CALCulate3:LFILter:STATe ON",
                                              "TRIGger:COUNt:AUTO OFF",
                                              "TRIGger:COUNt:AUTO ON",
                                              "EVEN:LEV:AUTO 1",
                                              "EVEN:LEV:AUTO 0",
                                              "EVEN:SLOP POS",
                                              "EVEN:SLOP NEG",
                                              "EVEN:HYST:REL 0",
                                              "EVEN:HYST:REL 50",
                                              "EVEN:HYST:REL 100",
                                              "INP:COUP AC",
                                              "INP:COUP DC",
                                              "INP:IMP 1000000",
                                              "INP:IMP 50",
                                              "INP:ATT 10",
                                              "INP:ATT 1",
                                              "INP:FILT 1",
                                              "INP:FILT 0",
                                              "EVEN2:LEV:AUTO 1",
                                              "EVEN2:LEV:AUTO 0",
                                              "EVEN2:SLOP POS",
                                              "EVEN2:SLOP NEG",
                                              "EVEN2:HYST:REL 0",
                                              "EVEN2:HYST:REL 50",
                                              "EVEN2:HYST:REL 100",
                                              "INP2:COUP AC",
                                              "INP2:COUP DC",
                                              "INP2:IMP 1000000",
                                              "INP2:IMP 50",
                                              "INP2:ATT 10",
                                              "INP2:ATT 1",
                                              "INP2:FILT 1",
                                              "INP2:FILT 0",
                                              "EVENt2:FEED \"INPut2\"",
                                              "EVENt2:FEED \"INPut1\""};

// A decimal number as SCPI reads it.
const std::string kNumber = R"([+-]?(?:\d+(?:\.\d*)?|\.\d+)(?:[eE][+-]?\d+)?)";

const std::vector<std::regex>& numberForms() {
  static const std::vector<std::regex> forms = {
      std::regex("^(?:FREQuency|TOTalize):ARM:STOP:TIMer (" + kNumber + ")S?$"),
      std::regex("^TINTerval:ARM:(?:ESTART|ESTOP):TIMer (" + kNumber + ")$"),
      std::regex("^TINTerval:ARM:(?:ESTARt|ESTOP):ECOunt (" + kNumber + ")$"),
      std::regex("^CALCulate2:LIMit:(?:UPPer|LOWer) (" + kNumber +
                 ")(?: [upnmKM ])?(?:HZ|S|Deg)?$"),
      std::regex("^TRACE SCALE,(" + kNumber + ")$"),
      std::regex("^TRACE OFFSET,(" + kNumber + ")(?: [uK ])?(?:HZ|S|Deg)?$"),
      std::regex(R"(^CALC3:AVER:COUNT (\d+)$)"),
      std::regex("^EVEN2?:LEV:ABS (" + kNumber + ")$"),
      std::regex(R"(^EVEN2?:LEV:REL (0|10|20|30|40|50|60|70|80|90|100)$)"),
  };
  return forms;
}

void expectWellFormed(const std::string& command) {
  if (kFixedCommands.count(command)) return;
  for (const std::regex& form : numberForms()) {
    std::smatch m;
    if (std::regex_match(command, m, form)) {
      EXPECT_TRUE(std::isfinite(std::stod(m[1].str()))) << command;
      return;
    }
  }
  ADD_FAILURE() << "malformed command: \"" << command << "\"";
}

const char* const kBadTexts[] = {"",         "abc",
                                 "1e999",    "-1e999",
                                 "5 apples", "nan",
                                 "inf",      "   ",
                                 "  0.5  ",  "-5",
                                 "0",        "1e-999",
                                 "0x10",     ".",
                                 "-",        "1,5",
                                 "1.5.6",    "\t2\n",
                                 "1e",       "+",
                                 "1e5x",     "99999999999999999999999",
                                 "1e308",    "-0",
                                 "2e-7",     "٣",
                                 "0.0001",   "12345678901234567890.5"};

const Ctl kNumericEdits[] = {
    Ctl::GateTimeEdit,      Ctl::StopTimeEdit,        Ctl::ArmStartDelayEdit,
    Ctl::ArmStartCountEdit, Ctl::ArmStopDelayEdit,    Ctl::ArmStopCountEdit,
    Ctl::UpperEdit,         Ctl::LowerEdit,           Ctl::ScaleEdit,
    Ctl::OffsetEdit,        Ctl::StatsCountEdit,      Ctl::In1LevelEdit,
    Ctl::In2LevelEdit,      Ctl::CompactGateTimeEdit, Ctl::CompactStopTimeEdit,
    Ctl::CompactUpperEdit,  Ctl::CompactLowerEdit,    Ctl::CompactScaleEdit,
    Ctl::CompactOffsetEdit};

const Ctl kUnitLists[] = {Ctl::UpperUnit,        Ctl::LowerUnit,        Ctl::ScaleUnit,
                          Ctl::OffsetUnit,       Ctl::CompactUpperUnit, Ctl::CompactLowerUnit,
                          Ctl::CompactScaleUnit, Ctl::CompactOffsetUnit};

struct Setting {
  const char* name;
  bool compact;
  std::function<void(Panel&)> setup;
};

// Settings that send every numeric command of both programs.
std::vector<Setting> settings() {
  auto full = [](Ctl page, Ctl button) {
    return [page, button](Panel& p) {
      p.panel.press(page);
      if (button != Ctl::Count_) p.panel.press(button);
    };
  };
  return {
      {"FreqGateTime", false, full(Ctl::FreqRatioPage, Ctl::FreqButton)},
      {"RatioGateExtStopTime", false,
       [](Panel& p) {
         p.panel.press(Ctl::RatioButton);
         p.select(Ctl::GateList, 1);
         p.select(Ctl::StopList, 3);
       }},
      {"Period", false, full(Ctl::TimePeriodPage, Ctl::PeriodButton)},
      {"Edge", false, full(Ctl::TimePeriodPage, Ctl::EdgeButton)},
      {"Width", false, full(Ctl::TimePeriodPage, Ctl::WidthButton)},
      {"IntvalDelays", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::IntvalButton);
         p.select(Ctl::ArmStartList, 1);
         p.select(Ctl::ArmStartDelayList, 1);
         p.select(Ctl::ArmStopDelayList, 1);
       }},
      {"IntvalEvents", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::IntvalButton);
         p.select(Ctl::ArmStartList, 1);
         p.select(Ctl::ArmStartDelayList, 2);
         p.select(Ctl::ArmStopDelayList, 2);
       }},
      {"Phase", false, full(Ctl::OtherMeasPage, Ctl::PhaseButton)},
      {"Duty", false, full(Ctl::OtherMeasPage, Ctl::DutyCycleButton)},
      {"TotalTime", false, full(Ctl::OtherMeasPage, Ctl::TotalButton)},
      {"TotalExtStopTime", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::TotalButton);
         p.select(Ctl::TotalStartList, 2);
         p.select(Ctl::TotalStopList, 2);
       }},
      {"CompactFreq", true, [](Panel&) {}},
      {"CompactPeriodExtStopTime", true,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.select(Ctl::CompactGateList, 1);
         p.select(Ctl::CompactStopList, 3);
       }},
      {"CompactTotalExtStopTime", true,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::CompactGateList, 2);
         p.select(Ctl::CompactStopList, 3);
       }},
      {"CompactTotalTime", true,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::GateExtArmPage);
       }},
  };
}

TEST(RunStartCommandGrammar, BadEditTextsNeverMakeAMalformedCommand) {
  int programs = 0;
  for (const Setting& setting : settings()) {
    for (const char* bad : kBadTexts) {
      for (int unit = 0; unit < 5; ++unit) {
        SCOPED_TRACE(std::string(setting.name) + " text \"" + bad + "\" unit " +
                     std::to_string(unit));
        Panel p;
        setting.compact ? p.identifyCompact() : p.identifyFull();
        setting.setup(p);
        // Limits, scale/offset and statistics on; absolute levels on both inputs.
        for (Ctl box : {Ctl::SetLimitBox, Ctl::SetScaleOffsetBox, Ctl::StatsShowBox,
                        Ctl::CompactSetLimitBox, Ctl::CompactScaleOffsetBox}) {
          p.check(box);
        }
        p.select(Ctl::In1LevelMode, 1);
        p.select(Ctl::In2LevelMode, 1);
        for (Ctl edit : kNumericEdits) p.text(edit, bad);
        for (Ctl list : kUnitLists) p.select(list, unit);
        const measure::RunStartProgram first = p.program();
        for (const std::string& command : first.commands) expectWellFormed(command);
        const measure::RunStartProgram second = p.program();
        EXPECT_EQ(second.commands, first.commands);
        EXPECT_EQ(second.levelError.has_value(), first.levelError.has_value());
        ++programs;
      }
    }
  }
  EXPECT_GT(programs, 1000);
}

TEST(RunStartCommandGrammar, NumbersWithTrailingTextAreSentAsTheirNumber) {
  Panel p;
  p.identifyFull();
  p.text(Ctl::GateTimeEdit, "5 apples");
  p.panel.press(Ctl::LimitModesPage);
  p.text(Ctl::UpperEdit, "  12.5kHz");
  p.select(Ctl::In1LevelMode, 1);
  p.text(Ctl::In1LevelEdit, "1.5V");
  const auto commands = p.commands();
  EXPECT_EQ(commands[3], "FREQuency:ARM:STOP:TIMer 5");
  EXPECT_EQ(commands[5], "CALCulate2:LIMit:UPPer 12.5  HZ");
  EXPECT_NE(std::find(commands.begin(), commands.end(), "EVEN:LEV:ABS 1.5"), commands.end());
  EXPECT_EQ(p.c(Ctl::GateTimeEdit).text, "5");
  EXPECT_EQ(p.c(Ctl::UpperEdit).text, "12.5");
  EXPECT_EQ(p.c(Ctl::In1LevelEdit).text, "1.5");
}

}  // namespace
