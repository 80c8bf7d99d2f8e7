#include "stability/confidence.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <limits>

namespace stability {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kJMax = 100;

double xLogAbs(double t, int power) {
  return t == 0.0 ? 0.0 : std::pow(t, power) * std::log(std::fabs(t));
}

// s_w(t): the generalised autocovariance of the integrated noise (Greenhall's eq. 7).
double sw(double t, int alpha) {
  switch (alpha) {
    case 2:
      return -std::fabs(t);
    case 1:
      return xLogAbs(t, 2);
    case 0:
      return std::pow(std::fabs(t), 3);
    case -1:
      return xLogAbs(t, 4);
    case -2:
      return std::pow(std::fabs(t), 5);
    case -3:
      return xLogAbs(t, 6);
    case -4:
      return std::pow(std::fabs(t), 7);
    default:
      return kNaN;
  }
}

// s_x(t) for the filter factor F (m for the plain variances, 1 for the modified ones).
double sx(double t, double f, int alpha) {
  if (std::isinf(f)) return sw(t, alpha + 2);
  return f * f * (2.0 * sw(t, alpha) - sw(t - 1.0 / f, alpha) - sw(t + 1.0 / f, alpha));
}

// s_z(t): the d-th difference of s_x with the binomial weights of order 2d.
double sz(double t, double f, int alpha, int d) {
  double binomial = 1.0;  // C(2d, d + k), from k = d down to -d
  double total = 0.0;
  for (int k = d; k >= -d; --k) {
    const double sign = (k % 2 == 0) ? 1.0 : -1.0;
    total += sign * binomial * sx(t + k, f, alpha);
    // C(2d, d+k-1) = C(2d, d+k) * (d+k) / (d-k+1)
    binomial = binomial * (d + k) / (d - k + 1);
  }
  return total;
}

double basicSum(double j, double mTerms, double s, double f, int alpha, int d) {
  const double z0 = sz(0.0, f, alpha, d);
  double total = z0 * z0;
  const double zj = sz(j / s, f, alpha, d);
  total += (1.0 - j / mTerms) * zj * zj;
  for (int i = 1; i < static_cast<int>(j); ++i) {
    const double z = sz(i / s, f, alpha, d);
    total += 2.0 * (1.0 - i / mTerms) * z * z;
  }
  return total;
}

struct Coefficients {
  double a0, a1;
};

// Greenhall's table 1 (modified variances) and table 2 (plain variances): rows alpha = 2
// down to -4, columns d = 1, 2, 3; {NaN, NaN} where the case does not exist.
constexpr Coefficients kNone{kNaN, kNaN};
constexpr Coefficients kTable1[7][3] = {
    {{2.0 / 3.0, 1.0 / 3.0}, {7.0 / 9.0, 1.0 / 2.0}, {22.0 / 25.0, 2.0 / 3.0}},
    {{0.840, 0.345}, {0.997, 0.616}, {1.141, 0.843}},
    {{1.079, 0.368}, {1.033, 0.607}, {1.184, 0.848}},
    {kNone, {1.048, 0.534}, {1.180, 0.816}},
    {kNone, {1.302, 0.535}, {1.175, 0.777}},
    {kNone, kNone, {1.194, 0.703}},
    {kNone, kNone, {1.489, 0.702}},
};
constexpr Coefficients kTable2[7][3] = {
    {{3.0 / 2.0, 1.0 / 2.0}, {35.0 / 18.0, 1.0}, {231.0 / 100.0, 3.0 / 2.0}},
    {{78.6, 25.2}, {790.0, 410.0}, {9950.0, 6520.0}},
    {{2.0 / 3.0, 1.0 / 6.0}, {2.0 / 3.0, 1.0 / 3.0}, {7.0 / 9.0, 1.0 / 2.0}},
    {kNone, {0.852, 0.375}, {0.997, 0.617}},
    {kNone, {1.079, 0.368}, {1.033, 0.607}},
    {kNone, kNone, {1.053, 0.553}},
    {kNone, kNone, {1.302, 0.535}},
};
// Table 3 (alpha = 1, plain variances): b0, b1 for d = 1, 2, 3.
constexpr Coefficients kTable3[3] = {{6.0, 4.0}, {15.23, 12.0}, {47.8, 40.0}};

double binomialCoefficient(int n, int k) {
  double c = 1.0;
  for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return c;
}

}  // namespace

