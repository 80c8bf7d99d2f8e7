#include "stability/noise_id.h"

#include <array>
#include <cmath>

namespace stability {

namespace {

constexpr std::size_t kMinimumValues = 30;

// Solves the normal equations of a least-squares polynomial (degree 1 or 2) by Gaussian
// elimination; 3x3 at most.
std::array<double, 3> solve(std::array<std::array<double, 4>, 3> a, int size) {
  for (int c = 0; c < size; ++c) {
    int pivot = c;
    for (int r = c + 1; r < size; ++r) {
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    }
    std::swap(a[c], a[pivot]);
    for (int r = 0; r < size; ++r) {
      if (r == c || a[c][c] == 0.0) continue;
      const double factor = a[r][c] / a[c][c];
      for (int k = c; k <= size; ++k) a[r][k] -= factor * a[c][k];
    }
  }
  std::array<double, 3> out{0, 0, 0};
  for (int c = 0; c < size; ++c) out[c] = a[c][c] != 0.0 ? a[c][size] / a[c][c] : 0.0;
  return out;
}

}  // namespace

int noiseDifferenceLimit(Statistic s) {
  return s == Statistic::Hdev || s == Statistic::Ohdev ? 3 : 2;
}

std::string_view noiseName(int alpha) {
  switch (alpha) {
    case 2:
      return "White PM";
    case 1:
      return "Flicker PM";
    case 0:
      return "White FM";
    case -1:
      return "Flicker FM";
    case -2:
      return "Random walk FM";
    case -3:
      return "Flicker walk FM";
    case -4:
      return "Random run FM";
    default:
      return "";
  }
}

std::optional<NoiseEstimate> estimateNoise(const PhaseSeries& s, std::size_t m, int dmax) {
  if (m == 0) return std::nullopt;
  const double* x = s.x.data();
  const std::size_t n = s.x.size();
  const bool frequency = s.fromFrequency;
  // The values z[k]: averages of m fractional frequencies, or every m-th phase point; NaN
  // where a gap touches them. Computed on demand, so nothing is copied.
  const std::size_t count = frequency ? (n - 1) / m : (n + m - 1) / m;
  std::size_t nextBreak = 0;
  auto value = [&](std::size_t k) -> double {
    if (frequency) {
      const std::size_t a = k * m;
      const std::size_t b = a + m;
      // Breaks are visited in order as k rises within one pass; passes restart the walk.
      while (nextBreak < s.breaks.size() && s.breaks[nextBreak] < a) ++nextBreak;
      if (nextBreak < s.breaks.size() && s.breaks[nextBreak] < b) return std::nan("");
      return x[b] - x[a];  // m * tau0 times the average; the scale does not matter here
    }
    return x[k * m];
  };
  auto restart = [&] { nextBreak = 0; };

  // Least-squares trend on a scaled time axis (-1 .. 1) so that the sums stay well formed.
  const int degree = frequency ? 1 : 2;
  const int size = degree + 1;
  std::array<std::array<double, 4>, 3> normal{};
  std::size_t present = 0;
  const double half = count > 1 ? (count - 1) / 2.0 : 1.0;
  restart();
  for (std::size_t k = 0; k < count; ++k) {
    const double z = value(k);
    if (std::isnan(z)) continue;
    ++present;
    const double t = (k - half) / half;
    double powers[5] = {1, t, t * t, t * t * t, t * t * t * t};
    for (int r = 0; r < size; ++r) {
      for (int c = 0; c < size; ++c) normal[r][c] += powers[r + c];
      normal[r][size] += z * powers[r];
    }
  }
  if (present < kMinimumValues) return std::nullopt;
  const std::array<double, 3> p = solve(normal, size);
  auto residual = [&](std::size_t k) {
    const double z = value(k);
    const double t = (k - half) / half;
    return z - (p[0] + p[1] * t + p[2] * t * t);
  };

  for (int d = 0;; ++d) {
    // One pass over the d-th difference u of the residuals: its mean, its variance and its
    // lag-1 products over the pairs where both values exist.
    std::array<double, 4> recent{};  // the last d+1 residuals, newest first
    std::size_t filled = 0;
    double sum = 0, squares = 0, products = 0, firsts = 0, seconds = 0;
    std::size_t values = 0, pairs = 0;
    double previous = std::nan("");
    restart();
    for (std::size_t k = 0; k < count; ++k) {
      for (int i = d; i > 0; --i) recent[i] = recent[i - 1];
      recent[0] = residual(k);
      if (filled < static_cast<std::size_t>(d) + 1) ++filled;
      double u = std::nan("");
      if (filled == static_cast<std::size_t>(d) + 1) {
        // Backward difference of order d: sum of (-1)^i C(d, i) r[k - i].
        double c = 1.0;
        u = 0.0;
        for (int i = 0; i <= d; ++i) {
          u += ((i % 2) ? -c : c) * recent[i];
          c = c * (d - i) / (i + 1);
        }
      }
      if (!std::isnan(u)) {
        ++values;
        sum += u;
        squares += u * u;
        if (!std::isnan(previous)) {
          ++pairs;
          products += previous * u;
          firsts += previous;
          seconds += u;
        }
      }
      previous = u;
    }
    if (values < kMinimumValues || pairs == 0) return std::nullopt;
    const double mean = sum / values;
    const double variance = squares - values * mean * mean;
    if (!(variance > 0.0)) return std::nullopt;
    const double r1 = (products - mean * (firsts + seconds) + pairs * mean * mean) / variance;
    const double delta = r1 / (1.0 + r1);
    if (delta < 0.25 || d >= dmax) {
      NoiseEstimate e;
      e.differences = d;
      e.delta = delta;
      const double shift = frequency ? 0.0 : 2.0;
      e.alphaValue = -2.0 * (delta + d) + shift;
      e.alpha = static_cast<int>(-std::lround(2.0 * delta) - 2 * d + static_cast<long>(shift));
      return e;
    }
  }
}

}  // namespace stability
