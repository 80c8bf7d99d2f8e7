#pragma once
// The command line of v38xx-log: what to log, from which counter, how the run begins and ends,
// which chart, and where the workbook goes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace addin::log {

struct LogOptions {
  std::string resource;  // empty: the first counter discovery accepts
  std::int32_t intervalMs = 1000;
  std::optional<std::int32_t> readings;  // terminating mode 1
  std::optional<std::string> stopTime;   // "HH:MM:SS", terminating mode 2
  std::int32_t begin = 1;                // 1 direct, 2 waiting, 3 trigger
  std::string at;                        // start date-time of a waiting run
  std::int16_t chart = 0;
  bool inSheet = false;
  std::vector<std::string> outputs;      // .ods or .xlsx
  std::string office;                    // pipe of a running office; empty: a private one
  std::optional<bool> stopWhileWaiting;  // answer to the trigger-wait question
  bool quiet = false;
  bool help = false;
  bool version = false;

  // Terminating mode: 1 after the readings, 2 after the stop time, 0 until stopped.
  std::int32_t terminating() const { return readings ? 1 : stopTime ? 2 : 0; }
};

// The options of `args` (without the program name). On a mistake, nullopt and `error` says what
// is wrong in one sentence.
std::optional<LogOptions> parseLogOptions(const std::vector<std::string>& args, std::string* error);

// The office filter that writes `path` (by its extension), or empty when none does.
std::string filterForOutput(const std::string& path);

extern const char* const kLogHelp;

}  // namespace addin::log
