// scripts/run-front-panel.sh (what `./build.sh run` starts): the resource file it gives the
// program keeps the user's own instruments and switches the simulated counters on.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "visa/builtin_library.h"
#include "visa/resource_file.h"

namespace {

namespace fs = std::filesystem;

struct Scratch {
  Scratch() {
    char pattern[] = "/tmp/v38xx_runscript_XXXXXX";
    root = mkdtemp(pattern);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  void write(const fs::path& relative, const std::string& text) const {
    fs::create_directories((root / relative).parent_path());
    std::ofstream(root / relative) << text;
  }
  fs::path root;
};

// Runs the script's --write-conf step with `environment` and returns the file it wrote.
std::string writeConf(const Scratch& scratch, const std::string& environment) {
  const std::string script = std::string(V38XX_SOURCE_DIR) + "/scripts/run-front-panel.sh";
  const std::string command = "env -u V38XX_VISA_CONF -u XDG_CONFIG_HOME " + environment +
                              " bash " + script + " --write-conf " +
                              (scratch.root / "build").string() + " 2>&1";
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char line[512];
    while (fgets(line, sizeof line, p)) out += line;
    EXPECT_EQ(pclose(p), 0) << out;
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::vector<std::string> everyResource(const visa::ResourceFile& file) {
  visa::BuiltinOptions o = file.builtin;
  o.usbtmcSysfsDir = "/nonexistent/v38xx-test/usbmisc";
  o.gpibLibrary = "libv38xx-test-no-such-gpib.so.0";
  visa::BuiltinLibrary lib(o);
  ViSession rm = 0;
  EXPECT_EQ(lib.viOpenDefaultRM(&rm), VI_SUCCESS);
  ViFindList list = 0;
  ViUInt32 count = 0;
  char name[VI_FIND_BUFLEN] = {};
  std::vector<std::string> names;
  if (lib.viFindRsrc(rm, "?*", &list, &count, name) == VI_SUCCESS) {
    names.push_back(name);
    for (ViUInt32 i = 1; i < count && lib.viFindNext(list, name) == VI_SUCCESS; ++i)
      names.push_back(name);
  }
  lib.viClose(rm);
  return names;
}

TEST(RunFrontPanelScript, TheUsersInstrumentsAndTheSimulatedCountersBothAppear) {
  struct Case {
    const char* proves;
    const char* where;  // the user's file, relative to the scratch folder
    std::string environment;
  };
  Scratch scratch;
  const std::string home = (scratch.root / "home").string();
  const Case cases[] = {
      {"~/.config/v38xx/visa.conf", "home/.config/v38xx/visa.conf", "HOME=" + home},
      {"$XDG_CONFIG_HOME/v38xx/visa.conf", "xdg/v38xx/visa.conf",
       "HOME=" + home + " XDG_CONFIG_HOME=" + (scratch.root / "xdg").string()},
      {"$V38XX_VISA_CONF", "mine.conf",
       "HOME=" + home + " V38XX_VISA_CONF=" + (scratch.root / "mine.conf").string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.proves);
    std::error_code ec;
    fs::remove_all(scratch.root / "home", ec);
    // The user's file switches simulation off; the run switches it on and keeps the rest.
    scratch.write(c.where,
                  "[simulation]\nenabled = false\n[lan]\n"
                  "resource = TCPIP0::192.0.2.7::5025::SOCKET\nconnect_timeout_ms = 700\n");
    const std::string conf = writeConf(scratch, c.environment);
    ASSERT_TRUE(fs::exists(conf)) << conf;
    const visa::ResourceFile file = visa::ResourceFile::load(conf);
    EXPECT_TRUE(file.warnings.empty()) << file.warnings.front();
    EXPECT_TRUE(file.builtin.simulate);
    EXPECT_EQ(file.builtin.connectTimeout.count(), 700);
    EXPECT_EQ(everyResource(file),
              (std::vector<std::string>{"TCPIP0::192.0.2.7::5025::SOCKET",
                                        "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR",
                                        "USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR"}));
    fs::remove(scratch.root / c.where);
  }
}

TEST(RunFrontPanelScript, WithoutAFileOfTheUserOnlyTheSimulatedCounters) {
  if (fs::exists("/etc/v38xx/visa.conf")) GTEST_SKIP() << "this machine has a resource file";
  Scratch scratch;
  const std::string conf = writeConf(scratch, "HOME=" + (scratch.root / "nobody").string());
  const visa::ResourceFile file = visa::ResourceFile::load(conf);
  EXPECT_TRUE(file.builtin.simulate);
  EXPECT_TRUE(file.builtin.lanResources.empty());
}

}  // namespace
