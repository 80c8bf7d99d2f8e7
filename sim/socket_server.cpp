#include "sim/socket_server.h"

#include <chrono>
#include <map>
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
            [this] { counter.reportInputOverrun(); },
            [this](TcpLineServer::Connection& connection) { closed(connection); }) {}

  // Each client is a link of its own: its answers come back to it alone, and a client that
  // never reads its answers holds up nobody but itself (its sends time out and it is dropped).
  Counter::LinkId linkOf(TcpLineServer::Connection& connection) {
    std::lock_guard lock(mutex);
    auto it = links.find(connection.id());
    if (it == links.end()) it = links.emplace(connection.id(), counter.openLink()).first;
    return it->second;
  }

  void closed(TcpLineServer::Connection& connection) {
    Counter::LinkId link;
    {
      std::lock_guard lock(mutex);
      const auto it = links.find(connection.id());
      if (it == links.end()) return;
      link = it->second;
      links.erase(it);
    }
    counter.closeLink(link);
  }

  // One message and its answer. A query waiting for the external arm holds the messages of
  // every link behind it, as the counter's single parser does.
  bool exchange(TcpLineServer::Connection& connection, std::string_view line) {
    const Counter::LinkId link = linkOf(connection);
    counter.write(link, line);
    while (counter.answerExpected(link)) {
      const ReadResult r = counter.read(link, std::chrono::milliseconds(50));
      switch (r.status) {
        case ReadResult::Status::Ok:
          if (!connection.send(r.data)) return false;
          break;
        case ReadResult::Status::ConnectionLost:
          return false;
        case ReadResult::Status::Timeout:
          if (connection.gone()) {
            // Nobody is left to read the answer: the same as a device clear.
            counter.clear(link);
            return false;
          }
          break;
      }
    }
    return true;
  }

  Counter& counter;
  std::mutex mutex;
  std::map<std::uint64_t, Counter::LinkId> links;
  TcpLineServer server;
};

SocketServer::SocketServer(Counter& counter, std::string bindAddress, std::uint16_t port)
    : impl_(std::make_unique<Impl>(counter, std::move(bindAddress), port)) {}

SocketServer::~SocketServer() { stop(); }

bool SocketServer::start(std::string* error) { return impl_->server.start(error); }

void SocketServer::stop() { impl_->server.stop(); }

std::uint16_t SocketServer::port() const { return impl_->server.port(); }

}  // namespace sim
