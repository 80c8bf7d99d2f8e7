#include "stability/deviation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace stability {

std::string_view statisticName(Statistic s) {
  switch (s) {
    case Statistic::Adev:
      return "adev";
    case Statistic::Oadev:
      return "oadev";
    case Statistic::Mdev:
      return "mdev";
    case Statistic::Tdev:
      return "tdev";
    case Statistic::Hdev:
      return "hdev";
    case Statistic::Ohdev:
      return "ohdev";
    case Statistic::Totdev:
      return "totdev";
  }
  return "adev";
}

std::string_view statisticLabel(Statistic s) {
  switch (s) {
    case Statistic::Adev:
      return "ADEV";
    case Statistic::Oadev:
      return "OADEV";
    case Statistic::Mdev:
      return "MDEV";
    case Statistic::Tdev:
      return "TDEV";
    case Statistic::Hdev:
      return "HDEV";
    case Statistic::Ohdev:
      return "OHDEV";
    case Statistic::Totdev:
      return "TOTDEV";
  }
  return "ADEV";
}

std::optional<Statistic> parseStatistic(std::string_view name) {
  for (Statistic s : kAllStatistics) {
    if (name == statisticName(s)) return s;
  }
  return std::nullopt;
}

std::size_t maxAveragingFactor(Statistic s, std::size_t points) {
  if (points < 2) return 0;
  switch (s) {
    case Statistic::Adev:
    case Statistic::Oadev:
    case Statistic::Totdev:
      return (points - 1) / 2;
    case Statistic::Hdev:
    case Statistic::Ohdev:
      return (points - 1) / 3;
    case Statistic::Mdev:
    case Statistic::Tdev:
      return points / 3;
  }
  return 0;
}

std::string_view tauSetName(TauSet set) {
  switch (set) {
    case TauSet::All:
      return "all";
    case TauSet::Octave:
      return "octave";
    case TauSet::Decade:
      return "decade";
  }
  return "octave";
}

std::optional<TauSet> parseTauSet(std::string_view name) {
  for (TauSet t : {TauSet::All, TauSet::Octave, TauSet::Decade}) {
    if (name == tauSetName(t)) return t;
  }
  return std::nullopt;
}

std::vector<std::size_t> averagingFactors(TauSet set, std::size_t maxM) {
  std::vector<std::size_t> ms;
  switch (set) {
    case TauSet::All:
      for (std::size_t m = 1; m <= maxM; ++m) ms.push_back(m);
      break;
    case TauSet::Octave:
      for (std::size_t m = 1; m <= maxM; m *= 2) ms.push_back(m);
      break;
    case TauSet::Decade:
      for (std::size_t decade = 1; decade <= maxM; decade *= 10) {
        for (std::size_t step : {1, 2, 4}) {
          if (step * decade <= maxM) ms.push_back(step * decade);
        }
      }
      break;
  }
  return ms;
}

namespace {

// Whether a span of phase points [lo, hi] crosses a frequency gap. Spans must come with a
// non-decreasing `lo`, so the walk over the gaps is linear overall.
class SpanCheck {
 public:
  explicit SpanCheck(const std::vector<std::size_t>& breaks) : breaks_(breaks) {}
  bool clear(std::size_t lo, std::size_t hi) {
    while (next_ < breaks_.size() && breaks_[next_] < lo) ++next_;
    return next_ == breaks_.size() || breaks_[next_] >= hi;
  }

