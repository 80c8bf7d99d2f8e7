#include "records/value.h"

#include <array>
#include <charconv>

#include "core/text_format.h"

namespace records {

namespace {

// Parses exactly `width` decimal digits at `pos`.
bool digits(std::string_view text, size_t pos, size_t width, int* out) {
  if (pos + width > text.size()) return false;
  int v = 0;
  for (size_t i = pos; i < pos + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  *out = v;
  return true;
}

bool parseTime(std::string_view text, DateTime* out) {
  return text.size() == 8 && text[2] == ':' && text[5] == ':' && digits(text, 0, 2, &out->hour) &&
         digits(text, 3, 2, &out->minute) && digits(text, 6, 2, &out->second) && out->hour < 24 &&
         out->minute < 60 && out->second < 61;
}

}  // namespace

DateTime DateTime::fromTm(const std::tm& t) {
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

DateTime DateTime::timeOfDay(const std::tm& t) { return {0, 0, 0, t.tm_hour, t.tm_min, t.tm_sec}; }

std::tm DateTime::toTm() const {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return t;
}

std::string DateTime::sqlText() const {
  if (!hasDate()) return core::format("%02d:%02d:%02d", hour, minute, second);
  return core::format("%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
}

std::optional<DateTime> DateTime::parse(std::string_view text) {
  DateTime out;
  if (text.size() == 8) {
    if (parseTime(text, &out)) return out;
    return std::nullopt;
  }
  if (text.size() == 19 && text[4] == '-' && text[7] == '-' && text[10] == ' ' &&
      digits(text, 0, 4, &out.year) && digits(text, 5, 2, &out.month) &&
      digits(text, 8, 2, &out.day) && out.month >= 1 && out.month <= 12 && out.day >= 1 &&
      out.day <= 31 && parseTime(text.substr(11), &out)) {
    return out;
  }
  return std::nullopt;
}

std::string startDateText(const DateTime& start) {
  const std::tm t = start.toTm();
  std::array<char, 64> buffer{};
  const size_t n = std::strftime(buffer.data(), buffer.size(), "%y / %m / %d -- %H : %M : %S", &t);
  return std::string(buffer.data(), n);
}

double Value::toDouble() const {
  if (const auto* d = std::get_if<double>(&data_)) return *d;
  if (const auto* i = std::get_if<long long>(&data_)) return static_cast<double>(*i);
  if (const auto* s = std::get_if<std::string>(&data_)) return core::leadingDouble(*s);
  return 0.0;
}

long long Value::toInteger() const {
  if (const auto* i = std::get_if<long long>(&data_)) return *i;
  if (const auto* d = std::get_if<double>(&data_)) return static_cast<long long>(*d);
  if (const auto* s = std::get_if<std::string>(&data_)) return core::leadingInteger(*s);
  return 0;
}

std::optional<DateTime> Value::toDateTime() const {
  if (const auto* s = std::get_if<std::string>(&data_)) return DateTime::parse(*s);
  return std::nullopt;
}

std::string Value::toText() const {
  if (const auto* s = std::get_if<std::string>(&data_)) return *s;
  if (const auto* i = std::get_if<long long>(&data_)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&data_)) {
    std::array<char, 64> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), *d);
    return std::string(buffer.data(), r.ptr);
  }
  return {};
}

double fixed30RoundTrip(double value) {
  // The exact decimal expansion of a double needs up to 309 integer digits plus the 30
  // decimals; to_chars prints it like "%.30f" but in the "C" form whatever the locale.
  std::array<char, 400> buffer{};
  const auto printed = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                     std::chars_format::fixed, 30);
  if (printed.ec != std::errc()) return value;
  double back = 0.0;
  const auto parsed = std::from_chars(buffer.data(), printed.ptr, back);
  if (parsed.ec != std::errc()) return value;
  return back;
}

double storedReadingValue(std::string_view answerText) {
  return fixed30RoundTrip(core::leadingDouble(answerText));
}

}  // namespace records
