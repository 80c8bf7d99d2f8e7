#pragma once
// A small TCP server for line protocols: listens on one address, serves each client from its
// own thread and hands every line received (line feed included) to a handler. Used by the raw
// SCPI socket and by the control channel of the simulated counter.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace sim {

class TcpLineServer {
 public:
  // The connection a line came from, for the handler's answers.
  class Connection {
   public:
    virtual ~Connection() = default;
    // Sends all of `data`; false when the client is gone, the server stops, or the client
    // has not taken the bytes within the server's send time-out (a client that sends but never
    // reads). The connection should then be closed.
    virtual bool send(std::string_view data) = 0;
    // True when the client has closed its side or the server stops.
    virtual bool gone() = 0;
    // A number that tells this connection apart from every other of the server.
    virtual std::uint64_t id() const = 0;
  };
  // Returns false to close the connection.
  using LineHandler = std::function<bool(Connection&, std::string_view line)>;
  // Called when a client sends a line longer than the server buffers (the line is dropped).
  using OverrunHandler = std::function<void()>;
  // Called once when a connection has ended, whichever side ended it.
  using CloseHandler = std::function<void(Connection&)>;

  static constexpr size_t kMaxLine = 1024 * 1024;
  static constexpr std::chrono::milliseconds kDefaultSendTimeout{10000};

  TcpLineServer(std::string bindAddress, std::uint16_t port, LineHandler onLine,
                OverrunHandler onOverrun = {}, CloseHandler onClose = {},
                std::chrono::milliseconds sendTimeout = kDefaultSendTimeout);
  ~TcpLineServer();
  TcpLineServer(const TcpLineServer&) = delete;
  TcpLineServer& operator=(const TcpLineServer&) = delete;

  bool start(std::string* error);
  void stop();
  std::uint16_t port() const;
  bool stopping() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim
