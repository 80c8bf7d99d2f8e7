#include "measure/run_start_program.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "core/text_format.h"
#include "measure/panel_controls.h"

namespace measure {
namespace {

namespace fc = function_code;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string trimmed(std::string_view text) {
  const auto begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string_view::npos) return {};
  const auto end = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(begin, end - begin + 1));
}

// A decimal number and nothing else: [+-] digits [. digits] [e [+-] digits].
bool isPlainNumber(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (i == t.size() || !isDigit(t[i])) return false;
    while (i < t.size() && isDigit(t[i])) ++i;
  }
  return i == t.size();
}

bool isPlainInteger(std::string_view t) {
  std::size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
  if (i == t.size()) return false;
  for (; i < t.size(); ++i) {
    if (!isDigit(t[i])) return false;
  }
  return true;
}

// The shortest text that reads back as `value` ("0.5", "1e-07", "123456").
std::string shortestText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// A value "sent as typed": the edit's own text when it is a number and nothing else (blanks
// around it dropped), otherwise the number it starts with, so that a command never carries
// text the instrument cannot parse ("5 apples" is sent as 5).
std::string asTyped(const std::string& edit, double value) {
  const std::string t = trimmed(edit);
  if (isPlainNumber(t) && std::isfinite(core::leadingDouble(t))) return t;
  return shortestText(value);
}

// The value of an edit whose text is sent as typed; a number beyond the double range cannot
// be sent and counts as no number, like text that does not parse.
double typedValue(const std::string& edit) {
  const double v = core::leadingDouble(edit);
  return std::isfinite(v) ? v : 0.0;
}

NumberText result(const std::string& edit, std::string text) {
  const bool changed = text != edit;
  return {std::move(text), changed};
}

// Prefix tables of the limit, scale and offset values.
enum class UnitTable { Frequency, Time, Scale, Offset };

struct Prefix {
  const char* text;
  bool times1000;  // the value is sent times 1000 in the next smaller unit
};

Prefix prefixOf(UnitTable table, int index) {
  static const Prefix kFrequency[] = {
      {"u", false}, {"u", true}, {" ", false}, {"K", false}, {"M", false}};
  static const Prefix kTime[] = {
      {"p", false}, {"n", false}, {"u", false}, {"m", false}, {" ", false}};
  static const Prefix kOffset[] = {
      {"u", false}, {"u", true}, {" ", false}, {"K", false}, {"K", true}};
  if (index < 0 || index > 4) return {" ", false};
  switch (table) {
    case UnitTable::Time:
      return kTime[index];
    case UnitTable::Offset:
      return kOffset[index];
    default:
      return kFrequency[index];
  }
}

// The plain-number form: the number before the first "u", else "K", else "M", times 10^-6,
// 10^3 or 10^6, printed with "%.16f".
std::string plainNumber(const std::string& composed) {
  double factor = 1.0;
  std::size_t at = composed.find('u');
  if (at != std::string::npos) {
    factor = 0.000001;
  } else if ((at = composed.find('K')) != std::string::npos) {
    factor = 1000.0;
  } else if ((at = composed.find('M')) != std::string::npos) {
    factor = 1000000.0;
  }
  double value = core::leadingDouble(composed.substr(0, at)) * factor;
  if (!std::isfinite(value)) value = 0.0;
  return core::format("%.16f", value);
}

// Writes the commands of one model's program from the panel.
class Writer {
 public:
  // A `dryRun` writes the same commands but changes nothing on the panel: it only finds the
  // first field that holds no number.
  Writer(PanelModel& panel, const Texts& texts, RunStartProgram& program, bool dryRun = false)
      : panel_(panel),
        texts_(texts),
        program_(program),
        code_(program.runningFunctionCode),
        dryRun_(dryRun) {}

  void fullProgram();
  void compactProgram();

