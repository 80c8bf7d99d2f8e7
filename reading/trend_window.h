#pragma once
// The trend window: the readings the trend chart draws, in places 1..C. Place 1 is the
// reference the chart draws against; places 2..n are the most recent readings, the newest in
// place n. C is the "Dots" setting plus one.

#include <span>
#include <vector>

namespace reading {

class TrendWindow {
 public:
  static constexpr int kDefaultCapacity = 101;  // "Dots" 100

  explicit TrendWindow(int capacity = kDefaultCapacity);

  int capacity() const { return capacity_; }
  int count() const { return count_; }  // n: places in use

  // A new "Dots" choice: C := dots + 1. When the window holds more readings than the new
  // capacity, place 1 stays and the newest C - 1 readings move up behind it.
  void setCapacity(int capacity);
  // Run Start: n := 0.
  void clear() { count_ = 0; }

  // Makes room for one reading: n grows until it reaches C; then places 3..C move one place
  // towards the start (place 2 is dropped), and place 1 takes the value of place 2 when it
  // lies strictly above or strictly below every value in places 2..C-1.
  void advance();
  // Place n := x.
  void setNewest(double x);
  // advance() then setNewest(x).
  void push(double x);

  // Value of `place` (1-based, 1..capacity()).
  double value(int place) const { return values_.at(static_cast<size_t>(place - 1)); }
  // Places 1..n.
  std::span<const double> values() const {
    return std::span<const double>(values_.data(), static_cast<size_t>(count_));
  }

 private:
  int capacity_;
  int count_ = 0;
  std::vector<double> values_;
};

}  // namespace reading
