#include "addin/forms/toolbar_actions.h"

#include "addin/forms/logging_settings.h"
#include "addin/reading_value.h"
#include "core/text_format.h"

namespace addin::forms {

std::optional<const char*> startRun(Server& server, const StartSheet& sheet) {
  if (server.runState().active) return "601";
  const LoggingSettings settings = loadLoggingSettings(server);
  if (const auto problem = checkLoggingSettings(settings)) return *problem;
  server.SetSheet(sheet.name);
  applyLoggingSettings(server, settings);
  if (const char* cell = binsCell(settings.chart))
    sheet.writeCell(cell, static_cast<double>(core::leadingInteger(settings.bins)));
  server.AddChart(static_cast<std::int16_t>(settings.chart), settings.inSheet);
  server.StartTimer(settings.intervalMs());
  return std::nullopt;
}

void pauseRun(Server& server) { server.PauseTimer(); }

void resumeRun(Server& server) { server.Stop_Pause(); }

SingleReading singleReading(Server& server) {
  SingleReading result;
  if (server.IWKSesn() == 0) {
    result.problem = "407";
    return result;
  }
  std::string error;
  const std::optional<std::string> answer = server.instrument("READ?", &error);
  if (!answer) {
    result.problem = "451\n" + error;
    return result;
  }
  std::string clean;
  for (char c : *answer)
    if (static_cast<unsigned char>(c) >= 0x20 && c != '"') clean += c;
  result.value = readingValue(clean);
  if (!result.value) result.problem = "451\n" + clean;
  return result;
}

}  // namespace addin::forms
