#pragma once
// The command lines of Load and addinpurge, which office they work with, and the texts both
// programs show. Plain C++: no office and no window needed.

#include <optional>
#include <string>
#include <vector>

namespace installer {

// Caption of Load's window and of its message boxes; the toolbar the add-in and the Writer
// template carry.
inline constexpr const char* kLoadCaption = "Start V38XX Toolbar";
inline constexpr const char* kPurgeCaption = "Orvalent Tallyway additionals remove";
inline constexpr const char* kToolbarName = "ORVALENT V38XX Tallyway";
// The extension's identifier (its description.xml).
inline constexpr const char* kExtensionIdentifier = "com.orvalent.v38xx.tallyway";
// The message of a command line that names no add-in package and no template.
inline constexpr const char* kOpenFileUse = "Open File Use *.dot *.xla *.ott *.oxt";

inline constexpr const char* kDefaultSoffice = "/usr/lib/libreoffice/program/soffice";

// Exit statuses of both programs.
enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// What Load does with its file, by the file's extension (letter case ignored): install the
// add-in package (*.oxt, or *.xla, the package's old name), open a Writer document based on
// a template (*.ott, or a Word template *.dot), or nothing.
enum class LoadMode { Package, Template, Unknown };
LoadMode loadModeOf(const std::string& path);

// Which LibreOffice the programs work with.
struct OfficeChoice {
  std::string soffice = kDefaultSoffice;
  std::string profile;    // user installation folder; empty: the user's own LibreOffice profile
  std::string pipe;       // a running office accepting on this UNO pipe; empty: reach it by profile
  bool headless = false;  // no display: the office is started headless and ended afterwards
};

struct InstallerOptions {
  OfficeChoice office;
  bool quiet = false;  // no window: the texts go to the terminal
  bool help = false;
  bool version = false;
  std::vector<std::string> files;  // Load's command line (one path)
};

// The options of `args` (without the program name); `acceptsFiles` for Load. On a mistake,
// nullopt and `error` says what is wrong in one sentence.
std::optional<InstallerOptions> parseInstallerOptions(const std::vector<std::string>& args,
                                                      bool acceptsFiles, std::string* error);

// The UNO pipe the installer tools reach the office of a profile on: the same for every run of
// either program by the same user on the same profile (so the second program finds the office
// the first one left running), different for different users and profiles.
std::string installerPipe(const std::string& profile, unsigned uid);

// The soffice command line that starts (or, when one runs for the profile, asks the running
// office to accept on) `pipe`.
std::vector<std::string> officeArguments(const OfficeChoice& office, const std::string& pipe,
                                         bool visible);

// The text of the box an office error gives Load: "Error Num: <n>\r\n<description>\r\n".
std::string errorNumText(long number, const std::string& description);

// Error numbers of Load's office errors, those an automation client of the office reports.
enum ErrorNumber : long {
  kFileNotFound = 53,
  kPathFileAccess = 75,
  kCannotCreateObject = 429,  // the office cannot be started or reached
  kServerUnavailable = 462,   // the office went away during the work
  kOfficeRefused = 1004,      // the office refused an operation
};

extern const char* const kLoadHelp;
extern const char* const kPurgeHelp;

}  // namespace installer

namespace installer {

// A display to show windows on is named in the environment (DISPLAY, WAYLAND_DISPLAY, or a Qt
// platform chosen with QT_QPA_PLATFORM).
bool displayNamed();

}  // namespace installer
