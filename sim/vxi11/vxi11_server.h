#pragma once
// Serves one simulated counter over VXI-11 (core channel: create_link, device_write,
// device_read, device_clear, device_local, destroy_link), and makes it findable through
// the ONC RPC portmapper, either by answering GETPORT itself or by registering with rpcbind.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
  // The longest a call waits for an answer or for another link's lock, whatever its
  // io_timeout or lock_timeout asks (for fuzzing, which must never wait).
  std::chrono::milliseconds maxWait = std::chrono::milliseconds::max();
};

class Vxi11Server {
 public:
  Vxi11Server(Counter& counter, Vxi11Options options = {});
  ~Vxi11Server();  // stops and unregisters
  bool start(std::string* error = nullptr);
  void stop();
  std::uint16_t port() const;         // core channel port
  std::uint16_t portmapPort() const;  // 0 unless Portmap::Serve

  // The reply to one call record that arrived on `connection`, as the core channel sends it;
  // empty when nothing is sent back. Works without start(), for tests and fuzzing.
  std::vector<std::uint8_t> answer(std::uint64_t connection, const std::vector<std::uint8_t>& call);
  // Ends the links of `connection`, as when its socket closes.
  void connectionClosed(std::uint64_t connection);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim
