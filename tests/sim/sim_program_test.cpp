// The v38xx-sim program as a user starts it: options, the port lines it prints, the raw
// socket, the control channel, the command log and a clean stop on SIGTERM / SIGINT.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "line_client.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using sim_test::LineClient;

const std::string kProgram = std::string(V38XX_BUILD_DIR) + "/bin/v38xx-sim";

// v38xx-sim with its standard output and error read through pipes.
class Program {
 public:
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
  }

  bool start(std::vector<std::string> args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    args.insert(args.begin(), kProgram);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&pid_, kProgram.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (rc != 0) pid_ = -1;
    return rc == 0;
  }

  // Reads standard output up to "ready" (or the end) and keeps its "name value" lines.
  bool waitReady() {
    while (stdout_.find("ready\n") == std::string::npos) {
      if (!readSome(out_, &stdout_, 20s)) break;
    }
    std::istringstream lines(stdout_);
    for (std::string line; std::getline(lines, line);) {
      const size_t space = line.find(' ');
      if (space != std::string::npos) values_[line.substr(0, space)] = line.substr(space + 1);
    }
    return stdout_.find("ready\n") != std::string::npos;
  }

  // Waits for the program to end; its exit status, or -1 when it did not end normally.
  int wait() {
    while (readSome(err_, &stderr_, 20s)) {
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void signal(int number) { ::kill(pid_, number); }
  std::string value(const std::string& name) const {
    const auto it = values_.find(name);
    return it == values_.end() ? std::string() : it->second;
  }
  std::uint16_t port(const std::string& name) const {
    return static_cast<std::uint16_t>(std::atoi(value(name).c_str()));
  }
  const std::string& errors() const { return stderr_; }
  const std::string& output() const { return stdout_; }

 private:
  static bool readSome(int fd, std::string* into, std::chrono::milliseconds timeout) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    into->append(buffer, static_cast<size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string stdout_;
  std::string stderr_;
  std::map<std::string, std::string> values_;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SimProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kProgram.c_str(), X_OK) != 0) GTEST_SKIP() << kProgram << " is not built";
  }
};

TEST_F(SimProgramTest, AnswersOverTheRawSocketAndLogsEveryCommand) {
  char logPath[] = "/tmp/v38xx-sim-log-XXXXXX";
  const int fd = ::mkstemp(logPath);
  ASSERT_GE(fd, 0);
  ::close(fd);

  Program program;
  ASSERT_TRUE(
      program.start({"--raw-port", "0", "--control-port", "0", "--seed", "3", "--log", logPath}));
  ASSERT_TRUE(program.waitReady()) << program.output();
  EXPECT_EQ(program.value("model"), "V3800A");
  ASSERT_NE(program.port("raw-port"), 0);
  ASSERT_NE(program.port("control-port"), 0);

  {
    LineClient raw(program.port("raw-port"));
    EXPECT_EQ(raw.query("*IDN?\n"), "ORVALENT,V3800A,SIM3800A01,1.1.2\n");
    ASSERT_TRUE(raw.send("FUNC 'FREQ 2'\n"));
    EXPECT_EQ(raw.query("func?\n"), "\"FREQ 2\"\n");
    LineClient control(program.port("control-port"));
    EXPECT_EQ(control.query("setting FUNC\n"), "ok FREQ 2\n");
  }
  program.signal(SIGTERM);
  EXPECT_EQ(program.wait(), 0) << program.errors();

  const std::string log = readFile(logPath);
  ::unlink(logPath);
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u) << log;
  EXPECT_NE(lines[0].find(" *IDN?\\n"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" FUNC 'FREQ 2'\\n"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find(" func?\\n"), std::string::npos) << lines[2];
}

TEST_F(SimProgramTest, ServesTheCompactModelWithItsSerialAndStopsOnSigint) {
  Program program;
  ASSERT_TRUE(program.start({"--model", "v3820a", "--serial", "SN00012345", "--raw-port", "0"}));
  ASSERT_TRUE(program.waitReady()) << program.output();
  LineClient raw(program.port("raw-port"));
  EXPECT_EQ(raw.query("*IDN?\n"), "ORVALENT,V3820A,SN00012345,1.1.2\n");
  EXPECT_TRUE(raw.send("CONF:PER (@2)\n"));
  EXPECT_EQ(raw.query("SYST:ERR?\n"), "-224,\"Illegal parameter value\"\n");
  program.signal(SIGINT);
  EXPECT_EQ(program.wait(), 0) << program.errors();
}

TEST_F(SimProgramTest, RefusesBadOptions) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--bind", "192.0.2.1"}, "not a loopback address; add --allow-remote"},
      {{"--model", "V3900A"}, "unknown model V3900A"},
      {{"--serial", "SHORT"}, "the serial number must be 10 letters or digits"},
      {{"--raw-port", "70000"}, "bad port 70000"},
      {{"--seed", "x"}, "bad seed x"},
      {{"--portmapper", "sometimes"}, "bad portmapper mode sometimes"},
      {{"--raw-port"}, "missing value after --raw-port"},
      {{"--frobnicate", "1"}, "unknown option --frobnicate"},
  };
  for (const Case& c : cases) {
    Program program;
    ASSERT_TRUE(program.start(c.args));
    EXPECT_EQ(program.wait(), 2) << c.message;
    EXPECT_NE(program.errors().find(c.message), std::string::npos) << program.errors();
  }
}

TEST_F(SimProgramTest, ReportsABusyPort) {
  Program first;
  ASSERT_TRUE(first.start({"--raw-port", "0"}));
  ASSERT_TRUE(first.waitReady());
  Program second;
  ASSERT_TRUE(second.start({"--raw-port", first.value("raw-port")}));
  EXPECT_EQ(second.wait(), 1);
  EXPECT_NE(second.errors().find("raw socket: cannot listen on 127.0.0.1 port"), std::string::npos)
      << second.errors();
  first.signal(SIGTERM);
  EXPECT_EQ(first.wait(), 0);
}

TEST_F(SimProgramTest, Vxi11IsServedWhenBuiltAndReportedWhenNot) {
  Program program;
  ASSERT_TRUE(program.start({"--raw-port", "0", "--vxi11-port", "0"}));
  if (program.waitReady()) {
    EXPECT_NE(program.port("vxi11-port"), 0) << program.output();
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(), 0);
  } else {
    EXPECT_EQ(program.wait(), 2);
    EXPECT_NE(program.errors().find("VXI-11 not built"), std::string::npos) << program.errors();
  }
}

}  // namespace
