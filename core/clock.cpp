#include "core/clock.h"

#include <thread>

namespace core {

std::tm localTime(std::time_t t) {
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}

std::tm Clock::localNow() const { return localTime(nowSeconds()); }

void SystemClock::sleepMs(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace core
