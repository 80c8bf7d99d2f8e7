#pragma once
// What the toolbar's commands do, apart from opening forms: START logs into the sheet the user
// is looking at with the Logging Charts settings, PAUSE, resume and STOP, and a single reading
// into the active cell.

#include <functional>
#include <optional>
#include <string>

#include "addin/forms/server.h"

namespace addin::forms {

// The sheet START logs into: its name and how to write one of its cells.
struct StartSheet {
  std::string name;
  std::function<void(const std::string& cell, double value)> writeCell;
};

// START: the saved settings are checked (a message names what is wrong and nothing starts),
// handed to the add-in with the sheet, the template's bin count for a histogram, AddChart and
// StartTimer. Returns the text id of a refusal, or nullopt when the run was started.
std::optional<const char*> startRun(Server& server, const StartSheet& sheet);

// PAUSE toggles: a running run pauses, a paused one resumes (the toolbar's PAUSE and START both
// resume a paused run).
void pauseRun(Server& server);
void resumeRun(Server& server);

// A single reading ("READ?") from the work session: its value, or the reason there is none.
struct SingleReading {
  std::optional<double> value;
  std::string problem;  // a text id ("407", "451") followed by details
};
SingleReading singleReading(Server& server);

}  // namespace addin::forms
