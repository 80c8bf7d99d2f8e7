// Golden command sequences of Run Start for representative panel settings of every function on
// both models, the number rules on edit texts and the level check.

#include "measure/run_start_program.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "panel_fixture.h"

namespace {

using measure::Ctl;
using paneltest::Panel;
using Commands = std::vector<std::string>;

Commands operator+(Commands a, const Commands& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Input conditioning at its defaults ("Auto", "50", "Pos", "High", "AC", "1M ohm", boxes off).
const Commands kInput1Defaults = {"EVEN:LEV:AUTO 1", "EVEN:LEV:REL 50", "EVEN:SLOP POS",
                                  "EVEN:HYST:REL 0", "INP:COUP AC",     "INP:IMP 1000000",
                                  "INP:ATT 1",       "INP:FILT 0"};
const Commands kInput2Defaults = {"EVEN2:LEV:AUTO 1", "EVEN2:LEV:REL 50", "EVEN2:SLOP POS",
                                  "EVEN2:HYST:REL 0", "INP2:COUP AC",     "INP2:IMP 1000000",
                                  "INP2:ATT 1",       "INP2:FILT 0"};
const Commands kGateTime01 = {"FREQuency:ARM:STARt:SOURce IMM", "FREQuency:ARM:STOP:SOURce TIMer",
                              "FREQuency:ARM:STOP:TIMer 0.1"};
const Commands kNoLimitScaleStatistics = {"CALCulate2:LIMit:STATe OFF",
                                          "SYST:COMM:SER:CONT:DTR OFF", "CALC:MATH:STATE OFF",
                                          "CALC3:AVER:STATE OFF"};

struct GoldenCase {
  const char* name;
  bool compact;
  std::function<void(Panel&)> setup;
  Commands expected;
};

void runGolden(const std::vector<GoldenCase>& cases) {
  for (const GoldenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p;
    if (c.compact) {
      p.identifyCompact();
    } else {
      p.identifyFull();
    }
    c.setup(p);
    const measure::RunStartProgram program = p.program();
    EXPECT_FALSE(program.levelError.has_value());
    EXPECT_EQ(program.commands, c.expected);
  }
}

TEST(RunStartFullProgram, GoldenSequencesOfEveryFunction) {
  runGolden({
      {"FreqWithEverythingAtItsDefault", false, [](Panel&) {},
       Commands{"FUNC 'FREQ 1'"} + kGateTime01 + kNoLimitScaleStatistics + kInput1Defaults},
      {"FreqInput2ExternalGateStoppedByATimeBelowTheFloor", false,
       [](Panel& p) {
         p.select(Ctl::FreqInput, 1);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::GateList, 1);
         p.select(Ctl::StartSlopeList, 1);
         p.select(Ctl::StopList, 3);
         p.text(Ctl::StopTimeEdit, "0.0005");
       },
       Commands{"FUNC 'FREQ 2'", "FREQuency:ARM:STARt:SOURce EXTernal",
                "FREQuency:ARM:STARt:SLOPe NEGative", "FREQuency:ARM:STOP:SOURce TIMer",
                "FREQuency:ARM:STOP:TIMer 1S"} +
           kNoLimitScaleStatistics + kInput2Defaults},
      {"FreqInput3WithAutoGateSendsNoConditioning", false,
       [](Panel& p) {
         p.select(Ctl::FreqInput, 2);
         p.select(Ctl::GateList, 2);
       },
       Commands{"FUNC 'FREQ 3'", "FREQuency:ARM:STARt:SOURce IMM",
                "FREQuency:ARM:STOP:SOURce IMM"} +
           kNoLimitScaleStatistics},
      {"FreqExternalGateStopsOnEachSlopeOrAutomatically", false,
       [](Panel& p) {
         p.select(Ctl::GateList, 1);
         p.select(Ctl::StopList, 1);
       },
       Commands{"FUNC 'FREQ 1'", "FREQuency:ARM:STARt:SOURce EXTernal",
                "FREQuency:ARM:STARt:SLOPe POSitive", "FREQuency:ARM:STOP:SOURce EXTernal",
                "FREQuency:ARM:STOP:SLOPe POSitive"} +
           kNoLimitScaleStatistics + kInput1Defaults},
      {"Ratio2to1WithTimeBaseLimitsAndOutputLine", false,
       [](Panel& p) {
         p.panel.press(Ctl::RatioButton);
         p.select(Ctl::RatioList, 2);
         p.panel.press(Ctl::LimitModesPage);
         p.text(Ctl::UpperEdit, "10");
         p.select(Ctl::UpperUnit, 3);
         p.text(Ctl::LowerEdit, "10");
         p.select(Ctl::LowerUnit, 1);
         p.select(Ctl::OnFailList, 1);
         p.check(Ctl::OutBox);
         p.select(Ctl::OutPortList, 1);
         p.panel.press(Ctl::UtilityPage);
         p.select(Ctl::TimeBaseList, 1);
       },
       Commands{"CONF:FREQ:RAT (@2),(@1)", "ROSC:SOURCE INT"} + kGateTime01 +
           Commands{"CALCulate2:LIMit:STATe ON", "CALCulate2:LIMit:UPPer 10 KHZ",
                    "CALCulate2:LIMit:LOWer 10000.000000 uHZ", "INIT:AUTO ON",
                    "SYST:COMM:SER:CONT:DTR LIM", "SYST:COMM:SER:SOUR DB9", "CALC:MATH:STATE OFF",
                    "CALC3:AVER:STATE OFF"} +
           kInput1Defaults + kInput2Defaults},
      {"Ratio1to3ProgramsOnlyInput1", false,
       [](Panel& p) {
         p.panel.press(Ctl::RatioButton);
         p.select(Ctl::RatioList, 1);
       },
       Commands{"CONF:FREQ:RAT (@1),(@3)"} + kGateTime01 + kNoLimitScaleStatistics +
           kInput1Defaults},
      {"Ratio3to1AndTimeBaseExt", false,
       [](Panel& p) {
         p.panel.press(Ctl::RatioButton);
         p.select(Ctl::RatioList, 3);
         p.panel.press(Ctl::UtilityPage);
         p.select(Ctl::TimeBaseList, 2);
       },
       Commands{"CONF:FREQ:RAT (@3),(@1)", "ROSC:SOURCE EXT"} + kGateTime01 +
           kNoLimitScaleStatistics + kInput1Defaults},
      {"PeriodWithTimeLimitsScaleOffsetAndUntouchedStatistics", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::LimitModesPage);
         p.text(Ctl::UpperEdit, "2.5");
         p.select(Ctl::UpperUnit, 0);
         p.text(Ctl::LowerEdit, "1");
         p.select(Ctl::LowerUnit, 4);
         p.panel.press(Ctl::ScaleOffsetPage);
         p.text(Ctl::ScaleEdit, "2");
         p.select(Ctl::ScaleUnit, 3);
         p.text(Ctl::OffsetEdit, "3");
         p.select(Ctl::OffsetUnit, 4);
         p.check(Ctl::StatsShowBox);
       },
       Commands{"CONF:PER (@1)"} + kGateTime01 +
           Commands{"CALCulate2:LIMit:STATe ON", "CALCulate2:LIMit:UPPer 2.5 pS",
                    "CALCulate2:LIMit:LOWer 1  S", "INIT:AUTO OFF", "SYST:COMM:SER:CONT:DTR OFF",
                    "CALC:MATH:STATE ON", "TRACE SCALE,2000.0000000000000000",
                    "TRACE OFFSET,3000.000000 KS", "CALC3:AVER:STATE ON",
                    "CALC3:AVERAGE:TYPE Delta", "CALC3:AVER:COUNT 2", "CALCulate3:LFILter:STATe ON",
                    "TRIGger:COUNt:AUTO ON"} +
           kInput1Defaults},
      {"PeriodInput3", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.select(Ctl::PeriodInput, 2);
       },
       Commands{"CONF:PER (@3)"} + kGateTime01 + kNoLimitScaleStatistics},
      {"EdgeFallWithExternalStartDisablesSlopesAndInput2Settings", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::EdgeButton);
         p.select(Ctl::EdgeList, 1);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::StartSourceList, 1);
         p.select(Ctl::StartSourceSlopeList, 1);
       },
       Commands{"CONF:FTIM", "TINTerval:ARM:STARt:SOURce EXTernal",
                "TINTerval:ARM:STARt:SLOPe NEGative"} +
           kNoLimitScaleStatistics +
           Commands{"EVEN:LEV:AUTO 1", "EVEN:LEV:REL 90", "EVEN:HYST:REL 0", "INP:COUP AC",
                    "INP:IMP 1000000", "INP:ATT 1", "INP:FILT 0", "EVEN2:LEV:AUTO 1",
                    "EVEN2:LEV:REL 10"}},
      {"EdgeRise", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::EdgeButton);
       },
       Commands{"CONF:RTIM", "TINTerval:ARM:STARt:SOURce IMM"} + kNoLimitScaleStatistics +
           Commands{"EVEN:LEV:AUTO 1", "EVEN:LEV:REL 10", "EVEN:HYST:REL 0", "INP:COUP AC",
                    "INP:IMP 1000000", "INP:ATT 1", "INP:FILT 0", "EVEN2:LEV:AUTO 1",
                    "EVEN2:LEV:REL 90"}},
      {"WidthNegWithoutSlopes", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::WidthButton);
         p.select(Ctl::WidthList, 1);
       },
       Commands{"CONF:NWID", "TINTerval:ARM:STARt:SOURce IMM"} + kNoLimitScaleStatistics +
           Commands{"EVEN:LEV:AUTO 1", "EVEN:LEV:REL 50", "EVEN:HYST:REL 0", "INP:COUP AC",
                    "INP:IMP 1000000", "INP:ATT 1", "INP:FILT 0", "EVEN2:LEV:AUTO 1",
                    "EVEN2:LEV:REL 50", "EVEN2:HYST:REL 0", "INP2:COUP AC", "INP2:IMP 1000000",
                    "INP2:ATT 1", "INP2:FILT 0"}},
      {"IntvalExternalArmingClampsTheDelayAndTheEventCount", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::IntvalButton);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::ArmStartList, 1);
         p.select(Ctl::ArmStartDelayList, 1);
         p.text(Ctl::ArmStartDelayEdit, "5");
         p.select(Ctl::ArmStartSlopeList, 1);
         p.select(Ctl::ArmStopList, 1);
         p.select(Ctl::ArmStopSlopeList, 0);
         p.select(Ctl::ArmStopDelayList, 2);
         p.text(Ctl::ArmStopCountEdit, "0");
         p.select(Ctl::ComList, 1);
       },
       Commands{"CONF:TINT", ":TINTerval:ARM:ESTART:LAYer2:SOURce EXT",
                ":TINTerval:ARM:ESTART:LAYer1:SOURce TIM", ":TINTerval:ARM:ESTOP:LAYer2:SOURce EXT",
                "TINTerval:ARM:ESTART:TIMer 0.999", "TINTerval:ARM:ESTART:LAYer2:SLOPe NEGative",
                "TINTerval:ARM:ESTOP:LAYer2:SLOPe POSitive",
                ":TINTerval:ARM:ESTOP:LAYer1:SOURce INTernal2", "TINTerval:ARM:ESTOP:ECOunt 1"} +
           kNoLimitScaleStatistics + kInput1Defaults + kInput2Defaults +
           Commands{"EVENt2:FEED \"INPut1\""}},
      {"IntvalStartEventCountAboveTheCeilingAndNoStopDelay", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::IntvalButton);
         p.select(Ctl::ArmStartList, 1);
         p.select(Ctl::ArmStartDelayList, 2);
         p.text(Ctl::ArmStartCountEdit, "123456789");
       },
       Commands{"CONF:TINT", ":TINTerval:ARM:ESTART:LAYer2:SOURce EXT",
                ":TINTerval:ARM:ESTART:LAYer1:SOURce INTernal1",
                ":TINTerval:ARM:ESTOP:LAYer2:SOURce IMM", "TINTerval:ARM:ESTARt:ECOunt 99999999",
                "TINTerval:ARM:ESTART:LAYer2:SLOPe POSitive",
                ":TINTerval:ARM:ESTOP:LAYer1:SOURce IMM"} +
           kNoLimitScaleStatistics + kInput1Defaults + kInput2Defaults +
           Commands{"EVENt2:FEED \"INPut2\""}},
      {"IntvalAutoArmingWithAStopDelayBelowTheFloor", false,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::IntvalButton);
         p.select(Ctl::ArmStopDelayList, 1);
         p.text(Ctl::ArmStopDelayEdit, "0");
       },
       Commands{"CONF:TINT", ":TINTerval:ARM:ESTART:LAYer2:SOURce IMM",
                ":TINTerval:ARM:ESTART:LAYer1:SOURce IMM", ":TINTerval:ARM:ESTOP:LAYer2:SOURce IMM",
                ":TINTerval:ARM:ESTOP:LAYer1:SOURce TIM", "TINTerval:ARM:ESTOP:TIMer 0.0000001"} +
           kNoLimitScaleStatistics + kInput1Defaults + kInput2Defaults +
           Commands{"EVENt2:FEED \"INPut2\""}},
      {"VoltInput2ClearsItsBoxesAndSkipsArmingLimitsScaleAndStatistics", false,
       [](Panel& p) {
         p.panel.press(Ctl::VoltPage);
         p.select(Ctl::VoltInput, 1);
         p.select(Ctl::VoltShow, 2);
         p.select(Ctl::VoltMode, 1);
         p.panel.press(Ctl::UtilityPage);
         p.check(Ctl::SetLimitBox);
         p.check(Ctl::SetScaleOffsetBox);
         p.check(Ctl::StatsShowBox);
       },
       Commands{"CONF:VOLT:MIN (@2)", "VOLT:MODE FAST", "ROSC:SOURCE:AUTO ON", "INP2:COUP AC",
                "INP2:IMP 1000000", "INP2:ATT 1", "INP2:FILT 0"}},
      {"VoltInput1PeakToPeakSlow", false, [](Panel& p) { p.panel.press(Ctl::VoltPage); },
       Commands{"CONF:VOLT:PTP (@1)", "VOLT:MODE SLOW", "INP:COUP AC", "INP:IMP 1000000",
                "INP:ATT 1", "INP:FILT 0"}},
      {"PhaseWithAZeroUpperLimitAndStatisticsSet", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::LimitModesPage);
         p.text(Ctl::LowerEdit, "-90");
         p.check(Ctl::StatsShowBox);
         p.select(Ctl::StatsTypeList, 1);
         p.text(Ctl::StatsCountEdit, "10");
         p.select(Ctl::StatsUseList, 0);
         p.select(Ctl::StatsSingleList, 0);
       },
       Commands{"CONF:PHAS", "PHASe:ARM:STARt:SOURce IMMediate", "CALCulate2:LIMit:STATe ON",
                "CALCulate2:LIMit:UPPer 0Deg", "CALCulate2:LIMit:LOWer -90  Deg", "INIT:AUTO OFF",
                "SYST:COMM:SER:CONT:DTR OFF", "CALC:MATH:STATE OFF", "CALC3:AVER:STATE ON",
                "CALC3:AVERAGE:TYPE SDEV", "CALC3:AVER:COUNT 10", "CALCulate3:LFILter:STATe OFF",
                "TRIGger:COUNt:AUTO OFF"} +
           kInput1Defaults + kInput2Defaults},
      {"PhaseExternalStartWithPhaseOffset", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.select(Ctl::StartSourceList, 1);
         p.select(Ctl::StartSourceSlopeList, 1);
         p.panel.press(Ctl::ScaleOffsetPage);
         p.text(Ctl::OffsetEdit, "45");
       },
       Commands{"CONF:PHAS", "PHASe:ARM:STARt:SOURce EXTernal", "PHASe:ARM:STARt:SLOPe NEGative",
                "CALCulate2:LIMit:STATe OFF", "SYST:COMM:SER:CONT:DTR OFF", "CALC:MATH:STATE ON",
                "TRACE SCALE,1.0000000000000000", "TRACE OFFSET,45  Deg", "CALC3:AVER:STATE OFF"} +
           kInput1Defaults + kInput2Defaults},
      {"DutyCycleSendsPlainNumbers", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::DutyCycleButton);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::StartSourceList, 1);
         p.panel.press(Ctl::LimitModesPage);
         p.text(Ctl::UpperEdit, "5");
         p.select(Ctl::UpperUnit, 0);
         p.text(Ctl::LowerEdit, "2");
         p.select(Ctl::LowerUnit, 3);
         p.panel.press(Ctl::ScaleOffsetPage);
         p.text(Ctl::OffsetEdit, "4");
         p.select(Ctl::OffsetUnit, 1);
       },
       Commands{"CONF:DCYC",
                "TINTerval:ARM:STARt:SOURce EXTernal",
                "TINTerval:ARM:STARt:SLOPe POSitive",
                "CALCulate2:LIMit:STATe ON",
                "CALCulate2:LIMit:UPPer 0.0000050000000000",
                "CALCulate2:LIMit:LOWer 2000.0000000000000000",
                "INIT:AUTO OFF",
                "SYST:COMM:SER:CONT:DTR OFF",
                "CALC:MATH:STATE ON",
                "TRACE SCALE,1.0000000000000000",
                "TRACE OFFSET,0.0040000000000000",
                "CALC3:AVER:STATE OFF",
                "EVEN:LEV:AUTO 1",
                "EVEN:LEV:REL 50",
                "EVEN:HYST:REL 0",
                "INP:COUP AC",
                "INP:IMP 1000000",
                "INP:ATT 1",
                "INP:FILT 0",
                "EVEN2:LEV:AUTO 1",
                "EVEN2:LEV:REL 50",
                "EVEN2:HYST:REL 0",
                "INP2:COUP AC",
                "INP2:IMP 1000000",
                "INP2:ATT 1",
                "INP2:FILT 0"}},
      {"TotalExternalStartStoppedByTimeClearsItsBoxes", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::TotalButton);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::TotalStartList, 2);
         p.select(Ctl::StartSlopeList, 1);
         p.select(Ctl::TotalStopList, 2);
         p.text(Ctl::StopTimeEdit, "0.5");
         p.check(Ctl::SetLimitBox);
         p.check(Ctl::SetScaleOffsetBox);
         p.check(Ctl::StatsShowBox);
       },
       Commands{"CONF:TOTalize:TIMED (@1)", "TOTalize:ARM:STARt:SOURce EXTernal",
                "TOTalize:ARM:STARt:SLOPe NEGative", "TOTalize:ARM:STOP:SOURce TIMer",
                "TOTalize:ARM:STOP:TIMer 0.5S"} +
           kInput1Defaults},
      {"TotalTimedGateBelowTheFloor", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::TotalButton);
         p.text(Ctl::GateTimeEdit, "0.0001");
       },
       Commands{"CONF:TOTalize:TIMED (@1)", "TOTalize:ARM:STOP:TIMer 1S"} + kInput1Defaults},
      {"TotalAutoStart", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::TotalButton);
         p.select(Ctl::TotalStartList, 1);
       },
       Commands{"CONF:TOTalize:TIMED (@1)", "TOTalize:ARM:STARt:SOURce IMM"} + kInput1Defaults},
      {"AbsoluteLevelsAtTheBoundsWithAndWithoutAttenuator", false,
       [](Panel& p) {
         p.panel.press(Ctl::RatioButton);
         p.select(Ctl::In1LevelMode, 1);
         p.text(Ctl::In1LevelEdit, "5.125");
         p.select(Ctl::In2LevelMode, 1);
         p.text(Ctl::In2LevelEdit, "-51.25");
         p.check(Ctl::In2Atten);
         p.check(Ctl::In2Filter);
         p.select(Ctl::In2Slope, 1);
         p.select(Ctl::In2Sens, 2);
         p.select(Ctl::In2Coupl, 1);
         p.select(Ctl::In2Imped, 1);
       },
       Commands{"CONF:FREQ:RAT (@1),(@2)"} + kGateTime01 + kNoLimitScaleStatistics +
           Commands{"EVEN:LEV:AUTO 0", "EVEN:LEV:ABS 5.125", "EVEN:SLOP POS", "EVEN:HYST:REL 0",
                    "INP:COUP AC", "INP:IMP 1000000", "INP:ATT 1", "INP:FILT 0", "EVEN2:LEV:AUTO 0",
                    "EVEN2:LEV:ABS -51.25", "EVEN2:SLOP NEG", "EVEN2:HYST:REL 100", "INP2:COUP DC",
                    "INP2:IMP 50", "INP2:ATT 10", "INP2:FILT 1"}},
      {"MiddleSensitivityAndAZeroLevel", false,
       [](Panel& p) {
         p.select(Ctl::In1LevelMode, 1);
         p.text(Ctl::In1LevelEdit, "0.000");
         p.select(Ctl::In1Sens, 1);
       },
       Commands{"FUNC 'FREQ 1'"} + kGateTime01 + kNoLimitScaleStatistics +
           Commands{"EVEN:LEV:AUTO 0", "EVEN:LEV:ABS 0", "EVEN:SLOP POS", "EVEN:HYST:REL 50",
                    "INP:COUP AC", "INP:IMP 1000000", "INP:ATT 1", "INP:FILT 0"}},
      {"ZeroScaleAndOffsetAreSentAsZeroTexts", false,
       [](Panel& p) {
         p.panel.press(Ctl::ScaleOffsetPage);
         p.text(Ctl::ScaleEdit, "0");
         p.text(Ctl::OffsetEdit, "");
       },
       Commands{"FUNC 'FREQ 1'"} + kGateTime01 +
           Commands{"CALCulate2:LIMit:STATe OFF", "SYST:COMM:SER:CONT:DTR OFF",
                    "CALC:MATH:STATE ON", "TRACE SCALE,0.0000000000000000", "TRACE OFFSET,0.0HZ",
                    "CALC3:AVER:STATE OFF"} +
           kInput1Defaults},
  });
}

