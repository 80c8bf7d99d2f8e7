#include "addin/date_time.h"

#include <cstdio>
#include <ctime>

namespace addin {
namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian calendar).
long daysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

}  // namespace

double dateTimeSerial(int year, int month, int day, int hour, int minute, double second) {
  const long days = daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 30);
  return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double dateTimeSerial(std::chrono::system_clock::time_point t) {
  const auto seconds = std::chrono::floor<std::chrono::seconds>(t);
  const std::time_t whole = std::chrono::system_clock::to_time_t(seconds);
  std::tm local{};
  localtime_r(&whole, &local);
  const double fraction = std::chrono::duration<double>(t - seconds).count();
  return dateTimeSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec + fraction);
}

std::optional<double> parseDateTime(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char sep1 = 0, sep2 = 0;
  int used = 0;
  const char* p = text.c_str();
  while (*p == ' ') ++p;
  if (std::sscanf(p, "%4d%c%2d%c%2d%n", &y, &sep1, &mo, &sep2, &d, &used) != 5) return std::nullopt;
  if (sep1 != sep2 || (sep1 != '/' && sep1 != '-')) return std::nullopt;
  p += used;
  if (*p == ' ' || *p == 'T') {
    ++p;
    while (*p == ' ') ++p;
    if (*p) {
      int timeUsed = 0;
      if (std::sscanf(p, "%2d:%2d%n", &h, &mi, &timeUsed) != 2) return std::nullopt;
      p += timeUsed;
      if (*p == ':') {
        ++p;
        if (std::sscanf(p, "%2d%n", &s, &timeUsed) != 1) return std::nullopt;
        p += timeUsed;
      }
    }
  }
  while (*p == ' ') ++p;
  if (*p) return std::nullopt;
  if (y < 1900 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo)) return std::nullopt;
  if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return std::nullopt;
  return dateTimeSerial(y, mo, d, h, mi, s);
}

std::optional<std::array<int, 3>> parseStopTime(const std::string& text) {
  std::array<int, 3> parts{};
  int used = 0;
  if (std::sscanf(text.c_str(), "%d:%d:%d%n", &parts[0], &parts[1], &parts[2], &used) != 3 ||
      used != static_cast<int>(text.size()))
    return std::nullopt;
  if (parts[0] < 0 || parts[0] > 546 || parts[1] < 0 || parts[1] > 59 || parts[2] < 0 ||
      parts[2] > 59)
    return std::nullopt;
  return parts;
}

}  // namespace addin
