// Clients no one here wrote against the simulated counter: liblxi's `lxi` and pyvisa-py, over
// the raw SCPI socket and over VXI-11. VXI-11 clients always ask the portmapper on port 111,
// so those tests move into a private network namespace first, where the in-process server may
// take port 111, and the child processes inherit that namespace.

#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "sim/counter.h"
#include "sim/socket_server.h"
#include "sim/vxi11/vxi11_server.h"
#include "support/private_network.h"
#include "visa/vxi11/record_stream.h"
#include "visa/vxi11/rpc_client.h"
#include "visa/vxi11/vxi11_protocol.h"
#include "visa/vxi11/vxi11_transport.h"

extern char** environ;

namespace {

constexpr const char* kPython = "/usr/bin/python3";

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

// A VXI-11 server with its own portmapper on port 111, inside a private network namespace.
class Vxi11OnPort111 : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!testsupport::enterPrivateNetwork(&why)) {
      GTEST_SKIP() << "no private network namespace here (" << why << ")";
    }
    sim::Vxi11Options options;
    options.portmap = sim::Vxi11Options::Portmap::Serve;
    options.portmapPort = 111;
    server = std::make_unique<sim::Vxi11Server>(counter, options);
    std::string error;
    ASSERT_TRUE(server->start(&error)) << error;
    ASSERT_EQ(server->portmapPort(), 111);
  }

  sim::Counter counter;
  std::unique_ptr<sim::Vxi11Server> server;
};

TEST_F(Vxi11OnPort111, LxiReadsTheIdentification) {
  if (!haveProgram("/usr/bin/lxi")) GTEST_SKIP() << "lxi (lxi-tools) is not installed";
  Finished r = run("lxi scpi -a 127.0.0.1 '*IDN?'");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find(counter.identification()), std::string::npos) << r.output;
}

TEST_F(Vxi11OnPort111, PyvisaPyReadsTheIdentification) {
  if (!havePyvisaPy()) GTEST_SKIP() << "pyvisa-py is not installed for " << kPython;
  Finished r = run(pyvisaQuery("TCPIP::127.0.0.1::INSTR"));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find(counter.identification()), std::string::npos) << r.output;
}

class RawSocket : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server.start(&error)) << error;
    port = std::to_string(server.port());
  }
  sim::Counter counter;
  sim::SocketServer server{counter};
  std::string port;
};

TEST_F(RawSocket, LxiReadsTheIdentification) {
  if (!haveProgram("/usr/bin/lxi")) GTEST_SKIP() << "lxi (lxi-tools) is not installed";
  Finished r = run("lxi scpi -r -a 127.0.0.1 -p " + port + " '*IDN?'");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find(counter.identification()), std::string::npos) << r.output;
}

TEST_F(RawSocket, PyvisaPyReadsTheIdentification) {
  if (!havePyvisaPy()) GTEST_SKIP() << "pyvisa-py is not installed for " << kPython;
  Finished r = run(pyvisaQuery("TCPIP::127.0.0.1::" + port + "::SOCKET"));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find(counter.identification()), std::string::npos) << r.output;
}

// The system's rpcbind, started inside the private namespace with a /run of its own, so that
// its lock file and local socket never meet another rpcbind of the machine.
class Vxi11WithRpcbind : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("/usr/sbin/rpcbind")) GTEST_SKIP() << "rpcbind is not installed";
    std::string why;
    if (::geteuid() != 0) GTEST_SKIP() << "a private /run for rpcbind needs root";
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
