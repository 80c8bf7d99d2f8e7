#include "app/qt_timer_widget.h"

namespace app {

QtTimers::QtTimers(std::function<void(int id)> onTimeout, QObject* parent)
    : QObject(parent), onTimeout_(std::move(onTimeout)) {}

QTimer* QtTimers::timer(int id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) return it->second;
  auto* t = new QTimer(this);
  // A reading tick may take longer than the period (a slow answer); the next one then comes
  // as soon as the event loop is free, never several at once.
  t->setTimerType(Qt::PreciseTimer);
  connect(t, &QTimer::timeout, this, [this, id] {
    if (onTimeout_) onTimeout_(id);
  });
  timers_.emplace(id, t);
  return t;
}

void QtTimers::start(int id, int periodMs) { timer(id)->start(periodMs); }

void QtTimers::stop(int id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

bool QtTimers::isActive(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

int QtTimers::interval(int id) const {
  auto it = timers_.find(id);
  return it == timers_.end() ? -1 : it->second->interval();
}

}  // namespace app
