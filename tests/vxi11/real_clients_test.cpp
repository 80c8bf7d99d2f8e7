// Peers no one here wrote: liblxi's `lxi` and pyvisa-py against the v38xx-sim program over
// VXI-11 and its raw SCPI socket, and the system's rpcbind as the portmapper of our server and
// our client. VXI-11 clients always ask the portmapper on port 111, so these tests move into a
// private network namespace first; the programs they start inherit it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "sim/counter.h"
#include "sim/vxi11/vxi11_server.h"
#include "support/private_network.h"
#include "support/sim_program.h"
#include "visa/vxi11/record_stream.h"
#include "visa/vxi11/rpc_client.h"
#include "visa/vxi11/vxi11_protocol.h"
#include "visa/vxi11/vxi11_transport.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";
const std::string kProgram = std::string(V38XX_BUILD_DIR) + "/bin/v38xx-sim";
const std::string kIdentification = "ORVALENT,V3800A,SIM3800A01,";

struct Finished {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// Runs a shell command with a time limit, so that a client that hangs fails the test instead.
Finished run(const std::string& command) {
  Finished result;
  const std::string line = "timeout 60 " + command + " 2>&1";
  FILE* pipe = ::popen(line.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool haveProgram(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

// Root of the machine, not only inside a user namespace (where rpcbind cannot switch users).
bool realRoot() {
  unsigned inside = 1, outside = 1, count = 0;
  FILE* map = std::fopen("/proc/self/uid_map", "r");
  if (!map) return false;
  bool identity = std::fscanf(map, "%u %u %u", &inside, &outside, &count) == 3 && inside == 0 &&
                  outside == 0 && count == 4294967295u;
  std::fclose(map);
  return identity && ::geteuid() == 0;
}

bool havePyvisaPy() {
  return haveProgram(kPython) &&
         run(std::string(kPython) + " -c 'import pyvisa, pyvisa_py'").exitCode == 0;
}

std::string pyvisaQuery(const std::string& resource) {
  return std::string(kPython) +
         " -c \"import sys, pyvisa; rm = pyvisa.ResourceManager('@py'); "
         "i = rm.open_resource(sys.argv[1]); i.timeout = 5000; "
         "i.read_termination = '\\n'; i.write_termination = '\\n'; "
         "print(i.query('*IDN?')); i.close(); rm.close()\" '" +
         resource + "'";
}

using testsupport::SimProgram;

class SimProgramClients : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram(kProgram)) GTEST_SKIP() << kProgram << " is not built";
    std::string why;
    if (!testsupport::enterPrivateNetwork(&why)) {
      GTEST_SKIP() << "no private network namespace here (" << why << ")";
    }
    ASSERT_TRUE(program.start({"--raw-port", "0", "--portmapper", "serve"}, &why)) << why;
    ASSERT_EQ(program.value("portmapper-port"), "111");
    rawPort = program.value("raw-port");
    ASSERT_FALSE(rawPort.empty());
  }

  SimProgram program;
  std::string rawPort;
};

TEST_F(SimProgramClients, LxiOverVxi11AndRawSocket) {
  if (!haveProgram("/usr/bin/lxi")) GTEST_SKIP() << "lxi (lxi-tools) is not installed";
  struct Case {
    const char* name;
    std::string command;
  } cases[] = {
      {"VXI-11 through the portmapper on 111", "lxi scpi -a 127.0.0.1 '*IDN?'"},
      {"raw socket", "lxi scpi -r -a 127.0.0.1 -p " + rawPort + " '*IDN?'"},
  };
  for (const auto& c : cases) {
    Finished r = run(c.command);
    EXPECT_EQ(r.exitCode, 0) << c.name << ": " << r.output;
    EXPECT_NE(r.output.find(kIdentification), std::string::npos) << c.name << ": " << r.output;
  }
}

TEST_F(SimProgramClients, PyvisaPyOverVxi11AndRawSocket) {
  if (!havePyvisaPy()) GTEST_SKIP() << "pyvisa-py is not installed for " << kPython;
  for (const std::string& resource :
       {std::string("TCPIP::127.0.0.1::INSTR"), "TCPIP::127.0.0.1::" + rawPort + "::SOCKET"}) {
    Finished r = run(pyvisaQuery(resource));
    EXPECT_EQ(r.exitCode, 0) << resource << ": " << r.output;
    EXPECT_NE(r.output.find(kIdentification), std::string::npos) << resource << ": " << r.output;
  }
}

// The system's rpcbind, started inside the private namespace with a /run of its own, so that
// its lock file and local socket never meet another rpcbind of the machine.
class Vxi11WithRpcbind : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("/usr/sbin/rpcbind")) GTEST_SKIP() << "rpcbind is not installed";
    std::string why;
    if (!realRoot()) GTEST_SKIP() << "a private /run for rpcbind needs root";
    if (!testsupport::enterPrivateNetwork(&why)) {
      GTEST_SKIP() << "no private network namespace here (" << why << ")";
    }
    ASSERT_EQ(::unshare(CLONE_NEWNS), 0);
    ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
    ASSERT_EQ(::mount("tmpfs", "/run", "tmpfs", 0, nullptr), 0);
    char program[] = "/usr/sbin/rpcbind";
    char foreground[] = "-f";
    char warm[] = "-w";
    char* argv[] = {program, foreground, warm, nullptr};
    ASSERT_EQ(::posix_spawn(&rpcbind, program, nullptr, nullptr, argv, environ), 0);
    // Wait until rpcbind answers on port 111 (it takes a few milliseconds to start).
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto lookup = visa::vxi11::lookupTcpPort("127.0.0.1", 111, 100000, 2,
                                               visa::vxi11::deadlineAfter(std::chrono::seconds(1)));
      if (lookup.result == visa::vxi11::PortLookup::Result::Found) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FAIL() << "rpcbind did not come up";
  }
  void TearDown() override {
    if (rpcbind > 0) {
      ::kill(rpcbind, SIGTERM);
      ::waitpid(rpcbind, nullptr, 0);
    }
  }

  visa::vxi11::PortLookup lookupCore() {
    return visa::vxi11::lookupTcpPort("127.0.0.1", 111, visa::vxi11::kCoreProgram,
                                      visa::vxi11::kCoreVersion,
                                      visa::vxi11::deadlineAfter(std::chrono::seconds(5)));
  }

  pid_t rpcbind = -1;
  sim::Counter counter;
};

