#include "sim/instrument_settings.h"

#include <cmath>
#include <cstdlib>

#include "core/text_format.h"
#include "sim/signal_model.h"

namespace sim {

namespace {

using K = SettingKind;

const std::vector<const char*> kSourceImmExt = {"IMMediate", "EXTernal"};
const std::vector<const char*> kSourceImmExtTim = {"IMMediate", "EXTernal", "TIMer"};
const std::vector<const char*> kSlope = {"POSitive", "NEGative"};
const std::vector<std::string_view> kLimitUnits = {"HZ", "S", "DEG", "V", "PCT"};
const std::vector<std::string_view> kSeconds = {"S"};

std::string replaceHash(const char* pattern, const std::string& by) {
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (*p == '#')
      out += by;
    else
      out += *p;
  }
  return out;
}

std::string numberText(double value) { return core::format("%.15g", value); }

}  // namespace

const std::vector<SettingDefinition>& InstrumentSettings::definitions() {
  static const std::vector<SettingDefinition> table = {
      // Time base.
      {.pattern = "[SENSe:]ROSCillator:SOURce",
       .key = "ROSC:SOUR",
       .kind = K::Choice,
       .initial = "INT",
       .choices = {"INTernal", "EXTernal"}},
      {.pattern = "[SENSe:]ROSCillator:SOURce:AUTO",
       .key = "ROSC:SOUR:AUTO",
       .kind = K::Flag,
       .initial = "1"},

      // Input conditioning of inputs 1 and 2.
      {.pattern = "[SENSe:]EVENt#:LEVel[:ABSolute]:AUTO",
       .key = "EVEN#:LEV:AUTO",
       .kind = K::Flag,
       .initial = "1",
       .perInput = true},
      {.pattern = "[SENSe:]EVENt#:LEVel:RELative",
       .key = "EVEN#:LEV:REL",
       .kind = K::Number,
       .initial = "50",
       .min = 0,
       .max = 100,
       .units = {"PCT"},
       .perInput = true},
      // Checked against the widest range (with x10 attenuation): the level comes before the
      // attenuation in a configuration sequence.
      {.pattern = "[SENSe:]EVENt#:LEVel[:ABSolute]",
       .key = "EVEN#:LEV:ABS",
       .kind = K::Number,
       .initial = "0",
       .min = -51.25,
       .max = 51.25,
       .units = {"V"},
       .perInput = true},
      {.pattern = "[SENSe:]EVENt#:SLOPe",
       .key = "EVEN#:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope,
       .perInput = true},
      {.pattern = "[SENSe:]EVENt#:HYSTeresis[:RELative]",
       .key = "EVEN#:HYST:REL",
       .kind = K::Number,
       .initial = "0",
       .min = 0,
       .max = 100,
       .units = {"PCT"},
       .perInput = true},
      {.pattern = "[SENSe:]EVENt#:FEED",
       .key = "EVEN#:FEED",
       .kind = K::Choice,
       .initial = "INP#",
       .choices = {"INPut1", "INPut2"},
       .fullOnly = true,
       .perInput = true,
       .strings = true},
      {.pattern = "INPut#:COUPling",
       .key = "INP#:COUP",
       .kind = K::Choice,
       .initial = "AC",
       .choices = {"AC", "DC"},
       .perInput = true},
      {.pattern = "INPut#:IMPedance",
       .key = "INP#:IMP",
       .kind = K::Number,
       .initial = "1000000",
       .min = 50,
       .max = 1e6,
       .units = {"OHM"},
       .allowed = {50, 1e6},
       .perInput = true},
      {.pattern = "INPut#:ATTenuation",
       .key = "INP#:ATT",
       .kind = K::Number,
       .initial = "1",
       .min = 1,
       .max = 10,
       .allowed = {1, 10},
       .perInput = true},
      {.pattern = "INPut#:FILTer[:LPASs][:STATe]",
       .key = "INP#:FILT",
       .kind = K::Flag,
       .initial = "0",
       .perInput = true},
      {.pattern = "[SENSe:]VOLTage:MODE",
       .key = "VOLT:MODE",
       .kind = K::Choice,
       .initial = "SLOW",
       .choices = {"SLOW", "FAST"}},

      // Gate and arming of frequency, period and ratio.
      {.pattern = "[SENSe:]FREQuency:ARM[:STARt]:SOURce",
       .key = "FREQ:ARM:STAR:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = kSourceImmExt},
      {.pattern = "[SENSe:]FREQuency:ARM[:STARt]:SLOPe",
       .key = "FREQ:ARM:STAR:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope},
      {.pattern = "[SENSe:]FREQuency:ARM:STOP:SOURce",
       .key = "FREQ:ARM:STOP:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = kSourceImmExtTim},
      {.pattern = "[SENSe:]FREQuency:ARM:STOP:SLOPe",
       .key = "FREQ:ARM:STOP:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope},
      {.pattern = "[SENSe:]FREQuency:ARM:STOP:TIMer",
       .key = "FREQ:ARM:STOP:TIM",
       .kind = K::Number,
       .initial = "0.1",
       .min = 0.001,
       .max = 1000,
       .units = kSeconds},

      // Arming of the time-interval family (rise/fall time, widths, duty cycle, interval).
      // The start arm and the interval's layer-2 start arm are one and the same setting.
      {.pattern = "[SENSe:]TINTerval:ARM[:STARt]:SOURce",
       .key = "TINT:ARM:STAR:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = kSourceImmExt,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTARt[:LAYer2]:SOURce",
       .key = "TINT:ARM:STAR:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = kSourceImmExt,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM[:STARt]:SLOPe",
       .key = "TINT:ARM:STAR:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTARt[:LAYer2]:SLOPe",
       .key = "TINT:ARM:STAR:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTARt:LAYer1:SOURce",
       .key = "TINT:ARM:ESTAR:LAY1:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = {"IMMediate", "TIMer", "INTernal1"},
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTARt[:LAYer1]:TIMer",
       .key = "TINT:ARM:ESTAR:TIM",
       .kind = K::Number,
       .initial = "0.0001",
       .min = 1e-7,
       .max = 0.999,
       .units = kSeconds,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTARt[:LAYer1]:ECOunt",
       .key = "TINT:ARM:ESTAR:ECO",
       .kind = K::Integer,
       .initial = "1",
       .min = 1,
       .max = 99999999,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTOP[:LAYer2]:SOURce",
       .key = "TINT:ARM:ESTOP:LAY2:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = kSourceImmExt,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTOP[:LAYer2]:SLOPe",
       .key = "TINT:ARM:ESTOP:LAY2:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTOP:LAYer1:SOURce",
       .key = "TINT:ARM:ESTOP:LAY1:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = {"IMMediate", "TIMer", "INTernal2"},
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTOP[:LAYer1]:TIMer",
       .key = "TINT:ARM:ESTOP:TIM",
       .kind = K::Number,
       .initial = "0.0001",
       .min = 1e-7,
       .max = 0.999,
       .units = kSeconds,
       .fullOnly = true},
      {.pattern = "[SENSe:]TINTerval:ARM:ESTOP[:LAYer1]:ECOunt",
       .key = "TINT:ARM:ESTOP:ECO",
       .kind = K::Integer,
       .initial = "1",
       .min = 1,
       .max = 99999999,
       .fullOnly = true},

      // Arming of phase and totalize.
      {.pattern = "[SENSe:]PHASe:ARM[:STARt]:SOURce",
       .key = "PHAS:ARM:STAR:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = kSourceImmExt,
       .fullOnly = true},
      {.pattern = "[SENSe:]PHASe:ARM[:STARt]:SLOPe",
       .key = "PHAS:ARM:STAR:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope,
       .fullOnly = true},
      {.pattern = "[SENSe:]TOTalize:ARM[:STARt]:SOURce",
       .key = "TOT:ARM:STAR:SOUR",
       .kind = K::Choice,
       .initial = "IMM",
       .choices = kSourceImmExt},
      {.pattern = "[SENSe:]TOTalize:ARM[:STARt]:SLOPe",
       .key = "TOT:ARM:STAR:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope},
      {.pattern = "[SENSe:]TOTalize:ARM:STOP:SOURce",
       .key = "TOT:ARM:STOP:SOUR",
       .kind = K::Choice,
       .initial = "TIM",
       .choices = kSourceImmExtTim},
      {.pattern = "[SENSe:]TOTalize:ARM:STOP:SLOPe",
       .key = "TOT:ARM:STOP:SLOP",
       .kind = K::Choice,
       .initial = "POS",
       .choices = kSlope},
      {.pattern = "[SENSe:]TOTalize:ARM:STOP:TIMer",
       .key = "TOT:ARM:STOP:TIM",
       .kind = K::Number,
       .initial = "1",
       .min = 0.001,
       .max = 1000,
       .units = kSeconds},

      // Limits and the output line that signals a limit failure.
      {.pattern = "CALCulate2:LIMit[:STATe]",
       .key = "CALC2:LIM:STAT",
       .kind = K::Flag,
       .initial = "0"},
      {.pattern = "CALCulate2:LIMit:UPPer[:DATA]",
       .key = "CALC2:LIM:UPP",
       .kind = K::Number,
       .initial = "0",
       .min = -1e30,
       .max = 1e30,
       .units = kLimitUnits},
      {.pattern = "CALCulate2:LIMit:LOWer[:DATA]",
       .key = "CALC2:LIM:LOW",
       .kind = K::Number,
       .initial = "0",
       .min = -1e30,
       .max = 1e30,
       .units = kLimitUnits},
      {.pattern = "INITiate:AUTO", .key = "INIT:AUTO", .kind = K::Flag, .initial = "0"},
      {.pattern = "SYSTem:COMMunicate:SERial:CONTrol:DTR",
       .key = "SYST:COMM:SER:CONT:DTR",
       .kind = K::Choice,
       .initial = "OFF",
       .choices = {"LIMit", "OFF", "ON"},
       .fullOnly = true},
      {.pattern = "SYSTem:COMMunicate:SERial:SOURce",
       .key = "SYST:COMM:SER:SOUR",
       .kind = K::Choice,
       .initial = "USB",
       .choices = {"USB", "DB9"},
       .fullOnly = true},

      // Math, statistics and measurement cycle.
      {.pattern = "CALCulate1:MATH:STATe",
       .key = "CALC:MATH:STAT",
       .kind = K::Flag,
       .initial = "0"},
      {.pattern = "CALCulate3:AVERage[:STATe]",
       .key = "CALC3:AVER:STAT",
       .kind = K::Flag,
       .initial = "0"},
      {.pattern = "CALCulate3:AVERage:TYPE",
       .key = "CALC3:AVER:TYPE",
       .kind = K::Choice,
       .initial = "MEAN",
       .choices = {"MEASurement", "SDEViation", "MAXimum", "MINimum", "MEAN", "DELTa"}},
      {.pattern = "CALCulate3:AVERage:COUNt",
       .key = "CALC3:AVER:COUN",
       .kind = K::Integer,
       .initial = "100",
       .min = 2,
       .max = 100000000},
      {.pattern = "CALCulate3:LFILter[:STATe]",
       .key = "CALC3:LFIL:STAT",
       .kind = K::Flag,
       .initial = "0"},
      {.pattern = "TRIGger:COUNt:AUTO", .key = "TRIG:COUN:AUTO", .kind = K::Flag, .initial = "0"},
      {.pattern = "INITiate:CONTinuous",
       .key = "INIT:CONT",
       .kind = K::Flag,
       .initial = "1",
       .resetValue = "0"},
  };
  return table;
}

InstrumentSettings::InstrumentSettings(bool compact) : compact_(compact) { reset(false); }

std::string InstrumentSettings::keyFor(const SettingDefinition& def, int input) {
  return replaceHash(def.key, input == 1 ? "" : std::to_string(input));
}

void InstrumentSettings::reset(bool afterReset) {
  values_.clear();
  for (const SettingDefinition& def : definitions()) {
    if (!available(def)) continue;
    const int inputs = def.perInput ? conditionedInputs() : 1;
    for (int input = 1; input <= inputs; ++input) {
      const char* value = afterReset && def.resetValue ? def.resetValue : def.initial;
      values_[keyFor(def, input)] = replaceHash(value, std::to_string(input));
    }
  }
  values_["TRAC:SCAL"] = "1";
  values_["TRAC:OFFS"] = "0";
}

int InstrumentSettings::parseValue(const SettingDefinition& def, const Parameter& p,
                                   std::string* value) const {
  using Kind = Parameter::Kind;
  switch (def.kind) {
    case SettingKind::Flag:
      if (p.kind == Kind::Character) {
        if (p.word != "ON" && p.word != "OFF") return scpi_error::kInvalidCharacterData;
        *value = p.word == "ON" ? "1" : "0";
        return 0;
      }
      if (p.kind == Kind::Numeric) {
        if (!p.suffix.empty()) return scpi_error::kSuffixNotAllowed;
        *value = std::lround(p.number) != 0 ? "1" : "0";
        return 0;
      }
      return scpi_error::kDataType;
    case SettingKind::Choice: {
      if (p.kind != Kind::Character && !(def.strings && p.kind == Kind::String))
        return scpi_error::kDataType;
      for (const char* choice : def.choices) {
        if (matchWord(choice, p.word) == MnemonicMatch::Yes) {
          *value = shortForm(choice);
          return 0;
        }
      }
      return scpi_error::kInvalidCharacterData;
    }
    case SettingKind::Number:
    case SettingKind::Integer: {
      double number = 0;
      if (p.kind == Kind::Character) {
        if (matchWord("MINimum", p.word) == MnemonicMatch::Yes) {
          number = def.allowed.empty() ? def.min : def.allowed.front();
        } else if (matchWord("MAXimum", p.word) == MnemonicMatch::Yes) {
          number = def.allowed.empty() ? def.max : def.allowed.back();
        } else if (matchWord("DEFault", p.word) == MnemonicMatch::Yes) {
          number = std::atof(def.initial);
        } else {
          return scpi_error::kInvalidCharacterData;
        }
      } else if (p.kind == Kind::Numeric) {
        int error = 0;
        const auto scaled = scaledValue(p, def.units, &error);
        if (!scaled) return error;
        number = *scaled;
      } else {
        return scpi_error::kDataType;
      }
      if (def.kind == SettingKind::Integer) number = std::round(number);
      if (!def.allowed.empty()) {
        bool found = false;
        for (double a : def.allowed) found = found || std::fabs(number - a) <= 1e-9 * a;
        if (!found) return scpi_error::kIllegalParameterValue;
      }
      // A tolerance of a few parts in 1e12 lets decimal texts of the limits themselves pass.
      const double slack = 1e-12 * std::max(std::fabs(def.min), std::fabs(def.max));
      if (number < def.min - slack || number > def.max + slack) return scpi_error::kDataOutOfRange;
      *value = numberText(number);
      return 0;
    }
  }
  return scpi_error::kExecution;
}

int InstrumentSettings::apply(const SettingDefinition& def, int input,
                              const std::vector<Parameter>& parameters, std::string* changedKey) {
  if (parameters.empty()) return scpi_error::kMissingParameter;
  if (parameters.size() > 1) return scpi_error::kParameterNotAllowed;
  const std::string key = keyFor(def, input);
  std::string value;
  if (const int error = parseValue(def, parameters.front(), &value)) return error;
  values_[key] = value;
  *changedKey = key;
  return 0;
}

int InstrumentSettings::query(const SettingDefinition& def, int input,
                              const std::vector<Parameter>& parameters, std::string* answer) const {
  const std::string key = keyFor(def, input);
  std::string value = text(key);
  if (!parameters.empty()) {
    // "FREQ:ARM:STOP:TIM? MAX" asks for a limit instead of the setting.
    const bool numeric = def.kind == SettingKind::Number || def.kind == SettingKind::Integer;
    if (!numeric || parameters.size() > 1) return scpi_error::kParameterNotAllowed;
    if (const int error = parseValue(def, parameters.front(), &value)) return error;
  }
  switch (def.kind) {
    case SettingKind::Flag:
    case SettingKind::Choice:
      *answer = value;
      break;
    case SettingKind::Number:
      *answer = formatReading(std::atof(value.c_str()));
      break;
    case SettingKind::Integer:
      *answer = core::format("%+lld", std::atoll(value.c_str()));
      break;
  }
  return 0;
}

std::string InstrumentSettings::text(const std::string& key) const {
  const auto it = values_.find(key);
  return it == values_.end() ? std::string() : it->second;
}

double InstrumentSettings::number(const std::string& key) const {
  return std::atof(text(key).c_str());
}

bool InstrumentSettings::flag(const std::string& key) const { return text(key) == "1"; }

void InstrumentSettings::set(const std::string& key, std::string value) {
  values_[key] = std::move(value);
}

}  // namespace sim
