#pragma once
// Where the main window's VISA calls run. The order of the instrument I/O stays exactly the
// order in which the window asks for it: every call is queued to one I/O thread and the
// user-interface thread waits for its result through the window's event loop (through
// core::Interaction::waitFor), so a slow or silent instrument never freezes the window. A
// run's read is the one wait that can be given up: cancel() ends it and clears the session
// (VISA's device clear) from a thread of its own, so that a read the I/O thread is blocked in
// returns at once, and the I/O thread runs nothing more until that clear has returned.
//
// Without a thread (the default of the logic and its tests) every call simply runs on the
// caller's thread.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/interaction.h"

namespace instrument {

class IoThread {
 public:
  IoThread(core::Interaction& ui, bool threaded);
  ~IoThread();  // runs what is queued, then ends the thread
  IoThread(const IoThread&) = delete;
  IoThread& operator=(const IoThread&) = delete;

  bool threaded() const { return threaded_; }

  // Runs `call` after everything queued before it and returns once it has run. The user's
  // input waits its turn meanwhile.
  void run(const std::function<void()>& call);

  // The same for a read that the user may give up on: the user's input is handled while it
  // waits, and cancel() ends the wait. Returns false when it was cancelled; `call` may then
  // still be running (or be skipped), so it must own everything it touches.
  bool runCancellable(std::function<void()> call);

  // Gives up the wait of runCancellable, when one is in progress, and runs `clear` (the
  // session's device clear) at once on a thread of its own, again until the cancelled call
  // has returned; nothing queued after it starts before that. A cancelled call that had not
  // started yet is replaced by `clear`. Returns false when there was nothing to cancel.
  bool cancel(std::function<void()> clear);

  // True while a caller waits in run() or runCancellable().
  bool waiting() const { return waits_ > 0; }
  // True while a runCancellable() waits.
  bool cancellableWaiting() const { return cancellable_ != nullptr; }

 private:
  struct Job {
    std::function<void()> call;
    core::Pending ran;   // the I/O thread has run it
    core::Pending done;  // the waiter may go on: it has run, or the wait was given up
  };
  void loop();
  std::shared_ptr<Job> enqueue(std::function<void()> call);

  core::Interaction& ui_;
  const bool threaded_;
  int waits_ = 0;
  std::shared_ptr<Job> cancellable_;  // the job a cancellable wait waits for

  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::shared_ptr<Job>> queue_;
  std::shared_ptr<Job> current_;  // the job the I/O thread runs now
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace instrument
