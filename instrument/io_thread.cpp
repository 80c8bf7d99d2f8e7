#include "instrument/io_thread.h"

#include <chrono>

namespace instrument {

namespace {

// A cancelled read that is still running after a clear (the clear came just before the read
// started waiting) is cleared again at this pace, for at most kClearAttempts times.
constexpr auto kClearRetry = std::chrono::milliseconds(50);
constexpr int kClearAttempts = 40;

// Counts a wait in progress for as long as it lasts.
class WaitScope {
 public:
  explicit WaitScope(int& waits) : waits_(waits) { ++waits_; }
  ~WaitScope() { --waits_; }
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;

 private:
  int& waits_;
};

}  // namespace

IoThread::IoThread(core::Interaction& ui, bool threaded) : ui_(ui), threaded_(threaded) {
  if (threaded_) thread_ = std::thread([this] { loop(); });
}

IoThread::~IoThread() {
  if (!threaded_) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  thread_.join();
}

void IoThread::loop() {
  std::unique_lock lock(mutex_);
  while (true) {
    queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and everything queued has run
    current_ = queue_.front();
    queue_.pop_front();
    lock.unlock();
    if (current_->call) current_->call();
    lock.lock();
    const std::shared_ptr<Job> done = std::move(current_);
    current_.reset();
    lock.unlock();
    done->ran.finish();
    done->done.finish();
    lock.lock();
  }
}

std::shared_ptr<IoThread::Job> IoThread::enqueue(std::function<void()> call) {
  auto job = std::make_shared<Job>();
  job->call = std::move(call);
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(job);
  }
  queued_.notify_all();
  return job;
}

void IoThread::run(const std::function<void()>& call) {
  if (!threaded_ || std::this_thread::get_id() == thread_.get_id()) {
    call();
    return;
  }
  const WaitScope scope(waits_);
  // The job refers to `call`, which lives until this wait is over: a wait that cannot be
  // cancelled only ends when the job has run.
  const std::shared_ptr<Job> job = enqueue([&call] { call(); });
  ui_.waitFor(job->done, core::WaitInput::Deferred);
  job->done.wait();
}

bool IoThread::runCancellable(std::function<void()> call) {
  if (!threaded_) {
    call();
    return true;
  }
  const WaitScope scope(waits_);
  const std::shared_ptr<Job> job = enqueue(std::move(call));
  const std::shared_ptr<Job> outer = cancellable_;
  cancellable_ = job;
  ui_.waitFor(job->done, core::WaitInput::Served);
  cancellable_ = outer;
  return job->done.finished() && !job->done.abandoned();
}

bool IoThread::cancel(std::function<void()> clear) {
  const std::shared_ptr<Job> job = cancellable_;
  if (!job || job->done.ready()) return false;
  {
    std::lock_guard lock(mutex_);
    if (job != current_) {
      // Not started yet: the clear takes its place in the queue.
      job->call = std::move(clear);
    } else {
      // The I/O thread is inside the call: clear from another thread until it returns.
      std::thread clearer([this, job, clear = std::move(clear)] {
        for (int attempt = 0; attempt < kClearAttempts; ++attempt) {
          clear();
          if (job->ran.waitFor(kClearRetry)) return;
        }
      });
      // Whatever was queued after the cancelled call waits for the clear to be over.
      auto joined = std::make_shared<std::thread>(std::move(clearer));
      auto wait = std::make_shared<Job>();
      wait->call = [joined] { joined->join(); };
      queue_.push_front(wait);
    }
  }
  queued_.notify_all();
  job->done.abandon();
  return true;
}

}  // namespace instrument
