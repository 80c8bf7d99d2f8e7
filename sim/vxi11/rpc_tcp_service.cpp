#include "sim/vxi11/rpc_tcp_service.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/listen_backlog.h"
#include "visa/vxi11/record_stream.h"

namespace sim {

namespace {
// A client that stops reading its replies for this long is dropped.
constexpr std::chrono::seconds kSendTimeout{30};
}  // namespace

int bindSocket(const std::string& address, std::uint16_t port, int type, std::uint16_t* boundPort,
               std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = type;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  int rc =
      ::getaddrinfo(address.empty() ? nullptr : address.c_str(), service.c_str(), &hints, &found);
  if (rc != 0) {
    if (error) *error = "cannot resolve " + address + ": " + ::gai_strerror(rc);
    return -1;
  }
  int fd = -1;
  std::string why = "no address";
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      why = std::strerror(errno);
      continue;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 ||
        (type == SOCK_STREAM && ::listen(fd, systemListenBacklog()) != 0)) {
      why = std::strerror(errno);
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd < 0) {
    if (error) *error = "cannot listen on " + address + ":" + service + ": " + why;
    return -1;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  if (boundPort) {
    *boundPort = bound.ss_family == AF_INET6
                     ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                     : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  }
  return fd;
}

RpcTcpService::RpcTcpService(CallHandler onCall, CloseHandler onClose, std::size_t maxRecord)
    : onCall_(std::move(onCall)), onClose_(std::move(onClose)), maxRecord_(maxRecord) {}

RpcTcpService::~RpcTcpService() { stop(); }

bool RpcTcpService::start(const std::string& address, std::uint16_t port, std::string* error) {
  if (listenFd_ >= 0) return true;
  listenFd_ = bindSocket(address, port, SOCK_STREAM, &port_, error);
  if (listenFd_ < 0) return false;
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  stopping_ = false;
  acceptThread_ = std::thread([this] { acceptLoop(); });
  return true;
}

void RpcTcpService::stop() {
  if (listenFd_ < 0) return;
  stopping_ = true;
  std::uint64_t one = 1;
  [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
  if (acceptThread_.joinable()) acceptThread_.join();
  std::list<std::unique_ptr<Connection>> connections;
  {
    std::lock_guard lock(mutex_);
    connections.swap(connections_);
  }
  for (auto& c : connections) {
    if (c->thread.joinable()) c->thread.join();
  }
  ::close(listenFd_);
  ::close(wakeFd_);
  listenFd_ = wakeFd_ = -1;
}

void RpcTcpService::reapFinished() {
  std::list<std::unique_ptr<Connection>> finished;
  {
    std::lock_guard lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->done) {
        finished.push_back(std::move(*it));
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& c : finished) c->thread.join();
}

void RpcTcpService::acceptLoop() {
  pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  while (!stopping_) {
    int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno != EINTR) break;
    if (fds[1].revents & POLLIN) break;
    if (!(fds[0].revents & POLLIN)) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) continue;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    reapFinished();
    std::lock_guard lock(mutex_);
    auto connection = std::make_unique<Connection>();
    connection->id = nextId_++;
    connection->fd = fd;
    Connection& c = *connection;
    connections_.push_back(std::move(connection));
    c.thread = std::thread([this, &c] { serve(c); });
  }
}

void RpcTcpService::serve(Connection& connection) {
  visa::vxi11::RecordStream stream(connection.fd, maxRecord_);
  std::vector<std::uint8_t> call;
  std::vector<std::uint8_t> reply;
  const auto forever = visa::vxi11::SteadyClock::time_point::max();
  while (!stopping_) {
    if (stream.receive(call, forever, wakeFd_) != visa::vxi11::IoResult::Ok) break;
    reply.clear();
    if (!onCall_(connection.id, call, reply)) break;
    if (!reply.empty() &&
        stream.send(reply, visa::vxi11::deadlineAfter(kSendTimeout)) != visa::vxi11::IoResult::Ok) {
      break;
    }
  }
  // Shut the socket down before the handler learns of the end, so a dropped link is seen by
  // the client at once.
  ::shutdown(stream.fd(), SHUT_RDWR);
  stream.close();
  if (onClose_) onClose_(connection.id);
  connection.done = true;
}

}  // namespace sim
