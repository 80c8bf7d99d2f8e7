#pragma once
// The readings of a reading database for the stability analysis: those of its last recorded
// run (from the first row its settings describe) with those settings, or every reading of a
// file recorded before the settings were kept.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "records/run_info.h"
#include "stability/series.h"

namespace stability {

struct Recording {
  std::vector<double> values;  // read_value in stored order; NaN for a missing value
  std::optional<records::RunInfo> runInfo;
  long long firstRow = 0;  // row ids of the readings taken, 0 when none
  long long lastRow = 0;
  std::size_t settingsRows = 0;  // rows of run_info in the file
};

// Throws records::DatabaseError when the file cannot be read.
Recording loadRecording(const std::string& path);

// True when the file at `path` starts like an SQLite database.
bool looksLikeDatabase(const std::string& path);

// The reading interval of the recorded run in seconds (its "Read Speed").
std::optional<double> recordedTau0(const Recording& recording);

// The kind of the recorded readings: period for the Period function, otherwise frequency.
InputKind recordedInputKind(const Recording& recording);

// The folder `--db N` and the Stability dialog look in: the database folder of the current
// directory (the front panel's rule) when it exists, otherwise
// ${XDG_DATA_HOME:-~/.local/share}/v38xx/DB, where scripts/run-front-panel.sh records.
std::string defaultDatabaseFolder();

}  // namespace stability
