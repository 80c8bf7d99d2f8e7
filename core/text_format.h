#pragma once
// printf-style formatting into std::string and the C-style leading-number conversions
// that the instrument answers and the panel's edit texts go through.

#include <string>
#include <string_view>

namespace core {

// vsnprintf into a std::string of the exact length; never truncates. Always formats in the
// "C" locale (a decimal point), whatever the process locale is.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The leading decimal number of `text`, like C's atof in the "C" locale but strict about
// what a number is: optional blanks, a sign, digits with an optional point, an optional
// exponent. "nan", "inf" and hexadecimal forms are not numbers. Text without a leading
// number gives 0 (and `parsed` false). An exponent beyond the double range gives +-HUGE_VAL.
double leadingDouble(std::string_view text, bool* parsed = nullptr);

// The leading decimal integer, like C's atoi/atol: blanks, a sign, digits; 0 without digits.
// Saturates at the limits of long long instead of overflowing.
long long leadingInteger(std::string_view text, bool* parsed = nullptr);

std::string toUpper(std::string_view text);
std::string toLower(std::string_view text);

}  // namespace core
