#include "reading/running_statistics.h"

#include <algorithm>
#include <cmath>

namespace reading {

bool RunningStatistics::add(double x) {
  if (!entersStatistics(x)) return false;
  ++k_;
  if (k_ == 1) {
    first_ = x;
    sum_ = sumSquares_ = meanOffset_ = stdev_ = 0.0;
    return true;
  }
  if (k_ == 2) {
    // The pivot is fixed from the first two readings on; the first one joins the sums now.
    pivot_ = (first_ + x) * 0.5;
    const double d1 = first_ - pivot_;
    sum_ += d1;
    sumSquares_ += d1 * d1;
  }
  const double d = x - pivot_;
  sum_ += d;
  sumSquares_ += d * d;
  const double k = k_;
  meanOffset_ = sum_ / k;
  // Rounding can leave the difference a hair below zero for identical readings; the
  // deviation is then 0, not the square root of a negative number.
  const double spread = sumSquares_ - k * meanOffset_ * meanOffset_;
  stdev_ = std::sqrt(std::max(0.0, spread) / (k - 1.0));
  return true;
}

void RunningStatistics::reset() { *this = RunningStatistics{}; }

}  // namespace reading
