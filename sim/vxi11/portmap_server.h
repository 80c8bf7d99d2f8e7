#pragma once
// A small portmapper (ONC RPC program 100000, version 2) over TCP and UDP, so that VXI-11
// clients, which always ask port 111 for the core channel, find the simulated counter without
// a system rpcbind. It answers NULL, GETPORT and DUMP from a fixed table; SET and UNSET are
// refused, since nothing else may register here.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace sim {

class RpcTcpService;

class PortmapServer {
 public:
  struct Mapping {
    std::uint32_t program = 0;
    std::uint32_t version = 0;
    std::uint32_t protocol = 0;  // 6 TCP, 17 UDP
    std::uint16_t port = 0;
  };

  explicit PortmapServer(std::vector<Mapping> mappings);
  ~PortmapServer();  // stops
  PortmapServer(const PortmapServer&) = delete;
  PortmapServer& operator=(const PortmapServer&) = delete;

  // Listens on TCP and UDP at address:port (port 0: a free port, the same for both).
  bool start(const std::string& address, std::uint16_t port, std::string* error);
  void stop();
  std::uint16_t port() const { return port_; }

  // The reply to one call record; empty when the record is not a call. Both transports use it.
  std::vector<std::uint8_t> answer(const std::vector<std::uint8_t>& call) const;

 private:
  void udpLoop();

  std::vector<Mapping> mappings_;
  std::unique_ptr<RpcTcpService> tcp_;
  int udpFd_ = -1;
  int wakeFd_ = -1;
  std::uint16_t port_ = 0;
  std::thread udpThread_;
};

}  // namespace sim
