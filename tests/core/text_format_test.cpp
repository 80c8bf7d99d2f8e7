#include "core/text_format.h"

#include <climits>
#include <clocale>
#include <cmath>

#include <gtest/gtest.h>

namespace {

TEST(LeadingDouble, ReadsTheLeadingNumberLikeAtof) {
  struct Case {
    const char* text;
    double value;
    bool parsed;
  } cases[] = {
      {"0.1", 0.1, true},
      {"  -5.125V", -5.125, true},
      {"+1.00000012345E+007\n", 10000001.2345, true},
      {"1e-3", 0.001, true},
      {".5", 0.5, true},
      {"5.", 5.0, true},
      {"12e", 12.0, true},
      {"", 0.0, false},
      {"abc", 0.0, false},
      {"   ", 0.0, false},
      {"-", 0.0, false},
      {".", 0.0, false},
      {"nan", 0.0, false},
      {"inf", 0.0, false},
      {"0x10", 0.0, true},
  };
  for (const auto& c : cases) {
    bool parsed = false;
    EXPECT_DOUBLE_EQ(core::leadingDouble(c.text, &parsed), c.value) << c.text;
    EXPECT_EQ(parsed, c.parsed) << c.text;
  }
}

TEST(LeadingDouble, OverflowingExponentGivesInfinity) {
  EXPECT_TRUE(std::isinf(core::leadingDouble("1e999")));
  EXPECT_EQ(core::leadingDouble("1e-999"), 0.0);
}

TEST(LeadingInteger, ReadsDigitsAndSaturates) {
  EXPECT_EQ(core::leadingInteger(" 42abc"), 42);
  EXPECT_EQ(core::leadingInteger("-7"), -7);
  EXPECT_EQ(core::leadingInteger("x1"), 0);
  EXPECT_EQ(core::leadingInteger("99999999999999999999999"), LLONG_MAX);
  EXPECT_EQ(core::leadingInteger("-99999999999999999999999"), LLONG_MIN);
}

TEST(Format, ProducesExactPrintfText) {
  EXPECT_EQ(core::format("%.30f", 0.5), "0.500000000000000000000000000000");
  EXPECT_EQ(core::format("Database %d", 10), "Database 10");
  EXPECT_EQ(core::format("%s", ""), "");
  std::string big(5000, 'x');
  EXPECT_EQ(core::format("%s!", big.c_str()).size(), 5001u);
}

}  // namespace

namespace {

TEST(Format, UsesADecimalPointUnderADecimalCommaLocale) {
  const char* names[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"};
  const char* old = setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  bool commaLocale = false;
  for (const char* n : names) {
    if (setlocale(LC_NUMERIC, n) && std::string(localeconv()->decimal_point) == ",") {
      commaLocale = true;
      break;
    }
  }
  EXPECT_EQ(core::format("%.3f", 1.5), "1.500");
  EXPECT_DOUBLE_EQ(core::leadingDouble("1.5"), 1.5);
  setlocale(LC_NUMERIC, saved.c_str());
  if (!commaLocale) GTEST_SKIP() << "no decimal-comma locale installed";
}

}  // namespace
