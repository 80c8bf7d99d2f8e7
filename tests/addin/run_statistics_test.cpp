#include "addin/run_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(RunStatistics, MatchesTwoPassOnLargeOffsetReadings) {
  std::mt19937_64 rng(7);
  std::normal_distribution<double> noise(0, 0.003);
  addin::RunStatistics stats;
  std::vector<double> values;
  for (int i = 0; i < 5000; ++i) {
    const double v = 10e6 + 0.123 + noise(rng);
    values.push_back(v);
    stats.add(v);
  }
  double mean = 0;
  for (double v : values) mean += v;
  mean /= values.size();
  double ss = 0;
  for (double v : values) ss += (v - mean) * (v - mean);
  EXPECT_NEAR(stats.standardDeviation(), std::sqrt(ss / (values.size() - 1)), 1e-9);
}

TEST(RunStatistics, FirstReadingGivesZeroAndOverflowIsLeftOut) {
  addin::RunStatistics stats;
  EXPECT_TRUE(stats.add(5));
  EXPECT_EQ(stats.standardDeviation(), 0);
  EXPECT_FALSE(stats.add(9.91e37));
  EXPECT_FALSE(stats.add(-9.91e36));
  EXPECT_EQ(stats.validCount(), 1);
  stats.add(7);
  EXPECT_DOUBLE_EQ(stats.standardDeviation(), 2 / std::sqrt(2.0));
  stats.add(7);
  stats.add(7);
  for (int i = 0; i < 100; ++i) stats.add(7);
  EXPECT_GE(stats.standardDeviation(), 0);
}

}  // namespace