 private:
  void send(std::string command) { program_.commands.push_back(std::move(command)); }
  std::string_view choice(Ctl list) const { return panel_.choice(list); }
  bool checked(Ctl id) const { return panel_.control(id).checked; }
  bool enabled(Ctl id) const { return panel_.control(id).enabled; }
  const std::string& text(Ctl id) const { return panel_.control(id).text; }
  int index(Ctl id) const { return panel_.control(id).selected; }
  // The text of an edit whose value is sent; the first one that is not a number (or is
  // empty where a number is `required`) is kept as the program's bad number.
  const std::string& number(Ctl id, bool required) {
    const std::string& typed = text(id);
    if (!program_.badNumber) {
      const std::string t = trimmed(typed);
      const bool good =
          t.empty() ? !required : isPlainNumber(t) && std::isfinite(core::leadingDouble(t));
      if (!good) program_.badNumber = BadNumber{id, typed};
    }
    return typed;
  }
  void setText(Ctl edit, const std::string& text) {
    if (!dryRun_) panel_.setText(edit, text);
  }
  void writeBack(Ctl edit, const NumberText& value) {
    if (value.changed) setText(edit, value.text);
  }
  void clearBox(Ctl box) {
    if (!dryRun_) panel_.setChecked(box, false);
  }
  void setStatistics(bool shown) {
    program_.statisticsShown = shown;
    if (!dryRun_) panel_.setStatisticsShown(shown);
  }

  void voltFunction(std::string_view channel, Ctl show, Ctl mode);
  void timeBase(Ctl box, Ctl list);
  void gateArming(Ctl gateList, Ctl slopeList, Ctl stopList, Ctl gateEdit, Ctl stopEdit);
  void totalArming(Ctl startList, Ctl slopeList, Ctl stopList, Ctl gateEdit, Ctl stopEdit,
                   double stopFloor, bool gateTimeToStopEdit);
  void intervalArming();
  void limits();
  void scaleOffset();
  void statistics();
  std::string compose(Ctl edit, Ctl unitList, UnitTable table, std::string_view unitWord,
                      const std::string& zeroText, bool plainForm, bool required);
  std::string composeLimit(Ctl edit, Ctl unitList);
  bool conditioning(int input);

  PanelModel& panel_;
  const Texts& texts_;
  RunStartProgram& program_;
  const int code_;
  const bool dryRun_;
};

// ---- Full program ("3800")

