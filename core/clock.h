#pragma once
// Time is injected: the reading loop, the discovery pauses and the shutdown wait take a
// Clock so that tests can drive them without waiting.

#include <chrono>
#include <ctime>

namespace core {

class Clock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;
  virtual ~Clock() = default;
  virtual TimePoint now() const = 0;
  virtual void sleepMs(int milliseconds) = 0;

  // Calendar time in whole seconds, as the run's start time and the stop-time check use it.
  std::time_t nowSeconds() const { return std::chrono::system_clock::to_time_t(now()); }
  // Local broken-down time of now().
  std::tm localNow() const;
};

class SystemClock final : public Clock {
 public:
  TimePoint now() const override { return std::chrono::system_clock::now(); }
  void sleepMs(int milliseconds) override;
};

// Broken-down local time of a calendar time.
std::tm localTime(std::time_t t);

}  // namespace core