 private:
  const std::vector<std::size_t>& breaks_;
  std::size_t next_ = 0;
};

// A sum of squares kept in four lanes, so that long runs neither chain every addition nor
// lose the small terms.
struct SquareSum {
  double lane[4] = {0, 0, 0, 0};
  std::size_t terms = 0;
  double total() const { return (lane[0] + lane[1]) + (lane[2] + lane[3]); }
};

// Gap rule of one series: frequency gaps break spans, phase gaps are NaN points.
enum class Gaps { None, Spans, Points };

Gaps gapRule(const PhaseSeries& s) {
  if (!s.hasGaps()) return Gaps::None;
  return s.fromFrequency ? Gaps::Spans : Gaps::Points;
}

// Second (order 2) or third (order 3) differences of the phase at lag m, every `stride`
// points: x[i+2m] - 2x[i+m] + x[i], or x[i+3m] - 3x[i+2m] + 3x[i+m] - x[i].
template <int kOrder, Gaps kGaps>
SquareSum differenceSquares(const PhaseSeries& s, std::size_t m, std::size_t stride) {
  SquareSum sum;
  const double* x = s.x.data();
  const std::size_t n = s.x.size();
  const std::size_t span = kOrder * m;
  if (n <= span) return sum;
  const std::size_t last = n - 1 - span;  // last start
  SpanCheck check(s.breaks);
  auto term = [&](std::size_t i) {
    if constexpr (kOrder == 2) {
      return x[i + 2 * m] - 2.0 * x[i + m] + x[i];
    } else {
      return x[i + 3 * m] - 3.0 * x[i + 2 * m] + 3.0 * x[i + m] - x[i];
    }
  };
  if constexpr (kGaps == Gaps::None) {
    std::size_t i = 0;
    if (stride == 1) {
      for (; i + 3 <= last; i += 4) {
        const double a = term(i), b = term(i + 1), c = term(i + 2), d = term(i + 3);
        sum.lane[0] += a * a;
        sum.lane[1] += b * b;
        sum.lane[2] += c * c;
        sum.lane[3] += d * d;
      }
    }
    for (; i <= last; i += stride) {
      const double a = term(i);
      sum.lane[i & 3] += a * a;
    }
    sum.terms = last / stride + 1;
  } else {
    for (std::size_t i = 0; i <= last; i += stride) {
      const double a = term(i);
      if constexpr (kGaps == Gaps::Spans) {
        if (!check.clear(i, i + span)) continue;
      } else {
        if (std::isnan(a)) continue;
      }
      sum.lane[sum.terms & 3] += a * a;
      ++sum.terms;
    }
  }
  return sum;
}

// Modified Allan variance terms: the sum over i = j .. j+m-1 of the second differences at
// lag m, for every start j. The inner sum slides along the series and is recomputed in full
// now and then, so that rounding cannot build up over millions of steps.
template <Gaps kGaps>
SquareSum modifiedSquares(const PhaseSeries& s, std::size_t m) {
  SquareSum sum;
  const double* x = s.x.data();
  const std::size_t n = s.x.size();
  if (n < 3 * m) return sum;
  const std::size_t last = n - 3 * m;  // last start j
  // A NaN phase point (phase gaps) adds nothing to the running sum; the terms that touch it
  // are left out by their span.
  auto at = [&](std::size_t i) {
    if constexpr (kGaps == Gaps::Points) {
      const double v = x[i];
      return std::isnan(v) ? 0.0 : v;
    } else {
      return x[i];
    }
  };
  auto d2 = [&](std::size_t i) { return at(i + 2 * m) - 2.0 * at(i + m) + at(i); };
  auto full = [&](std::size_t j) {
    double inner = 0.0;
    for (std::size_t i = j; i < j + m; ++i) inner += d2(i);
    return inner;
  };
  const std::size_t refresh = std::max<std::size_t>(16 * m, 1u << 16);
  std::vector<std::size_t> pointBreaks;  // phase gaps as spans: NaN points
  if constexpr (kGaps == Gaps::Points) {
    for (std::size_t i = 0; i < n; ++i) {
      if (std::isnan(x[i])) pointBreaks.push_back(i);
    }
  }
  SpanCheck check(kGaps == Gaps::Points ? pointBreaks : s.breaks);
  double inner = full(0);
  std::size_t sinceRefresh = 0;
  for (std::size_t j = 0;; ++j) {
    bool use = true;
    if constexpr (kGaps == Gaps::Spans) {
      use = check.clear(j, j + 3 * m - 1);
    } else if constexpr (kGaps == Gaps::Points) {
      // No NaN point among x[j .. j+3m-1]: a break at k < j+3m.
      use = check.clear(j, j + 3 * m);
    }
    if (use) {
      sum.lane[sum.terms & 3] += inner * inner;
      ++sum.terms;
    }
    if (j == last) break;
    if (++sinceRefresh == refresh) {
      inner = full(j + 1);
      sinceRefresh = 0;
    } else {
      inner += d2(j + m) - d2(j);
    }
  }
  return sum;
}

// Total variance terms: second differences at lag m around every inner point, the series
// extended at both ends by its reflection (x*[-j] = 2x[0] - x[j], x*[n-1+j] = 2x[n-1] -
// x[n-1-j]).
template <Gaps kGaps>
SquareSum totalSquares(const PhaseSeries& s, std::size_t m) {
  SquareSum sum;
  const double* x = s.x.data();
  const std::size_t n = s.x.size();
  if (n < 3 || m > n - 1) return sum;
  const double first = x[0];
  const double lastX = x[n - 1];
  SpanCheck check(s.breaks);
  for (std::size_t i = 1; i + 1 < n; ++i) {
    const double before = i >= m ? x[i - m] : 2.0 * first - x[m - i];
    const double after = i + m <= n - 1 ? x[i + m] : 2.0 * lastX - x[2 * (n - 1) - i - m];
    const double d = before - 2.0 * x[i] + after;
    if constexpr (kGaps == Gaps::Spans) {
      const std::size_t lo = i >= m ? i - m : 0;
      const std::size_t hi = i + m <= n - 1 ? i + m : n - 1;
      if (!check.clear(lo, hi)) continue;
    } else if constexpr (kGaps == Gaps::Points) {
      if (std::isnan(d)) continue;
    }
    sum.lane[sum.terms & 3] += d * d;
    ++sum.terms;
  }
  return sum;
}

template <typename F>
SquareSum byGapRule(Gaps rule, F&& f) {
  switch (rule) {
    case Gaps::None:
      return f(std::integral_constant<Gaps, Gaps::None>{});
    case Gaps::Spans:
      return f(std::integral_constant<Gaps, Gaps::Spans>{});
    case Gaps::Points:
      break;
  }
  return f(std::integral_constant<Gaps, Gaps::Points>{});
}

std::size_t possibleTerms(Statistic st, std::size_t n, std::size_t m) {
  switch (st) {
    case Statistic::Adev:
      return n > 2 * m ? (n - 1 - 2 * m) / m + 1 : 0;
    case Statistic::Oadev:
      return n > 2 * m ? n - 2 * m : 0;
    case Statistic::Hdev:
      return n > 3 * m ? (n - 1 - 3 * m) / m + 1 : 0;
    case Statistic::Ohdev:
      return n > 3 * m ? n - 3 * m : 0;
    case Statistic::Mdev:
    case Statistic::Tdev:
      return n >= 3 * m ? n - 3 * m + 1 : 0;
    case Statistic::Totdev:
      return n >= 3 ? n - 2 : 0;
  }
  return 0;
}

}  // namespace

Deviation deviation(const PhaseSeries& s, Statistic st, std::size_t m) {
  Deviation d;
  d.sigma = std::numeric_limits<double>::quiet_NaN();
  const std::size_t n = s.x.size();
  if (m == 0 || m > maxAveragingFactor(st, n)) return d;
  d.possible = possibleTerms(st, n, m);
  const Gaps rule = gapRule(s);
  const double tau = static_cast<double>(m) * s.tau0;
  const double mm = static_cast<double>(m);
  SquareSum sum;
  double scale = 0.0;  // variance = sum / (scale * terms)
  switch (st) {
    case Statistic::Adev:
    case Statistic::Oadev: {
      const std::size_t stride = st == Statistic::Adev ? m : 1;
      sum = byGapRule(
          rule, [&](auto g) { return differenceSquares<2, decltype(g)::value>(s, m, stride); });
      scale = 2.0 * tau * tau;
      break;
    }
    case Statistic::Hdev:
    case Statistic::Ohdev: {
      const std::size_t stride = st == Statistic::Hdev ? m : 1;
      sum = byGapRule(
          rule, [&](auto g) { return differenceSquares<3, decltype(g)::value>(s, m, stride); });
      scale = 6.0 * tau * tau;
      break;
    }
    case Statistic::Mdev:
    case Statistic::Tdev:
      sum = byGapRule(rule, [&](auto g) { return modifiedSquares<decltype(g)::value>(s, m); });
      scale = 2.0 * mm * mm * tau * tau;
      break;
    case Statistic::Totdev:
      sum = byGapRule(rule, [&](auto g) { return totalSquares<decltype(g)::value>(s, m); });
      scale = 2.0 * tau * tau;
      break;
  }
  d.terms = sum.terms;
  if (sum.terms == 0) return d;
  d.sigma = std::sqrt(sum.total() / (scale * static_cast<double>(sum.terms)));
  // Time deviation: tau / sqrt(3) times the modified Allan deviation.
  if (st == Statistic::Tdev) d.sigma *= tau / std::sqrt(3.0);
  return d;
}

}  // namespace stability
