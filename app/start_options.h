#pragma once
// The command line of V38XX_AP. The program's own options are few (its help, its version and
// the user's data folder as the working directory); every other argument is left to Qt, which
// takes its own (-platform, -display, -style, ...), and whatever Qt leaves is a mistake.

#include <optional>
#include <string>
#include <vector>

namespace app {

struct StartOptions {
  bool help = false;
  bool version = false;
  // Work in the user's data folder (userDataFolder()), made with its DB folder when missing.
  bool userFolder = false;
  // The arguments for Qt: the program name first, then everything not taken here.
  std::vector<std::string> rest;
};

// The help text of V38XX_AP (what --help prints and the manual page is made from).
extern const char* const kStartHelp;

// Takes the program's own options out of `args` (the whole command line, program name first).
std::optional<StartOptions> parseStartOptions(const std::vector<std::string>& args,
                                              std::string* error);

// The message for arguments Qt did not take (after the program name), or "" when none is left.
std::string leftoverArgumentsError(const std::vector<std::string>& leftover);

// ${XDG_DATA_HOME:-$HOME/.local/share}/v38xx, where recordings of a desktop start go. A relative
// XDG_DATA_HOME is ignored, as the base-directory rules say; "" when no absolute folder results.
std::string userDataFolder(const std::string& xdgDataHome, const std::string& home);

// Makes `folder` and its DB folder when missing. False, with the reason, when that fails.
bool prepareUserFolder(const std::string& folder, std::string* error);

}  // namespace app
