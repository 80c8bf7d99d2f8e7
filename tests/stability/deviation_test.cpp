// The deviations against the published NBS14 values, against a brute-force computation of the
// gap rule, and their relations to each other.

#include "stability/deviation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "nbs14.h"
#include "stability/analysis.h"
#include "stability/series.h"

namespace {

using stability::Conversion;
using stability::InputKind;
using stability::PhaseSeries;
using stability::Statistic;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

PhaseSeries series(std::vector<double> values, InputKind kind, double tau0 = 1.0,
                   std::optional<double> nominal = std::nullopt) {
  return stability::toPhase(std::move(values), Conversion{kind, nominal, tau0});
}

TEST(Nbs14, GeneratorGivesThePublishedFirstValues) {
  const auto n = stabilitytest::nbs14Integers(4);
  EXPECT_EQ(n[0], 1234567890u);
  EXPECT_EQ(n[1], 395529916u);
  EXPECT_EQ(n[2], 1209410747u);
  EXPECT_EQ(n[3], 633705974u);
}

// NIST SP 1065, the table of the 1000-point NBS14 data: tau = 1, 10, 100 with tau0 = 1.
TEST(Nbs14, DeviationsMatchThePublishedValues) {
  struct Case {
    Statistic statistic;
    double expected[3];
  };
  const Case cases[] = {
      {Statistic::Adev, {2.922319e-01, 9.965736e-02, 3.897804e-02}},
      {Statistic::Oadev, {2.922319e-01, 9.159953e-02, 3.241343e-02}},
      {Statistic::Mdev, {2.922319e-01, 6.172376e-02, 2.170921e-02}},
      {Statistic::Tdev, {1.687202e-01, 3.563623e-01, 1.253382e+00}},
      {Statistic::Hdev, {2.943883e-01, 1.052754e-01, 3.910860e-02}},
      {Statistic::Ohdev, {2.943883e-01, 9.581083e-02, 3.237638e-02}},
      {Statistic::Totdev, {2.922319e-01, 9.134743e-02, 3.406530e-02}},
  };
  const PhaseSeries s = series(stabilitytest::nbs14(), InputKind::Fractional);
  ASSERT_EQ(s.size(), 1001u);
  for (const Case& c : cases) {
    const std::size_t ms[3] = {1, 10, 100};
    for (int i = 0; i < 3; ++i) {
      const stability::Deviation d = stability::deviation(s, c.statistic, ms[i]);
      EXPECT_NEAR(d.sigma / c.expected[i], 1.0, 1e-4)
          << stability::statisticName(c.statistic) << " tau=" << ms[i] << " got " << d.sigma;
    }
  }
}

// ---- Brute force of the gap rule --------------------------------------------------------

// Fractional frequencies with gaps as NaN; every term computed from its own readings.
struct Brute {
  std::vector<double> y;
  double tau0;

  bool clear(std::size_t from, std::size_t to) const {  // readings [from, to)
    for (std::size_t k = from; k < to; ++k)
      if (std::isnan(y[k])) return false;
    return true;
  }
  double sum(std::size_t from, std::size_t count) const {
    double s = 0;
    for (std::size_t k = from; k < from + count; ++k) s += y[k];
    return s;
  }
  // Phase from the readings, a gap adding nothing.
  std::vector<double> phase() const {
    std::vector<double> x{0.0};
    for (double v : y) x.push_back(x.back() + (std::isnan(v) ? 0.0 : v) * tau0);
    return x;
  }

  stability::Deviation deviation(Statistic st, std::size_t m) const {
    const std::size_t n = y.size();
    const double tau = m * tau0;
    double total = 0;
    std::size_t terms = 0;
    auto add = [&](double term) {
      total += term * term;
      ++terms;
    };
    switch (st) {
      case Statistic::Adev:
      case Statistic::Oadev:
        for (std::size_t i = 0; i + 2 * m <= n; i += (st == Statistic::Adev ? m : 1)) {
          if (clear(i, i + 2 * m)) add(tau0 * (sum(i + m, m) - sum(i, m)));
        }
        total /= 2 * tau * tau;
        break;
      case Statistic::Hdev:
      case Statistic::Ohdev:
        for (std::size_t i = 0; i + 3 * m <= n; i += (st == Statistic::Hdev ? m : 1)) {
          if (clear(i, i + 3 * m)) add(tau0 * (sum(i + 2 * m, m) - 2 * sum(i + m, m) + sum(i, m)));
        }
        total /= 6 * tau * tau;
        break;
      case Statistic::Mdev:
      case Statistic::Tdev:
        for (std::size_t j = 0; j + 3 * m <= n + 1; ++j) {
          if (!clear(j, j + 3 * m - 1)) continue;
          double inner = 0;
          for (std::size_t i = j; i < j + m; ++i) inner += tau0 * (sum(i + m, m) - sum(i, m));
          add(inner);
        }
        total /= 2.0 * m * m * tau * tau;
        break;
      case Statistic::Totdev: {
        const std::vector<double> x = phase();
        const std::size_t np = x.size();
        // The reflected series, index shifted by np - 2.
        std::vector<double> ext;
        for (std::size_t j = np - 2; j >= 1; --j) ext.push_back(2 * x[0] - x[j]);
        ext.insert(ext.end(), x.begin(), x.end());
        for (std::size_t j = 1; j <= np - 2; ++j) ext.push_back(2 * x[np - 1] - x[np - 1 - j]);
        const std::size_t off = np - 2;
        for (std::size_t i = 1; i + 1 < np; ++i) {
          // The real phase points the term rests on, reflection sources included.
          std::vector<std::size_t> used{i};
          if (i >= m) {
            used.push_back(i - m);
          } else {
            used.push_back(0);
            used.push_back(m - i);
          }
          if (i + m <= np - 1) {
            used.push_back(i + m);
          } else {
            used.push_back(np - 1);
            used.push_back(2 * (np - 1) - i - m);
          }
          const std::size_t lo = *std::min_element(used.begin(), used.end());
          const std::size_t hi = *std::max_element(used.begin(), used.end());
          if (!clear(lo, hi)) continue;
          add(ext[off + i - m] - 2 * ext[off + i] + ext[off + i + m]);
        }
        total /= 2 * tau * tau;
        break;
      }
    }
    stability::Deviation d;
    d.terms = terms;
    d.sigma = terms ? std::sqrt(total / terms) : kNaN;
    if (st == Statistic::Tdev) d.sigma *= tau / std::sqrt(3.0);
    return d;
  }
};

std::vector<double> whiteNoise(std::size_t n, unsigned seed, double scale = 1e-9) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> g(0.0, scale);
  std::vector<double> v(n);
  for (double& x : v) x = g(rng);
  return v;
}

TEST(Gaps, OverflowReadingsAreLeftOutTermByTermAsBruteForceDoes) {
  // Frequency readings of a 10 MHz source with the counter's overflow answers, a reading that
  // was stored as 0 (an answer without a number) and a run of gaps.
  const double f0 = 10e6;
  std::vector<double> y = whiteNoise(400, 7);
  std::vector<double> readings;
  for (double v : y) readings.push_back(f0 * (1.0 + v));
  const std::size_t gapAt[] = {0,   17,  18,  19,  64,  65,  150, 151, 152, 153,
                               154, 155, 156, 157, 158, 159, 160, 161, 162, 163,
                               164, 165, 166, 167, 168, 169, 301, 399};
  for (std::size_t k : gapAt) readings[k] = (k % 3 == 0) ? 9.91e37 : (k % 3 == 1 ? -9.91e37 : 0.0);
  // The brute force gets the fractional frequencies the conversion makes: (f - f0) / f0 with
  // f0 the mean of the measurements, trimmed at the ends.
  double mean = 0;
  std::size_t count = 0;
  for (double f : readings)
    if (stability::isMeasurement(f, InputKind::Frequency)) mean += f, ++count;
  mean /= count;
  Brute brute{{}, 0.5};
  for (std::size_t k = 1; k < 399; ++k) {
    const double f = readings[k];
    brute.y.push_back(stability::isMeasurement(f, InputKind::Frequency) ? (f - mean) / mean : kNaN);
  }
  const PhaseSeries s = series(readings, InputKind::Frequency, 0.5);
  EXPECT_EQ(s.gaps, std::size(gapAt));
  EXPECT_EQ(s.readings, 400u);

  for (Statistic st : stability::kAllStatistics) {
    for (std::size_t m : {1, 2, 3, 5, 8, 13, 40, 99, 130}) {
      if (m > stability::maxAveragingFactor(st, s.size())) continue;
      const stability::Deviation got = stability::deviation(s, st, m);
      const stability::Deviation want = brute.deviation(st, m);
      EXPECT_EQ(got.terms, want.terms) << stability::statisticName(st) << " m=" << m;
      if (want.terms == 0) {
        EXPECT_TRUE(std::isnan(got.sigma));
      } else {
        EXPECT_NEAR(got.sigma / want.sigma, 1.0, 1e-9)
            << stability::statisticName(st) << " m=" << m;
      }
    }
  }
}

TEST(Gaps, PhaseGapsLeaveOutTheTermsThatUseThatPoint) {
  std::vector<double> x = whiteNoise(300, 11, 1e-9);
  for (std::size_t k : {5, 6, 40, 41, 42, 200}) x[k] = 9.91e37;
  x[120] = kNaN;
  const PhaseSeries s = series(x, InputKind::Phase, 2.0);
  EXPECT_EQ(s.gaps, 7u);
  auto ok = [&](std::size_t i) { return std::fabs(x[i]) < 9.91e36 && !std::isnan(x[i]); };
  for (std::size_t m : {1, 2, 4, 7, 30}) {
    const double tau = m * 2.0;
    // OADEV and OHDEV: the points a term uses.
    double a = 0, h = 0, md = 0;
    std::size_t na = 0, nh = 0, nm = 0;
    for (std::size_t i = 0; i + 2 * m < x.size(); ++i) {
      if (ok(i) && ok(i + m) && ok(i + 2 * m)) {
        const double d = x[i + 2 * m] - 2 * x[i + m] + x[i];
        a += d * d, ++na;
      }
    }
    for (std::size_t i = 0; i + 3 * m < x.size(); ++i) {
      if (ok(i) && ok(i + m) && ok(i + 2 * m) && ok(i + 3 * m)) {
        const double d = x[i + 3 * m] - 3 * x[i + 2 * m] + 3 * x[i + m] - x[i];
        h += d * d, ++nh;
      }
    }
    // MDEV: every point of its span.
    for (std::size_t j = 0; j + 3 * m <= x.size(); ++j) {
      bool clear = true;
      for (std::size_t k = j; k < j + 3 * m; ++k) clear = clear && ok(k);
      if (!clear) continue;
      double inner = 0;
      for (std::size_t i = j; i < j + m; ++i) inner += x[i + 2 * m] - 2 * x[i + m] + x[i];
      md += inner * inner, ++nm;
    }
    const auto oadev = stability::deviation(s, Statistic::Oadev, m);
    const auto ohdev = stability::deviation(s, Statistic::Ohdev, m);
    const auto mdev = stability::deviation(s, Statistic::Mdev, m);
    EXPECT_EQ(oadev.terms, na) << m;
    EXPECT_EQ(ohdev.terms, nh) << m;
    EXPECT_EQ(mdev.terms, nm) << m;
    EXPECT_NEAR(oadev.sigma, std::sqrt(a / (2 * tau * tau * na)), 1e-9 * oadev.sigma);
    EXPECT_NEAR(ohdev.sigma, std::sqrt(h / (6 * tau * tau * nh)), 1e-9 * ohdev.sigma);
    EXPECT_NEAR(mdev.sigma, std::sqrt(md / (2.0 * m * m * tau * tau * nm)), 1e-9 * mdev.sigma);
  }
}

TEST(Gaps, ATauWhoseTermsAllTouchAGapIsLeftOutOfTheAnalysis) {
  std::vector<double> y = whiteNoise(40, 3);
  y[20] = 9.91e37;  // every OADEV term at m = 15 spans reading 20
  const PhaseSeries s = series(y, InputKind::Fractional);
  stability::AnalysisOptions options;
  options.taus = stability::TauSet::All;
  const auto points = stability::analyse(s, options);
  for (const auto& p : points) EXPECT_NE(p.m, 15u);
  EXPECT_EQ(stability::deviation(s, Statistic::Oadev, 15).terms, 0u);
}

// ---- Relations and conversions -------------------------------------------------------

TEST(Relations, AtTheShortestTauTheAllanFamilyAgrees) {
  const PhaseSeries s = series(whiteNoise(1000, 5), InputKind::Fractional, 0.1);
  const double adev = stability::deviation(s, Statistic::Adev, 1).sigma;
  EXPECT_DOUBLE_EQ(stability::deviation(s, Statistic::Oadev, 1).sigma, adev);
  EXPECT_NEAR(stability::deviation(s, Statistic::Mdev, 1).sigma, adev, 1e-12 * adev);
  EXPECT_NEAR(stability::deviation(s, Statistic::Totdev, 1).sigma, adev, 1e-12 * adev);
  for (std::size_t m : {1, 3, 16}) {
    const double mdev = stability::deviation(s, Statistic::Mdev, m).sigma;
    EXPECT_NEAR(stability::deviation(s, Statistic::Tdev, m).sigma, m * 0.1 / std::sqrt(3.0) * mdev,
                1e-12 * mdev);
  }
}

TEST(Relations, LongSlidingSumsStayExact) {
  // 300,000 readings at m = 1 and 2: the sliding modified-Allan sum against a fresh sum.
  const std::vector<double> y = whiteNoise(300000, 9);
  const PhaseSeries s = series(y, InputKind::Fractional);
  Brute brute{y, 1.0};
  for (std::size_t m : {1, 2}) {
    EXPECT_NEAR(stability::deviation(s, Statistic::Mdev, m).sigma /
                    brute.deviation(Statistic::Mdev, m).sigma,
                1.0, 1e-10);
  }
}

TEST(Conversion, FrequencyAndPeriodReadingsGiveTheSameFractionalFrequency) {
  const std::vector<double> y = whiteNoise(500, 21, 1e-8);
  const double f0 = 10e6;
  std::vector<double> freq, period;
  for (double v : y) {
    freq.push_back(f0 * (1 + v));
    period.push_back(1.0 / (f0 * (1 + v)));
  }
  const PhaseSeries fy = series(y, InputKind::Fractional);
  const PhaseSeries ff = series(freq, InputKind::Frequency, 1.0, f0);
  const PhaseSeries fp = series(period, InputKind::Period, 1.0, 1.0 / f0);
  const PhaseSeries fm = series(freq, InputKind::Frequency);  // nominal: the mean
  EXPECT_DOUBLE_EQ(ff.nominal, f0);
  EXPECT_NEAR(fm.nominal, f0, 1.0);
  for (std::size_t m : {1, 4, 50}) {
    const double want = stability::deviation(fy, Statistic::Oadev, m).sigma;
    EXPECT_NEAR(stability::deviation(ff, Statistic::Oadev, m).sigma / want, 1, 1e-6) << m;
    EXPECT_NEAR(stability::deviation(fp, Statistic::Oadev, m).sigma / want, 1, 1e-6) << m;
    EXPECT_NEAR(stability::deviation(fm, Statistic::Oadev, m).sigma / want, 1, 1e-6) << m;
  }
}

TEST(Conversion, WhatCountsAsAGap) {
  struct Case {
    const char* name;
    double reading;
    InputKind kind;
    bool measurement;
  };
  const Case cases[] = {
      {"overflow answer", 9.91e37, InputKind::Frequency, false},
      {"negative overflow", -9.91e37, InputKind::Fractional, false},
      {"the limit itself", 9.91e36, InputKind::Phase, false},
      {"just inside", 9.9e36, InputKind::Phase, true},
      {"not a number", kNaN, InputKind::Fractional, false},
      {"infinity", HUGE_VAL, InputKind::Phase, false},
      {"frequency 0: an answer without a number", 0.0, InputKind::Frequency, false},
      {"period 0", 0.0, InputKind::Period, false},
      {"fractional 0 is a value", 0.0, InputKind::Fractional, true},
      {"phase 0 is a value", 0.0, InputKind::Phase, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(stability::isMeasurement(c.reading, c.kind), c.measurement) << c.name;
}

TEST(Conversion, RefusesWhatCannotBeAnalysed) {
  EXPECT_THROW(series({1.0, 2.0, 3.0}, InputKind::Fractional, 0.0), std::invalid_argument);
  EXPECT_THROW(series({1.0, 2.0, 3.0}, InputKind::Fractional, kNaN), std::invalid_argument);
  EXPECT_THROW(series({1.0, 9.91e37, 9.91e37}, InputKind::Fractional), std::invalid_argument);
  EXPECT_THROW(series({}, InputKind::Phase), std::invalid_argument);
  EXPECT_THROW(series({1e6, 1e6}, InputKind::Frequency, 1.0, -5.0), std::invalid_argument);
}

TEST(TauSets, FactorsAndLimitsPerStatistic) {
  using stability::TauSet;
  EXPECT_EQ(stability::averagingFactors(TauSet::Octave, 100),
            (std::vector<std::size_t>{1, 2, 4, 8, 16, 32, 64}));
  EXPECT_EQ(stability::averagingFactors(TauSet::Decade, 500),
            (std::vector<std::size_t>{1, 2, 4, 10, 20, 40, 100, 200, 400}));
  EXPECT_EQ(stability::averagingFactors(TauSet::All, 4), (std::vector<std::size_t>{1, 2, 3, 4}));
  EXPECT_TRUE(stability::averagingFactors(TauSet::All, 0).empty());
  // 1001 phase points (1000 readings).
  EXPECT_EQ(stability::maxAveragingFactor(Statistic::Oadev, 1001), 500u);
  EXPECT_EQ(stability::maxAveragingFactor(Statistic::Totdev, 1001), 500u);
  EXPECT_EQ(stability::maxAveragingFactor(Statistic::Mdev, 1001), 333u);
  EXPECT_EQ(stability::maxAveragingFactor(Statistic::Hdev, 1001), 333u);
  // At the largest m every statistic still has a term, one beyond it none.
  const PhaseSeries s = series(whiteNoise(1000, 1), InputKind::Fractional);
  for (Statistic st : stability::kAllStatistics) {
    const std::size_t mMax = stability::maxAveragingFactor(st, s.size());
    EXPECT_GT(stability::deviation(s, st, mMax).terms, 0u) << stability::statisticName(st);
    EXPECT_EQ(stability::deviation(s, st, mMax + 1).terms, 0u) << stability::statisticName(st);
  }
}

}  // namespace
