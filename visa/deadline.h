#pragma once
// A point in time that a transport operation must not wait past. Timeout::max() (the VISA
// infinite time-out) never expires.

#include <algorithm>
#include <chrono>

#include "visa/transport.h"

namespace visa {

class Deadline {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Deadline(Transport::Timeout timeout)
      : infinite_(timeout >= kInfinite),
        end_(infinite_ ? Clock::time_point::max() : Clock::now() + timeout) {}

  bool infinite() const { return infinite_; }
  bool expired() const { return !infinite_ && Clock::now() >= end_; }

  // Time left, never negative; Timeout::max() when infinite.
  Transport::Timeout remaining() const {
    if (infinite_) return Transport::Timeout::max();
    const auto left = std::chrono::ceil<Transport::Timeout>(end_ - Clock::now());
    return std::max(left, Transport::Timeout::zero());
  }

  // Milliseconds for poll(2): the time left, capped to one minute (callers loop, so a long or
  // infinite wait is a series of polls).
  int pollMilliseconds() const {
    if (infinite_) return 60000;
    return static_cast<int>(std::min<long long>(remaining().count(), 60000));
  }

 private:
  // Time-outs of 24 days or more count as infinite (VI_TMO_INFINITE is 0xFFFFFFFF ms).
  static constexpr Transport::Timeout kInfinite{std::chrono::hours(24 * 24)};
  bool infinite_;
  Clock::time_point end_;
};

}  // namespace visa
