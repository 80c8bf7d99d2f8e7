#pragma once
// Serves one simulated counter over VXI-11 (core channel: create_link, device_write,
// device_read, device_clear, device_local, destroy_link), and makes it findable through
// the ONC RPC portmapper, either by answering GETPORT itself or by registering with rpcbind.

#include <cstdint>
#include <memory>
#include <string>

namespace sim {

class Counter;

struct Vxi11Options {
  std::string bindAddress = "127.0.0.1";
  std::uint16_t port = 0;  // core channel TCP port; 0 picks a free one
  enum class Portmap {
    None,      // no portmapper: clients must be told the core port
    Serve,     // answer PMAPPROC_GETPORT ourselves on portmapPort (TCP and UDP)
    Register,  // register the core program with a running rpcbind
  };
  Portmap portmap = Portmap::None;
  std::uint16_t portmapPort = 111;
};

class Vxi11Server {
 public:
  Vxi11Server(Counter& counter, Vxi11Options options = {});
  ~Vxi11Server();  // stops and unregisters
  bool start(std::string* error = nullptr);
  void stop();
  std::uint16_t port() const;         // core channel port
  std::uint16_t portmapPort() const;  // 0 unless Portmap::Serve

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim
