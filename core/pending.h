#pragma once
// A piece of work done on another thread that the user-interface thread waits for: the
// instrument I/O of the main window. It becomes ready when the work has finished or when the
// waiter gives up on it (abandon); whoever makes it ready wakes the waiter.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace core {

class Pending {
 public:
  // The work has finished (called by the thread that did it).
  void finish() { settle(finished_); }
  // The waiter no longer waits for it; the work may still be running and must own what it
  // touches.
  void abandon() { settle(abandoned_); }

  bool finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
  }
  bool abandoned() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
  }
  bool ready() const {
    std::lock_guard lock(mutex_);
    return finished_ || abandoned_;
  }

  // Blocks until ready or until `timeout` has passed; true when ready.
  bool waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return finished_ || abandoned_; });
  }
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return finished_ || abandoned_; });
  }

  // `wake` is called, on the thread that makes it ready, when it becomes ready; at once when it
  // already is. An empty function removes it; after that returns, `wake` is never called again.
  void setWake(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
    if (wake_ && (finished_ || abandoned_)) wake_();
  }

 private:
  void settle(bool& flag) {
    std::lock_guard lock(mutex_);
    const bool wasReady = finished_ || abandoned_;
    flag = true;
    changed_.notify_all();
    if (!wasReady && wake_) wake_();
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool finished_ = false;
  bool abandoned_ = false;
  std::function<void()> wake_;
};

}  // namespace core
