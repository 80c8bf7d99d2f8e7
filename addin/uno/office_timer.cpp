#include "addin/uno/office_timer.h"

#include <com/sun/star/uno/Exception.hpp>

#include "addin/uno/main_thread.h"

namespace addin::uno {

OfficeTimer::OfficeTimer(com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> c)
    : context_(std::move(c)), thread_([this] { run(); }) {}

OfficeTimer::~OfficeTimer() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stop = true;
    state_->tick = nullptr;
  }
  state_->cv.notify_all();
  thread_.join();
}

void OfficeTimer::start(std::int32_t intervalMs, std::function<void()> tick) {
  {
    std::lock_guard lock(state_->mutex);
    state_->tick = std::move(tick);
    state_->interval = std::chrono::milliseconds(std::max<std::int32_t>(intervalMs, 1));
    state_->next = std::chrono::steady_clock::now() + state_->interval;
    ++state_->generation;
  }
  state_->cv.notify_all();
}

void OfficeTimer::kill() {
  {
    std::lock_guard lock(state_->mutex);
    state_->tick = nullptr;
    ++state_->generation;
  }
  state_->cv.notify_all();
}

void OfficeTimer::run() {
  std::shared_ptr<State> state = state_;
  std::unique_lock lock(state->mutex);
  while (!state->stop) {
    if (!state->tick) {
      state->cv.wait(lock);
      continue;
    }
    if (std::chrono::steady_clock::now() < state->next) {
      state->cv.wait_until(lock, state->next);
      continue;
    }
    state->next += state->interval;
    // Behind by more than one interval (a long tick): start counting from now.
    if (state->next < std::chrono::steady_clock::now())
      state->next = std::chrono::steady_clock::now() + state->interval;
    if (state->pending) continue;
    state->pending = true;
    const unsigned generation = state->generation;
    lock.unlock();
    try {
      postToMainThread(context_, [state, generation] {
        std::function<void()> tick;
        {
          std::lock_guard l(state->mutex);
          state->pending = false;
          if (generation != state->generation || state->stop) return;
          tick = state->tick;
        }
        if (tick) tick();
      });
    } catch (const com::sun::star::uno::Exception&) {
      // The office is shutting down: no more ticks.
      std::lock_guard l(state->mutex);
      state->pending = false;
      state->tick = nullptr;
    }
    lock.lock();
  }
}

}  // namespace addin::uno
