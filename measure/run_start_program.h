#pragma once
// The configuration part of Run Start: the front-panel settings turned into the ordered SCPI
// commands for the connected model (the full program for "3800", the compact program for
// "3820", nothing for any other model). The sequence ends before "INIT:CONT ON"; the caller
// writes the commands one by one, then runs the common tail (INIT:CONT ON, caption, reading
// state, timer).
//
// Building the program is not read-only: edit texts that the number rules correct are written
// back into the panel, Volt and Total clear their limit, scale and statistics boxes, and the
// panel's running function code and statistics-shown state are set.

#include <optional>
#include <string>
#include <vector>

#include "measure/panel_model.h"
#include "measure/texts.h"

namespace measure {

// An absolute trigger level out of range: the run is abandoned after the commands before it.
struct LevelError {
  int input = 1;    // 1 or 2
  std::string key;  // "768" (without x10 attenuation) or "769" (with it)
  std::string text;
};

// An edit field whose value Run Start would send but that holds no number: text that is not a
// plain decimal number (trailing letters, a second sign, a value beyond the double range), or
// nothing where a number is needed (limits, scale, gate and stop times, an absolute level).
struct BadNumber {
  Ctl field{};
  std::string text;
};

struct RunStartProgram {
  std::vector<std::string> commands;  // in order; on a level error, those written before it
  int runningFunctionCode = function_code::kNone;
  bool input3Selected = false;   // "FUNC 'FREQ 3'" or "CONF:PER (@3)": no input conditioning
  bool statisticsShown = false;  // the statistics block was switched on ("CALC3:AVER:STATE ON")
  std::optional<LevelError> levelError;
  std::optional<BadNumber> badNumber;  // the first such field (the program still sends 0 for it)
};

// Builds the program for the panel's model code and current settings.
RunStartProgram buildRunStartProgram(PanelModel& panel, const Texts& texts);

// The first field that the program for the current settings would send without holding a
// number, found without changing anything on the panel; nullopt when every one is good.
std::optional<BadNumber> checkRunStartNumbers(PanelModel& panel, const Texts& texts);

// The caption above the chart during a run: the function's name + " " + "Measurement".
std::string measurementCaption(const Texts& texts, int functionCode);

// The number rules of Run Start on one edit text. Each returns the text to send; "changed"
// tells whether it differs from the edit text (the corrected text is written back).
struct NumberText {
  std::string text;
  bool changed = false;
};
// Gate and stop times: below `floor` (0.001, or 0.1 for the compact Total stop time) -> "1".
NumberText gateTime(const std::string& edit, double floor = 0.001);
// Time-interval arming delay: clamped to 0.0000001 .. 0.999.
NumberText armingDelay(const std::string& edit);
// Time-interval arming event count: clamped to 1 .. 99999999.
NumberText eventCount(const std::string& edit);
// Statistics count: a whole number below 2 -> "2".
NumberText statisticsCount(const std::string& edit);

}  // namespace measure
