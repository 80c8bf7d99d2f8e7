#pragma once
// Puts the calling test process into a network namespace of its own with only the loopback
// interface, brought up: servers may then bind well-known ports such as the portmapper's 111
// and no traffic can leave the machine. Root gets a plain new network namespace; other users
// get one inside a new user namespace (where the kernel allows it). Returns false, with the
// reason, when neither is possible, so that the test can GTEST_SKIP.
//
// Call it first thing in a test, before any thread is started: ctest runs every test in its
// own process, and unshare() with CLONE_NEWUSER refuses multi-threaded callers.

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace testsupport {

inline bool writeWholeFile(const char* path, const std::string& text) {
  int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}

inline bool enterPrivateNetwork(std::string* why = nullptr) {
  auto fail = [why](const std::string& what) {
    if (why) *why = what + ": " + std::strerror(errno);
    return false;
  };
  if (::geteuid() == 0) {
    if (::unshare(CLONE_NEWNET) != 0) return fail("unshare(CLONE_NEWNET)");
  } else {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
      return fail("unshare(CLONE_NEWUSER | CLONE_NEWNET)");
    }
    // Map ourselves to root inside the new user namespace so that we may configure its network.
    writeWholeFile("/proc/self/setgroups", "deny");
    if (!writeWholeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
        !writeWholeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n")) {
      return fail("writing the user namespace's id maps");
    }
  }
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return fail("socket");
  ifreq request{};
  std::snprintf(request.ifr_name, IFNAMSIZ, "lo");
  bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  if (up) {
    request.ifr_flags |= IFF_UP | IFF_RUNNING;
    up = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  }
  int saved = errno;
  ::close(fd);
  errno = saved;
  if (!up) return fail("bringing up lo");
  return true;
}

}  // namespace testsupport
