#include "core/text_format.h"

#include <locale.h>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace core {

namespace {

locale_t cLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

}  // namespace

std::string format(const char* fmt, ...) {
  // Numbers travel as text to the instrument and into files: always with a decimal point,
  // whatever locale the desktop (or Qt, which adopts the user's locale) has set.
  const locale_t previous = uselocale(cLocale());
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out;
  if (length > 0) {
    out.resize(static_cast<size_t>(length));
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  }
  va_end(args);
  uselocale(previous);
  return out;
}

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix (after blanks) that is a decimal floating-point number.
size_t numberSpan(std::string_view text, size_t start) {
  size_t i = start;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && isDigit(text[j])) {
      while (j < text.size() && isDigit(text[j])) ++j;
      i = j;
    }
  }
  return i - start;
}

}  // namespace

double leadingDouble(std::string_view text, bool* parsed) {
  size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  const size_t span = numberSpan(text, start);
  if (parsed) *parsed = span > 0;
  if (span == 0) return 0.0;
  const std::string number(text.substr(start, span));
  return strtod_l(number.c_str(), nullptr, cLocale());
}

long long leadingInteger(std::string_view text, bool* parsed) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  bool any = false;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    any = true;
    const int digit = text[i] - '0';
    if (value > (LLONG_MAX - digit) / 10) {
      value = LLONG_MAX;
      while (i < text.size() && isDigit(text[i])) ++i;
      break;
    }
    value = value * 10 + digit;
  }
  if (parsed) *parsed = any;
  if (negative) return value == LLONG_MAX ? LLONG_MIN : -value;
  return value;
}

std::string toUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string toLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace core
