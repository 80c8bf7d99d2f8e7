#pragma once
// The settings of a recorded run, stored with its readings: table `run_info` of a reading
// database gets one row at Run Start (and one more when "Read Speed" is changed during the
// run), each describing the readings from row id `first_row` on. The tables `read` and
// `read_date` are untouched; files without `run_info` open as before and simply have no
// settings.

#include <optional>
#include <string>
#include <vector>

#include "records/database.h"
#include "records/value.h"

namespace measure {
class Texts;
}

namespace records {

inline constexpr const char* kRunInfoTable = "run_info";

struct RunInfo {
  long long firstRow = 0;      // row id of the first reading this row describes
  std::string model;           // "V3800A", "V3820A", or the model code when neither
  std::string identification;  // the instrument's line of the device list
  std::string resource;        // its VISA resource name
  int functionCode = -1;       // 0 Freq, 10 Ratio, 11 Period, ...
  std::string functionName;    // "Freq", "Period", ... (English)
  int readSpeedMs = 0;         // the reading timer's period
  std::string program;         // the Run Start commands as sent, one per line
  DateTime started;            // local date and time of Run Start
  std::string programVersion;  // "1.1.2"

  friend bool operator==(const RunInfo&, const RunInfo&) = default;
};

// Adds `info` to the open database (creating the table on first use), with `firstRow` set to
// the row id the next reading will get; returns the stored row. Throws DatabaseError.
RunInfo writeRunInfo(Database& db, RunInfo info);

// Every row of the open database in the order written; empty when the file has no such table.
// Throws DatabaseError.
std::vector<RunInfo> readRunInfo(Database& db);

// The settings of the last run recorded in the file at `path`; nullopt when it has none.
// Throws DatabaseError.
std::optional<RunInfo> lastRunInfo(const std::string& path);

// The settings of the last run in the file at `path` as View Record shows them, one item a
// line with its label in the current language ("Model: V3800A", ..., "Commands:" and the
// commands one a line), or the text saying that none were stored. Empty when the file cannot
// be read (the caller reports that).
std::string runSettingsText(const std::string& path, const measure::Texts& texts);

// The model name of a model code ("3800" → "V3800A", "3820" → "V3820A").
std::string modelName(const std::string& modelCode);

}  // namespace records
