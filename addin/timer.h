#pragma once
// The logging run's timer: one periodic timer at a time whose ticks run on the spreadsheet's
// own thread. In LibreOffice a timer thread hands each tick to the office's main thread; in
// v38xx-log the program's loop fires it; tests fire it by hand.

#include <cstdint>
#include <functional>

namespace addin {

class Timer {
 public:
  virtual ~Timer() = default;
  // Starts (or restarts) the timer: `tick` runs every `intervalMs` milliseconds until kill().
  virtual void start(std::int32_t intervalMs, std::function<void()> tick) = 0;
  virtual void kill() = 0;
};

}  // namespace addin
