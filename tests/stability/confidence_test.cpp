// Confidence intervals: the chi-squared quantiles, the white-FM degrees of freedom against the
// exact value, the published closed forms and a simulation; the noise identification.

#include "stability/confidence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "stability/noise_id.h"
#include "stability/series.h"

namespace {

using stability::InputKind;
using stability::Statistic;

TEST(Interval, ChiSquaredQuantilesOfTheTables) {
  // chi2(0.025, 10) = 3.24697, chi2(0.975, 10) = 20.4832.
  const stability::Interval ci = stability::confidenceInterval(1.0, 10.0, 0.95);
  EXPECT_NEAR(ci.lo, std::sqrt(10.0 / 20.4832), 1e-5);
  EXPECT_NEAR(ci.hi, std::sqrt(10.0 / 3.24697), 1e-5);
  // The default is one standard deviation; the interval scales with sigma and holds it.
  const stability::Interval one = stability::confidenceInterval(2e-11, 37.5);
  EXPECT_LT(one.lo, 2e-11);
  EXPECT_GT(one.hi, 2e-11);
  const stability::Interval unit = stability::confidenceInterval(1.0, 37.5);
  EXPECT_NEAR(one.lo, 2e-11 * unit.lo, 1e-25);
  // Fewer degrees of freedom, a wider interval.
  const stability::Interval few = stability::confidenceInterval(1.0, 3.0);
  EXPECT_LT(few.lo, unit.lo);
  EXPECT_GT(few.hi, unit.hi);
  // No degrees of freedom: no interval.
  EXPECT_TRUE(std::isnan(stability::confidenceInterval(1.0, 0.0).lo));
  EXPECT_TRUE(std::isnan(stability::confidenceInterval(1.0, std::nan("")).hi));
}

TEST(Edf, NonOverlappedAllanVarianceOfWhiteFmIsExactWhereTheModelIsSampledBrownianPhase) {
  // M first differences of independent averages, correlated -1/2 at lag 1: edf = 2M^2/(3M-1).
  // Greenhall's model is exactly that from m = 34 on (d = 2: m (d + 1) > 100); below, its
  // white FM carries the sampling filter of the phase and comes out a little higher.
  for (std::size_t m : {1, 2, 10}) {
    const double want = 2.0 * 500 * 500 / (3.0 * 500 - 1.0);
    const double ratio = stability::whiteFmEdf(Statistic::Adev, m, 500) / want;
    EXPECT_GT(ratio, 1.0) << m;
    EXPECT_LT(ratio, 1.2) << m;
  }
  for (std::size_t m : {34, 40, 1000}) {
    for (std::size_t terms : {1, 2, 9, 100, 5000}) {
      const double want = 2.0 * terms * terms / (3.0 * terms - 1.0);
      EXPECT_NEAR(stability::whiteFmEdf(Statistic::Adev, m, terms) / want, 1.0, 1e-9)
          << "m=" << m << " terms=" << terms;
    }
  }
}

TEST(Edf, OverlappedAllanVarianceAgreesWithTheClosedForm) {
  // NIST SP 1065, simple edf of the overlapping Allan variance for white FM, N phase points:
  // [3(N-1)/(2m) - 2(N-2)/N] * 4m^2 / (4m^2 + 5). An approximation of another noise model
  // (see above): agreement within a fifth, where a wrong term count or lag would be far off.
  for (std::size_t n : {1001, 10001}) {
    for (std::size_t m : {1, 2, 10, 50, 300}) {
      if (2 * m >= n) continue;
      const double nn = n, mm = m;
      const double closed =
          (3 * (nn - 1) / (2 * mm) - 2 * (nn - 2) / nn) * 4 * mm * mm / (4 * mm * mm + 5);
      const double edf = stability::whiteFmEdf(Statistic::Oadev, m, n - 2 * m);
      EXPECT_NEAR(edf / closed, 1.0, 0.2) << "n=" << n << " m=" << m;
    }
  }
}

TEST(Edf, TotalDeviationUsesOneAndAHalfTimesTheRecordOverTau) {
  EXPECT_DOUBLE_EQ(stability::whiteFmEdf(Statistic::Totdev, 10, 999), 1.5 * 1001 / 10);
  EXPECT_TRUE(std::isnan(stability::whiteFmEdf(Statistic::Oadev, 4, 0)));
}

TEST(Edf, TheStatisticsOrderAsTheirEfficiency) {
  // On the same record: overlapping beats non-overlapping, and TDEV shares MDEV's edf.
  const std::size_t n = 10001, m = 16;
  const double adev = stability::whiteFmEdf(Statistic::Adev, m, (n - 1 - 2 * m) / m + 1);
  const double oadev = stability::whiteFmEdf(Statistic::Oadev, m, n - 2 * m);
  const double hdev = stability::whiteFmEdf(Statistic::Hdev, m, (n - 1 - 3 * m) / m + 1);
  const double ohdev = stability::whiteFmEdf(Statistic::Ohdev, m, n - 3 * m);
  EXPECT_GT(oadev, adev);
  EXPECT_GT(ohdev, hdev);
  EXPECT_DOUBLE_EQ(stability::whiteFmEdf(Statistic::Mdev, m, n - 3 * m + 1),
                   stability::whiteFmEdf(Statistic::Tdev, m, n - 3 * m + 1));
  // The tabulated branch (J above 100) joins the summed one smoothly.
  const double below = stability::greenhallEdf(0, 2, 33, 20000, true, true);
  const double above = stability::greenhallEdf(0, 2, 34, 20000, true, true);
  EXPECT_NEAR(above / below, 33.0 / 34.0, 0.05);
}

// The spread of simulated estimates: edf = 2 E[s2]^2 / Var[s2].
double simulatedEdf(Statistic st, std::size_t m, std::size_t n, int trials) {
  std::mt19937_64 rng(12345);
  std::normal_distribution<double> g(0.0, 1.0);
  double sum = 0, squares = 0;
  for (int t = 0; t < trials; ++t) {
    std::vector<double> y(n);
    for (double& v : y) v = g(rng);
    const auto s = stability::toPhase(std::move(y), {InputKind::Fractional, std::nullopt, 1.0});
    const double var = std::pow(stability::deviation(s, st, m).sigma, 2);
    sum += var;
    squares += var * var;
  }
  const double mean = sum / trials;
  const double variance = squares / trials - mean * mean;
  return 2 * mean * mean / variance;
}

TEST(Edf, GreenhallMatchesTheSpreadOfSimulatedWhiteFm) {
  struct Case {
    Statistic statistic;
    std::size_t m;
  };
  const std::size_t n = 256;  // readings
  for (const Case& c : {Case{Statistic::Oadev, 8}, Case{Statistic::Mdev, 4},
                        Case{Statistic::Ohdev, 8}, Case{Statistic::Adev, 4}}) {
    const std::size_t terms =
        stability::deviation(stability::toPhase(std::vector<double>(n, 0.0),
                                                {InputKind::Fractional, std::nullopt, 1.0}),
                             c.statistic, c.m)
            .possible;
    const double predicted = stability::whiteFmEdf(c.statistic, c.m, terms);
    const double simulated = simulatedEdf(c.statistic, c.m, n, 3000);
    EXPECT_NEAR(simulated / predicted, 1.0, 0.12)
        << stability::statisticName(c.statistic) << " predicted " << predicted << " simulated "
        << simulated;
  }
}

// ---- Noise identification ---------------------------------------------------------------

std::vector<double> noise(std::size_t n, unsigned seed, int integrations) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> g(0.0, 1e-10);
  std::vector<double> v(n);
  double level = 0;
  for (double& x : v) {
    const double w = g(rng);
    level += w;
    x = integrations ? level : w;
  }
  return v;
}

