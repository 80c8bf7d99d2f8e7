// The I/O thread of the main window: calls run in the order they are made, a cancellable wait
// ends when it is cancelled while its call still blocks, and the clear that cancels it runs at
// once and before anything queued later.

#include "instrument/io_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "support/scripted_interaction.h"

namespace {

using namespace std::chrono_literals;

// A call that blocks until release() (or a clear) lets it go, the way a read waits for a
// silent instrument.
class Blocker {
 public:
  void block() {
    std::unique_lock lock(mutex_);
    started_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  void waitStarted() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return started_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;
  bool released_ = false;
};

// Records in which order things happened, from any thread.
struct Log {
  std::mutex mutex;
  std::vector<std::string> events;
  void add(std::string e) {
    std::lock_guard lock(mutex);
    events.push_back(std::move(e));
  }
  std::vector<std::string> all() {
    std::lock_guard lock(mutex);
    return events;
  }
};

TEST(IoThread, WithoutAThreadEveryCallRunsAtOnceOnTheCaller) {
  testsupport::ScriptedInteraction ui;
  instrument::IoThread io(ui, false);
  const auto caller = std::this_thread::get_id();
  std::thread::id ranOn;
  io.run([&] { ranOn = std::this_thread::get_id(); });
  EXPECT_EQ(ranOn, caller);
  EXPECT_TRUE(io.runCancellable([&] { ranOn = std::this_thread::get_id(); }));
  EXPECT_EQ(ranOn, caller);
  EXPECT_FALSE(io.cancel([] {})) << "nothing waits";
  EXPECT_TRUE(ui.waits.empty()) << "and nothing is waited for";
}

TEST(IoThread, CallsRunInTheirOrderOnTheIoThreadWhileTheWindowWaits) {
  testsupport::ScriptedInteraction ui;
  instrument::IoThread io(ui, true);
  Log log;
  std::thread::id ranOn;
  for (int i = 0; i < 20; ++i) io.run([&log, i] { log.add(std::to_string(i)); });
  io.run([&] { ranOn = std::this_thread::get_id(); });
  EXPECT_NE(ranOn, std::this_thread::get_id());
  std::vector<std::string> expected;
  for (int i = 0; i < 20; ++i) expected.push_back(std::to_string(i));
  EXPECT_EQ(log.all(), expected);
  int value = 0;
  EXPECT_TRUE(io.runCancellable([&value] { value = 7; }));
  EXPECT_EQ(value, 7);
}

TEST(IoThread, ACancelledWaitEndsWhileItsCallBlocksAndTheClearComesFirst) {
  testsupport::ScriptedInteraction ui;
  instrument::IoThread io(ui, true);
  Log log;
  auto blocker = std::make_shared<Blocker>();
  bool cancelled = false;
  bool waitingDuringTheWait = false;
  // STOP while the read waits: cancel, then the stop's own write.
  ui.onWait = [&](core::WaitInput input) {
    if (input != core::WaitInput::Served) return;
    blocker->waitStarted();
    waitingDuringTheWait = io.cancellableWaiting();
    cancelled = io.cancel([&log, blocker] {
      log.add("clear");
      blocker->release();
    });
    io.run([&log] { log.add("write after the stop"); });
  };
  const bool ran = io.runCancellable([&log, blocker] {
    blocker->block();
    log.add("read ends");
  });
  EXPECT_FALSE(ran);
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(waitingDuringTheWait);
  EXPECT_FALSE(io.cancellableWaiting());
  EXPECT_EQ(log.all(), (std::vector<std::string>{"clear", "read ends", "write after the stop"}));
}

TEST(IoThread, ACancelledCallThatHadNotStartedIsReplacedByTheClear) {
  testsupport::ScriptedInteraction ui;
  instrument::IoThread io(ui, true);
  Log log;
  auto first = std::make_shared<Blocker>();
  // The first read keeps the I/O thread busy; a second one, made while the first waits, is
  // still queued when its wait is cancelled.
  int waits = 0;
  bool secondRan = true;
  ui.onWait = [&](core::WaitInput input) {
    if (input != core::WaitInput::Served) return;
    ++waits;
    if (waits == 1) {
      first->waitStarted();
      secondRan = io.runCancellable([&log] { log.add("second read"); });
      first->release();
    } else if (waits == 2) {
      io.cancel([&log] { log.add("clear"); });
    }
  };
  EXPECT_TRUE(io.runCancellable([first] { first->block(); }));
  EXPECT_FALSE(secondRan);
  io.run([&log] { log.add("next"); });
  EXPECT_EQ(log.all(), (std::vector<std::string>{"clear", "next"}));
}

TEST(IoThread, AClearThatCameTooEarlyIsRepeatedUntilTheCallReturns) {
  testsupport::ScriptedInteraction ui;
  instrument::IoThread io(ui, true);
  std::atomic<int> clears = 0;
  auto blocker = std::make_shared<Blocker>();
  ui.onWait = [&](core::WaitInput input) {
    if (input != core::WaitInput::Served) return;
    blocker->waitStarted();
    // Only the third clear reaches the read (the first two came before it waited).
    io.cancel([&clears, blocker] {
      if (++clears == 3) blocker->release();
    });
  };
  EXPECT_FALSE(io.runCancellable([blocker] { blocker->block(); }));
  io.run([] {});  // waits for the cancelled read and its clears
  EXPECT_EQ(clears.load(), 3);
}

}  // namespace
