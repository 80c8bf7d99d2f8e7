#include "sim/measurement_function.h"

#include "core/text_format.h"

namespace sim {

const std::vector<FunctionDefinition>& functionSpecs() {
  static const std::vector<FunctionDefinition> definitions = {
      {FunctionKind::Frequency, "FREQuency", "FREQ", 1, true, 3},
      {FunctionKind::Ratio, "FREQuency:RATio", "FREQ:RAT", 2, false, 3},
      {FunctionKind::Period, "PERiod", "PER", 1, true, 3},
      {FunctionKind::RiseTime, "RTIMe", "RTIM", 1, false, 2},
      {FunctionKind::FallTime, "FTIMe", "FTIM", 1, false, 2},
      {FunctionKind::PositiveWidth, "PWIDth", "PWID", 1, false, 2},
      {FunctionKind::NegativeWidth, "NWIDth", "NWID", 1, false, 2},
      {FunctionKind::TimeInterval, "TINTerval", "TINT", 2, false, 2},
      {FunctionKind::Phase, "PHASe", "PHAS", 2, false, 2},
      {FunctionKind::DutyCycle, "DCYCle", "DCYC", 1, false, 2},
      {FunctionKind::VoltPeakToPeak, "VOLTage:PTPeak", "VOLT:PTP", 1, true, 2},
      {FunctionKind::VoltMaximum, "VOLTage:MAXimum", "VOLT:MAX", 1, true, 2},
      {FunctionKind::VoltMinimum, "VOLTage:MINimum", "VOLT:MIN", 1, true, 2},
      {FunctionKind::VoltCenter, "VOLTage:CENTer", "VOLT:CENT", 1, true, 2},
      {FunctionKind::Totalize, "TOTalize[:TIMed]", "TOT:TIM", 1, true, 2},
  };
  return definitions;
}

const FunctionDefinition& functionSpec(FunctionKind kind) {
  for (const FunctionDefinition& def : functionSpecs()) {
    if (def.kind == kind) return def;
  }
  return functionSpecs().front();
}

std::string MeasurementFunction::text() const {
  const FunctionDefinition& def = functionSpec(kind);
  if (def.inputs == 2) return core::format("%s %d,%d", def.name, first, second);
  return core::format("%s %d", def.name, first);
}

std::string MeasurementFunction::queryText() const {
  const FunctionDefinition& def = functionSpec(kind);
  if (def.inputs == 2) {
    if (first == 1 && second == 2) return def.name;
    return core::format("%s %d,%d", def.name, first, second);
  }
  if (first == 1) return def.name;
  return core::format("%s %d", def.name, first);
}

std::string MeasurementFunction::configureText() const {
  const FunctionDefinition& def = functionSpec(kind);
  if (def.inputs == 2) return core::format("%s (@%d),(@%d)", def.name, first, second);
  return core::format("%s (@%d)", def.name, first);
}

std::string MeasurementFunction::armRoot() const {
  switch (kind) {
    case FunctionKind::Frequency:
    case FunctionKind::Ratio:
    case FunctionKind::Period:
      return "FREQ";
    case FunctionKind::Phase:
      return "PHAS";
    case FunctionKind::Totalize:
      return "TOT";
    case FunctionKind::VoltPeakToPeak:
    case FunctionKind::VoltMaximum:
    case FunctionKind::VoltMinimum:
    case FunctionKind::VoltCenter:
      return "";
    default:
      return "TINT";
  }
}

int validateFunction(const MeasurementFunction& function, bool compact) {
  const FunctionDefinition& def = functionSpec(function.kind);
  if (compact && !def.compact) return scpi_error::kIllegalParameterValue;
  const int maxInput = compact ? 1 : def.maxInput;
  if (function.first < 1 || function.first > maxInput) return scpi_error::kIllegalParameterValue;
  if (def.inputs == 2) {
    if (function.second < 1 || function.second > maxInput || function.second == function.first)
      return scpi_error::kIllegalParameterValue;
  }
  return 0;
}

int applyInputs(const std::vector<Parameter>& parameters, MeasurementFunction* function) {
  std::vector<int> inputs;
  for (const Parameter& p : parameters) {
    if (p.kind == Parameter::Kind::ChannelList) {
      inputs.insert(inputs.end(), p.channels.begin(), p.channels.end());
    } else if (p.kind == Parameter::Kind::Numeric && p.suffix.empty() && p.number >= 0 &&
               p.number < 100 && p.number == static_cast<int>(p.number)) {
      inputs.push_back(static_cast<int>(p.number));
    } else {
      return scpi_error::kDataType;
    }
  }
  const FunctionDefinition& def = functionSpec(function->kind);
  if (inputs.empty()) return 0;
  if (static_cast<int>(inputs.size()) != def.inputs) {
    return static_cast<int>(inputs.size()) > def.inputs ? scpi_error::kParameterNotAllowed
                                                        : scpi_error::kMissingParameter;
  }
  function->first = inputs[0];
  function->second = def.inputs == 2 ? inputs[1] : 0;
  return 0;
}

int parseFunctionText(std::string_view text, bool compact, MeasurementFunction* function) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  const size_t blank = text.find(' ');
  const auto header = parseHeaderPath(text.substr(0, blank));
  if (!header) return scpi_error::kIllegalParameterValue;
  for (const FunctionDefinition& def : functionSpecs()) {
    if (HeaderPattern(def.pattern).match(*header, nullptr) != MnemonicMatch::Yes) continue;
    MeasurementFunction parsed;
    parsed.kind = def.kind;
    parsed.second = def.inputs == 2 ? 2 : 0;
    if (blank != std::string_view::npos) {
      // "FREQ:RAT 1,3" and "PER (@2)" read like the parameters of a command.
      const auto units = parseProgramMessage("X " + std::string(text.substr(blank + 1)));
      if (units.size() != 1 || units[0].error) return scpi_error::kIllegalParameterValue;
      if (applyInputs(units[0].parameters, &parsed) != 0) return scpi_error::kIllegalParameterValue;
    }
    if (const int error = validateFunction(parsed, compact)) return error;
    *function = parsed;
    return 0;
  }
  return scpi_error::kIllegalParameterValue;
}

}  // namespace sim
