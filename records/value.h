#pragma once
// Field values of the reading databases: the reading as a double, the time of a reading
// (time of day only) and the start date of a recording (date and time). Date/time values
// are kept in SQLite's own text forms, "HH:MM:SS" and "YYYY-MM-DD HH:MM:SS", so that the
// engine's date functions and any SQLite tool read them as they are.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace records {

// A local calendar time to the whole second. A time of day alone has no date part
// (year, month and day 0).
struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool hasDate() const { return year != 0 || month != 0 || day != 0; }
  friend bool operator==(const DateTime&, const DateTime&) = default;

  static DateTime fromTm(const std::tm& t);
  static DateTime timeOfDay(const std::tm& t);
  std::tm toTm() const;

  // "YYYY-MM-DD HH:MM:SS", or "HH:MM:SS" for a time of day alone.
  std::string sqlText() const;
  // Either of the two forms above; nullopt for anything else.
  static std::optional<DateTime> parse(std::string_view text);
};

// The start date as the dialogs show it: "%y / %m / %d -- %H : %M : %S".
std::string startDateText(const DateTime& start);

// One field value as the engine returns it or takes it.
class Value {
 public:
  Value() = default;
  Value(double number) : data_(number) {}
  Value(long long integer) : data_(integer) {}
  Value(const DateTime& dateTime) : data_(dateTime.sqlText()) {}
  static Value text(std::string text) {
    Value v;
    v.data_ = std::move(text);
    return v;
  }

  bool isNull() const { return std::holds_alternative<std::monostate>(data_); }
  bool isNumber() const { return isReal() || isInteger(); }
  bool isReal() const { return std::holds_alternative<double>(data_); }
  bool isInteger() const { return std::holds_alternative<long long>(data_); }
  bool isText() const { return std::holds_alternative<std::string>(data_); }

  // Numbers as they are; text by its leading number; null as 0.
  double toDouble() const;
  long long toInteger() const;
  // The date/time of a text value in one of the engine's forms; nullopt otherwise.
  std::optional<DateTime> toDateTime() const;
  // Text as it is; numbers in the engine's shortest form; null as "".
  std::string toText() const;

  const std::variant<std::monostate, double, long long, std::string>& data() const { return data_; }
  friend bool operator==(const Value&, const Value&) = default;

 private:
  std::variant<std::monostate, double, long long, std::string> data_;
};

// The value a reading is stored as: printed with 30 fixed decimals and read back, so that
// magnitudes below 0.5e-30 become 0. Independent of the process's locale.
double fixed30RoundTrip(double value);

// The stored value of an instrument answer: its leading decimal number (0 without one),
// through fixed30RoundTrip.
double storedReadingValue(std::string_view answerText);

}  // namespace records
