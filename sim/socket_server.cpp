#include "sim/socket_server.h"

#include <chrono>
#include <mutex>

#include "sim/counter.h"
#include "sim/tcp_line_server.h"

namespace sim {

struct SocketServer::Impl {
  Impl(Counter& c, std::string bindAddress, std::uint16_t port)
      : counter(c),
        server(
            std::move(bindAddress), port,
            [this](TcpLineServer::Connection& connection, std::string_view line) {
              return exchange(connection, line);
            },
            [this] { counter.reportInputOverrun(); }) {}

  // One message and its answer. Clients take turns, as on a real instrument whose parser
  // handles one message at a time: a query waiting for the external arm holds the others.
  bool exchange(TcpLineServer::Connection& connection, std::string_view line) {
    std::unique_lock lock(turn, std::defer_lock);
    while (!lock.try_lock_for(std::chrono::milliseconds(100))) {
      if (connection.gone()) return false;
    }
    counter.write(line);
    while (counter.answerExpected()) {
      const ReadResult r = counter.read(std::chrono::milliseconds(50));
      switch (r.status) {
        case ReadResult::Status::Ok:
          if (!connection.send(r.data)) return false;
          break;
        case ReadResult::Status::ConnectionLost:
          return false;
        case ReadResult::Status::Timeout:
          if (connection.gone()) {
            // Nobody is left to read the answer: the same as a device clear.
            counter.clear();
            return false;
          }
          break;
      }
    }
    return true;
  }

  Counter& counter;
  std::timed_mutex turn;
  TcpLineServer server;
};

SocketServer::SocketServer(Counter& counter, std::string bindAddress, std::uint16_t port)
    : impl_(std::make_unique<Impl>(counter, std::move(bindAddress), port)) {}

SocketServer::~SocketServer() { stop(); }

bool SocketServer::start(std::string* error) { return impl_->server.start(error); }

void SocketServer::stop() { impl_->server.stop(); }

std::uint16_t SocketServer::port() const { return impl_->server.port(); }

}  // namespace sim