void Writer::fullProgram() {
  // A. Function.
  if (code_ == fc::kFreq || code_ == fc::kRatio) {
    if (checked(Ctl::FreqButton)) {
      const std::string_view input = choice(Ctl::FreqInput);
      if (input == "CH1") send("FUNC 'FREQ 1'");
      if (input == "CH2") send("FUNC 'FREQ 2'");
      if (input == "CH3") {
        send("FUNC 'FREQ 3'");
        program_.input3Selected = true;
      }
    } else if (checked(Ctl::RatioButton)) {
      const std::string_view ratio = choice(Ctl::RatioList);
      if (ratio == "1_to_2") send("CONF:FREQ:RAT (@1),(@2)");
      if (ratio == "1_to_3") send("CONF:FREQ:RAT (@1),(@3)");
      if (ratio == "2_to_1") send("CONF:FREQ:RAT (@2),(@1)");
      if (ratio == "3_to_1") send("CONF:FREQ:RAT (@3),(@1)");
    }
  } else if (code_ >= fc::kPeriod && code_ <= fc::kIntval) {
    if (checked(Ctl::PeriodButton)) {
      const std::string_view input = choice(Ctl::PeriodInput);
      if (input == "CH1") send("CONF:PER (@1)");
      if (input == "CH2") send("CONF:PER (@2)");
      if (input == "CH3") {
        send("CONF:PER (@3)");
        program_.input3Selected = true;
      }
    } else if (checked(Ctl::EdgeButton)) {
      if (choice(Ctl::EdgeList) == "Rise") send("CONF:RTIM");
      if (choice(Ctl::EdgeList) == "Fall") send("CONF:FTIM");
    } else if (checked(Ctl::WidthButton)) {
      if (choice(Ctl::WidthList) == "Pos") send("CONF:PWID");
      if (choice(Ctl::WidthList) == "Neg") send("CONF:NWID");
    } else if (checked(Ctl::IntvalButton)) {
      send("CONF:TINT");
    }
  } else if (code_ == fc::kVolt) {
    voltFunction(choice(Ctl::VoltInput), Ctl::VoltShow, Ctl::VoltMode);
  } else if (code_ == fc::kPhase) {
    if (checked(Ctl::PhaseButton)) send("CONF:PHAS");
  } else if (code_ == fc::kDutyCycle) {
    if (checked(Ctl::DutyCycleButton)) send("CONF:DCYC");
  } else if (code_ == fc::kTotal) {
    if (checked(Ctl::TotalButton)) send("CONF:TOTalize:TIMED (@1)");
  }
  // Volt and Total have no limits, scale/offset or statistics.
  if (code_ == fc::kVolt || code_ == fc::kTotal) {
    clearBox(Ctl::SetLimitBox);
    clearBox(Ctl::SetScaleOffsetBox);
    clearBox(Ctl::StatsShowBox);
    setStatistics(false);
  }

  // B. Time base.
  timeBase(Ctl::TimeBaseBox, Ctl::TimeBaseList);

  // C. Arming (none for Volt), then D to F for the functions that have them.
  if (code_ != fc::kVolt) {
    switch (code_) {
      case fc::kFreq:
      case fc::kRatio:
      case fc::kPeriod:
        gateArming(Ctl::GateList, Ctl::StartSlopeList, Ctl::StopList, Ctl::GateTimeEdit,
                   Ctl::StopTimeEdit);
        break;
      case fc::kPhase:
        if (choice(Ctl::StartSourceList) == "Auto") send("PHASe:ARM:STARt:SOURce IMMediate");
        if (choice(Ctl::StartSourceList) == "Ext") {
          send("PHASe:ARM:STARt:SOURce EXTernal");
          if (choice(Ctl::StartSourceSlopeList) == "Pos") send("PHASe:ARM:STARt:SLOPe POSitive");
          if (choice(Ctl::StartSourceSlopeList) == "Neg") send("PHASe:ARM:STARt:SLOPe NEGative");
        }
        break;
      case fc::kEdge:
      case fc::kWidth:
      case fc::kDutyCycle:
        if (choice(Ctl::StartSourceList) == "Auto") send("TINTerval:ARM:STARt:SOURce IMM");
        if (choice(Ctl::StartSourceList) == "Ext") {
          send("TINTerval:ARM:STARt:SOURce EXTernal");
          if (choice(Ctl::StartSourceSlopeList) == "Pos") {
            send("TINTerval:ARM:STARt:SLOPe POSitive");
          }
          if (choice(Ctl::StartSourceSlopeList) == "Neg") {
            send("TINTerval:ARM:STARt:SLOPe NEGative");
          }
        }
        break;
      case fc::kTotal:
        totalArming(Ctl::TotalStartList, Ctl::StartSlopeList, Ctl::TotalStopList, Ctl::GateTimeEdit,
                    Ctl::StopTimeEdit, 0.001, true);
        break;
      case fc::kIntval:
        intervalArming();
        break;
      default:
        break;
    }
    if (code_ != fc::kTotal) {
      limits();
      scaleOffset();
      statistics();
    }
  }

  // G. Input conditioning; input 3 has none.
  if (program_.input3Selected) return;
  if (panel_.input1PanelShown() && !conditioning(1)) return;
  if (panel_.input2PanelShown() && !conditioning(2)) return;
  if (code_ == fc::kIntval) {
    if (choice(Ctl::ComList) == "OFF") send("EVENt2:FEED \"INPut2\"");
    if (choice(Ctl::ComList) == "ON") send("EVENt2:FEED \"INPut1\"");
  }
}

void Writer::voltFunction(std::string_view channel, Ctl show, Ctl mode) {
  const char* at = channel == "CH1" ? "(@1)" : (channel == "CH2" ? "(@2)" : nullptr);
  if (at) {
    const std::string_view s = choice(show);
    if (s == "Vpp") send(std::string("CONF:VOLT:PTP ") + at);
    if (s == "Vmax") send(std::string("CONF:VOLT:MAX ") + at);
    if (s == "Vmin") send(std::string("CONF:VOLT:MIN ") + at);
    if (s == "Vc") send(std::string("CONF:VOLT:CENT ") + at);
  }
  if (choice(mode) == "Slow") send("VOLT:MODE SLOW");
  if (choice(mode) == "Fast") send("VOLT:MODE FAST");
}

void Writer::timeBase(Ctl box, Ctl list) {
  if (!checked(box)) return;
  if (choice(list) == "Auto") send("ROSC:SOURCE:AUTO ON");
  if (choice(list) == "Int") send("ROSC:SOURCE INT");
  if (choice(list) == "Ext") send("ROSC:SOURCE EXT");
}

