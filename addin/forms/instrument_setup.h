#pragma once
// Set up Instrument: the measurement function and its main settings for the connected counter,
// programmed with the front panel's own Run Start program, so that the counter receives the
// same commands as from the front panel.

#include <string>
#include <vector>

namespace addin::forms {

// The functions of a model ("3800" or "3820"), as text ids of the form's list.
struct SetupFunction {
  const char* textId;
  int inputs;  // inputs to choose from (1 when there is no choice)
  bool gate;   // a gate time applies
};
const std::vector<SetupFunction>& setupFunctions(const std::string& modelCode);

struct SetupChoice {
  int function = 0;  // index into setupFunctions
  int input = 0;     // 0-based
  std::string gateTime = "0.1";
};

// "3800" for a V3800A, "3820" for a V3820A, "0" for anything else, from its identification.
std::string modelCodeOf(const std::string& identification);

// The commands that program the choice into a counter of the model, in order (without
// "INIT:CONT ON"); empty for an unknown model.
std::vector<std::string> setupCommands(const std::string& modelCode, const SetupChoice& choice);

}  // namespace addin::forms
