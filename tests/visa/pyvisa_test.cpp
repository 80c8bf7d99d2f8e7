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
#include <vector>

#include "support/sim_program.h"

namespace {

// VI_ERROR_RSRC_LOCKED as pyvisa prints an error code.
constexpr long long VI_ERROR_RSRC_LOCKED_CODE = -1073807345;

// How Python is started: in the sanitizer build with the ASan runtime preloaded (Python itself
// is not built with it, and its own allocations are not ours to check for leaks), and with
// libtirpc preloaded behind it: ASan intercepts the XDR routines and binds them, when it
// starts, to the first ones it finds, which would be glibc's old ones in a Python that loads
// libtirpc only later with our library.
#ifdef V38XX_SANITIZER_PRELOAD
const std::string kPython = "env LD_PRELOAD='" V38XX_SANITIZER_PRELOAD
                            " libtirpc.so.3' ASAN_OPTIONS=detect_leaks=0 /usr/bin/python3";
#else
const std::string kPython = "/usr/bin/python3";
#endif

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
  const std::string command = "V38XX_VISA_CONF='" + conf.string() + "' " + kPython +
                              " '" V38XX_SOURCE_DIR
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

// pyvisa's lock() and unlock() through our shared library against v38xx-sim over VXI-11 (its
// portmapper on a free port, as visa.conf's [vxi11] portmapper_port tells the library): the
// second session waits for the lock and gets only its own answers; lock_excl() keeps it out.
TEST(Pyvisa, LocksThroughTheSharedLibraryOverVxi11) {
  std::string output;
  if (run("/usr/bin/python3 -c 'import pyvisa' 2>&1", &output) != 0)
    GTEST_SKIP() << "/usr/bin/python3 has no pyvisa: " << output;
  testsupport::SimProgram sim;
  std::string why;
  ASSERT_TRUE(sim.start(
      {"--raw-port", "0", "--vxi11-port", "0", "--portmapper", "serve", "--portmapper-port", "0"},
      &why))
      << why;
  const std::string portmapper = sim.value("portmapper-port");
  ASSERT_FALSE(portmapper.empty());

  const auto conf = std::filesystem::temp_directory_path() /
                    ("v38xx-pyvisa-lock-" + std::to_string(::getpid()) + ".conf");
  std::ofstream(conf) << "[simulation]\nenabled = false\n[vxi11]\nportmapper_port = " << portmapper
                      << "\n";
  const std::string command = "V38XX_VISA_CONF='" + conf.string() + "' timeout 60 " + kPython +
                              " '" V38XX_SOURCE_DIR
                              "/tests/visa/pyvisa_lock.py' '" V38XX_VISA_SHARED_LIBRARY
                              "' TCPIP0::127.0.0.1::inst0::INSTR 2>&1";
  const int status = run(command, &output);
  std::filesystem::remove(conf);
  std::printf("%s", output.c_str());
  ASSERT_EQ(status, 0) << output;
  const std::string idn = "ORVALENT,V3800A,SIM3800A01,1.1.2";
  const std::string locked = std::to_string(VI_ERROR_RSRC_LOCKED_CODE);
  for (const std::string& expected : std::vector<std::string>{
           "key: yes\n", "b while a holds the lock: " + locked + "\n",
           "event: a answers 1|1|1\nevent: a unlocked\nevent: b locked\nevent: b answers " + idn +
               "|" + idn + "|" + idn + "\nevent: a then reads 1\n",
           "b while a holds the exclusive lock: " + locked + "\n",
           "b after a unlocked: " + idn + "\n", "done\n"})
    EXPECT_NE(output.find(expected), std::string::npos) << expected;
}

}  // namespace