void Writer::gateArming(Ctl gateList, Ctl slopeList, Ctl stopList, Ctl gateEdit, Ctl stopEdit) {
  const std::string_view gate = choice(gateList);
  if (gate == "Time") {
    send("FREQuency:ARM:STARt:SOURce IMM");
    send("FREQuency:ARM:STOP:SOURce TIMer");
    const NumberText t = gateTime(number(gateEdit, true));
    writeBack(gateEdit, t);
    send("FREQuency:ARM:STOP:TIMer " + t.text);
    setText(stopEdit, t.text);
  } else if (gate == "Ext") {
    send("FREQuency:ARM:STARt:SOURce EXTernal");
    if (choice(slopeList) == "Pos") send("FREQuency:ARM:STARt:SLOPe POSitive");
    if (choice(slopeList) == "Neg") send("FREQuency:ARM:STARt:SLOPe NEGative");
    const std::string_view stop = choice(stopList);
    if (stop == "Auto") send("FREQuency:ARM:STOP:SOURce IMM");
    if (stop == "Pos") {
      send("FREQuency:ARM:STOP:SOURce EXTernal");
      send("FREQuency:ARM:STOP:SLOPe POSitive");
    }
    if (stop == "Neg") {
      send("FREQuency:ARM:STOP:SOURce EXTernal");
      send("FREQuency:ARM:STOP:SLOPe NEGative");
    }
    if (stop == "Time") {
      send("FREQuency:ARM:STOP:SOURce TIMer");
      const NumberText t = gateTime(number(stopEdit, true));
      writeBack(stopEdit, t);
      send("FREQuency:ARM:STOP:TIMer " + t.text + "S");
      setText(gateEdit, t.text);
    }
  } else if (gate == "Auto") {
    send("FREQuency:ARM:STARt:SOURce IMM");
    send("FREQuency:ARM:STOP:SOURce IMM");
  }
}

// The V3820A keeps its stop-time edit when the count is gated by time: only the V3800A copies
// the gate time into it (`gateTimeToStopEdit`).
void Writer::totalArming(Ctl startList, Ctl slopeList, Ctl stopList, Ctl gateEdit, Ctl stopEdit,
                         double stopFloor, bool gateTimeToStopEdit) {
  const std::string_view start = choice(startList);
  if (start == "Time") {
    const NumberText t = gateTime(number(gateEdit, true));
    writeBack(gateEdit, t);
    send("TOTalize:ARM:STOP:TIMer " + t.text + "S");
    if (gateTimeToStopEdit) setText(stopEdit, t.text);
  } else if (start == "Auto") {
    send("TOTalize:ARM:STARt:SOURce IMM");
  } else if (start == "Ext") {
    send("TOTalize:ARM:STARt:SOURce EXTernal");
    if (choice(slopeList) == "Pos") send("TOTalize:ARM:STARt:SLOPe POSitive");
    if (choice(slopeList) == "Neg") send("TOTalize:ARM:STARt:SLOPe NEGative");
    const std::string_view stop = choice(stopList);
    if (stop == "Pos") {
      send("TOTalize:ARM:STOP:SOURce EXTernal");
      send("TOTalize:ARM:STOP:SLOPe POSitive");
    }
    if (stop == "Neg") {
      send("TOTalize:ARM:STOP:SOURce EXTernal");
      send("TOTalize:ARM:STOP:SLOPe NEGative");
    }
    if (stop == "Time") {
      send("TOTalize:ARM:STOP:SOURce TIMer");
      const NumberText t = gateTime(number(stopEdit, true), stopFloor);
      writeBack(stopEdit, t);
      send("TOTalize:ARM:STOP:TIMer " + t.text + "S");
      setText(gateEdit, t.text);
    }
  }
}

