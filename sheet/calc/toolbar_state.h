#pragma once
// The enabled state of the add-in's toolbar commands in this office process. The toolbar shows a
// command enabled or greyed as its dispatch reports; the dispatch objects of the add-in's
// command handler listen here, and the Calc command bar changes it.

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace sheet::calc {

class ToolbarState {
 public:
  static ToolbarState& instance();

  bool enabled(const std::string& command) const;
  // Changes a command's state and tells every listener of that command.
  void setEnabled(const std::string& command, bool enabled);

  using Listener = std::function<void(const std::string& command, bool enabled)>;
  // Returns an id for removeListener.
  int addListener(Listener listener);
  void removeListener(int id);

 private:
  mutable std::mutex mutex_;
  std::map<std::string, bool> enabled_;
  std::map<int, Listener> listeners_;
  int nextId_ = 1;
};

// The command URL of a toolbar macro name: the add-in's command handler serves this scheme.
inline constexpr const char* kCommandScheme = "vnd.orvalent.tallyway:";

}  // namespace sheet::calc
