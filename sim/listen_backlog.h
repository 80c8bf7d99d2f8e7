#pragma once
// The backlog the simulator's servers listen with: the system's maximum
// (net.core.somaxconn), so that a burst of connects never waits for a SYN to be sent again.

#include <sys/socket.h>

#include <fstream>

namespace sim {

inline int systemListenBacklog() {
  std::ifstream limit("/proc/sys/net/core/somaxconn");
  int value = 0;
  if (limit >> value && value > 0) return value;
  return SOMAXCONN;
}

}  // namespace sim