void Writer::intervalArming() {
  if (choice(Ctl::ArmStartList) == "Ext") {
    send(":TINTerval:ARM:ESTART:LAYer2:SOURce EXT");
    const std::string_view delay = choice(Ctl::ArmStartDelayList);
    if (delay == "None") send(":TINTerval:ARM:ESTART:LAYer1:SOURce IMM");
    if (delay == "Time") send(":TINTerval:ARM:ESTART:LAYer1:SOURce TIM");
    if (delay == "Event") send(":TINTerval:ARM:ESTART:LAYer1:SOURce INTernal1");
    const bool stopExt = choice(Ctl::ArmStopList) == "Ext";
    if (choice(Ctl::ArmStopList) == "Auto") send(":TINTerval:ARM:ESTOP:LAYer2:SOURce IMM");
    if (stopExt) send(":TINTerval:ARM:ESTOP:LAYer2:SOURce EXT");
    if (delay == "Time") {
      const NumberText d = armingDelay(number(Ctl::ArmStartDelayEdit, false));
      writeBack(Ctl::ArmStartDelayEdit, d);
      send("TINTerval:ARM:ESTART:TIMer " + d.text);
    }
    if (delay == "Event") {
      const NumberText n = eventCount(number(Ctl::ArmStartCountEdit, false));
      writeBack(Ctl::ArmStartCountEdit, n);
      send("TINTerval:ARM:ESTARt:ECOunt " + n.text);
    }
    if (choice(Ctl::ArmStartSlopeList) == "Pos") send("TINTerval:ARM:ESTART:LAYer2:SLOPe POSitive");
    if (choice(Ctl::ArmStartSlopeList) == "Neg") send("TINTerval:ARM:ESTART:LAYer2:SLOPe NEGative");
    if (stopExt) {
      if (choice(Ctl::ArmStopSlopeList) == "Pos") send("TINTerval:ARM:ESTOP:LAYer2:SLOPe POSitive");
      if (choice(Ctl::ArmStopSlopeList) == "Neg") send("TINTerval:ARM:ESTOP:LAYer2:SLOPe NEGative");
    }
  } else {
    send(":TINTerval:ARM:ESTART:LAYer2:SOURce IMM");
    send(":TINTerval:ARM:ESTART:LAYer1:SOURce IMM");
    send(":TINTerval:ARM:ESTOP:LAYer2:SOURce IMM");
  }
  const std::string_view stopDelay = choice(Ctl::ArmStopDelayList);
  if (stopDelay == "None") send(":TINTerval:ARM:ESTOP:LAYer1:SOURce IMM");
  if (stopDelay == "Time") {
    send(":TINTerval:ARM:ESTOP:LAYer1:SOURce TIM");
    const NumberText d = armingDelay(number(Ctl::ArmStopDelayEdit, false));
    writeBack(Ctl::ArmStopDelayEdit, d);
    send("TINTerval:ARM:ESTOP:TIMer " + d.text);
  }
  if (stopDelay == "Event") {
    send(":TINTerval:ARM:ESTOP:LAYer1:SOURce INTernal2");
    const NumberText n = eventCount(number(Ctl::ArmStopCountEdit, false));
    writeBack(Ctl::ArmStopCountEdit, n);
    send("TINTerval:ARM:ESTOP:ECOunt " + n.text);
  }
}

std::string Writer::compose(Ctl edit, Ctl unitList, UnitTable table, std::string_view unitWord,
                            const std::string& zeroText, bool plainForm, bool required) {
  const std::string typed = number(edit, required);
  double value = typedValue(typed);
  const Prefix prefix = prefixOf(table, index(unitList));
  if (prefix.times1000 && !std::isfinite(value * 1000.0)) value = 0.0;
  std::string composed;
  if (value == 0.0) {
    setText(edit, zeroText);
    composed = zeroText;
  } else {
    std::string number;
    if (prefix.times1000) {
      number = core::format("%f", value * 1000.0);
    } else {
      number = asTyped(typed, value);
      if (number != typed) setText(edit, number);
    }
    composed = number + " " + prefix.text;
  }
  if (plainForm) return plainNumber(composed);
  return composed + std::string(unitWord);
}

std::string Writer::composeLimit(Ctl edit, Ctl unitList) {
  switch (code_) {
    case fc::kPeriod:
    case fc::kEdge:
    case fc::kWidth:
    case fc::kIntval:
      return compose(edit, unitList, UnitTable::Time, "S", "0", false, true);
    case fc::kPhase:
      return compose(edit, unitList, UnitTable::Frequency, "Deg", "0", false, true);
    case fc::kDutyCycle:
      return compose(edit, unitList, UnitTable::Frequency, "", "0", true, true);
    default:
      return compose(edit, unitList, UnitTable::Frequency, "HZ", "0", false, true);
  }
}

void Writer::limits() {
  if (checked(Ctl::SetLimitBox)) {
    send("CALCulate2:LIMit:STATe ON");
    send("CALCulate2:LIMit:UPPer " + composeLimit(Ctl::UpperEdit, Ctl::UpperUnit));
    send("CALCulate2:LIMit:LOWer " + composeLimit(Ctl::LowerEdit, Ctl::LowerUnit));
    if (choice(Ctl::OnFailList) == "Go on") send("INIT:AUTO OFF");
    if (choice(Ctl::OnFailList) == "Stop") send("INIT:AUTO ON");
  } else {
    send("CALCulate2:LIMit:STATe OFF");
  }
  if (checked(Ctl::OutBox)) {
    send("SYST:COMM:SER:CONT:DTR LIM");
    if (choice(Ctl::OutPortList) == "USB") send("SYST:COMM:SER:SOUR USB");
    if (choice(Ctl::OutPortList) == "DB9") send("SYST:COMM:SER:SOUR DB9");
  } else {
    send("SYST:COMM:SER:CONT:DTR OFF");
  }
}

void Writer::scaleOffset() {
  if (!checked(Ctl::SetScaleOffsetBox)) {
    send("CALC:MATH:STATE OFF");
    return;
  }
  send("CALC:MATH:STATE ON");
  send("TRACE SCALE," +
       compose(Ctl::ScaleEdit, Ctl::ScaleUnit, UnitTable::Scale, "", "0.0", true, true));
  std::string offset;
  switch (code_) {
    case fc::kPeriod:
    case fc::kEdge:
    case fc::kWidth:
    case fc::kIntval:
      offset =
          compose(Ctl::OffsetEdit, Ctl::OffsetUnit, UnitTable::Offset, "S", "0.0", false, false);
      break;
    case fc::kPhase:
      offset =
          compose(Ctl::OffsetEdit, Ctl::OffsetUnit, UnitTable::Offset, "Deg", "0.0", false, false);
      break;
    case fc::kDutyCycle:
      offset = compose(Ctl::OffsetEdit, Ctl::OffsetUnit, UnitTable::Offset, "", "0.0", true, false);
      break;
    default:
      offset =
          compose(Ctl::OffsetEdit, Ctl::OffsetUnit, UnitTable::Offset, "HZ", "0.0", false, false);
      break;
  }
  send("TRACE OFFSET," + offset);
}

void Writer::statistics() {
  if (!checked(Ctl::StatsShowBox)) {
    setStatistics(false);
    send("CALC3:AVER:STATE OFF");
    return;
  }
  setStatistics(true);
  send("CALC3:AVER:STATE ON");
  // The type is sent as the entry the user sees: "Mean" asks for the mean, and so on.
  const std::string_view type = choice(Ctl::StatsTypeList);
  if (type == "Meas") send("CALC3:AVERAGE:TYPE Meas");
  if (type == "Stdev") send("CALC3:AVERAGE:TYPE SDEV");
  if (type == "Mean") send("CALC3:AVERAGE:TYPE MEAN");
  if (type == "Max") send("CALC3:AVERAGE:TYPE MAX");
  if (type == "Min") send("CALC3:AVERAGE:TYPE MIN");
  if (type.empty()) send("CALC3:AVERAGE:TYPE Delta");
  const NumberText count = statisticsCount(number(Ctl::StatsCountEdit, false));
  writeBack(Ctl::StatsCountEdit, count);
  send("CALC3:AVER:COUNT " + count.text);
  send(choice(Ctl::StatsUseList) == "All" ? "CALCulate3:LFILter:STATe OFF"
                                          : "CALCulate3:LFILter:STATe ON");
  send(choice(Ctl::StatsSingleList) == "Once" ? "TRIGger:COUNt:AUTO OFF" : "TRIGger:COUNt:AUTO ON");
}

