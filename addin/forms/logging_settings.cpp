#include "addin/forms/logging_settings.h"

#include "addin/date_time.h"
#include "core/text_format.h"

namespace addin::forms {
namespace {

bool wholeNumber(const std::string& text, long long low, long long high) {
  bool parsed = false;
  const long long v = core::leadingInteger(text, &parsed);
  return parsed && std::to_string(v) == text && v >= low && v <= high;
}

bool number(const std::string& text) {
  bool parsed = false;
  core::leadingDouble(text, &parsed);
  return parsed;
}

std::string two(int v) { return core::format("%02d", v); }

}  // namespace

std::int32_t LoggingSettings::readingsNumber() const {
  return static_cast<std::int32_t>(core::leadingInteger(readings));
}
std::int32_t LoggingSettings::intervalMs() const {
  return static_cast<std::int32_t>(core::leadingInteger(interval));
}

const char* binsCell(int chart) { return chart == 2 ? "G6" : chart == 3 ? "G10" : nullptr; }

LoggingSettings loadLoggingSettings(Server& server) {
  LoggingSettings s;
  auto load = [&](const char* key, const std::string& fallback) {
    return server.LoadSetting(key, fallback);
  };
  s.readings = load("ReadPoints", s.readings);
  s.interval = load("Interval", s.interval);
  s.begin = static_cast<int>(core::leadingInteger(load("Begin", "1")));
  s.at = load("AtTime", s.at);
  s.terminating = static_cast<int>(core::leadingInteger(load("Terminating", "1")));
  s.stopTime = two(static_cast<int>(core::leadingInteger(load("StopTime_HH", "0")))) + ":" +
               two(static_cast<int>(core::leadingInteger(load("StopTime_NN", "10")))) + ":" +
               two(static_cast<int>(core::leadingInteger(load("StopTime_SS", "0"))));
  s.chart = static_cast<int>(core::leadingInteger(load("Add_Chart", "0")));
  s.inSheet = core::toLower(load("In_Sheet", "True")) != "false";
  s.autoMin = core::toLower(load("SetAutoMin", "True")) != "false";
  s.autoMax = core::toLower(load("SetAutoMax", "True")) != "false";
  s.minimum = load("MiniLimit", "");
  s.maximum = load("MaxLimit", "");
  s.bins = load("Bins", s.bins);
  if (s.begin < 1 || s.begin > 3) s.begin = 1;
  if (s.terminating < 0 || s.terminating > 2) s.terminating = 1;
  if (s.chart < 0 || s.chart > 3) s.chart = 0;
  return s;
}

std::optional<const char*> checkLoggingSettings(const LoggingSettings& s) {
  if (!wholeNumber(s.readings, 1, 1048575)) return "527";
  if (!wholeNumber(s.interval, 100, 86400000)) return "528";
  if (s.terminating == 2 && !parseStopTime(s.stopTime)) return "529";
  if (s.begin == 2 && !parseDateTime(s.at)) return "530";
  if ((s.chart == 2 || s.chart == 3) &&
      ((!s.autoMin && !number(s.minimum)) || (!s.autoMax && !number(s.maximum))))
    return "531";
  if ((s.chart == 2 || s.chart == 3) && !wholeNumber(s.bins, 1, 32767)) return "532";
  return std::nullopt;
}

void saveLoggingSettings(Server& server, const LoggingSettings& s) {
  const auto bool_ = [](bool b) { return std::string(b ? "True" : "False"); };
  server.SaveSetting("ReadPoints", s.readings);
  server.SaveSetting("Interval", s.interval);
  server.SaveSetting("Begin", std::to_string(s.begin));
  server.SaveSetting("AtTime", s.at);
  server.SaveSetting("Terminating", std::to_string(s.terminating));
  if (const auto parts = parseStopTime(s.stopTime)) {
    server.SaveSetting("StopTime_HH", std::to_string((*parts)[0]));
    server.SaveSetting("StopTime_NN", std::to_string((*parts)[1]));
    server.SaveSetting("StopTime_SS", std::to_string((*parts)[2]));
  }
  server.SaveSetting("Add_Chart", std::to_string(s.chart));
  server.SaveSetting("In_Sheet", bool_(s.inSheet));
  server.SaveSetting("SetAutoMin", bool_(s.autoMin));
  server.SaveSetting("SetAutoMax", bool_(s.autoMax));
  server.SaveSetting("MiniLimit", s.minimum);
  server.SaveSetting("MaxLimit", s.maximum);
  server.SaveSetting("Bins", s.bins);
}

void applyLoggingSettings(Server& server, const LoggingSettings& s) {
  server.SetNumberOfReading(s.readingsNumber());
  server.SetBegin(s.begin);
  if (s.begin == 2) server.SetAtTime(s.at);
  server.SetTerimnatingUpon(s.terminating);
  if (const auto parts = parseStopTime(s.stopTime))
    server.SetStopTime(std::to_string((*parts)[0]), std::to_string((*parts)[1]),
                       std::to_string((*parts)[2]), s.intervalMs());
}

}  // namespace addin::forms
