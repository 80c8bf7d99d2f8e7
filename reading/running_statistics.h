#pragma once
// Running statistics of a run: the sample standard deviation of the valid readings, kept in
// constant time per reading with a fixed pivot so that no reading has to be kept.

namespace reading {

// The counter answers 9.91E+37 when it has no result (overflow, no signal). Such readings are
// counted, stored and drawn, but only readings strictly inside (-9.91e36, 9.91e36) enter the
// statistics.
inline constexpr double kStatisticsLimit = 9.91e36;

inline bool entersStatistics(double x) { return -kStatisticsLimit < x && x < kStatisticsLimit; }

class RunningStatistics {
 public:
  // Adds one reading. Returns false, and changes nothing, for a reading outside the limit.
  bool add(double x);
  void reset();

  int validCount() const { return k_; }
  double firstValue() const { return first_; }
  // Mean of the first two valid readings; the deviations are summed relative to it.
  double pivot() const { return pivot_; }
  double sum() const { return sum_; }
  double sumOfSquares() const { return sumSquares_; }
  double meanOffset() const { return meanOffset_; }
  // Sample standard deviation (divisor k - 1); 0 with fewer than two readings.
  double standardDeviation() const { return stdev_; }

 private:
  int k_ = 0;
  double first_ = 0.0;
  double pivot_ = 0.0;
  double sum_ = 0.0;
  double sumSquares_ = 0.0;
  double meanOffset_ = 0.0;
  double stdev_ = 0.0;
};

}  // namespace reading