// One input's conditioning, each enabled control in order; false on a level error.
bool Writer::conditioning(int input) {
  const bool first = input == 1;
  const std::string ev = first ? "EVEN" : "EVEN2";
  const std::string inp = first ? "INP" : "INP2";
  const Ctl mode = first ? Ctl::In1LevelMode : Ctl::In2LevelMode;
  const Ctl percent = first ? Ctl::In1LevelPercent : Ctl::In2LevelPercent;
  const Ctl level = first ? Ctl::In1LevelEdit : Ctl::In2LevelEdit;
  const Ctl slope = first ? Ctl::In1Slope : Ctl::In2Slope;
  const Ctl sens = first ? Ctl::In1Sens : Ctl::In2Sens;
  const Ctl coupl = first ? Ctl::In1Coupl : Ctl::In2Coupl;
  const Ctl imped = first ? Ctl::In1Imped : Ctl::In2Imped;
  const Ctl atten = first ? Ctl::In1Atten : Ctl::In2Atten;
  const Ctl filter = first ? Ctl::In1Filter : Ctl::In2Filter;

  if (enabled(mode)) {
    if (choice(mode) == "Auto") {
      send(ev + ":LEV:AUTO 1");
      if (!choice(percent).empty()) send(ev + ":LEV:REL " + std::string(choice(percent)));
    } else if (choice(mode) == "Absolute") {
      const bool x10 = checked(atten);
      const double limit = x10 ? 51.25 : 5.125;
      const std::string typed = number(level, true);
      const double value = core::leadingDouble(typed);
      if (value > limit || value < -limit) {
        const std::string key = x10 ? "769" : "768";
        if (dryRun_) return true;
        program_.levelError = LevelError{input, key, texts_.get(key)};
        return false;
      }
      const std::string sent = value == 0.0 ? "0" : asTyped(typed, value);
      if (sent != typed) setText(level, sent);
      send(ev + ":LEV:AUTO 0");
      send(ev + ":LEV:ABS " + sent);
    }
  }
  if (enabled(slope)) {
    if (choice(slope) == "Pos") send(ev + ":SLOP POS");
    if (choice(slope) == "Neg") send(ev + ":SLOP NEG");
  }
  if (enabled(sens)) {
    if (choice(sens) == "High") send(ev + ":HYST:REL 0");
    if (choice(sens) == "Middle") send(ev + ":HYST:REL 50");
    if (choice(sens) == "Low") send(ev + ":HYST:REL 100");
  }
  if (enabled(coupl)) {
    if (choice(coupl) == "AC") send(inp + ":COUP AC");
    if (choice(coupl) == "DC") send(inp + ":COUP DC");
  }
  if (enabled(imped)) {
    if (choice(imped) == "1M ohm") send(inp + ":IMP 1000000");
    if (choice(imped) == "50 ohm") send(inp + ":IMP 50");
  }
  if (enabled(atten)) send(inp + (checked(atten) ? ":ATT 10" : ":ATT 1"));
  if (enabled(filter)) send(inp + (checked(filter) ? ":FILT 1" : ":FILT 0"));
  return true;
}

// ---- Compact program ("3820")

