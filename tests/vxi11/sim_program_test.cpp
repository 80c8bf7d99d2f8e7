// The v38xx-sim program as real clients meet it: liblxi's `lxi` and pyvisa-py ask its
// portmapper on port 111 for the VXI-11 core channel and talk to its raw SCPI socket. The test
// process moves into a private network namespace first; the program and the clients inherit it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/private_network.h"

extern char** environ;

namespace {

const std::string kProgram = std::string(V38XX_BUILD_DIR) + "/bin/v38xx-sim";
const std::string kIdentification = "ORVALENT,V3800A,SIM3800A01,";

std::string output(const std::string& command, int* exitCode) {
  std::string text;
  FILE* pipe = ::popen(("timeout 60 " + command + " 2>&1").c_str(), "r");
  if (!pipe) return text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = ::pclose(pipe);
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return text;
}

// v38xx-sim started with the given options; its "name N" lines up to "ready" are kept.
class SimProgram {
 public:
  bool start(std::vector<std::string> args, std::string* why) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    args.insert(args.begin(), kProgram);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int rc = ::posix_spawn(&pid_, kProgram.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
      ::close(fds[0]);
      pid_ = -1;
      *why = "cannot start " + kProgram;
      return false;
    }
    std::string text;
    pollfd p{fds[0], POLLIN, 0};
    while (text.find("ready\n") == std::string::npos && ::poll(&p, 1, 20000) > 0) {
      char buffer[512];
      ssize_t n = ::read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      std::string line = text.substr(at, end - at);
      std::size_t space = line.rfind(' ');
      if (space != std::string::npos) values_[line.substr(0, space)] = line.substr(space + 1);
      at = end == std::string::npos ? text.size() : end + 1;
    }
    *why = "v38xx-sim did not get ready: " + text;
    return text.find("ready\n") != std::string::npos;
  }
  ~SimProgram() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  std::string value(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::string() : it->second;
  }

 private:
  pid_t pid_ = -1;
  std::map<std::string, std::string> values_;
};

class SimProgramClients : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kProgram.c_str(), X_OK) != 0) GTEST_SKIP() << kProgram << " is not built";
    std::string why;
    if (!testsupport::enterPrivateNetwork(&why)) {
      GTEST_SKIP() << "no private network namespace here (" << why << ")";
    }
    ASSERT_TRUE(program.start({"--raw-port", "0", "--portmapper", "serve"}, &why)) << why;
    ASSERT_EQ(program.value("portmapper-port"), "111");
    rawPort = program.value("raw-port");
    ASSERT_FALSE(rawPort.empty());
  }

  bool havePyvisaPy() {
    int code = -1;
    output("/usr/bin/python3 -c 'import pyvisa, pyvisa_py'", &code);
    return code == 0;
  }

  std::string pyvisaQuery(const std::string& resource, int* code) {
    return output(
        "/usr/bin/python3 -c \"import sys, pyvisa; rm = pyvisa.ResourceManager('@py'); "
        "i = rm.open_resource(sys.argv[1]); i.timeout = 5000; i.read_termination = '\\n'; "
        "i.write_termination = '\\n'; print(i.query('*IDN?'))\" '" +
            resource + "'",
        code);
  }

  SimProgram program;
  std::string rawPort;
};

TEST_F(SimProgramClients, LxiOverVxi11AndRawSocket) {
  if (::access("/usr/bin/lxi", X_OK) != 0) GTEST_SKIP() << "lxi (lxi-tools) is not installed";
  struct Case {
    const char* name;
    std::string command;
  } cases[] = {
      {"VXI-11 through the portmapper on 111", "lxi scpi -a 127.0.0.1 '*IDN?'"},
      {"raw socket", "lxi scpi -r -a 127.0.0.1 -p " + rawPort + " '*IDN?'"},
  };
  for (const auto& c : cases) {
    int code = -1;
    std::string text = output(c.command, &code);
    EXPECT_EQ(code, 0) << c.name << ": " << text;
    EXPECT_NE(text.find(kIdentification), std::string::npos) << c.name << ": " << text;
  }
}

TEST_F(SimProgramClients, PyvisaPyOverVxi11AndRawSocket) {
  if (!havePyvisaPy()) GTEST_SKIP() << "pyvisa-py is not installed for /usr/bin/python3";
  for (const std::string resource :
       {std::string("TCPIP::127.0.0.1::INSTR"), "TCPIP::127.0.0.1::" + rawPort + "::SOCKET"}) {
    int code = -1;
    std::string text = pyvisaQuery(resource, &code);
    EXPECT_EQ(code, 0) << resource << ": " << text;
    EXPECT_NE(text.find(kIdentification), std::string::npos) << resource << ": " << text;
  }
}

}  // namespace
