#pragma once
// The measurement functions of the V3800A / V3820A and the inputs each one uses, with the
// texts the counter shows for them: "FREQ 1" style in the settings dump, and the FUNC?
// answer that logging clients classify ("FREQ", "FREQ 2", "FREQ:RAT", "FREQ:RAT 1,3", ...).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scpi_parser.h"

namespace sim {

enum class FunctionKind {
  Frequency,
  Ratio,
  Period,
  RiseTime,
  FallTime,
  PositiveWidth,
  NegativeWidth,
  TimeInterval,
  Phase,
  DutyCycle,
  VoltPeakToPeak,
  VoltMaximum,
  VoltMinimum,
  VoltCenter,
  Totalize,
};

struct FunctionDefinition {
  FunctionKind kind;
  const char* pattern;  // header pattern below CONFigure / MEASure and inside FUNC strings
  const char* name;     // short upper-case name: "FREQ:RAT"
  int inputs;           // 1, or 2 for ratio, time interval and phase
  bool compact;         // offered by the V3820A too
  int maxInput;         // highest input number the V3800A accepts for it
};

const std::vector<FunctionDefinition>& functionSpecs();
const FunctionDefinition& functionSpec(FunctionKind kind);

struct MeasurementFunction {
  FunctionKind kind = FunctionKind::Frequency;
  int first = 1;
  int second = 0;  // second input of two-input functions, else 0

  // "FREQ 1", "FREQ:RAT 1,3", "TINT 1,2"
  std::string text() const;
  // The FUNC? answer (without quotes): input 1 and the pair 1,2 are implied.
  std::string queryText() const;
  // The CONF? answer (without quotes): "FREQ:RAT (@1),(@3)".
  std::string configureText() const;
  // The arming subsystem that starts this measurement: "FREQ", "TINT", "PHAS", "TOT"; "" for
  // the voltage functions, which are never armed.
  std::string armRoot() const;
  bool operator==(const MeasurementFunction&) const = default;
};

// Checks the inputs of `function` for a model (compact: the V3820A, input 1 only and four
// functions). Returns 0 or the SCPI error.
int validateFunction(const MeasurementFunction& function, bool compact);

// Reads the inputs given as channel lists ("(@1),(@3)" or "(@1,3)") or as plain numbers
// ("1,3", as inside "FREQ:RAT 1,3") into `function`; the defaults stay when none is given.
// Returns 0 or the SCPI error.
int applyInputs(const std::vector<Parameter>& parameters, MeasurementFunction* function);

// Parses the contents of a FUNC string: "FREQ 1", "FREQuency:RATio 1,3", "PER (@2)".
// Returns 0 or the SCPI error.
int parseFunctionText(std::string_view text, bool compact, MeasurementFunction* function);

}  // namespace sim
