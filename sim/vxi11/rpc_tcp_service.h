#pragma once
// An ONC RPC service over TCP: listens on one address, serves each connection from its own
// thread and hands every call record to a handler. Used by the VXI-11 core channel and by the
// portmapper that the simulated counter can answer itself.

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// A socket bound to address:port (port 0: any free one) of the given type (SOCK_STREAM
// listening, or SOCK_DGRAM). Returns the descriptor and the bound port, or -1 and `error`.
int bindSocket(const std::string& address, std::uint16_t port, int type, std::uint16_t* boundPort,
               std::string* error);

class RpcTcpService {
 public:
  // Handles one call record of a connection; `reply` empty means nothing is sent back.
  // Returning false closes the connection without a reply.
  using CallHandler =
      std::function<bool(std::uint64_t connection, const std::vector<std::uint8_t>& call,
                         std::vector<std::uint8_t>& reply)>;
  // Told when a connection has ended, whichever side ended it.
  using CloseHandler = std::function<void(std::uint64_t connection)>;

  // Call records longer than `maxRecord` end their connection.
  RpcTcpService(CallHandler onCall, CloseHandler onClose = {},
                std::size_t maxRecord = std::size_t{64} << 20);
  ~RpcTcpService();  // stops
  RpcTcpService(const RpcTcpService&) = delete;
  RpcTcpService& operator=(const RpcTcpService&) = delete;

  bool start(const std::string& address, std::uint16_t port, std::string* error);
  // Stops accepting, ends every connection and waits for their threads. Handlers that wait
  // (a device_read) should watch stopping().
  void stop();
  bool stopping() const { return stopping_.load(); }
  std::uint16_t port() const { return port_; }

 private:
  struct Connection {
    std::uint64_t id = 0;
    int fd = -1;
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void acceptLoop();
  void serve(Connection& connection);
  void reapFinished();

  CallHandler onCall_;
  CloseHandler onClose_;
  std::size_t maxRecord_;
  int listenFd_ = -1;
  int wakeFd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;
  std::mutex mutex_;
  std::list<std::unique_ptr<Connection>> connections_;
  std::uint64_t nextId_ = 1;
};

}  // namespace sim
