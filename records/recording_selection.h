#pragma once
// The recording selection: whether readings are stored, into which of the ten databases,
// and the trace colour of the main window's chart. The Setting Mode dialog edits it; Run
// Start reads it. It lives with the main window for the program's life.

#include "core/interaction.h"

namespace records {

struct RecordingSelection {
  bool save = false;                 // readings are stored only while set
  int database = 0;                  // 0 = none, else 1 to 10
  bool databaseUsed = false;         // the chosen database turned out used, or all ten are used
  core::Color drawColor{0, 0, 255};  // pure blue
  int foundInstruments = 0;          // the Save box is enabled only when non-zero
};

}  // namespace records
