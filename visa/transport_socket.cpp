#include "visa/transport_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "visa/deadline.h"

namespace visa {

namespace {

// How often a wait looks whether a device clear from another thread asks it to give up.
constexpr int kInterruptCheckMs = 20;

enum class Ready { Yes, TimedOut, Interrupted };

// Waits until `fd` is ready for `events`, the deadline passes or `interrupted` says so.
template <class Interrupted>
Ready waitReady(int fd, short events, const Deadline& deadline, Interrupted interrupted) {
  while (true) {
    if (interrupted()) return Ready::Interrupted;
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, std::min(deadline.pollMilliseconds(), kInterruptCheckMs));
    if (r > 0) return Ready::Yes;
    if (r < 0 && errno != EINTR) return Ready::Yes;  // let the following call report the error
    if (deadline.expired()) return Ready::TimedOut;
  }
}

bool never() { return false; }

}  // namespace

SocketTransport::SocketTransport(std::string host, std::uint16_t port, Timeout connectTimeout)
    : host_(std::move(host)), port_(port), connectTimeout_(connectTimeout) {}

SocketTransport::~SocketTransport() { disconnect(); }

std::unique_ptr<SocketTransport> SocketTransport::open(const std::string& host, std::uint16_t port,
                                                       Timeout connectTimeout, ViStatus* status,
                                                       std::string* error) {
  std::unique_ptr<SocketTransport> t(new SocketTransport(host, port, connectTimeout));
  const ViStatus st = t->connect(connectTimeout, error);
  if (status) *status = st;
  if (st != VI_SUCCESS) return nullptr;
  return t;
}

ViStatus SocketTransport::connect(Timeout timeout, std::string* error) {
  disconnect();
  const Deadline deadline(timeout);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port_);
  const int rc = ::getaddrinfo(host_.c_str(), service.c_str(), &hints, &found);
  if (rc != 0) {
    if (error) *error = "cannot resolve host \"" + host_ + "\": " + ::gai_strerror(rc);
    return VI_ERROR_RSRC_NFOUND;
  }
  ViStatus result = VI_ERROR_RSRC_NFOUND;
  std::string why = "no address";
  for (addrinfo* a = found; a; a = a->ai_next) {
    const int fd =
        ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      why = std::strerror(errno);
      continue;
    }
    int err = 0;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      err = errno;
      if (err == EINPROGRESS) {
        if (waitReady(fd, POLLOUT, deadline, never) != Ready::Yes) {
          ::close(fd);
          result = VI_ERROR_TMO;
          why = "no answer within the connection time-out";
          continue;
        }
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
      }
    }
    if (err != 0) {
      ::close(fd);
      why = std::strerror(err);
      result = VI_ERROR_RSRC_NFOUND;
      continue;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    fd_ = fd;
    result = VI_SUCCESS;
    break;
  }
  ::freeaddrinfo(found);
  if (result != VI_SUCCESS && error)
    *error = "cannot connect to " + host_ + " port " + service + ": " + why;
  return result;
}

void SocketTransport::disconnect() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  lost_ = false;
  input_.clear();
}

ViStatus SocketTransport::write(const ViByte* data, ViUInt32 count, ViUInt32* written,
                                Timeout timeout) {
  if (written) *written = 0;
  if (fd_ < 0 || lost_) return VI_ERROR_CONN_LOST;
  const Deadline deadline(timeout);
  // A raw socket has no END signal: the line feed is the message terminator in both
  // directions. A message that does not end in one ("*IDN?", "INIT:CONT OFF") gets it here,
  // the way END marks the last byte of a write on the other interfaces.
  std::string message(reinterpret_cast<const char*>(data), count);
  if (message.empty() || message.back() != '\n') message.push_back('\n');
  const ViUInt32 total = static_cast<ViUInt32>(message.size());
  ViUInt32 sent = 0;
  while (sent < total) {
    const ssize_t n = ::send(fd_, message.data() + sent, total - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<ViUInt32>(n);
      if (written) *written = std::min(sent, count);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (waitReady(fd_, POLLOUT, deadline, never) != Ready::Yes) return VI_ERROR_TMO;
      continue;
    }
    if (n < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN)) {
      lost_ = true;
      return VI_ERROR_CONN_LOST;
    }
    return VI_ERROR_IO;
  }
  return VI_SUCCESS;
}

ViStatus SocketTransport::read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) {
  if (got) *got = 0;
  const Deadline deadline(timeout);
  auto deliver = [&](size_t n) {
    n = std::min<size_t>(n, count);
    std::memcpy(buffer, input_.data(), n);
    input_.erase(0, n);
    if (got) *got = static_cast<ViUInt32>(n);
    return n;
  };
  while (true) {
    const size_t lineFeed = input_.find('\n');
    if (lineFeed != std::string::npos) {
      const size_t message = lineFeed + 1;
      return deliver(message) == message ? VI_SUCCESS : VI_SUCCESS_MAX_CNT;
    }
    if (input_.size() >= count) {
      deliver(count);
      return VI_SUCCESS_MAX_CNT;
    }
    if (fd_ < 0 || lost_) {
      deliver(input_.size());
      return VI_ERROR_CONN_LOST;
    }
    const Ready ready = waitReady(fd_, POLLIN, deadline, [this] { return interrupted(); });
    if (ready != Ready::Yes) {
      deliver(input_.size());
      return ready == Ready::Interrupted ? VI_ERROR_ABORT : VI_ERROR_TMO;
    }
    char chunk[4096];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0) {
      input_.append(chunk, static_cast<size_t>(n));
    } else if (n == 0) {
      lost_ = true;
    } else if (errno == ECONNRESET || errno == ENOTCONN || errno == ETIMEDOUT) {
      lost_ = true;
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      deliver(input_.size());
      return VI_ERROR_IO;
    } else if (deadline.expired()) {
      deliver(input_.size());
      return VI_ERROR_TMO;
    }
  }
}

ViStatus SocketTransport::clear(Timeout timeout) {
  disconnect();
  const ViStatus st = connect(connectTimeout_, nullptr);
  return st == VI_SUCCESS ? VI_SUCCESS : VI_ERROR_CONN_LOST;
}

}  // namespace visa
