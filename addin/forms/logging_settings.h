#pragma once
// The Logging Charts form's settings: kept in the settings file under the add-in's own keys,
// checked before they are used, and handed to the add-in server before a run.

#include <cstdint>
#include <optional>
#include <string>

#include "addin/forms/server.h"

namespace addin::forms {

struct LoggingSettings {
  std::string readings = "100";
  std::string interval = "1000";
  int begin = 1;        // 1 at once, 2 at a date and time, 3 on the external trigger
  std::string at;       // "yyyy/mm/dd hh:nn:ss" of a waiting run
  int terminating = 1;  // 0 on STOP, 1 after the readings, 2 after the stop time
  std::string stopTime = "00:10:00";
  int chart = 0;  // 0 none, 1 strip chart, 2 histogram, 3 both
  bool inSheet = true;
  bool autoMin = true, autoMax = true;
  std::string minimum, maximum;
  std::string bins = "10";

  std::int32_t readingsNumber() const;
  std::int32_t intervalMs() const;
};

// The settings saved last (or their defaults).
LoggingSettings loadLoggingSettings(Server& server);

// The text id of the first thing wrong with the settings, or nullopt when they can be used.
std::optional<const char*> checkLoggingSettings(const LoggingSettings& settings);

// Saves them under the add-in's keys (ReadPoints, Interval, Begin, Terminating, Add_Chart,
// In_Sheet, StopTime_HH/NN/SS, SetAutoMin/Max, MiniLimit, MaxLimit, and AtTime, Bins).
void saveLoggingSettings(Server& server, const LoggingSettings& settings);

// Hands them to the add-in before a run: readings, start mode (and its time), terminating mode
// and stop time.
void applyLoggingSettings(Server& server, const LoggingSettings& settings);

// The cell of the template sheet that holds the number of bins for a chart kind (G6 for the
// histogram, G10 beside the strip chart), or null for a kind without histogram.
const char* binsCell(int chart);

}  // namespace addin::forms