TEST(RunStartCompactProgram, GoldenSequencesOfEveryFunction) {
  const Commands kCompactOff = {"CALCulate2:LIMit:STATe OFF", "CALC:MATH:STATE OFF"};
  runGolden({
      {"FreqWithEverythingAtItsDefault", true, [](Panel&) {},
       Commands{"FUNC 'FREQ 1'"} + kGateTime01 + kCompactOff + kInput1Defaults},
      {"PeriodWithLimitsScaleOffsetAndAnExternalGate", true,
       [](Panel& p) {
         p.panel.press(Ctl::TimePeriodPage);
         p.panel.press(Ctl::LimitModesPage);
         p.text(Ctl::CompactUpperEdit, "3");
         p.select(Ctl::CompactUpperUnit, 1);
         p.text(Ctl::CompactLowerEdit, "0");
         p.select(Ctl::CompactOnFailList, 1);
         p.panel.press(Ctl::ScaleOffsetPage);
         p.text(Ctl::CompactScaleEdit, "0");
         p.text(Ctl::CompactOffsetEdit, "2");
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::CompactGateList, 1);
         p.select(Ctl::CompactStopList, 2);
       },
       Commands{"CONF:PER (@1)", "FREQuency:ARM:STARt:SOURce EXTernal",
                "FREQuency:ARM:STARt:SLOPe POSitive", "FREQuency:ARM:STOP:SOURce EXTernal",
                "FREQuency:ARM:STOP:SLOPe NEGative", "CALCulate2:LIMit:STATe ON",
                "CALCulate2:LIMit:UPPer 3 nS", "CALCulate2:LIMit:LOWer 0S", "INIT:AUTO ON",
                "CALC:MATH:STATE ON", "TRACE SCALE,0.0000000000000000", "TRACE OFFSET,2  S"} +
           kInput1Defaults},
      {"FreqLimitsInMilliHertzAndTimeBase", true,
       [](Panel& p) {
         p.panel.press(Ctl::LimitModesPage);
         p.text(Ctl::CompactUpperEdit, "2");
         p.select(Ctl::CompactUpperUnit, 1);
         p.text(Ctl::CompactLowerEdit, "1");
         p.select(Ctl::CompactLowerUnit, 4);
         p.panel.press(Ctl::UtilityPage);
         p.select(Ctl::CompactTimeBaseList, 0);
       },
       Commands{"FUNC 'FREQ 1'", "ROSC:SOURCE:AUTO ON"} + kGateTime01 +
           Commands{"CALCulate2:LIMit:STATe ON", "CALCulate2:LIMit:UPPer 2000.000000 uHZ",
                    "CALCulate2:LIMit:LOWer 1 MHZ", "INIT:AUTO OFF", "CALC:MATH:STATE OFF"} +
           kInput1Defaults},
      {"VoltCenterSlowClearsBoxesAndSkipsToTheInput", true,
       [](Panel& p) {
         p.panel.press(Ctl::VoltPage);
         p.select(Ctl::CompactVoltShow, 3);
         p.check(Ctl::CompactSetLimitBox);
         p.check(Ctl::CompactScaleOffsetBox);
       },
       Commands{"CONF:VOLT:CENT (@1)", "VOLT:MODE SLOW", "INP:COUP AC", "INP:IMP 1000000",
                "INP:ATT 1", "INP:FILT 0"}},
      {"TotalExternalStopTimeBelowItsOwnFloor", true,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::CompactGateList, 2);
         p.select(Ctl::CompactStartSlopeList, 1);
         p.select(Ctl::CompactStopList, 3);
         p.text(Ctl::CompactStopTimeEdit, "0.05");
       },
       Commands{"CONF:TOTalize:TIMED (@1)", "TOTalize:ARM:STARt:SOURce EXTernal",
                "TOTalize:ARM:STARt:SLOPe NEGative", "TOTalize:ARM:STOP:SOURce TIMer",
                "TOTalize:ARM:STOP:TIMer 1S", "CALCulate2:LIMit:STATe OFF", "CALC:MATH:STATE OFF",
                "CALC3:AVER:STATE OFF"} +
           kInput1Defaults},
      {"TotalExternalStopTimeAtItsFloorAndAutoStop", true,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::CompactGateList, 2);
         p.select(Ctl::CompactStopList, 3);
         p.text(Ctl::CompactStopTimeEdit, "0.1");
       },
       Commands{"CONF:TOTalize:TIMED (@1)", "TOTalize:ARM:STARt:SOURce EXTernal",
                "TOTalize:ARM:STARt:SLOPe POSitive", "TOTalize:ARM:STOP:SOURce TIMer",
                "TOTalize:ARM:STOP:TIMer 0.1S", "CALCulate2:LIMit:STATe OFF", "CALC:MATH:STATE OFF",
                "CALC3:AVER:STATE OFF"} +
           kInput1Defaults},
      {"TotalAutoGateFromTheRefilledList", true,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::CompactGateList, 1);
       },
       Commands{"CONF:TOTalize:TIMED (@1)", "TOTalize:ARM:STARt:SOURce IMM",
                "CALCulate2:LIMit:STATe OFF", "CALC:MATH:STATE OFF", "CALC3:AVER:STATE OFF"} +
           kInput1Defaults},
  });
}

