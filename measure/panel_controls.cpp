#include "measure/panel_controls.h"

#include <vector>

namespace measure {
namespace {

// List entries, in list order. The English text of an entry is also the name Run Start
// decodes the selection by.
constexpr PanelText kChannels3[] = {{"511", "CH1"}, {"512", "CH2"}, {"520", "CH3"}};
constexpr PanelText kChannels2[] = {{"511", "CH1"}, {"512", "CH2"}};
constexpr PanelText kRatios[] = {
    {"631", "1_to_2"}, {"632", "1_to_3"}, {"633", "2_to_1"}, {"634", "3_to_1"}};
constexpr PanelText kIntvals[] = {{"631", "1_to_2"}};
constexpr PanelText kEdges[] = {{"587", "Rise"}, {"588", "Fall"}};
constexpr PanelText kSlopes[] = {{"533", "Pos"}, {"534", "Neg"}};
constexpr PanelText kVoltModes[] = {{"592", "Slow"}, {"593", "Fast"}};
constexpr PanelText kVoltShows[] = {
    {"635", "Vpp"}, {"636", "Vmax"}, {"637", "Vmin"}, {"638", "Vc"}};
constexpr PanelText kTimeBases[] = {{"598", "Auto"}, {"599", "Int"}, {"600", "Ext"}};
constexpr PanelText kGates[] = {{"602", "Time"}, {"600", "Ext"}, {"598", "Auto"}};
constexpr PanelText kTotalGates[] = {{"602", "Time"}, {"598", "Auto"}, {"600", "Ext"}};
constexpr PanelText kStops[] = {{"598", "Auto"}, {"533", "Pos"}, {"534", "Neg"}, {"602", "Time"}};
constexpr PanelText kAutoExt[] = {{"598", "Auto"}, {"600", "Ext"}};
constexpr PanelText kTotalStops[] = {{"533", "Pos"}, {"534", "Neg"}, {"602", "Time"}};
constexpr PanelText kArmDelays[] = {{"807", "None"}, {"602", "Time"}, {"808", "Event"}};
constexpr PanelText kCom[] = {{"1149", "OFF"}, {"1150", "ON"}};
constexpr PanelText kFreqUnits[] = {{"", "uHz"}, {"", "mHz"}, {"", "Hz"}, {"", "KHz"}, {"", "MHz"}};
constexpr PanelText kTimeUnits[] = {
    {"", "pSec"}, {"", "nSec"}, {"", "uSec"}, {"", "mSec"}, {"", "Sec"}};
constexpr PanelText kPhaseUnits[] = {
    {"", "uDeg"}, {"", "mDeg"}, {"", "Deg"}, {"", "KDeg"}, {"", "MDeg"}};
constexpr PanelText kPlainUnits[] = {{"", "u"}, {"", "m"}, {"", "1"}, {"", "K"}, {"", "M"}};
constexpr PanelText kOnFail[] = {{"629", "Go on"}, {"1127", "Stop"}};
constexpr PanelText kOutPorts[] = {{"", "USB"}, {"", "DB9"}};
constexpr PanelText kStatsTypes[] = {
    {"1132", "Meas"}, {"1133", "Stdev"}, {"1134", "Mean"}, {"1135", "Max"}, {"1136", "Min"}};
constexpr PanelText kStatsUse[] = {{"1137", "All"}, {"1138", "InLimit"}};
constexpr PanelText kStatsSingle[] = {{"1139", "Once"}, {"1140", "N"}};
constexpr PanelText kLevelModes[] = {{"531", "Auto"}, {"532", "Absolute"}};
constexpr PanelText kPercents[] = {{"", "0"},  {"", "10"}, {"", "20"}, {"", "30"},
                                   {"", "40"}, {"", "50"}, {"", "60"}, {"", "70"},
                                   {"", "80"}, {"", "90"}, {"", "100"}};
constexpr PanelText kSensitivities[] = {{"535", "High"}, {"536", "Middle"}, {"537", "Low"}};
constexpr PanelText kCouplings[] = {{"538", "AC"}, {"539", "DC"}};
constexpr PanelText kImpedances[] = {{"540", "1M ohm"}, {"541", "50 ohm"}};
constexpr PanelText kReadSpeeds[] = {
    {"", "100 ms"}, {"", "300 ms"}, {"", "500 ms"}, {"", "1000 ms"}, {"", "2000 ms"}};
constexpr PanelText kDots[] = {{"", "50"},  {"", "100"}, {"", "200"},
                               {"", "300"}, {"", "500"}, {"", "1000"}};

constexpr PanelText fixed(std::string_view text) { return {"", text}; }
constexpr PanelText kNoText{};
constexpr PanelText kStartText{"1126", "Start"};  // arming label; the run button reads "START"
constexpr PanelText kStopText{"1127", "Stop"};
constexpr PanelText kSeconds{"1151", "(sec)"};

constexpr int kNoPage = -1;
constexpr int kFreqRatio = static_cast<int>(Page::FreqRatio);
constexpr int kTimePeriod = static_cast<int>(Page::TimePeriod);
constexpr int kVolt = static_cast<int>(Page::Volt);
constexpr int kOtherMeas = static_cast<int>(Page::OtherMeas);
constexpr int kUtility = static_cast<int>(Page::Utility);
constexpr int kGateExtArm = static_cast<int>(Page::GateExtArm);
constexpr int kLimitModes = static_cast<int>(Page::LimitModes);
constexpr int kScaleOffset = static_cast<int>(Page::ScaleOffset);

using K = CtlKind;
using V = PanelVariant;

constexpr ControlDef def(Ctl id, std::string_view name, K kind, V variant, int page,
                         PanelText caption, std::span<const PanelText> entries = {},
                         int selected = -1, std::string_view text = {}, int dialogId = 0,
                         std::size_t maxLength = 0) {
  if (!entries.empty() && selected < 0) selected = 0;
  return {id, name, kind, variant, page, caption, entries, selected, text, dialogId, maxLength};
}

// A list that starts without a selection.
constexpr int kUnselected = -2;
constexpr ControlDef list(Ctl id, std::string_view name, V variant, int page,
                          std::span<const PanelText> entries, int selected = 0, int dialogId = 0) {
  return {id,   name,     K::List, variant,
          page, kNoText,  entries, selected == kUnselected ? -1 : selected,
          {},   dialogId, 0};
}

#define NAMED(id) Ctl::id, #id

const std::vector<ControlDef>& table() {
  static const std::vector<ControlDef> defs = {
      // Button bar.
      def(NAMED(FreqRatioPage), K::Button, V::Both, kNoPage, PanelText{"1119", "Freq Ratio"}, {},
          -1, {}, 1331),
      def(NAMED(TimePeriodPage), K::Button, V::Both, kNoPage, PanelText{"1120", "Time && Period"},
          {}, -1, {}, 1332),
      def(NAMED(VoltPage), K::Button, V::Both, kNoPage, PanelText{"589", "Volt"}, {}, -1, {}, 1333),
      def(NAMED(OtherMeasPage), K::Button, V::Both, kNoPage, PanelText{"1121", "Other Meas"}, {},
          -1, {}, 1334),
      def(NAMED(UtilityPage), K::Button, V::Both, kNoPage, PanelText{"1122", "Utility"}, {}, -1, {},
          1335),
      def(NAMED(GateExtArmPage), K::Button, V::Both, kNoPage, PanelText{"1123", "Gate && ExtArm"},
          {}, -1, {}, 1336),
      def(NAMED(LimitModesPage), K::Button, V::Both, kNoPage, PanelText{"1124", "Limit Modes"}, {},
          -1, {}, 1337),
      def(NAMED(ScaleOffsetPage), K::Button, V::Both, kNoPage, PanelText{"1125", "Scale && Offset"},
          {}, -1, {}, 1338),
      def(NAMED(RunButton), K::Button, V::Both, kNoPage, {"604", "START"}, {}, -1, {}, 1341),
      def(NAMED(StopButton), K::Button, V::Both, kNoPage, {"605", "STOP"}, {}, -1, {}, 1342),
      def(NAMED(Ch1Button), K::Button, V::Both, kNoPage, {"511", "CH1"}, {}, -1, {}, 1339),
      def(NAMED(Ch2Button), K::Button, V::Full, kNoPage, {"512", "CH2"}, {}, -1, {}, 1340),
      def(NAMED(Ch3Button), K::Button, V::Full, kNoPage, {"520", "CH3"}, {}, -1, {}, 1348),
      // Full panel, function pages.
      def(NAMED(FreqButton), K::Button, V::Full, kFreqRatio, {"581", "Freq"}, {}, -1, {}, 1010),
      list(NAMED(FreqInput), V::Full, kFreqRatio, kChannels3, 0, 1011),
      def(NAMED(RatioButton), K::Button, V::Full, kFreqRatio, {"582", "Ratio"}, {}, -1, {}, 1012),
      list(NAMED(RatioList), V::Full, kFreqRatio, kRatios, 0, 1013),
      def(NAMED(PeriodButton), K::Button, V::Full, kTimePeriod, {"583", "Period"}),
      list(NAMED(PeriodInput), V::Full, kTimePeriod, kChannels3),
      def(NAMED(EdgeButton), K::Button, V::Full, kTimePeriod, {"584", "Edge"}),
      list(NAMED(EdgeList), V::Full, kTimePeriod, kEdges),
      def(NAMED(WidthButton), K::Button, V::Full, kTimePeriod, {"585", "Width"}),
      list(NAMED(WidthList), V::Full, kTimePeriod, kSlopes),
      def(NAMED(IntvalButton), K::Button, V::Full, kTimePeriod, {"586", "Intval"}),
      list(NAMED(IntvalList), V::Full, kTimePeriod, kIntvals),
      def(NAMED(VoltLabel), K::Label, V::Full, kVolt, {"589", "Volt"}),
      list(NAMED(VoltInput), V::Full, kVolt, kChannels2),
      def(NAMED(VoltModeLabel), K::Label, V::Full, kVolt, {"590", "Mode"}),
      list(NAMED(VoltMode), V::Full, kVolt, kVoltModes),
      def(NAMED(VoltShowLabel), K::Label, V::Full, kVolt, {"591", "Show"}),
      list(NAMED(VoltShow), V::Full, kVolt, kVoltShows),
      def(NAMED(PhaseButton), K::Button, V::Full, kOtherMeas, {"594", "Phase 1to2"}),
      def(NAMED(DutyCycleButton), K::Button, V::Full, kOtherMeas, {"595", "Duty Cycle"}),
      def(NAMED(TotalButton), K::Button, V::Full, kOtherMeas, {"596", "Total CH1"}),
      // Full panel, "Utility".
      def(NAMED(TimeBaseBox), K::CheckBox, V::Full, kUtility, {"597", "TimeBase"}),
      list(NAMED(TimeBaseList), V::Full, kUtility, kTimeBases),
      // Full panel, "Gate && ExtArm".
      def(NAMED(GateLabel), K::Label, V::Full, kGateExtArm, {"601", "Gate"}),
      list(NAMED(GateList), V::Full, kGateExtArm, kGates),
      def(NAMED(GateTimeEdit), K::Edit, V::Full, kGateExtArm, kNoText, {}, -1, "0.1", 1035),
      def(NAMED(GateTimeUnitLabel), K::Label, V::Full, kGateExtArm, kSeconds),
      def(NAMED(StartSlopeLabel), K::Label, V::Full, kGateExtArm, kStartText),
      list(NAMED(StartSlopeList), V::Full, kGateExtArm, kSlopes),
      def(NAMED(StopLabel), K::Label, V::Full, kGateExtArm, kStopText),
      list(NAMED(StopList), V::Full, kGateExtArm, kStops),
      def(NAMED(StopTimeEdit), K::Edit, V::Full, kGateExtArm, kNoText, {}, -1, "0.1", 1042),
      def(NAMED(StopTimeUnitLabel), K::Label, V::Full, kGateExtArm, kSeconds),
      def(NAMED(StartSourceLabel), K::Label, V::Full, kGateExtArm, kStartText),
      list(NAMED(StartSourceList), V::Full, kGateExtArm, kAutoExt),
      def(NAMED(StartSourceSlopeLabel), K::Label, V::Full, kGateExtArm, PanelText{"1141", "Slop"}),
      list(NAMED(StartSourceSlopeList), V::Full, kGateExtArm, kSlopes),
      def(NAMED(TotalStartLabel), K::Label, V::Full, kGateExtArm, kStartText),
      list(NAMED(TotalStartList), V::Full, kGateExtArm, kTotalGates),
      def(NAMED(TotalStopLabel), K::Label, V::Full, kGateExtArm, kStopText),
      list(NAMED(TotalStopList), V::Full, kGateExtArm, kTotalStops),
      def(NAMED(ArmStartLabel), K::Label, V::Full, kGateExtArm, PanelText{"1142", "*ARM"}),
      list(NAMED(ArmStartList), V::Full, kGateExtArm, kAutoExt),
      def(NAMED(ArmStartDelayLabel), K::Label, V::Full, kGateExtArm, PanelText{"1143", "*Dely"}),
      list(NAMED(ArmStartDelayList), V::Full, kGateExtArm, kArmDelays),
      def(NAMED(ArmStartSlopeLabel), K::Label, V::Full, kGateExtArm, PanelText{"1144", "*Slop"}),
      list(NAMED(ArmStartSlopeList), V::Full, kGateExtArm, kSlopes),
      def(NAMED(ArmStartDelayEdit), K::Edit, V::Full, kGateExtArm, kNoText, {}, -1, {}, 0, 10),
      def(NAMED(ArmStartCountEdit), K::Edit, V::Full, kGateExtArm, kNoText, {}, -1, "4", 1043),
      def(NAMED(ArmStopLabel), K::Label, V::Full, kGateExtArm, PanelText{"1145", "Stop*"}),
      list(NAMED(ArmStopList), V::Full, kGateExtArm, kAutoExt),
      def(NAMED(ArmStopSlopeLabel), K::Label, V::Full, kGateExtArm, PanelText{"1146", "Slop*"}),
      list(NAMED(ArmStopSlopeList), V::Full, kGateExtArm, kSlopes),
      def(NAMED(ArmStopDelayLabel), K::Label, V::Full, kGateExtArm, PanelText{"1147", "Dely*"}),
      list(NAMED(ArmStopDelayList), V::Full, kGateExtArm, kArmDelays),
      def(NAMED(ArmStopDelayEdit), K::Edit, V::Full, kGateExtArm, kNoText, {}, -1, {}, 0, 10),
      def(NAMED(ArmStopCountEdit), K::Edit, V::Full, kGateExtArm, kNoText),
      // Full panel, "Limit Modes".
      def(NAMED(SetLimitBox), K::CheckBox, V::Full, kLimitModes, {"641", "Set Limit"}),
      def(NAMED(UpperLabel), K::Label, V::Full, kLimitModes, {"606", "Upper"}),
      def(NAMED(UpperEdit), K::Edit, V::Full, kLimitModes, kNoText),
      list(NAMED(UpperUnit), V::Full, kLimitModes, kFreqUnits, 2),
      def(NAMED(LowerLabel), K::Label, V::Full, kLimitModes, {"607", "Lower"}),
      def(NAMED(LowerEdit), K::Edit, V::Full, kLimitModes, kNoText),
      list(NAMED(LowerUnit), V::Full, kLimitModes, kFreqUnits, 2),
      def(NAMED(OnFailLabel), K::Label, V::Full, kLimitModes, {"628", "OnFail"}),
      list(NAMED(OnFailList), V::Full, kLimitModes, kOnFail),
      def(NAMED(OutBox), K::CheckBox, V::Full, kLimitModes, {"608", "*OUT"}),
      list(NAMED(OutPortList), V::Full, kLimitModes, kOutPorts),
      // Full panel, "Scale && Offset".
      def(NAMED(SetScaleOffsetBox), K::CheckBox, V::Full, kScaleOffset, {"642", "Set Scale/Offset"},
          {}, -1, {}, 1058),
      def(NAMED(ScaleLabel), K::Label, V::Full, kScaleOffset, {"609", "Scale"}),
      def(NAMED(ScaleEdit), K::Edit, V::Full, kScaleOffset, kNoText, {}, -1, "1.0", 1057),
      list(NAMED(ScaleUnit), V::Full, kScaleOffset, kPlainUnits, 2),
      def(NAMED(OffsetLabel), K::Label, V::Full, kScaleOffset, {"610", "Offset"}),
      def(NAMED(OffsetEdit), K::Edit, V::Full, kScaleOffset, kNoText),
      list(NAMED(OffsetUnit), V::Full, kScaleOffset, kPlainUnits, 2),
      // Full panel, statistics block.
      def(NAMED(StatsShowBox), K::CheckBox, V::Full, kNoPage, PanelText{"1128", "Show"}, {}, -1, {},
          1062),
      list(NAMED(StatsTypeList), V::Full, kNoPage, kStatsTypes, kUnselected),
      def(NAMED(StatsCountLabel), K::Label, V::Full, kNoPage, PanelText{"1129", "N CNT"}),
      def(NAMED(StatsCountEdit), K::Edit, V::Full, kNoPage, kNoText),
      def(NAMED(StatsUseLabel), K::Label, V::Full, kNoPage, PanelText{"1130", "Use"}),
      list(NAMED(StatsUseList), V::Full, kNoPage, kStatsUse, kUnselected),
      def(NAMED(StatsSingleLabel), K::Label, V::Full, kNoPage, PanelText{"1131", "Single"}),
      list(NAMED(StatsSingleList), V::Full, kNoPage, kStatsSingle, kUnselected),
      def(NAMED(ComLabel), K::Label, V::Full, kNoPage, PanelText{"1148", "Com."}),
      list(NAMED(ComList), V::Full, kNoPage, kCom),
      // Compact panel.
      def(NAMED(FreqCh1Indicator), K::Button, V::Compact, kFreqRatio,
          PanelText{"581", "Freq_CH1", "_", "511"}, {}, -1, {}, 1265),
      def(NAMED(PeriodCh1Indicator), K::Button, V::Compact, kTimePeriod,
          PanelText{"583", "Period_CH1", "_", "511"}),
      def(NAMED(VoltCh1Indicator), K::Button, V::Compact, kVolt,
          PanelText{"589", "Volt_CH1", "_", "511"}),
      def(NAMED(TotalCh1Indicator), K::Button, V::Compact, kOtherMeas,
          PanelText{"1153", "Total_CH1"}),
      def(NAMED(CompactVoltModeLabel), K::Label, V::Compact, kVolt, {"590", "Mode"}),
      list(NAMED(CompactVoltMode), V::Compact, kVolt, kVoltModes),
      def(NAMED(CompactVoltShowLabel), K::Label, V::Compact, kVolt, {"591", "Show"}),
      list(NAMED(CompactVoltShow), V::Compact, kVolt, kVoltShows),
      def(NAMED(CompactTimeBaseBox), K::CheckBox, V::Compact, kUtility, {"597", "TimeBase"}),
      list(NAMED(CompactTimeBaseList), V::Compact, kUtility, kTimeBases),
      def(NAMED(CompactGateLabel), K::Label, V::Compact, kGateExtArm, {"601", "Gate"}),
      list(NAMED(CompactGateList), V::Compact, kGateExtArm, kGates),
      def(NAMED(CompactGateTimeEdit), K::Edit, V::Compact, kGateExtArm, kNoText, {}, -1, "0.1"),
      def(NAMED(CompactGateTimeUnitLabel), K::Label, V::Compact, kGateExtArm,
          PanelText{"1152", "sec"}),
      def(NAMED(CompactStartSlopeLabel), K::Label, V::Compact, kGateExtArm, kStartText),
      list(NAMED(CompactStartSlopeList), V::Compact, kGateExtArm, kSlopes),
      def(NAMED(CompactStopLabel), K::Label, V::Compact, kGateExtArm, kStopText),
      list(NAMED(CompactStopList), V::Compact, kGateExtArm, kStops),
      def(NAMED(CompactStopTimeEdit), K::Edit, V::Compact, kGateExtArm, kNoText, {}, -1, "0.1"),
      def(NAMED(CompactStopTimeUnitLabel), K::Label, V::Compact, kGateExtArm, kSeconds),
      def(NAMED(CompactSetLimitBox), K::CheckBox, V::Compact, kLimitModes, {"641", "Set Limit"}),
      def(NAMED(CompactUpperLabel), K::Label, V::Compact, kLimitModes, {"606", "Upper"}),
      def(NAMED(CompactUpperEdit), K::Edit, V::Compact, kLimitModes, kNoText),
      list(NAMED(CompactUpperUnit), V::Compact, kLimitModes, kFreqUnits, 2),
      def(NAMED(CompactLowerLabel), K::Label, V::Compact, kLimitModes, {"607", "Lower"}),
      def(NAMED(CompactLowerEdit), K::Edit, V::Compact, kLimitModes, kNoText),
      list(NAMED(CompactLowerUnit), V::Compact, kLimitModes, kFreqUnits, 2),
      def(NAMED(CompactOnFailLabel), K::Label, V::Compact, kLimitModes, {"628", "OnFail"}),
      list(NAMED(CompactOnFailList), V::Compact, kLimitModes, kOnFail),
      def(NAMED(CompactScaleOffsetBox), K::CheckBox, V::Compact, kScaleOffset,
          PanelText{"609", "Scale_Offset", "_", "610"}, {}, -1, {}, 1292),
      def(NAMED(CompactScaleLabel), K::Label, V::Compact, kScaleOffset, {"609", "Scale"}),
      def(NAMED(CompactScaleEdit), K::Edit, V::Compact, kScaleOffset, kNoText, {}, -1, "1.0"),
      list(NAMED(CompactScaleUnit), V::Compact, kScaleOffset, kPlainUnits, 2),
      def(NAMED(CompactOffsetLabel), K::Label, V::Compact, kScaleOffset, {"610", "Offset"}),
      def(NAMED(CompactOffsetEdit), K::Edit, V::Compact, kScaleOffset, kNoText),
      list(NAMED(CompactOffsetUnit), V::Compact, kScaleOffset, kPlainUnits, 2),
      // Input conditioning.
      def(NAMED(InputGroupCaption), K::Group, V::Both, kNoPage, {"511", "CH1"}),
      def(NAMED(LevelLabel), K::Label, V::Both, kNoPage, {"513", "Level"}),
      def(NAMED(SlopeLabel), K::Label, V::Both, kNoPage, {"514", "Slope"}),
      def(NAMED(SensLabel), K::Label, V::Both, kNoPage, {"515", "Sens"}),
      def(NAMED(CouplLabel), K::Label, V::Both, kNoPage, {"516", "Coupl"}),
      def(NAMED(ImpedLabel), K::Label, V::Both, kNoPage, {"517", "Imped"}),
      list(NAMED(In1LevelMode), V::Both, kNoPage, kLevelModes),
      list(NAMED(In1LevelPercent), V::Both, kNoPage, kPercents, 5),
      def(NAMED(In1PercentLabel), K::Label, V::Both, kNoPage, fixed("(%)")),
      def(NAMED(In1LevelEdit), K::Edit, V::Both, kNoPage, kNoText),
      def(NAMED(In1VoltsLabel), K::Label, V::Both, kNoPage, fixed("(V)")),
      list(NAMED(In1Slope), V::Both, kNoPage, kSlopes),
      list(NAMED(In1Sens), V::Both, kNoPage, kSensitivities),
      list(NAMED(In1Coupl), V::Both, kNoPage, kCouplings),
      list(NAMED(In1Imped), V::Both, kNoPage, kImpedances),
      def(NAMED(In1Atten), K::CheckBox, V::Both, kNoPage, {"518", "x10 Atten"}),
      def(NAMED(In1Filter), K::CheckBox, V::Both, kNoPage, {"519", "100k Filter"}),
      list(NAMED(In2LevelMode), V::Full, kNoPage, kLevelModes),
      list(NAMED(In2LevelPercent), V::Full, kNoPage, kPercents, 5),
      def(NAMED(In2PercentLabel), K::Label, V::Full, kNoPage, fixed("(%)")),
      def(NAMED(In2LevelEdit), K::Edit, V::Full, kNoPage, kNoText),
      def(NAMED(In2VoltsLabel), K::Label, V::Full, kNoPage, fixed("(V)")),
      list(NAMED(In2Slope), V::Full, kNoPage, kSlopes),
      list(NAMED(In2Sens), V::Full, kNoPage, kSensitivities),
      list(NAMED(In2Coupl), V::Full, kNoPage, kCouplings),
      list(NAMED(In2Imped), V::Full, kNoPage, kImpedances),
      def(NAMED(In2Atten), K::CheckBox, V::Full, kNoPage, {"518", "x10 Atten"}),
      def(NAMED(In2Filter), K::CheckBox, V::Full, kNoPage, {"519", "100k Filter"}),
      // Reading loop controls and the chart caption.
      def(NAMED(ReadSpeedLabel), K::Label, V::Both, kNoPage, {"503", "Read Speed:"}),
      list(NAMED(ReadSpeed), V::Both, kNoPage, kReadSpeeds, 0, 1100),
      def(NAMED(DotsLabel), K::Label, V::Both, kNoPage, {"504", "Dots:"}),
      list(NAMED(Dots), V::Both, kNoPage, kDots, 1, 1102),
      def(NAMED(StopTimeBox), K::CheckBox, V::Both, kNoPage, {"801", "Stop Time"}, {}, -1, {},
          1253),
      def(NAMED(StopAfterNBox), K::CheckBox, V::Both, kNoPage, {"802", "Stop After N count"}, {},
          -1, {}, 1254),
      def(NAMED(StopAfterNCount), K::Edit, V::Both, kNoPage, kNoText, {}, -1, "100", 1116),
      def(NAMED(ChartCaption), K::Label, V::Both, kNoPage, kNoText),
  };
  return defs;
}

#undef NAMED

}  // namespace

std::span<const ControlDef> panelControlDefs() { return table(); }

std::span<const PanelText> limitUnitEntries(int functionCode) {
  switch (functionCode) {
    case function_code::kPeriod:
    case function_code::kEdge:
    case function_code::kWidth:
    case function_code::kIntval:
      return kTimeUnits;
    case function_code::kPhase:
      return kPhaseUnits;
    case function_code::kRatio:
    case function_code::kDutyCycle:
      return kPlainUnits;
    default:
      return kFreqUnits;
  }
}

std::span<const PanelText> compactGateEntries(int functionCode) {
  if (functionCode == function_code::kTotal) return kTotalGates;
  return kGates;
}

PanelText functionName(int functionCode) {
  switch (functionCode) {
    case function_code::kFreq:
      return {"581", "Freq"};
    case function_code::kRatio:
      return {"582", "Ratio"};
    case function_code::kPeriod:
      return {"583", "Period"};
    case function_code::kEdge:
      return {"584", "Edge"};
    case function_code::kWidth:
      return {"585", "Width"};
    case function_code::kIntval:
      return {"586", "Intval"};
    case function_code::kVolt:
      return {"589", "Volt"};
    case function_code::kPhase:
      return {"594", "Phase 1to2"};
    case function_code::kDutyCycle:
      return {"595", "Duty Cycle"};
    case function_code::kTotal:
      return {"596", "Total CH1"};
    default:
      return {};
  }
}

}  // namespace measure