void Writer::compactProgram() {
  setStatistics(false);
  // A. Function.
  if (code_ == fc::kFreq) send("FUNC 'FREQ 1'");
  if (code_ == fc::kPeriod) send("CONF:PER (@1)");
  if (code_ == fc::kVolt) voltFunction("CH1", Ctl::CompactVoltShow, Ctl::CompactVoltMode);
  if (code_ == fc::kTotal) send("CONF:TOTalize:TIMED (@1)");
  if (code_ == fc::kVolt || code_ == fc::kTotal) {
    clearBox(Ctl::CompactSetLimitBox);
    clearBox(Ctl::CompactScaleOffsetBox);
  }

  // B. Time base.
  timeBase(Ctl::CompactTimeBaseBox, Ctl::CompactTimeBaseList);

  if (code_ != fc::kVolt) {
    // C. Arming. The gate list is decoded by the entry shown, whichever order it holds.
    if (code_ == fc::kFreq || code_ == fc::kPeriod) {
      gateArming(Ctl::CompactGateList, Ctl::CompactStartSlopeList, Ctl::CompactStopList,
                 Ctl::CompactGateTimeEdit, Ctl::CompactStopTimeEdit);
    } else if (code_ == fc::kTotal) {
      totalArming(Ctl::CompactGateList, Ctl::CompactStartSlopeList, Ctl::CompactStopList,
                  Ctl::CompactGateTimeEdit, Ctl::CompactStopTimeEdit, 0.1, false);
    }

    // D. Limits.
    if (checked(Ctl::CompactSetLimitBox)) {
      if (code_ == fc::kFreq || code_ == fc::kPeriod) {
        const bool freq = code_ == fc::kFreq;
        const UnitTable table = freq ? UnitTable::Frequency : UnitTable::Time;
        const char* unit = freq ? "HZ" : "S";
        send("CALCulate2:LIMit:STATe ON");
        send("CALCulate2:LIMit:UPPer " +
             compose(Ctl::CompactUpperEdit, Ctl::CompactUpperUnit, table, unit, "0", false, true));
        send("CALCulate2:LIMit:LOWer " +
             compose(Ctl::CompactLowerEdit, Ctl::CompactLowerUnit, table, unit, "0", false, true));
      } else {
        send("CALCulate2:LIMit:STATe OFF");
      }
      send(index(Ctl::CompactOnFailList) == 0 ? "INIT:AUTO OFF" : "INIT:AUTO ON");
    } else {
      send("CALCulate2:LIMit:STATe OFF");
    }

    // E. Scale and offset.
    if (code_ != fc::kFreq && code_ != fc::kPeriod) {
      send("CALC:MATH:STATE OFF");
      send("CALC3:AVER:STATE OFF");
    } else if (checked(Ctl::CompactScaleOffsetBox)) {
      send("CALC:MATH:STATE ON");
      send("TRACE SCALE," + compose(Ctl::CompactScaleEdit, Ctl::CompactScaleUnit, UnitTable::Scale,
                                    "", "0", true, true));
      send("TRACE OFFSET," + compose(Ctl::CompactOffsetEdit, Ctl::CompactOffsetUnit,
                                     UnitTable::Offset, code_ == fc::kFreq ? "HZ" : "S", "0", false,
                                     false));
    } else {
      send("CALC:MATH:STATE OFF");
    }
  }

  // G. Input 1, always.
  conditioning(1);
}

}  // namespace

NumberText gateTime(const std::string& edit, double floor) {
  const double value = typedValue(edit);
  return result(edit, value < floor ? "1" : asTyped(edit, value));
}

NumberText armingDelay(const std::string& edit) {
  const double value = core::leadingDouble(edit);
  if (value > 0.999) return result(edit, "0.999");
  if (value < 0.0000001) return result(edit, "0.0000001");
  return result(edit, asTyped(edit, value));
}

NumberText eventCount(const std::string& edit) {
  const double value = core::leadingDouble(edit);
  if (value > 99999999) return result(edit, "99999999");
  if (value < 1) return result(edit, "1");
  return result(edit, asTyped(edit, value));
}

NumberText statisticsCount(const std::string& edit) {
  const long long count = core::leadingInteger(edit);
  if (count < 2) return result(edit, "2");
  const std::string t = trimmed(edit);
  return result(edit, isPlainInteger(t) ? t : std::to_string(count));
}

namespace {

RunStartProgram writeProgram(PanelModel& panel, const Texts& texts, bool dryRun) {
  RunStartProgram program;
  program.runningFunctionCode = panel.functionCode();
  if (!dryRun) panel.setRunningFunctionCode(program.runningFunctionCode);
  program.statisticsShown = panel.statisticsShown();
  Writer writer(panel, texts, program, dryRun);
  const std::string model = panel.modelCode();
  if (model == kModelFull) {
    writer.fullProgram();
  } else if (model == kModelCompact) {
    writer.compactProgram();
  }
  return program;
}

}  // namespace

RunStartProgram buildRunStartProgram(PanelModel& panel, const Texts& texts) {
  return writeProgram(panel, texts, false);
}

std::optional<BadNumber> checkRunStartNumbers(PanelModel& panel, const Texts& texts) {
  return writeProgram(panel, texts, true).badNumber;
}

std::string measurementCaption(const Texts& texts, int functionCode) {
  const PanelText name = functionName(functionCode);
  const std::string suffix = texts.get("806");
  if (name.key.empty()) return suffix;
  return texts.get(name.key) + " " + suffix;
}

}  // namespace measure
