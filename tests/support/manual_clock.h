#pragma once
// A Clock that only moves when the test moves it; sleeps advance it and are recorded.

#include <vector>

#include "core/clock.h"

namespace testsupport {

class ManualClock : public core::Clock {
 public:
  explicit ManualClock(std::time_t start = 1320915992 /* 2011-11-10 09:06:32 UTC */)
      : now_(std::chrono::system_clock::from_time_t(start)) {}

  TimePoint now() const override { return now_; }
  void sleepMs(int milliseconds) override {
    sleeps.push_back(milliseconds);
    now_ += std::chrono::milliseconds(milliseconds);
  }
  void advance(std::chrono::milliseconds d) { now_ += d; }
  void set(std::time_t t) { now_ = std::chrono::system_clock::from_time_t(t); }

  std::vector<int> sleeps;

 private:
  TimePoint now_;
};

}  // namespace testsupport