TEST(RunStartProgram, AnotherModelSendsNoConfiguration) {
  Panel p;
  p.identifyFull();
  p.modelCode = "5313";
  EXPECT_TRUE(p.commands().empty());
}

TEST(RunStartProgram, RunningCodeAndInputFlagsAreReported) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::TimePeriodPage);
  p.select(Ctl::PeriodInput, 2);
  const auto program = p.program();
  EXPECT_EQ(program.runningFunctionCode, 11);
  EXPECT_EQ(p.panel.runningFunctionCode(), 11);
  EXPECT_TRUE(program.input3Selected);
}

TEST(RunStartProgram, CorrectedEditTextsAreWrittenBack) {
  Panel p;
  p.identifyFull();
  p.text(Ctl::GateTimeEdit, "0.0005");
  p.program();
  EXPECT_EQ(p.c(Ctl::GateTimeEdit).text, "1");
  EXPECT_EQ(p.c(Ctl::StopTimeEdit).text, "1");  // the gate time is copied to the stop time

  p.panel.press(Ctl::LimitModesPage);
  p.text(Ctl::UpperEdit, "abc");
  p.text(Ctl::LowerEdit, "7");
  p.select(Ctl::LowerUnit, 1);
  p.panel.press(Ctl::ScaleOffsetPage);
  p.text(Ctl::ScaleEdit, "");
  p.text(Ctl::OffsetEdit, "0");
  p.check(Ctl::StatsShowBox);
  p.text(Ctl::StatsCountEdit, "1");
  p.program();
  EXPECT_EQ(p.c(Ctl::UpperEdit).text, "0");
  EXPECT_EQ(p.c(Ctl::LowerEdit).text, "7");  // the x1000 form is in the command only
  EXPECT_EQ(p.c(Ctl::ScaleEdit).text, "0.0");
  EXPECT_EQ(p.c(Ctl::OffsetEdit).text, "0.0");
  EXPECT_EQ(p.c(Ctl::StatsCountEdit).text, "2");
  EXPECT_TRUE(p.panel.statisticsShown());
}

