// Text input and the report lines of the command-line program.

#include "stability/text_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "stability/report.h"

namespace {

TEST(TextInput, ReadsOneNumberPerLine) {
  struct Case {
    const char* line;
    double value;  // NaN: not a number
    bool blank;
  };
  const double nan = std::nan("");
  const Case cases[] = {
      {"10000000.123", 10000000.123, false},
      {"+1.00000012345E+007", 10000001.2345, false},
      {"  -2.5e-3  \r", -2.5e-3, false},
      {".5", 0.5, false},
      {"9.91E+37", 9.91e37, false},
      {"1.5 # trailing comment", 1.5, false},
      {"# a comment line", nan, true},
      {"   ", nan, true},
      {"", nan, true},
      {"garbage", nan, false},
      {"1.5 Hz", nan, false},
      {"1,5", nan, false},
      {"+-3", nan, false},
      {"1e999", HUGE_VAL, false},
  };
  for (const Case& c : cases) {
    bool blank = false;
    const double v = stability::parseReadingLine(c.line, &blank);
    EXPECT_EQ(blank, c.blank) << c.line;
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(v)) << c.line;
    } else {
      EXPECT_DOUBLE_EQ(v, c.value) << c.line;
    }
  }
}

TEST(TextInput, CountsTheLinesThatAreNotNumbersAsGaps) {
  std::istringstream in("# header\n1.0\n\n2.0\nERROR\n3.0 # last\n");
  const stability::TextReadings r = stability::parseTextReadings(in);
  ASSERT_EQ(r.values.size(), 4u);
  EXPECT_EQ(r.notNumbers, 1u);
  EXPECT_TRUE(std::isnan(r.values[2]));
  EXPECT_THROW(stability::readTextReadings("/nonexistent/readings.txt"), std::runtime_error);
}

TEST(Report, LinesAreSpaceOrCommaSeparatedWithTheStatisticFirstWhenAsked) {
  stability::Point p;
  p.statistic = stability::Statistic::Mdev;
  p.tau = 0.1;
  p.terms = 998;
  p.sigma = 1.25e-11;
  p.lo = 1.2e-11;
  p.hi = 1.3e-11;
  using stability::Separator;
  EXPECT_EQ(stability::pointLine(p, Separator::Space, false),
            "0.1 998 1.250000e-11 1.200000e-11 1.300000e-11");
  EXPECT_EQ(stability::pointLine(p, Separator::Comma, true),
            "mdev,0.1,998,1.250000e-11,1.200000e-11,1.300000e-11");
  p.noise = stability::NoiseEstimate{-2, -2.1, 1, 0.05};
  EXPECT_EQ(stability::pointLine(p, Separator::Comma, false, true),
            "0.1,998,1.250000e-11,1.200000e-11,1.300000e-11,Random_walk_FM");
  EXPECT_EQ(stability::numberText(1e-3), "0.001");
  EXPECT_EQ(stability::numberText(2048.0), "2048");
}

}  // namespace
