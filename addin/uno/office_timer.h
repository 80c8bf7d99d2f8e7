#pragma once
// The logging run's timer inside the office: a thread of its own keeps the interval and hands
// each tick to the office's main thread. A tick that is still waiting to run (the office is
// busy) is not queued again, so a slow office skips ticks instead of piling them up.

#include <com/sun/star/uno/XComponentContext.hpp>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "addin/timer.h"

namespace addin::uno {

class OfficeTimer : public Timer {
 public:
  explicit OfficeTimer(com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> c);
  ~OfficeTimer() override;

  void start(std::int32_t intervalMs, std::function<void()> tick) override;
  void kill() override;

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable cv;
    std::function<void()> tick;
    std::chrono::milliseconds interval{0};
    std::chrono::steady_clock::time_point next;
    unsigned generation = 0;
    bool pending = false;
    bool stop = false;
  };
  void run();

  com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
  std::thread thread_;
};

}  // namespace addin::uno
