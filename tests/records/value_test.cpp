#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "records/value.h"

namespace {

using records::DateTime;

TEST(StoredReadingValue, ThirtyDecimalRoundTrip) {
  struct Case {
    const char* name;
    const char* answer;
    double stored;
  };
  const Case cases[] = {
      {"below half of the 30th decimal becomes zero", "1.5e-31", 0.0},
      {"negative below half of the 30th decimal becomes zero", "-4.9e-31", 0.0},
      {"above half of the 30th decimal rounds up to it", "6e-31", 1e-30},
      {"ten million and a fraction is the nearest double", "10000000.123", 10000000.123},
      {"counter answer in exponent form", "+1.00000012345E+007", 10000001.2345},
      {"overflow reading is kept as it is", "9.91E+37\n", 9.91e37},
      {"smallest frequency the counter shows", "1.234567890123E-3", 1.234567890123e-3},
      {"text without a number is zero", "garbage", 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(records::storedReadingValue(c.answer), c.stored) << c.name;
  }
}

TEST(StoredReadingValue, OutOfRangeAnswerStaysInfiniteRatherThanZero) {
  EXPECT_EQ(records::storedReadingValue("1E+999"), std::numeric_limits<double>::infinity());
}

TEST(StoredReadingValue, DoesNotDependOnTheDecimalCommaOfTheLocale) {
  const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (!german) GTEST_SKIP() << "no German locale installed";
  const double stored = records::storedReadingValue("10000000.123");
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(stored, 10000000.123);
}

TEST(DateTimeText, EngineFormsParseAndPrintBack) {
  struct Case {
    const char* name;
    const char* text;
    DateTime expected;
  };
  const Case cases[] = {
      {"time of day has no date part", "13:05:09", {0, 0, 0, 13, 5, 9}},
      {"midnight", "00:00:00", {0, 0, 0, 0, 0, 0}},
      {"start date", "2011-11-10 09:06:32", {2011, 11, 10, 9, 6, 32}},
  };
  for (const Case& c : cases) {
    const auto parsed = DateTime::parse(c.text);
    ASSERT_TRUE(parsed) << c.name;
    EXPECT_EQ(*parsed, c.expected) << c.name;
    EXPECT_EQ(parsed->sqlText(), c.text) << c.name;
  }
}

TEST(DateTimeText, RejectsWhatIsNotAnEngineDateOrTime) {
  for (const char* text : {"9:06:32", "24:00:00", "12:60:00", "2011-13-01 00:00:00",
                           "2011-11-10T09:06:32", "2011-11-10", "", "garbage!"}) {
    EXPECT_FALSE(DateTime::parse(text)) << text;
  }
}

TEST(DateTimeText, StartDateShowsTwoDigitYearAndSpacedFields) {
  EXPECT_EQ(records::startDateText({2011, 11, 10, 9, 6, 32}), "11 / 11 / 10 -- 09 : 06 : 32");
  EXPECT_EQ(records::startDateText({2009, 1, 2, 23, 59, 5}), "09 / 01 / 02 -- 23 : 59 : 05");
}

}  // namespace
