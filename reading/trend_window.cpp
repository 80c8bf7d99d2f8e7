#include "reading/trend_window.h"

#include <algorithm>

namespace reading {

namespace {
constexpr int kMinimumCapacity = 2;
}

TrendWindow::TrendWindow(int capacity)
    : capacity_(std::max(capacity, kMinimumCapacity)), values_(static_cast<size_t>(capacity_)) {}

void TrendWindow::setCapacity(int capacity) {
  capacity = std::max(capacity, kMinimumCapacity);
  if (count_ > capacity) {
    // Keep the reference in place 1 and the newest readings after it.
    const auto newestFirst = values_.begin() + (count_ - (capacity - 1));
    std::copy(newestFirst, values_.begin() + count_, values_.begin() + 1);
    count_ = capacity;
  }
  capacity_ = capacity;
  values_.resize(static_cast<size_t>(capacity_));
}

void TrendWindow::advance() {
  if (count_ < capacity_) {
    ++count_;
    return;
  }
  // Places are 1-based in the description; values_[i] is place i + 1.
  const int c = capacity_;
  std::copy(values_.begin() + 2, values_.begin() + c, values_.begin() + 1);
  const double reference = values_[0];
  bool aboveAll = true;
  bool belowAll = true;
  for (int place = 2; place <= c - 1; ++place) {
    const double v = values_[static_cast<size_t>(place - 1)];
    aboveAll = aboveAll && reference > v;
    belowAll = belowAll && reference < v;
  }
  if (aboveAll || belowAll) values_[0] = values_[1];
}

void TrendWindow::setNewest(double x) {
  if (count_ > 0) values_[static_cast<size_t>(count_ - 1)] = x;
}

void TrendWindow::push(double x) {
  advance();
  setNewest(x);
}

}  // namespace reading
