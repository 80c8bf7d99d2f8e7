#include "addin/settings_file.h"

#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace addin {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kValueBytes = 255;

std::string cutUtf8(std::string text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  // Step back over continuation bytes so that no character is split.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

bool load(CSimpleIniA& ini, const std::string& path) {
  ini.SetUnicode(true);
  ini.SetMultiLine(true);
  return ini.LoadFile(path.c_str()) >= 0;
}

}  // namespace

SettingsLocation SettingsLocation::fromEnvironment() {
  return {[]() -> std::optional<std::string> {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return xdg;
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
      return std::string(home) + "/.local/share";
    return std::nullopt;
  }};
}

SettingsLocation SettingsLocation::in(std::string folder) {
  return {[folder]() -> std::optional<std::string> { return folder; }};
}

std::string settingsPathUnder(const std::string& dataHome) {
  return dataHome + "/Orvalent/Counter/V38XX/" + kSettingsFileName;
}

std::string readProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue) {
  CSimpleIniA ini;
  if (!load(ini, path)) return cutUtf8(defaultValue, kValueBytes);
  const char* value = ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return cutUtf8(value ? value : defaultValue, kValueBytes);
}

bool writeProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
  CSimpleIniA ini;
  if (!load(ini, path) && fs::exists(path)) return false;  // unreadable: never overwrite it
  if (ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0) return false;
  std::string text;
  if (ini.Save(text) < 0) return false;
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size())).flush()) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temporary, path, ec);
  if (ec) fs::remove(temporary, ec);
  return !ec;
}

bool installSettingsFile(const std::string& templatePath, const std::string& target,
                         std::string* error) {
  std::error_code ec;
  if (fs::exists(target, ec)) return true;
  fs::create_directories(fs::path(target).parent_path(), ec);
  if (!ec) fs::copy_file(templatePath, target, ec);
  if (ec && error) *error = target + ": " + ec.message();
  return !ec;
}

}  // namespace addin