TEST(RunStartProgram, TimedArmingCopiesTheSentTimeIntoTheOtherEdit) {
  const struct {
    const char* name;
    bool compact;
    std::function<void(Panel&)> setup;
    const char* gate;
    const char* stop;
  } cases[] = {
      {"FullGateTimeGoesToTheStopEdit", false, [](Panel&) {}, "0.25", "0.25"},
      {"FullTotalTimeGoesToTheStopEdit", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::TotalButton);
       },
       "0.25", "0.25"},
      {"FullTotalStopTimeGoesToTheGateEdit", false,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::TotalButton);
         p.select(Ctl::TotalStartList, 2);
         p.select(Ctl::TotalStopList, 2);
       },
       "3", "3"},
      {"CompactTotalTimeKeepsTheStopEdit", true,
       [](Panel& p) { p.panel.press(Ctl::OtherMeasPage); }, "0.25", "3"},
      {"CompactTotalStopTimeGoesToTheGateEdit", true,
       [](Panel& p) {
         p.panel.press(Ctl::OtherMeasPage);
         p.panel.press(Ctl::GateExtArmPage);
         p.select(Ctl::CompactGateList, 2);
         p.select(Ctl::CompactStopList, 3);
       },
       "3", "3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p;
    c.compact ? p.identifyCompact() : p.identifyFull();
    c.setup(p);
    const Ctl gate = c.compact ? Ctl::CompactGateTimeEdit : Ctl::GateTimeEdit;
    const Ctl stop = c.compact ? Ctl::CompactStopTimeEdit : Ctl::StopTimeEdit;
    p.text(gate, "0.25");
    p.text(stop, "3");
    p.program();
    EXPECT_EQ(p.c(gate).text, c.gate);
    EXPECT_EQ(p.c(stop).text, c.stop);
  }
}