double greenhallEdf(int alpha, int d, double m, double n, bool overlapping, bool modified) {
  if (d < 1 || d > 3 || alpha > 2 || alpha < -4 || alpha + 2 * d <= 1 || m < 1) return kNaN;
  const double f = modified ? 1.0 : m;
  const double s = overlapping ? m : 1.0;
  const double l = m / f + m * d;  // length of the filter on the phase points
  if (n < l) return kNaN;
  const double mTerms = 1.0 + std::floor(s * (n - l) / m);
  const double j = std::min(mTerms, (d + 1) * s);
  const double r = mTerms / s;
  const int row = 2 - alpha;
  const int col = d - 1;
  double inverse = kNaN;
  if (modified) {
    if (j <= kJMax) {
      const double z0 = sz(0.0, 1.0, alpha, d);
      inverse = basicSum(j, mTerms, s, 1.0, alpha, d) / (z0 * z0 * mTerms);
    } else if (r > d + 1) {
      const Coefficients c = kTable1[row][col];
      inverse = (c.a0 - c.a1 / r) / r;
    } else {
      const double z0 = sz(0.0, 1.0, alpha, d);
      inverse = basicSum(kJMax, kJMax, kJMax / r, 1.0, alpha, d) / (z0 * z0 * kJMax);
    }
  } else if (alpha <= 0) {
    if (j <= kJMax) {
      const double fPrime = m * (d + 1) <= kJMax ? m : kInfinity;
      const double z0 = sz(0.0, fPrime, alpha, d);
      inverse = basicSum(j, mTerms, s, fPrime, alpha, d) / (z0 * z0 * mTerms);
    } else if (r > d + 1) {
      const Coefficients c = kTable2[row][col];
      inverse = (c.a0 - c.a1 / r) / r;
    } else {
      const double z0 = sz(0.0, kInfinity, alpha, d);
      inverse = basicSum(kJMax, kJMax, kJMax / r, kInfinity, alpha, d) / (z0 * z0 * kJMax);
    }
  } else if (alpha == 1) {
    const Coefficients b = kTable3[col];
    const double scale = b.a0 + b.a1 * std::log(m);
    if (j <= kJMax) {
      const double z0 = sz(0.0, m, 1, d);
      inverse = basicSum(j, mTerms, s, m, 1, d) / (z0 * z0 * mTerms);
    } else if (r > d + 1) {
      const Coefficients c = kTable2[row][col];
      inverse = (c.a0 - c.a1 / r) / (scale * scale * r);
    } else {
      const double mPrime = kJMax / r;
      inverse = basicSum(kJMax, kJMax, mPrime, mPrime, 1, d) / (scale * scale * kJMax);
    }
  } else {  // alpha == 2, plain variances
    if (std::ceil(r) <= d) return kNaN;
    const double a0 =
        binomialCoefficient(4 * d, 2 * d) / std::pow(binomialCoefficient(2 * d, d), 2);
    const double a1 = d / 2.0;
    inverse = (a0 - a1 / r) / mTerms;
  }
  return inverse > 0.0 ? 1.0 / inverse : kNaN;
}

double whiteFmEdf(Statistic st, std::size_t m, std::size_t terms) {
  if (terms == 0 || m == 0) return kNaN;
  const double mm = static_cast<double>(m);
  const double t = static_cast<double>(terms);
  // The number of phase points of a gap-free series with as many terms.
  auto points = [&](int d, bool overlapping, bool modified) {
    const double f = modified ? 1.0 : mm;
    const double s = overlapping ? mm : 1.0;
    return mm / f + mm * d + (t - 1.0) * mm / s;
  };
  switch (st) {
    case Statistic::Adev:
      return greenhallEdf(0, 2, mm, points(2, false, false), false, false);
    case Statistic::Oadev:
      return greenhallEdf(0, 2, mm, points(2, true, false), true, false);
    case Statistic::Mdev:
    case Statistic::Tdev:
      return greenhallEdf(0, 2, mm, points(2, true, true), true, true);
    case Statistic::Hdev:
      return greenhallEdf(0, 3, mm, points(3, false, false), false, false);
    case Statistic::Ohdev:
      return greenhallEdf(0, 3, mm, points(3, true, false), true, false);
    case Statistic::Totdev:
      // Total variance has n - 2 terms on n phase points.
      return 1.5 * (t + 2.0) / mm;
  }
  return kNaN;
}

Interval confidenceInterval(double sigma, double edf, double confidence) {
  if (!(edf > 0.0) || !std::isfinite(edf) || !std::isfinite(sigma) || !(confidence > 0.0) ||
      !(confidence < 1.0)) {
    return {kNaN, kNaN};
  }
  const boost::math::chi_squared_distribution<double> chi2(edf);
  const double p = (1.0 - confidence) / 2.0;
  const double low = boost::math::quantile(chi2, p);
  const double high = boost::math::quantile(chi2, 1.0 - p);
  return {sigma * std::sqrt(edf / high), sigma * std::sqrt(edf / low)};
}

}  // namespace stability
