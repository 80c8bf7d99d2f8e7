#include "sheet/calc/toolbar_state.h"

namespace sheet::calc {

ToolbarState& ToolbarState::instance() {
  static ToolbarState state;
  return state;
}

bool ToolbarState::enabled(const std::string& command) const {
  std::lock_guard lock(mutex_);
  auto it = enabled_.find(command);
  return it == enabled_.end() || it->second;
}

void ToolbarState::setEnabled(const std::string& command, bool enabled) {
  std::vector<Listener> toTell;
  {
    std::lock_guard lock(mutex_);
    enabled_[command] = enabled;
    for (const auto& [id, l] : listeners_) toTell.push_back(l);
  }
  for (const auto& l : toTell) l(command, enabled);
}

int ToolbarState::addListener(Listener listener) {
  std::lock_guard lock(mutex_);
  listeners_[nextId_] = std::move(listener);
  return nextId_++;
}

void ToolbarState::removeListener(int id) {
  std::lock_guard lock(mutex_);
  listeners_.erase(id);
}

}  // namespace sheet::calc
