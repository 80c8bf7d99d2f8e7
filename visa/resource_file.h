#pragma once
// The resource file visa.conf: what the builtin VISA serves (simulated counters, the LAN
// instruments to list, the VXI-11 portmapper port) and, optionally, a vendor VISA library to
// use instead. INI format, described in docs/visa.md. Without any file the builtin VISA runs
// with its defaults, simulation on, so the product works out of the box.

#include <string>
#include <vector>

#include "visa/builtin_library.h"

namespace visa {

// Where the resource file is looked for, in this order.
struct ResourceFileLocations {
  std::string explicitPath;   // $V38XX_VISA_CONF
  std::string userConfigDir;  // $XDG_CONFIG_HOME/v38xx, default ~/.config/v38xx
  std::string systemConfigDir = "/etc/v38xx";
  std::vector<std::string> installedDefaults;  // <exe>/../share/v38xx/visa.conf, ...

  // The places of the running process: its environment and core::dataFilePath("visa.conf").
  static ResourceFileLocations fromEnvironment();
  // The candidate files, in lookup order.
  std::vector<std::string> candidates() const;
};

struct ResourceFile {
  BuiltinOptions builtin;
  std::string libraryPath;  // [library] path: a vendor VISA to load instead of the builtin one
  std::string path;         // the file read; empty when none was found
  std::vector<std::string> warnings;  // problems found, each a sentence for the user

  // Reads one file; a file that cannot be read gives the defaults and a warning.
  static ResourceFile load(const std::string& path);
  // The first file that exists among `locations.candidates()`; the defaults when none does.
  static ResourceFile find(const ResourceFileLocations& locations);
};

}  // namespace visa