TEST_F(Vxi11WithRpcbind, RegisteredCoreChannelIsFoundThroughRpcbind) {
  sim::Vxi11Options options;
  options.portmap = sim::Vxi11Options::Portmap::Register;
  auto server = std::make_unique<sim::Vxi11Server>(counter, options);
  std::string error;
  ASSERT_TRUE(server->start(&error)) << error;
  EXPECT_EQ(server->portmapPort(), 0);

  auto lookup = lookupCore();
  ASSERT_EQ(lookup.result, visa::vxi11::PortLookup::Result::Found) << lookup.error;
  EXPECT_EQ(lookup.port, server->port());

  // Our own client, finding the core channel through rpcbind.
  visa::ResourceName name;
  name.host = "127.0.0.1";
  ViStatus status = VI_ERROR_SYSTEM_ERROR;
  auto transport = visa::openVxi11Transport(name, 111, std::chrono::seconds(5), &status);
  ASSERT_NE(transport, nullptr) << status;
  const std::string query = "*IDN?\n";
  ViUInt32 count = 0;
  ASSERT_EQ(transport->write(reinterpret_cast<const ViByte*>(query.data()), 6, &count,
                             std::chrono::seconds(5)),
            VI_SUCCESS);
  ViByte answer[256];
  EXPECT_EQ(transport->read(answer, sizeof answer, &count, std::chrono::seconds(5)), VI_SUCCESS);
  EXPECT_EQ(std::string(answer, answer + count), counter.identification() + "\n");
  transport.reset();

  if (haveProgram("/usr/bin/lxi")) {
    Finished r = run("lxi scpi -a 127.0.0.1 '*IDN?'");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find(counter.identification()), std::string::npos) << r.output;
  }

  server->stop();
  EXPECT_EQ(lookupCore().result, visa::vxi11::PortLookup::Result::NotRegistered)
      << "a stopped server leaves no registration behind";
}

TEST_F(Vxi11WithRpcbind, ServingOurOwnPortmapperWhereRpcbindRunsIsRefused) {
  sim::Vxi11Options options;
  options.portmap = sim::Vxi11Options::Portmap::Serve;
  options.portmapPort = 111;
  sim::Vxi11Server server(counter, options);
  std::string error;
  EXPECT_FALSE(server.start(&error));
  EXPECT_NE(error.find("111"), std::string::npos) << error;
  EXPECT_EQ(server.port(), 0) << "nothing is left half-started";
}

}  // namespace
