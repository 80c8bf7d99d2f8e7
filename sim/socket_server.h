#pragma once
// Serves one simulated counter as a raw SCPI socket: each line received is one message; each
// answer goes back with its line feed. Several clients may connect; they share the counter's
// state, and each gets its own answers (every client is a link of the counter).

#include <cstdint>
#include <memory>
#include <string>

namespace sim {

class Counter;

class SocketServer {
 public:
  SocketServer(Counter& counter, std::string bindAddress = "127.0.0.1", std::uint16_t port = 0);
  ~SocketServer();  // stops
  // Listens and serves from its own thread; false and `error` when the port cannot be bound.
  bool start(std::string* error = nullptr);
  void stop();
  std::uint16_t port() const;  // the bound port (useful when 0 was asked)

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim
