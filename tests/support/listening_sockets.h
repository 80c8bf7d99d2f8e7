#pragma once
// The listening sockets of the test's own process, found by port, and the accept backlog the
// kernel gave each: to check what a server listens with without a hook in the server.

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace v38xx_test {

// The listening sockets of this process whose port is `port`.
inline std::vector<int> listeningSockets(std::uint16_t port) {
  std::vector<int> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) continue;
    int listening = 0;
    socklen_t size = sizeof listening;
    if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening) continue;
    const std::uint16_t bound =
        address.ss_family == AF_INET6
            ? ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port)
            : ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    if (bound == port) found.push_back(fd);
  }
  return found;
}

// The accept queue limit the kernel gave a listening TCP socket.
inline unsigned listenBacklogOf(int fd) {
  tcp_info info{};
  socklen_t size = sizeof info;
  if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return 0;
  return info.tcpi_sacked;  // for a listening socket: its maximum backlog
}

}  // namespace v38xx_test
