// libv38xxvisa.so as other programs see it: only the standard vi* symbols are exported, a
// vendor-VISA loader (SystemLibrary) drives it through the C ABI, and openDefaultLibrary picks
// it up from V38XX_VISA_LIBRARY or falls back to the builtin VISA with a warning.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "visa/builtin_library.h"
#include "visa/library.h"
#include "visa/system_library.h"

namespace {

const std::string kSharedLibrary = V38XX_VISA_SHARED_LIBRARY;

// The resource file the shared library reads at its first call: simulation on.
class SimulationConfig : public ::testing::Environment {
 public:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("v38xx-capi-" + std::to_string(::getpid()) + ".conf");
    std::ofstream(path_) << "[simulation]\nenabled = true\nmodels = V3800A, V3820A\n";
    ::setenv("V38XX_VISA_CONF", path_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }

 private:
  std::filesystem::path path_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SimulationConfig);

std::set<std::string> exportedSymbols(const std::string& library) {
  std::set<std::string> symbols;
  const std::string command = "nm -D --defined-only '" + library + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return symbols;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream in(line);
    std::string address, type, name;
    if (in >> address >> type >> name) symbols.insert(name);
  }
  ::pclose(pipe);
  return symbols;
}

TEST(CApi, ExportsTheStandardFunctionsAndNothingElse) {
  const auto symbols = exportedSymbols(kSharedLibrary);
  ASSERT_FALSE(symbols.empty()) << "nm found nothing in " << kSharedLibrary;
  for (const auto& name : symbols) EXPECT_EQ(name.rfind("vi", 0), 0u) << name;
  for (const char* required :
       {"viOpenDefaultRM", "viFindRsrc",       "viFindNext",  "viOpen",        "viClose",
        "viSetAttribute",  "viGetAttribute",   "viWrite",     "viRead",        "viClear",
        "viStatusDesc",    "viGpibControlREN", "viParseRsrc", "viParseRsrcEx", "viReadSTB",
        "viFlush",         "viAssertTrigger",  "viLock",      "viUnlock",      "viEnableEvent",
        "viDisableEvent",  "viDiscardEvents"}) {
    EXPECT_TRUE(symbols.count(required)) << required;
  }
}

TEST(CApi, VendorLoaderDrivesTheSharedLibraryThroughTheCAbi) {
  std::string error;
  auto lib = visa::SystemLibrary::load(kSharedLibrary, &error);
  ASSERT_TRUE(lib) << error;
  ViSession rm = VI_NULL;
  ASSERT_EQ(lib->viOpenDefaultRM(&rm), VI_SUCCESS);
  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  char name[VI_FIND_BUFLEN];
  ASSERT_EQ(lib->viFindRsrc(rm, "USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR", &list, &count, name),
            VI_SUCCESS);
  ASSERT_EQ(count, 2u);
  EXPECT_STREQ(name, "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR");

  ViSession s = VI_NULL;
  ASSERT_EQ(lib->viOpen(rm, name, VI_NO_LOCK, 0, &s), VI_SUCCESS);
  ASSERT_EQ(lib->viSetAttribute(s, VI_ATTR_TMO_VALUE, 15000), VI_SUCCESS);
  ViUInt32 timeout = 0;
  ASSERT_EQ(lib->viGetAttribute(s, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
  EXPECT_EQ(timeout, 15000u);
  ViUInt32 n = 0;
  ASSERT_EQ(lib->viWrite(s, reinterpret_cast<const ViByte*>("*IDN?\n"), 6, &n), VI_SUCCESS);
  EXPECT_EQ(n, 6u);
  ViByte answer[128] = {};
  ASSERT_EQ(lib->viRead(s, answer, 127, &n), VI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(answer), n).rfind("ORVALENT,V3800A,SIM3800A01,", 0),
            0u);
  char text[VI_FIND_BUFLEN];
  ASSERT_EQ(lib->viStatusDesc(s, VI_ERROR_TMO, text), VI_SUCCESS);
  EXPECT_STREQ(text, "Timeout expired before operation completed.");
  EXPECT_EQ(lib->viGpibControlREN(s, VI_GPIB_REN_ADDRESS_GTL), VI_SUCCESS);
  EXPECT_EQ(lib->viClear(s), VI_SUCCESS);
  EXPECT_EQ(lib->viClose(rm), VI_SUCCESS);
  EXPECT_EQ(lib->viClose(s), VI_ERROR_INV_OBJECT);
}

TEST(CApi, LoaderRefusesALibraryWithoutTheVisaFunctions) {
  std::string error;
  EXPECT_FALSE(visa::SystemLibrary::load("libm.so.6", &error));
  EXPECT_NE(error.find("viOpenDefaultRM"), std::string::npos) << error;
  EXPECT_FALSE(visa::SystemLibrary::load("/nonexistent/libvisa.so", &error));
  EXPECT_FALSE(error.empty());
}

TEST(CApi, DefaultLibraryFollowsTheEnvironmentAndFallsBackWithAWarning) {
  std::string warning;
  ::setenv("V38XX_VISA_LIBRARY", "/nonexistent/libvisa.so", 1);
  auto fallback = visa::openDefaultLibrary(&warning);
  ASSERT_TRUE(fallback);
  EXPECT_NE(dynamic_cast<visa::BuiltinLibrary*>(fallback.get()), nullptr);
  EXPECT_NE(warning.find("/nonexistent/libvisa.so"), std::string::npos) << warning;
  EXPECT_NE(warning.find("builtin"), std::string::npos) << warning;

  ::setenv("V38XX_VISA_LIBRARY", kSharedLibrary.c_str(), 1);
  auto vendor = visa::openDefaultLibrary(&warning);
  ASSERT_TRUE(vendor);
  EXPECT_NE(dynamic_cast<visa::SystemLibrary*>(vendor.get()), nullptr);
  EXPECT_TRUE(warning.empty()) << warning;

  ::unsetenv("V38XX_VISA_LIBRARY");
  auto builtin = visa::openDefaultLibrary(&warning);
  auto* b = dynamic_cast<visa::BuiltinLibrary*>(builtin.get());
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->options().simulate);
}

}  // namespace
