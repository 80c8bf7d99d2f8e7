#include "app/start_options.h"

#include <filesystem>
#include <system_error>

namespace app {

const char* const kStartHelp =
    R"(Usage: V38XX_AP [OPTION]...
The virtual front panel of the V38XX universal frequency counters (V3800A, V3820A). It finds
the counters on USB (USBTMC), GPIB and LAN through VISA, programs the measurement chosen on the
panel's pages with SCPI at START, and shows each reading with its unit, the maximum, minimum,
count, standard deviation, elapsed time and a trend line until STOP or a stop condition (a stop
time, N readings, a failed read). Readings can be recorded into ten numbered databases, which
"Record" shows as a table (View Record), a chart (Chart Record) and a frequency-stability
analysis (Stability); "Tool" > "Command Control" sends commands and queries to a counter.

The texts are English, Traditional Chinese or Simplified Chinese: the language comes from the
locale (the first set of LC_ALL, LC_MESSAGES and LANG: zh_CN is Simplified Chinese, zh_TW and
zh_HK are Traditional Chinese, anything else English) and can be changed for the session in
"Help" > "About" > "Language".

Ctrl+C and SIGTERM close the window like its close box: a run is stopped and every counter is
returned to local control. USB counters need read and write access to their /dev/usbtmc*
device nodes (the package's udev rule gives it to the user at the seat); GPIB needs
linux-gpib.

Options:
      --user-folder    work in ${XDG_DATA_HOME:-~/.local/share}/v38xx, made with its DB
                       folder when missing, so that recordings go to its DB folder (the
                       desktop menu's entry starts the program so)
  -h, --help           show this help and exit
      --version        show the version and exit
Qt's own options are taken as well, for example -platform offscreen or -style Fusion.

Files:
  DB/DBfile_DB1.db to DB/DBfile_DB10.db
                       the reading databases (SQLite 3) in the DB folder of the current
                       directory, or in the current directory itself when its path contains
                       "DB"; the folder must exist (--user-folder makes one)
  visa.conf            the VISA resource file: LAN instruments, the simulated counters, a
                       vendor VISA. The first found of $V38XX_VISA_CONF,
                       $XDG_CONFIG_HOME/v38xx/visa.conf (default ~/.config/v38xx/visa.conf),
                       /etc/v38xx/visa.conf and the installed default
                       <prefix>/share/v38xx/visa.conf, which serves the two simulated counters
                       USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR (V3800A) and
                       USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR (V3820A)
  <prefix>/share/v38xx/CTR_TOOLV38XX.ini
                       the texts of the three languages, found beside the program (its
                       folder's ../share/v38xx)

Environment:
  V38XX_VISA_CONF      the VISA resource file to read instead of the usual ones
  V38XX_VISA_LIBRARY   a vendor VISA library (for example /usr/lib/x86_64-linux-gnu/libvisa.so)
                       to use instead of the builtin VISA
  DISPLAY, WAYLAND_DISPLAY
                       the graphical display; without one the program says so and ends
                       (xvfb-run -a V38XX_AP runs it on a virtual X server)

Exit status:
  0 when the window was closed, 2 without a graphical display or for a mistake on the
  command line.
)";

std::optional<StartOptions> parseStartOptions(const std::vector<std::string>& args,
                                              std::string* error) {
  StartOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i == 0) {
      options.rest.push_back(arg);
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--user-folder") {
      options.userFolder = true;
    } else if (arg.rfind("--user-folder=", 0) == 0 || arg.rfind("--help=", 0) == 0 ||
               arg.rfind("--version=", 0) == 0) {
      if (error) *error = "the option " + arg.substr(0, arg.find('=')) + " takes no value";
      return std::nullopt;
    } else {
      options.rest.push_back(arg);
    }
  }
  return options;
}

std::string leftoverArgumentsError(const std::vector<std::string>& leftover) {
  if (leftover.empty()) return "";
  const std::string& first = leftover.front();
  if (!first.empty() && first.front() == '-') return "unknown option " + first;
  return "the program takes no file or other argument (\"" + first + "\")";
}

std::string userDataFolder(const std::string& xdgDataHome, const std::string& home) {
  std::string base;
  if (!xdgDataHome.empty() && xdgDataHome.front() == '/') {
    base = xdgDataHome;
  } else if (!home.empty() && home.front() == '/') {
    base = home + "/.local/share";
  } else {
    return "";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return (base == "/" ? "" : base) + "/v38xx";
}

bool prepareUserFolder(const std::string& folder, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(folder) / "DB", ec);
  if (ec) {
    if (error) *error = "cannot make " + folder + "/DB: " + ec.message();
    return false;
  }
  return true;
}

}  // namespace app