TEST(RunStartProgram, VoltAndTotalEndWithTheirBoxesCleared) {
  for (Ctl page : {Ctl::VoltPage, Ctl::OtherMeasPage}) {
    Panel p;
    p.identifyFull();
    p.panel.press(page);
    if (page == Ctl::OtherMeasPage) p.panel.press(Ctl::TotalButton);
    p.check(Ctl::SetLimitBox);
    p.check(Ctl::SetScaleOffsetBox);
    p.check(Ctl::StatsShowBox);
    p.panel.setStatisticsShown(true);
    const auto program = p.program();
    for (const std::string& command : program.commands) {
      EXPECT_EQ(command.find("CALC"), std::string::npos) << command;
      EXPECT_EQ(command.find("TRACE"), std::string::npos) << command;
    }
    EXPECT_FALSE(p.c(Ctl::SetLimitBox).checked);
    EXPECT_FALSE(p.c(Ctl::SetScaleOffsetBox).checked);
    EXPECT_FALSE(p.c(Ctl::StatsShowBox).checked);
    EXPECT_FALSE(p.panel.statisticsShown());
    EXPECT_FALSE(program.statisticsShown);
  }
}

TEST(RunStartProgram, FrequencyLimitUnitsByListIndex) {
  const struct {
    const char* name;
    int index;
    const char* upper;
  } cases[] = {
      {"MicroHertz", 0, "CALCulate2:LIMit:UPPer 10 uHZ"},
      {"MilliHertzTimes1000InMicro", 1, "CALCulate2:LIMit:UPPer 10000.000000 uHZ"},
      {"HertzWithABlankPrefix", 2, "CALCulate2:LIMit:UPPer 10  HZ"},
      {"KiloHertz", 3, "CALCulate2:LIMit:UPPer 10 KHZ"},
      {"MegaHertz", 4, "CALCulate2:LIMit:UPPer 10 MHZ"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p;
    p.identifyFull();
    p.panel.press(Ctl::LimitModesPage);
    p.text(Ctl::UpperEdit, "10");
    p.select(Ctl::UpperUnit, c.index);
    const auto commands = p.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), c.upper), commands.end());
  }
}

