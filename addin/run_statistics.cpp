#include "addin/run_statistics.h"

#include <cmath>

namespace addin {

bool RunStatistics::add(double value) {
  if (isOverflow(value)) return false;
  ++n_;
  if (n_ == 1) {
    first_ = value;
    sumSquares_ = sumDeviations_ = meanDeviation_ = stdev_ = 0;
    return true;
  }
  if (n_ == 2) {
    // The first reading enters once the reference is known.
    reference_ = (first_ + value) / 2;
    const double d = first_ - reference_;
    sumSquares_ += d * d;
    sumDeviations_ += d;
  }
  const double d = value - reference_;
  sumSquares_ += d * d;
  sumDeviations_ += d;
  const double n = static_cast<double>(n_);
  meanDeviation_ = sumDeviations_ / n;
  const double variance = (sumSquares_ - meanDeviation_ * meanDeviation_ * n) / (n - 1);
  // Rounding can leave a tiny negative variance for identical readings.
  stdev_ = variance > 0 ? std::sqrt(variance) : 0;
  return true;
}

}  // namespace addin
