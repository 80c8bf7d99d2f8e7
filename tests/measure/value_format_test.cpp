// The value formatters of the current, maximum/minimum and standard deviation labels: the
// worked examples, the edge cases and a seeded property test over many values.

#include "reading/value_format.h"

#include <cmath>
#include <map>
#include <random>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "core/text_format.h"

namespace {

using reading::FormatCurrent;
using reading::FormatMaxMin;
using reading::FormatStdev;

std::string printed30(double x) { return core::format("%.30lf", x); }

TEST(FormatCurrent, ScalesTheAnswerToAPrefixWithTheFunctionsDecimalsAndUnit) {
  const struct {
    const char* name;
    const char* answer;
    const char* model;
    int code;
    const char* text;
  } cases[] = {
      {"FreqMega", "+1.23456789012E+006", "3800", 0, "1.2345678901 M Hz"},
      {"PeriodMicroBelowOne", "+2.50000000000E-007", "3800", 11, "0.2500000000000 u Sec"},
      {"ExponentTwoHasNoPrefix", "+1.23E+002", "3800", 0, "123.0000000000 Hz"},
      {"PetaForExponentFifteenAndMore", "+1.5E+016", "3800", 0, "15.0000000000 P Hz"},
      {"FemtoDividesForNegativeExponents", "+1.5E-016", "3800", 0, "0.1500000000 f Hz"},
      {"AnswerWithLineFeed", "+1.00000012345E+007\n", "3800", 0, "10.0000012345 M Hz"},
      {"OverflowAnswer", "9.91E+37\n", "3800", 0, "99.1000000000 P Hz"},
      {"NegativeVolt", "-1.23400000000E-001\n", "3800", 2, "-0.123 V"},
      {"RatioHasNoUnit", "+2.00000000000E+000\n", "3800", 10, "2.00000000000"},
      {"TotalKilo", "+1.23400000000E+004\n", "3800", 33, "12.340 K"},
      {"DutyPercent", "+5.00000000000E+001\n", "3800", 32, "50.0000"},
      {"PhaseDegrees", "+9.00000000000E+001\n", "3800", 31, "90.0000 Deg"},
      {"EdgeNano", "+1.50000000000E-009\n", "3800", 12, "1.5000 n Sec"},
      {"IntvalMilli", "+2.00000000000E-003\n", "3800", 14, "2.0000 m Sec"},
      {"UnknownFunction", "+1.00000000000E+000\n", "3800", 99, "1.0000000000000"},
      {"CompactPeriodLikeTheFullModel", "+1.00000000000E-003\n", "3820", 11,
       "1.0000000000000 m Sec"},
      {"NoExponentShowsZero", "garbage\n", "3800", 0, "0.0000000000 Hz"},
      {"EmptyAnswerShowsZero", "", "3820", 2, "0.000 V"},
      {"NoModelShowsTheAnswerUnchanged", "+1.5E+003\n", "0", 0, "+1.5E+003\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatCurrent(c.answer, c.model, c.code), c.text) << c.name;
  }
}

TEST(FormatMaxMin, NormalisesTheValueAndUsesTwoBlanksBeforeTheUnit) {
  const struct {
    const char* name;
    double value;
    const char* model;
    int code;
    const char* text;
  } cases[] = {
      {"FreqKilo", 1500.25, "3800", 0, "1.5002500000 K  Hz"},
      {"NegativeVoltMilli", -0.0025, "3800", 2, "-2.500 m  V"},
      {"NegativePeriodKilo", -1500.25, "3820", 11, "-1.5002500000000 K  Sec"},
      {"NoPrefixBelowAThousand", 123.456, "3800", 0, "123.4560000000  Hz"},
      {"OneToTen", 5.0, "3800", 0, "5.0000000000  Hz"},
      {"TenthsWithoutPrefix", 0.5, "3800", 0, "0.5000000000  Hz"},
      {"Femto", 1e-15, "3800", 0, "1.0000000000 f  Hz"},
      {"OverflowReading", 9.91e37, "3800", 0, "99.1000000000 P  Hz"},
      {"InitialMaximum", -999999999.0, "3800", 0, "-999.9999990000 M  Hz"},
      {"PhaseDegrees", 180.0, "3800", 31, "180.0000  Deg"},
      {"WidthMilliBelowOne", 0.0000125, "3800", 13, "0.0125 m  Sec"},
      {"RatioNoUnit", 0.25, "3800", 10, "0.25000000000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatMaxMin(printed30(c.value), c.model, c.code), c.text) << c.name;
  }
}

TEST(FormatMaxMin, ZeroTextsByFunction) {
  const std::map<int, const char*> zero = {
      {0, "0  Hz"}, {11, "0  Sec"}, {12, "0  Sec"}, {13, "0  Sec"}, {14, "0  Sec"},
      {2, "0  V"},  {31, "0  Deg"}, {10, "0"},      {32, "0"},      {33, "0"}};
  for (const auto& [code, text] : zero) {
    EXPECT_EQ(FormatMaxMin(printed30(0.0), "3800", code), text) << code;
    EXPECT_EQ(FormatMaxMin(printed30(-0.0), "3820", code), text) << code;
    EXPECT_EQ(FormatMaxMin(printed30(0.0), "0", code), "0") << code;
  }
}

TEST(FormatMaxMin, WithoutAModelShowsTheNormalisedText) {
  const std::string text = FormatMaxMin(printed30(1500.25), "0", 0);
  EXPECT_EQ(text.substr(0, 12), "1.5002500000");
  EXPECT_EQ(text.substr(text.size() - 5), "E+003");
  EXPECT_EQ(FormatMaxMin(printed30(-0.0025), "0", 2).substr(0, 6), "-2.500");
  EXPECT_EQ(FormatMaxMin(printed30(-0.0025), "0", 2).substr(23), "E-003");
  EXPECT_EQ(FormatMaxMin(printed30(3.0), "0", 2).substr(22), "E+000");
  EXPECT_EQ(FormatMaxMin(printed30(2.5e12), "0", 2).substr(22), "E+012");
}

TEST(FormatMaxMin, ValuesBeyondTheDoubleRangeDoNotHang) {
  EXPECT_EQ(FormatMaxMin("1e999", "3800", 0), "inf  Hz");
  EXPECT_EQ(FormatMaxMin("-1e999", "3800", 2), "-inf  V");
  EXPECT_EQ(FormatStdev("1e999", "0", 0), "inf");
  EXPECT_EQ(FormatMaxMin("nan", "3800", 0), "0  Hz");  // not a number: shown as zero
}

TEST(FormatStdev, SixDecimalsAndTheUnitRightAfterThePrefix) {
  const struct {
    const char* name;
    double value;
    const char* model;
    int code;
    const char* text;
  } cases[] = {
      {"FreqKilo", 1234.5, "3800", 0, "1.234500 KHz"},
      {"PeriodMilli", 0.000012, "3800", 11, "0.012000 mSec"},
      {"NoPrefixUnitFollowsTheNumber", 1.41421356, "3800", 0, "1.414214Hz"},
      {"PhaseKeepsTwoBlanks", 2.5, "3800", 31, "2.500000  Deg"},
      {"RatioNoUnit", 0.001, "3800", 10, "1.000000 m"},
      {"VoltMicro", 0.0000034, "3820", 2, "3.400000 uV"},
      {"Negative", -25.0, "3800", 0, "-25.000000Hz"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatStdev(printed30(c.value), c.model, c.code), c.text) << c.name;
  }
}

TEST(FormatStdev, ZeroTextsDependOnTheModel) {
  const struct {
    const char* model;
    int code;
    const char* text;
  } cases[] = {{"3800", 0, "0  Hz"}, {"3800", 11, "0 Sec"}, {"3800", 14, "0 Sec"},
               {"3800", 2, "0 V"},   {"3800", 31, "0 Deg"}, {"3800", 10, "0"},
               {"3800", 33, "0"},    {"3820", 0, "0 Hz"},   {"3820", 11, "0 Sec"},
               {"3820", 2, "0 V"},   {"3820", 31, "0"},     {"3820", 33, "0"},
               {"0", 0, "0"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FormatStdev(printed30(0.0), c.model, c.code), c.text) << c.model << " " << c.code;
  }
}

// ---- Property test

double prefixFactor(const std::string& prefix) {
  static const std::map<std::string, double> kFactors = {{"", 1.0},    {" K", 1e3},  {" M", 1e6},
                                                         {" G", 1e9},  {" T", 1e12}, {" m", 1e-3},
                                                         {" u", 1e-6}, {" n", 1e-9}, {" p", 1e-12}};
  return kFactors.at(prefix);
}

struct Expectation {
  int decimals;
  const char* currentUnit;
  const char* maxMinUnit;
  const char* stdevUnit;
};

Expectation expectationFor(int code) {
  switch (code) {
    case 0:
      return {10, " Hz", "  Hz", "Hz"};
    case 10:
      return {11, "", "", ""};
    case 11:
      return {13, " Sec", "  Sec", "Sec"};
    case 12:
    case 13:
    case 14:
      return {4, " Sec", "  Sec", "Sec"};
    case 31:
      return {4, " Deg", "  Deg", "  Deg"};
    case 32:
      return {4, "", "", ""};
    case 2:
      return {3, " V", "  V", "V"};
    default:
      return {3, "", "", ""};
  }
}

// Splits "<-><number><prefix><unit>", checks the unit, and gives back the value it shows.
void checkShown(const std::string& text, int decimals, const std::string& unit, double value) {
  static const std::regex kShape(R"(^(-?)(\d+)\.(\d+)( [KMGTmunp])?(.*)$)");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(text, m, kShape)) << text;
  EXPECT_EQ(m[3].length(), decimals) << text;
  EXPECT_EQ(m[5].str(), unit) << text;
  const double number = std::stod(m[2].str() + "." + m[3].str());
  const double factor = prefixFactor(m[4].str());
  // The number shown lies in [0.01, 1000) of its prefix and is rounded to its decimals.
  EXPECT_GE(number, 0.0099) << text;
  EXPECT_LT(number, 1000.0) << text;
  const double shown = (m[1].length() ? -number : number) * factor;
  const double tolerance = (0.5 * std::pow(10.0, -decimals) + 1e-12 * number) * factor * 1.0001;
  EXPECT_NEAR(shown, value, tolerance) << text;
}

TEST(ValueFormatProperty, PrefixAndUnitAlwaysMatchTheFunctionAndTheValue) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> exponent(-13.9, 14.9);
  std::uniform_int_distribution<int> pick(0, 9);
  const int codes[] = {0, 10, 11, 12, 13, 14, 2, 31, 32, 33};
  for (int i = 0; i < 20000; ++i) {
    const int code = codes[pick(random)];
    const Expectation expect = expectationFor(code);
    double x = std::pow(10.0, exponent(random));
    if (random() & 1) x = -x;
    SCOPED_TRACE(core::format("x=%.17g code=%d", x, code));

    // The counter's answer form: sign, mantissa with 11 decimals, three-digit exponent.
    const std::string c = core::format("%+.11E", x);
    const std::size_t e = c.find('E');
    const int exp10 = std::stoi(c.substr(e + 1));
    const std::string answer =
        c.substr(0, e) + core::format("E%c%03d\n", exp10 < 0 ? '-' : '+', std::abs(exp10));
    const double answered = std::stod(answer);
    checkShown(FormatCurrent(answer, i % 2 ? "3800" : "3820", code), expect.decimals,
               expect.currentUnit, answered);

    const double parsed = core::leadingDouble(printed30(x));
    checkShown(FormatMaxMin(printed30(x), "3800", code), expect.decimals, expect.maxMinUnit,
               parsed);
    checkShown(FormatStdev(printed30(x), "3800", code), 6, expect.stdevUnit, parsed);
  }
}

}  // namespace
