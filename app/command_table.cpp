#include "app/command_table.h"

#include <algorithm>

namespace app {

std::optional<Command> commandFromId(int id) {
  if (id == kRunStartAlias) return Command::RunStart;
  if (id == kRunStopAlias) return Command::RunStop;
  if (id == kAboutAlias) return Command::About;
  for (Command c : kAllCommands)
    if (static_cast<int>(c) == id) return c;
  return std::nullopt;
}

std::size_t CommandTable::indexOf(Command command) {
  return static_cast<std::size_t>(std::find(kAllCommands.begin(), kAllCommands.end(), command) -
                                  kAllCommands.begin());
}

void CommandTable::setRunning(bool running) {
  for (Command c : kAllCommands) enabled_[indexOf(c)] = (c == Command::RunStop) == running;
}

}  // namespace app