TEST(RunStartProgram, StatisticsTypeIsSentAsTheEntryShown) {
  const struct {
    int index;
    const char* command;
  } cases[] = {{-1, "CALC3:AVERAGE:TYPE Delta"}, {0, "CALC3:AVERAGE:TYPE Meas"},
               {1, "CALC3:AVERAGE:TYPE SDEV"},   {2, "CALC3:AVERAGE:TYPE MEAN"},
               {3, "CALC3:AVERAGE:TYPE MAX"},    {4, "CALC3:AVERAGE:TYPE MIN"}};
  for (const auto& c : cases) {
    Panel p;
    p.identifyFull();
    p.check(Ctl::StatsShowBox);
    p.select(Ctl::StatsTypeList, c.index);
    const auto commands = p.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), c.command), commands.end())
        << p.c(Ctl::StatsTypeList).selected;
  }
}

TEST(RunStartProgram, LevelOutOfRangeStopsTheSequenceWithItsKey) {
  const struct {
    const char* name;
    const char* level;
    bool x10;
    const char* key;
  } cases[] = {
      {"JustAboveWithoutAttenuator", "5.126", false, "768"},
      {"JustBelowWithoutAttenuator", "-5.126", false, "768"},
      {"AboveWithAttenuator", "51.26", true, "769"},
      {"HugeWithAttenuator", "1e999", true, "769"},
      {"NegativeHugeWithoutAttenuator", "-1e999", false, "768"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p;
    p.identifyFull();
    p.select(Ctl::In1LevelMode, 1);
    p.text(Ctl::In1LevelEdit, c.level);
    p.check(Ctl::In1Atten, c.x10);
    const auto program = p.program();
    ASSERT_TRUE(program.levelError.has_value());
    EXPECT_EQ(program.levelError->key, c.key);
    EXPECT_EQ(program.levelError->input, 1);
    EXPECT_EQ(program.levelError->text, p.texts.get(c.key));
    EXPECT_EQ(program.commands, Commands{"FUNC 'FREQ 1'"} + kGateTime01 + kNoLimitScaleStatistics);
  }
  EXPECT_EQ(measure::Texts().get("768"),
            "Out of range! Please re-enter a Level's value between (-5.125) to 5.125.");
  EXPECT_EQ(measure::Texts().get("769"),
            "Out of range! Please re-enter a Level's value between (-51.25) to 51.25.");
}

TEST(RunStartProgram, EachInputIsCheckedAgainstItsOwnAttenuator) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::RatioButton);
  p.select(Ctl::In1LevelMode, 1);
  p.text(Ctl::In1LevelEdit, "20");
  p.check(Ctl::In1Atten);
  p.select(Ctl::In2LevelMode, 1);
  p.text(Ctl::In2LevelEdit, "20");
  const auto program = p.program();
  ASSERT_TRUE(program.levelError.has_value());
  EXPECT_EQ(program.levelError->input, 2);
  EXPECT_EQ(program.levelError->key, "768");
  EXPECT_EQ(program.commands.back(), "INP:FILT 0");  // input 1 went out before the error
}

