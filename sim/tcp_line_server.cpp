#include "sim/tcp_line_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>

#include "core/text_format.h"
#include "sim/listen_backlog.h"

namespace sim {

namespace {

class SocketConnection final : public TcpLineServer::Connection {
 public:
  SocketConnection(int fd, int wakeFd, std::uint64_t id, std::chrono::milliseconds sendTimeout)
      : fd_(fd), wakeFd_(wakeFd), id_(id), sendTimeout_(sendTimeout) {}

  std::uint64_t id() const override { return id_; }

  bool send(std::string_view data) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + sendTimeout_;
    while (!data.empty()) {
      pollfd fds[2] = {{fd_, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;  // the client does not read what it asked for
      const int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 60000)));
      if (ready < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (ready == 0) continue;
      if (fds[1].revents) return false;
      if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
      const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        return false;
      }
      data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  bool gone() override {
    pollfd fds[2] = {{fd_, POLLRDHUP, 0}, {wakeFd_, POLLIN, 0}};
    if (::poll(fds, 2, 0) < 0) return false;
    return fds[1].revents || (fds[0].revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL));
  }

 private:
  int fd_;
  int wakeFd_;
  std::uint64_t id_;
  std::chrono::milliseconds sendTimeout_;
};

}  // namespace

struct TcpLineServer::Impl {
  struct Client {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> done{false};
  };

  std::string bindAddress;
  std::uint16_t requestedPort;
  LineHandler onLine;
  OverrunHandler onOverrun;
  CloseHandler onClose;
  std::chrono::milliseconds sendTimeout{kDefaultSendTimeout};
  std::uint64_t nextId = 1;

  int listenFd = -1;
  int wakeFd = -1;
  std::uint16_t boundPort = 0;
  std::atomic<bool> stopping{false};
  std::thread acceptThread;
  std::mutex clientsMutex;
  std::list<Client> clients;

  void reapFinished() {
    std::lock_guard lock(clientsMutex);
    for (auto it = clients.begin(); it != clients.end();) {
      if (it->done) {
        it->thread.join();
        ::close(it->fd);
        it = clients.erase(it);
      } else {
        ++it;
      }
    }
  }

  void acceptLoop() {
    while (!stopping) {
      pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
      if (::poll(fds, 2, 1000) < 0 && errno != EINTR) break;
      reapFinished();
      if (stopping || fds[1].revents) break;
      if (!(fds[0].revents & POLLIN)) continue;
      const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      const int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      std::lock_guard lock(clientsMutex);
      Client& client = clients.emplace_back();
      client.fd = fd;
      const std::uint64_t id = nextId++;
      client.thread = std::thread([this, &client, id] {
        serve(client.fd, id);
        // The client sees the end at once; the descriptor is closed when the thread is reaped.
        ::shutdown(client.fd, SHUT_RDWR);
        client.done = true;
      });
    }
  }

  void serve(int fd, std::uint64_t id) {
    SocketConnection connection(fd, wakeFd, id, sendTimeout);
    serveLines(connection, fd);
    if (onClose) onClose(connection);
  }

  void serveLines(SocketConnection& connection, int fd) {
    std::string buffer;
    bool discarding = false;  // dropping the rest of an over-long line
    char chunk[4096];
    while (!stopping) {
      pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents) return;
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {
        // The client closed: a last line without its line feed still counts.
        if (!discarding && !buffer.empty()) onLine(connection, buffer);
        return;
      }
      std::string_view data(chunk, static_cast<size_t>(n));
      while (!data.empty()) {
        const size_t end = data.find('\n');
        const std::string_view piece =
            data.substr(0, end == std::string_view::npos ? end : end + 1);
        data.remove_prefix(piece.size());
        if (discarding) {
          discarding = end == std::string_view::npos;
          continue;
        }
        if (buffer.size() + piece.size() > kMaxLine) {
          buffer.clear();
          discarding = end == std::string_view::npos;
          if (onOverrun) onOverrun();
          continue;
        }
        buffer.append(piece);
        if (end == std::string_view::npos) break;
        const std::string line = std::move(buffer);
        buffer.clear();
        if (!onLine(connection, line)) return;
      }
    }
  }
};

TcpLineServer::TcpLineServer(std::string bindAddress, std::uint16_t port, LineHandler onLine,
                             OverrunHandler onOverrun, CloseHandler onClose,
                             std::chrono::milliseconds sendTimeout)
    : impl_(std::make_unique<Impl>()) {
  impl_->onClose = std::move(onClose);
  impl_->sendTimeout = sendTimeout;
  impl_->bindAddress = std::move(bindAddress);
  impl_->requestedPort = port;
  impl_->onLine = std::move(onLine);
  impl_->onOverrun = std::move(onOverrun);
}

TcpLineServer::~TcpLineServer() { stop(); }

bool TcpLineServer::start(std::string* error) {
  Impl& d = *impl_;
  if (d.listenFd >= 0) return true;
  auto fail = [&](const std::string& what) {
    if (error) *error = what;
    if (d.listenFd >= 0) ::close(d.listenFd);
    d.listenFd = -1;
    return false;
  };
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(d.requestedPort);
  const int rc = ::getaddrinfo(d.bindAddress.c_str(), service.c_str(), &hints, &found);
  if (rc != 0 || !found)
    return fail(core::format("cannot resolve %s: %s", d.bindAddress.c_str(), gai_strerror(rc)));
  std::string lastError;
  for (addrinfo* ai = found; ai && d.listenFd < 0; ai = ai->ai_next) {
    const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) continue;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && ::listen(fd, systemListenBacklog()) == 0) {
      d.listenFd = fd;
    } else {
      lastError = std::strerror(errno);
      ::close(fd);
    }
  }
  ::freeaddrinfo(found);
  if (d.listenFd < 0) {
    return fail(core::format("cannot listen on %s port %u: %s", d.bindAddress.c_str(),
                             static_cast<unsigned>(d.requestedPort), lastError.c_str()));
  }
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  ::getsockname(d.listenFd, reinterpret_cast<sockaddr*>(&address), &length);
  d.boundPort =
      ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
  d.wakeFd = ::eventfd(0, EFD_CLOEXEC);
  if (d.wakeFd < 0) return fail(std::string("eventfd: ") + std::strerror(errno));
  d.stopping = false;
  d.acceptThread = std::thread([&d] { d.acceptLoop(); });
  return true;
}

void TcpLineServer::stop() {
  Impl& d = *impl_;
  if (d.listenFd < 0) return;
  d.stopping = true;
  // The event stays readable, so every wait on it ends, now and later.
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(d.wakeFd, &one, sizeof one);
  if (d.acceptThread.joinable()) d.acceptThread.join();
  {
    std::lock_guard lock(d.clientsMutex);
    for (Impl::Client& client : d.clients) ::shutdown(client.fd, SHUT_RDWR);
  }
  std::list<Impl::Client> clients;
  {
    std::lock_guard lock(d.clientsMutex);
    clients.splice(clients.end(), d.clients);
  }
  for (Impl::Client& client : clients) {
    client.thread.join();
    ::close(client.fd);
  }
  ::close(d.listenFd);
  ::close(d.wakeFd);
  d.listenFd = -1;
  d.wakeFd = -1;
}

std::uint16_t TcpLineServer::port() const { return impl_->boundPort; }

bool TcpLineServer::stopping() const { return impl_->stopping; }

}  // namespace sim
