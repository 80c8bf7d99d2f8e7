#pragma once
// The program v38xx-sim of the build tree, started by a test with its options and ended by
// process id when the test is done; the "name N" lines it prints up to "ready" are kept.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace testsupport {

// v38xx-sim started with the given options; its "name N" lines up to "ready" are kept.
class SimProgram {
 public:
  static inline const std::string kProgram = std::string(V38XX_BUILD_DIR) + "/bin/v38xx-sim";

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

}  // namespace testsupport