TEST(NoiseId, RecognisesThePowerLawsItWasMadeOf) {
  struct Case {
    const char* name;
    InputKind kind;
    int integrations;
    int alpha;
  };
  const Case cases[] = {
      {"white FM from frequency", InputKind::Fractional, 0, 0},
      {"random walk FM from frequency", InputKind::Fractional, 1, -2},
      {"white PM from phase", InputKind::Phase, 0, 2},
      {"white FM from phase", InputKind::Phase, 1, 0},
  };
  for (const Case& c : cases) {
    const auto s = stability::toPhase(noise(4000, 77, c.integrations), {c.kind, std::nullopt, 1.0});
    for (std::size_t m : {1, 4, 16}) {
      const auto e = stability::estimateNoise(s, m, 2);
      ASSERT_TRUE(e) << c.name << " m=" << m;
      EXPECT_EQ(e->alpha, c.alpha) << c.name << " m=" << m << " alpha " << e->alphaValue;
    }
  }
  EXPECT_EQ(stability::noiseName(0), "White FM");
  EXPECT_EQ(stability::noiseName(-2), "Random walk FM");
}

TEST(NoiseId, NeedsThirtyValues) {
  const auto s = stability::toPhase(noise(200, 5, 0), {InputKind::Fractional, std::nullopt, 1.0});
  EXPECT_TRUE(stability::estimateNoise(s, 6, 2));   // 33 averages
  EXPECT_FALSE(stability::estimateNoise(s, 7, 2));  // 28 averages
}

}  // namespace