TEST(RunStartNumberRules, GateAndStopTimes) {
  const struct {
    const char* edit;
    double floor;
    const char* sent;
  } cases[] = {
      {"0.0005", 0.001, "1"},    {"0.001", 0.001, "0.001"}, {"2.5", 0.001, "2.5"},
      {"", 0.001, "1"},          {"abc", 0.001, "1"},       {"-3", 0.001, "1"},
      {"nan", 0.001, "1"},       {"1e999", 0.001, "1"},     {"5 apples", 0.001, "5"},
      {"  0.5  ", 0.001, "0.5"}, {"1e-2", 0.001, "1e-2"},   {"0.05", 0.1, "1"},
      {"0.1", 0.1, "0.1"},
  };
  for (const auto& c : cases) {
    const auto r = measure::gateTime(c.edit, c.floor);
    EXPECT_EQ(r.text, c.sent) << '"' << c.edit << '"';
    EXPECT_EQ(r.changed, r.text != c.edit) << c.edit;
  }
}

TEST(RunStartNumberRules, ArmingDelaysAndEventCounts) {
  const struct {
    const char* edit;
    const char* delay;
    const char* count;
  } cases[] = {
      {"5", "0.999", "5"},
      {"0", "0.0000001", "1"},
      {"0.999", "0.999", "1"},
      {"0.0000001", "0.0000001", "1"},
      {"0.5x", "0.5", "1"},
      {"123456789", "0.999", "99999999"},
      {"99999999", "0.999", "99999999"},
      {"1e999", "0.999", "99999999"},
      {"-1e999", "0.0000001", "1"},
      {"7 events", "0.999", "7"},
      {"", "0.0000001", "1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(measure::armingDelay(c.edit).text, c.delay) << c.edit;
    EXPECT_EQ(measure::eventCount(c.edit).text, c.count) << c.edit;
  }
}

TEST(RunStartNumberRules, StatisticsCountIsAWholeNumberOfAtLeastTwo) {
  const struct {
    const char* edit;
    const char* sent;
  } cases[] = {{"", "2"},     {"1", "2"},   {"2", "2"},     {"-5", "2"},   {"abc", "2"},
               {"10 ", "10"}, {"3.5", "3"}, {"1e999", "2"}, {"100", "100"}};
  for (const auto& c : cases) EXPECT_EQ(measure::statisticsCount(c.edit).text, c.sent) << c.edit;
}

TEST(RunStartProgram, MeasurementCaptionNamesTheFunction) {
  const measure::Texts english;
  EXPECT_EQ(measure::measurementCaption(english, 0), "Freq Measurement");
  EXPECT_EQ(measure::measurementCaption(english, 33), "Total CH1 Measurement");
  EXPECT_EQ(measure::measurementCaption(english, 31), "Phase 1to2 Measurement");
}

}  // namespace
