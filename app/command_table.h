#pragma once
// The main window's menu commands and which of them can be chosen. While a run is active only
// "Run Stop" can; otherwise everything but "Run Stop".

#include <array>
#include <optional>

namespace app {

enum class Command {
  SettingMode = 32793,
  Refresh = 32794,
  TcpipAddresses = 32803,
  ViewRecord = 32795,
  ChartRecord = 32796,
  RunStart = 32798,
  RunStop = 32799,
  CommandControl = 32800,
  About = 32801,
  Stability = 32804,  // Record menu: the Stability dialog
};

inline constexpr std::array<Command, 10> kAllCommands = {
    Command::SettingMode, Command::Refresh,  Command::TcpipAddresses, Command::ViewRecord,
    Command::ChartRecord, Command::RunStart, Command::RunStop,        Command::CommandControl,
    Command::About,       Command::Stability};

// Second identifiers bound to the same handlers.
inline constexpr int kRunStartAlias = 32776;
inline constexpr int kRunStopAlias = 32777;
inline constexpr int kAboutAlias = 32802;

// The command of a menu identifier, aliases included; nullopt for an unknown identifier.
std::optional<Command> commandFromId(int id);

class CommandTable {
 public:
  // At start-up every command is enabled except "Run Stop".
  CommandTable() { setRunning(false); }

  // Run Start: enable "Run Stop", grey every other command. Run Stop: the reverse.
  void setRunning(bool running);

  bool enabled(Command command) const { return enabled_[indexOf(command)]; }

 private:
  static std::size_t indexOf(Command command);
  std::array<bool, kAllCommands.size()> enabled_{};
};

}  // namespace app
