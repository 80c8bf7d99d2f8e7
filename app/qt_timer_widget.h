#pragma once
// The window's timers (app::Timers) on QTimer: one timer per id, each calling `onTimeout` with
// its id when it fires. Starting a running timer re-arms it with the new period.

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

#include "app/front_panel.h"

namespace app {

class QtTimers : public QObject, public Timers {
  Q_OBJECT
 public:
  explicit QtTimers(std::function<void(int id)> onTimeout, QObject* parent = nullptr);

  void start(int id, int periodMs) override;
  void stop(int id) override;

  bool isActive(int id) const;
  int interval(int id) const;  // -1 when there is no such timer
  // The QTimer of `id` (created on first use), e.g. for a test to fire it.
  QTimer* timer(int id);

 private:
  std::function<void(int)> onTimeout_;
  std::map<int, QTimer*> timers_;
};

}  // namespace app
