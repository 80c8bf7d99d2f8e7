#include "reading/running_statistics.h"

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "reading/elapsed_text.h"
#include "reading/reading_query.h"

namespace {

// The textbook two-pass sample standard deviation, computed independently of the pivot method.
double twoPassStdev(const std::vector<double>& xs) {
  if (xs.size() < 2) return 0.0;
  double mean = 0.0;
  for (double x : xs) mean += x;
  mean /= static_cast<double>(xs.size());
  double q = 0.0;
  for (double x : xs) q += (x - mean) * (x - mean);
  return std::sqrt(q / static_cast<double>(xs.size() - 1));
}

TEST(RunningStatistics, SampleStandardDeviation) {
  struct Case {
    const char* proves;
    std::vector<double> readings;
    double stdev;
    int valid;
  } cases[] = {
      {"one reading gives 0", {5.0}, 0.0, 1},
      {"1.0 and 3.0 give the sample deviation sqrt(2)", {1.0, 3.0}, 1.4142135623730951, 2},
      {"equal readings give exactly 0", {7.25, 7.25, 7.25, 7.25}, 0.0, 4},
      {"three readings use the divisor k - 1", {2.0, 4.0, 9.0}, twoPassStdev({2.0, 4.0, 9.0}), 3},
      {"overflow answers leave k and the deviation alone",
       {1.0, 9.91e37, 3.0, -9.91e37},
       1.4142135623730951,
       2},
      {"the limit itself is outside", {9.91e36, 1.0, -9.91e36, 3.0}, 1.4142135623730951, 2},
      {"just inside the limit counts", {9.9e36, 1.0}, twoPassStdev({9.9e36, 1.0}), 2},
  };
  for (const auto& c : cases) {
    reading::RunningStatistics stats;
    for (double x : c.readings) stats.add(x);
    EXPECT_EQ(stats.validCount(), c.valid) << c.proves;
    EXPECT_NEAR(stats.standardDeviation(), c.stdev, std::abs(c.stdev) * 1e-12) << c.proves;
  }
}

TEST(RunningStatistics, StaysAccurateOnLargeOffsetsWithSmallNoise) {
  // A 10 MHz signal with millihertz noise: the naive sum of squares would lose every digit.
  std::mt19937_64 rng(7);
  std::normal_distribution<double> noise(0.0, 0.001);
  std::vector<double> xs;
  reading::RunningStatistics stats;
  for (int i = 0; i < 10000; ++i) {
    xs.push_back(10'000'000.0 + noise(rng));
    stats.add(xs.back());
  }
  EXPECT_NEAR(stats.standardDeviation(), twoPassStdev(xs), 1e-9);
}

TEST(ElapsedText, LeavesOutLeadingZeroParts) {
  struct Case {
    long long seconds;
    const char* text;
  } cases[] = {
      {0, "0s"},
      {5, "5s"},
      {59, "59s"},
      {60, "1m:0s"},
      {125, "2m:5s"},
      {3600, "1h:0m:0s"},
      {3607, "1h:0m:7s"},
      {86399, "23h:59m:59s"},
      {2 * 86400 + 3, "2d:0h:0m:3s"},
      {86400 + 61, "1d:0h:1m:1s"},
      {400LL * 86400, "400d:0h:0m:0s"},
      {-5, "0s"},
  };
  for (const auto& c : cases) EXPECT_EQ(reading::elapsedText(c.seconds), c.text) << c.seconds;
}

TEST(ReadingQuery, FirstMatchingRowDecides) {
  struct Case {
    const char* proves;
    reading::QueryInputs in;
    std::string_view query;
  } cases[] = {
      {"plain reading", {"3800", false, false, false}, "fetch?\n"},
      {"statistics on", {"3800", false, false, true}, "calc3:data?"},
      {"scale on a 3800 wins over statistics", {"3800", true, false, true}, "calc:data?"},
      {"compact scale box ignored on a 3800", {"3800", false, true, true}, "calc3:data?"},
      {"compact scale on a 3820", {"3820", false, true, false}, "calc:data?"},
      {"full scale box ignored on a 3820", {"3820", true, false, false}, "fetch?\n"},
      {"no model: no scaled query", {"0", true, true, false}, "fetch?\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(reading::readingQuery(c.in), c.query) << c.proves;
}

}  // namespace
