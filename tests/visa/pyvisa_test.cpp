// A real VISA client no one here wrote: pyvisa (Debian's python3-pyvisa, ctypes front end)
// loads libv38xxvisa.so by path, lists the simulated counters and queries their
// identification. Skipped when /usr/bin/python3 has no pyvisa.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

int run(const std::string& command, std::string* output) {
  output->clear();
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) *output += buffer;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Pyvisa, ListsAndQueriesTheSimulatedCountersThroughTheSharedLibrary) {
  std::string output;
  if (run("/usr/bin/python3 -c 'import pyvisa' 2>&1", &output) != 0)
    GTEST_SKIP() << "/usr/bin/python3 has no pyvisa: " << output;

  const auto conf = std::filesystem::temp_directory_path() /
                    ("v38xx-pyvisa-" + std::to_string(::getpid()) + ".conf");
  std::ofstream(conf) << "[simulation]\nenabled = true\nmodels = V3800A, V3820A\n";
  const std::string command = "V38XX_VISA_CONF='" + conf.string() +
                              "' /usr/bin/python3 '" V38XX_SOURCE_DIR
                              "/tests/visa/pyvisa_query.py' '" V38XX_VISA_SHARED_LIBRARY "' 2>&1";
  const int status = run(command, &output);
  std::filesystem::remove(conf);
  std::printf("%s", output.c_str());
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find("resources: USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR "
                        "USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("query: USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR -> "
                        "ORVALENT,V3800A,SIM3800A01,"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("query: USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR -> "
                        "ORVALENT,V3820A,SIM3820A01,"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("done"), std::string::npos) << output;
}

}  // namespace
