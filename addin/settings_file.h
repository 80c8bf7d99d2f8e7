#pragma once
// The add-in's settings file CTR_TOOLV38XX.ini: section "Information" holds the user's logging
// settings and the list of languages, and one section per language holds the texts of the
// add-in's forms by text id. It lives in the user's data folder,
// $XDG_DATA_HOME/Orvalent/Counter/V38XX/ (default ~/.local/share/...), copied there from the
// installed template by the installer.
//
// Reads and writes follow the private-profile rules the add-in's macros expect: section and
// key names ignore letter case, a missing key gives the default, a value is at most 255
// characters, and a write keeps every other line of the file.

#include <functional>
#include <optional>
#include <string>

namespace addin {

inline constexpr const char* kSettingsFileName = "CTR_TOOLV38XX.ini";
inline constexpr const char* kSettingsSection = "Information";

// The folder the settings file's path starts from.
struct SettingsLocation {
  // The user's data folder; nullopt when none can be named (neither XDG_DATA_HOME nor HOME).
  std::function<std::optional<std::string>()> dataHome;

  static SettingsLocation fromEnvironment();
  static SettingsLocation in(std::string folder);
};

// <dataHome>/Orvalent/Counter/V38XX/CTR_TOOLV38XX.ini
std::string settingsPathUnder(const std::string& dataHome);

// The value of `key` in `section`, or `defaultValue` when the file, section or key is missing;
// cut to 255 bytes (never inside a UTF-8 character).
std::string readProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue);

// Writes `key` = `value` into `section`, keeping the rest of the file; the file is replaced
// in one step so that a failure never leaves it half written. False when it cannot be written.
bool writeProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// Copies the installed settings file to `target` when `target` does not exist yet (a user's
// own settings are kept), making its folders. False, with `error` set, when it cannot.
bool installSettingsFile(const std::string& templatePath, const std::string& target,
                         std::string* error = nullptr);

}  // namespace addin
