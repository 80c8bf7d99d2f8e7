#include "visa/resource_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("v38xx-visaconf-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string write(const std::string& relative, const std::string& text) const {
    const fs::path p = path_ / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
    return p.string();
  }
  std::string path(const std::string& relative = "") const { return (path_ / relative).string(); }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

bool anyWarningContains(const visa::ResourceFile& f, const std::string& piece) {
  for (const auto& w : f.warnings)
    if (w.find(piece) != std::string::npos) return true;
  return false;
}

TEST(ResourceFile, ReadsEverySection) {
  TempDir dir;
  const std::string path = dir.write("visa.conf",
                                     "[simulation]\n"
                                     "enabled = no\n"
                                     "models = V3820A\n"
                                     "seed = 42\n"
                                     "[lan]\n"
                                     "resource = TCPIP0::127.0.0.1::5025::SOCKET\n"
                                     "; a comment\n"
                                     "resource = TCPIP::127.0.0.2\n"
                                     "connect_timeout_ms = 750\n"
                                     "[vxi11]\n"
                                     "portmapper_port = 4111\n"
                                     "[library]\n"
                                     "path = /opt/vendor/libvisa.so\n");
  const auto f = visa::ResourceFile::load(path);
  EXPECT_TRUE(f.warnings.empty()) << f.warnings.front();
  EXPECT_EQ(f.path, path);
  EXPECT_FALSE(f.builtin.simulate);
  EXPECT_EQ(f.builtin.simulatedModels, std::vector<std::string>{"V3820A"});
  EXPECT_EQ(f.builtin.simulationSeed, 42u);
  EXPECT_EQ(f.builtin.lanResources,
            (std::vector<std::string>{"TCPIP0::127.0.0.1::5025::SOCKET", "TCPIP::127.0.0.2"}));
  EXPECT_EQ(f.builtin.connectTimeout, std::chrono::milliseconds(750));
  EXPECT_EQ(f.builtin.vxi11PortmapperPort, 4111);
  EXPECT_EQ(f.libraryPath, "/opt/vendor/libvisa.so");
}

TEST(ResourceFile, BadValuesKeepTheDefaultsAndSayWhy) {
  TempDir dir;
  const std::string path = dir.write("visa.conf",
                                     "[simulation]\n"
                                     "enabled = maybe\n"
                                     "models = V3800A, V9999Z\n"
                                     "seed = -3\n"
                                     "[lan]\n"
                                     "resource = TCPIP0::127.0.0.1::0::SOCKET\n"
                                     "resource = GPIB0::22::INSTR\n"
                                     "resource = TCPIP0::127.0.0.3::INSTR\n"
                                     "connect_timeout_ms = 0\n"
                                     "[vxi11]\n"
                                     "portmapper_port = 70000\n");
  const auto f = visa::ResourceFile::load(path);
  const visa::BuiltinOptions defaults;
  EXPECT_TRUE(f.builtin.simulate);
  EXPECT_EQ(f.builtin.simulatedModels, std::vector<std::string>{"V3800A"});
  EXPECT_EQ(f.builtin.simulationSeed, defaults.simulationSeed);
  EXPECT_EQ(f.builtin.lanResources, std::vector<std::string>{"TCPIP0::127.0.0.3::INSTR"});
  EXPECT_EQ(f.builtin.connectTimeout, defaults.connectTimeout);
  EXPECT_EQ(f.builtin.vxi11PortmapperPort, 111);
  for (const char* piece : {"enabled", "V9999Z", "seed", "::port::SOCKET", "GPIB0::22::INSTR",
                            "connect_timeout_ms", "portmapper_port"}) {
    EXPECT_TRUE(anyWarningContains(f, piece)) << piece;
  }
  EXPECT_EQ(f.warnings.size(), 7u);
}

TEST(ResourceFile, LookupOrderFirstExistingFileWins) {
  TempDir dir;
  visa::ResourceFileLocations places;
  places.explicitPath = dir.path("explicit/visa.conf");
  places.userConfigDir = dir.path("user");
  places.systemConfigDir = dir.path("etc");
  places.installedDefaults = {dir.path("share/visa.conf")};
  EXPECT_EQ(places.candidates(),
            (std::vector<std::string>{places.explicitPath, dir.path("user/visa.conf"),
                                      dir.path("etc/visa.conf"), dir.path("share/visa.conf")}));

  // Nothing anywhere: the defaults, simulation on.
  auto none = visa::ResourceFile::find(places);
  EXPECT_TRUE(none.path.empty());
  EXPECT_TRUE(none.builtin.simulate);
  EXPECT_TRUE(anyWarningContains(none, "V38XX_VISA_CONF"));

  struct Step {
    const char* file;
    const char* seed;
  };
  // Each file added in front of the others takes over.
  const Step steps[] = {{"share/visa.conf", "4"},
                        {"etc/visa.conf", "3"},
                        {"user/visa.conf", "2"},
                        {"explicit/visa.conf", "1"}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.file);
    const std::string path = dir.write(step.file, std::string("[simulation]\nseed = ") + step.seed);
    const auto f = visa::ResourceFile::find(places);
    EXPECT_EQ(f.path, path);
    EXPECT_EQ(std::to_string(f.builtin.simulationSeed), step.seed);
  }
}

TEST(ResourceFile, LocationsComeFromTheEnvironment) {
  TempDir dir;
  ::setenv("V38XX_VISA_CONF", dir.path("mine.conf").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", dir.path("xdg").c_str(), 1);
  auto l = visa::ResourceFileLocations::fromEnvironment();
  EXPECT_EQ(l.explicitPath, dir.path("mine.conf"));
  EXPECT_EQ(l.userConfigDir, dir.path("xdg") + "/v38xx");
  EXPECT_EQ(l.systemConfigDir, "/etc/v38xx");
  ASSERT_EQ(l.installedDefaults.size(), 1u);
  EXPECT_NE(l.installedDefaults[0].find("share/v38xx/visa.conf"), std::string::npos);

  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", dir.path("home").c_str(), 1);
  l = visa::ResourceFileLocations::fromEnvironment();
  EXPECT_EQ(l.userConfigDir, dir.path("home") + "/.config/v38xx");
  ::unsetenv("V38XX_VISA_CONF");
}

TEST(ResourceFile, ShippedFileRunsTheSimulatedCounters) {
  const auto f = visa::ResourceFile::load(std::string(V38XX_SOURCE_DIR) + "/share/visa.conf");
  EXPECT_TRUE(f.warnings.empty()) << f.warnings.front();
  EXPECT_TRUE(f.builtin.simulate);
  EXPECT_EQ(f.builtin.simulatedModels, (std::vector<std::string>{"V3800A", "V3820A"}));
  EXPECT_TRUE(f.builtin.lanResources.empty());
  EXPECT_EQ(f.builtin.vxi11PortmapperPort, 111);
  EXPECT_TRUE(f.libraryPath.empty());
  // And the build tree holds a copy next to the programs.
  EXPECT_TRUE(fs::is_regular_file(std::string(V38XX_BUILD_DIR) + "/share/v38xx/visa.conf"));
}

}  // namespace
