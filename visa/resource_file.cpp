#include "visa/resource_file.h"

#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <list>

#include "core/paths.h"
#include "core/text_format.h"
#include "visa/resource_name.h"

namespace visa {

namespace {

std::string trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return std::string(text);
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool parseBool(const std::string& text, bool* value) {
  const std::string t = core::toLower(trim(text));
  if (t == "1" || t == "true" || t == "yes" || t == "on") {
    *value = true;
    return true;
  }
  if (t == "0" || t == "false" || t == "no" || t == "off") {
    *value = false;
    return true;
  }
  return false;
}

bool parseUnsigned(const std::string& text, unsigned long long max, unsigned long long* value) {
  const std::string t = trim(text);
  if (t.empty() || t.size() > 20) return false;
  unsigned long long v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (v > (max - digit) / 10) return false;
    v = v * 10 + digit;
  }
  *value = v;
  return true;
}

}  // namespace

ResourceFileLocations ResourceFileLocations::fromEnvironment() {
  ResourceFileLocations l;
  l.explicitPath = environment("V38XX_VISA_CONF");
  const std::string xdg = environment("XDG_CONFIG_HOME");
  if (!xdg.empty() && xdg.front() == '/') {
    l.userConfigDir = xdg + "/v38xx";
  } else if (const std::string home = environment("HOME"); !home.empty()) {
    l.userConfigDir = home + "/.config/v38xx";
  }
  l.installedDefaults.push_back(core::dataFilePath("visa.conf"));
  return l;
}

std::vector<std::string> ResourceFileLocations::candidates() const {
  std::vector<std::string> files;
  if (!explicitPath.empty()) files.push_back(explicitPath);
  if (!userConfigDir.empty()) files.push_back(userConfigDir + "/visa.conf");
  if (!systemConfigDir.empty()) files.push_back(systemConfigDir + "/visa.conf");
  files.insert(files.end(), installedDefaults.begin(), installedDefaults.end());
  return files;
}

ResourceFile ResourceFile::load(const std::string& path) {
  ResourceFile file;
  file.path = path;
  CSimpleIniA ini(true, true, false);  // UTF-8, repeated keys kept
  if (ini.LoadFile(path.c_str()) < 0) {
    file.warnings.push_back("The VISA resource file " + path +
                            " cannot be read; the builtin defaults are used.");
    return file;
  }
  auto warn = [&](const std::string& section, const std::string& key, const std::string& value,
                  const std::string& expected) {
    file.warnings.push_back(path + ": [" + section + "] " + key + " = \"" + value + "\" is not " +
                            expected + "; the default is kept.");
  };
  BuiltinOptions& o = file.builtin;

  if (const char* v = ini.GetValue("simulation", "enabled")) {
    if (!parseBool(v, &o.simulate)) warn("simulation", "enabled", v, "true or false");
  }
  if (const char* v = ini.GetValue("simulation", "models")) {
    std::vector<std::string> models;
    std::string item;
    const std::string text = std::string(v) + ",";
    for (char c : text) {
      if (c != ',' && !std::isspace(static_cast<unsigned char>(c))) {
        item += c;
        continue;
      }
      if (item.empty()) continue;
      const std::string upper = core::toUpper(item);
      if (upper == "V3800A" || upper == "V3820A") {
        models.push_back(upper);
      } else {
        warn("simulation", "models", item, "V3800A or V3820A");
      }
      item.clear();
    }
    o.simulatedModels = models;
  }
  if (const char* v = ini.GetValue("simulation", "seed")) {
    unsigned long long seed = 0;
    if (parseUnsigned(v, ~0ull, &seed)) {
      o.simulationSeed = seed;
    } else {
      warn("simulation", "seed", v, "a whole number");
    }
  }

  CSimpleIniA::TNamesDepend keys;
  ini.GetAllKeys("lan", keys);
  keys.sort(CSimpleIniA::Entry::LoadOrder());
  for (const auto& key : keys) {
    if (core::toLower(key.pItem) == "connect_timeout_ms") {
      unsigned long long ms = 0;
      const char* v = ini.GetValue("lan", key.pItem);
      if (parseUnsigned(v, 600000, &ms) && ms > 0) {
        o.connectTimeout = std::chrono::milliseconds(ms);
      } else {
        warn("lan", key.pItem, v, "a time in milliseconds from 1 to 600000");
      }
      continue;
    }
    CSimpleIniA::TNamesDepend values;
    ini.GetAllValues("lan", key.pItem, values);
    values.sort(CSimpleIniA::Entry::LoadOrder());
    for (const auto& value : values) {
      const std::string name = trim(value.pItem);
      if (name.empty()) continue;
      const ParseResult parsed = parseResourceName(name);
      if (!parsed.name) {
        file.warnings.push_back(path + ": [lan] " + parsed.error + "; the entry is ignored.");
      } else if (parsed.name->interface != InterfaceType::Tcpip) {
        file.warnings.push_back(path + ": [lan] \"" + name +
                                "\" is not a TCPIP resource; the entry is ignored.");
      } else {
        o.lanResources.push_back(name);
      }
    }
  }

  if (const char* v = ini.GetValue("vxi11", "portmapper_port")) {
    unsigned long long port = 0;
    if (parseUnsigned(v, 65535, &port) && port > 0) {
      o.vxi11PortmapperPort = static_cast<std::uint16_t>(port);
    } else {
      warn("vxi11", "portmapper_port", v, "a port number from 1 to 65535");
    }
  }
  if (const char* v = ini.GetValue("library", "path")) file.libraryPath = trim(v);
  return file;
}

ResourceFile ResourceFile::find(const ResourceFileLocations& locations) {
  std::vector<std::string> notes;
  if (!locations.explicitPath.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(locations.explicitPath, ec))
      notes.push_back("V38XX_VISA_CONF names " + locations.explicitPath +
                      ", which is not a file; the usual places are searched instead.");
  }
  for (const auto& candidate : locations.candidates()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(candidate, ec)) continue;
    ResourceFile file = load(candidate);
    file.warnings.insert(file.warnings.begin(), notes.begin(), notes.end());
    return file;
  }
  ResourceFile defaults;
  defaults.warnings = std::move(notes);
  return defaults;
}

}  // namespace visa
