#pragma once
// The running sample standard deviation of a logging run, computed on data shifted by a
// reference value (the mean of the first two readings) so that readings of 10 MHz with
// millihertz noise keep their precision. Readings whose magnitude reaches 9.91E+36 are the
// counter's overflow answer (no signal) and leave it unchanged.

#include <cstdint>

namespace addin {

class RunStatistics {
 public:
  // Adds one reading; false when it is an overflow reading and was left out.
  bool add(double value);
  void reset() { *this = RunStatistics(); }

  std::int64_t validCount() const { return n_; }
  double standardDeviation() const { return stdev_; }

  // The magnitude from which a reading is the counter's overflow value.
  static constexpr double kOverflow = 9.91e36;
  static bool isOverflow(double value) { return value >= kOverflow || value <= -kOverflow; }

 private:
  std::int64_t n_ = 0;
  double reference_ = 0;
  double first_ = 0;
  double sumSquares_ = 0;
  double sumDeviations_ = 0;
  double meanDeviation_ = 0;
  double stdev_ = 0;
};

}  // namespace addin
