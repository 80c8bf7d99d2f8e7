#include "records/decimal_text.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace records {

namespace {

using u128 = unsigned __int128;

// The general way: exact for every double, about ten times slower.
void appendSlow(std::string& out, double value, int decimals) {
  // 309 integer digits at most, a sign, the point and the decimals.
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  out.append(buffer, result.ptr);
}

constexpr std::uint64_t kPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};

// "00", "01", ... "99".
constexpr auto kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Writes the `count` digits of `v` (< 10^count), leading zeros included, ending at `end`.
void writeDigits(char* end, std::uint64_t v, int count) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, &kDigitPairs[2 * (v % 100)], 2);
    v /= 100;
  }
  if (count) *--end = static_cast<char>('0' + v);
}

// Writes the first `decimals` digits of fraction / 2^shift (9 at a time: U must hold
// fraction × 10^9) and compares what is left with one half: below 0, equal 0, above 1.
template <typename U>
int fractionDigits(U fraction, int shift, char* digits, int decimals) {
  const U mask = (U{1} << shift) - 1;
  for (int written = 0; written < decimals;) {
    if (fraction == 0) {
      std::memset(digits + written, '0', static_cast<size_t>(decimals - written));
      return -1;
    }
    const int chunk = decimals - written < 9 ? decimals - written : 9;
    fraction *= kPowersOfTen[chunk];
    writeDigits(digits + written + chunk, static_cast<std::uint64_t>(fraction >> shift), chunk);
    fraction &= mask;
    written += chunk;
  }
  const U half = U{1} << (shift - 1);
  return fraction < half ? -1 : fraction == half ? 0 : 1;
}

}  // namespace

void appendFixed(std::string& out, double value, int decimals) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const int exponent = static_cast<int>((bits >> 52) & 0x7ff);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  // |value| = mantissa × 2^-shift.
  int shift = 0;  // zero is a whole number
  if (exponent != 0) {
    mantissa |= std::uint64_t{1} << 52;
    shift = 1075 - exponent;
  }
  // Fast for the magnitudes readings have: from 2^-46 (the fraction's digits then fit in 128
  // bits, 9 at a time) up to 2^63 (the integer part fits in 64); everything else, infinities
  // and subnormals included, the general way.
  if (exponent == 0x7ff || decimals < 0 || decimals > 30 || shift > 98 || shift < -10 ||
      (exponent == 0 && mantissa != 0)) {
    appendSlow(out, value, decimals);
    return;
  }
  std::uint64_t integer = 0;
  char digits[32];
  bool roundUp = false;
  if (shift <= 0) {
    integer = mantissa << -shift;
    std::memset(digits, '0', static_cast<size_t>(decimals));
  } else {
    integer = shift < 64 ? mantissa >> shift : 0;
    const std::uint64_t fraction =
        shift < 64 ? mantissa & ((std::uint64_t{1} << shift) - 1) : mantissa;
    // Most readings' fractions have at most 34 bits: 64-bit arithmetic is enough for them.
    const int rest = shift <= 34 ? fractionDigits<std::uint64_t>(fraction, shift, digits, decimals)
                                 : fractionDigits<u128>(fraction, shift, digits, decimals);
    // Round half to even on what is left of the exact value.
    const int lastDigit =
        decimals > 0 ? digits[decimals - 1] - '0' : static_cast<int>(integer % 10);
    roundUp = rest > 0 || (rest == 0 && (lastDigit & 1));
  }
  if (roundUp) {
    int i = decimals - 1;
    for (; i >= 0 && digits[i] == '9'; --i) digits[i] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      ++integer;
    }
  }
  char text[64];
  char* p = text;
  if (bits >> 63) *p++ = '-';
  p = std::to_chars(p, text + sizeof text, integer).ptr;
  if (decimals > 0) {
    *p++ = '.';
    std::memcpy(p, digits, static_cast<size_t>(decimals));
    p += decimals;
  }
  out.append(text, p);
}

}  // namespace records
