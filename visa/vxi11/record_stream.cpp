#include "visa/vxi11/record_stream.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace visa::vxi11 {

namespace {

constexpr std::uint32_t kLastFragment = 0x80000000u;
constexpr std::size_t kReadChunk = 64 * 1024;

// Milliseconds to wait in poll() for `deadline`: -1 for no deadline, never negative.
int pollTimeout(SteadyClock::time_point deadline) {
  if (deadline == SteadyClock::time_point::max()) return -1;
  auto left = deadline - SteadyClock::now();
  if (left <= SteadyClock::duration::zero()) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<long long>(ms, 1 << 30));
}

bool isDisconnect(int error) {
  return error == ECONNRESET || error == EPIPE || error == ENOTCONN || error == ECONNABORTED ||
         error == ETIMEDOUT || error == EHOSTUNREACH || error == ENETUNREACH;
}

}  // namespace

SteadyClock::time_point deadlineAfter(std::chrono::milliseconds timeout) {
  auto now = SteadyClock::now();
  if (timeout >=
      std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::time_point::max() - now)) {
    return SteadyClock::time_point::max();
  }
  return now + timeout;
}

RecordStream::RecordStream(int fd, std::size_t maxRecord)
    : fd_(fd), maxRecord_(maxRecord), in_(kReadChunk) {}

RecordStream::~RecordStream() { close(); }

void RecordStream::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

IoResult RecordStream::send(const std::vector<std::uint8_t>& record,
                            SteadyClock::time_point deadline) {
  if (fd_ < 0) return IoResult::Closed;
  if (record.size() > maxRecord_ || record.size() >= kLastFragment) return IoResult::TooLarge;
  std::uint32_t mark = htonl(kLastFragment | static_cast<std::uint32_t>(record.size()));
  const std::size_t total = sizeof mark + record.size();
  std::size_t sent = 0;
  while (sent < total) {
    iovec parts[2];
    int count = 0;
    if (sent < sizeof mark) {
      parts[count++] = {reinterpret_cast<std::uint8_t*>(&mark) + sent, sizeof mark - sent};
      parts[count++] = {const_cast<std::uint8_t*>(record.data()), record.size()};
    } else {
      std::size_t offset = sent - sizeof mark;
      parts[count++] = {const_cast<std::uint8_t*>(record.data()) + offset, record.size() - offset};
    }
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = static_cast<std::size_t>(count);
    ssize_t n = ::sendmsg(fd_, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      return isDisconnect(errno) ? IoResult::Closed : IoResult::Error;
    }
    pollfd p{fd_, POLLOUT, 0};
    int ready = ::poll(&p, 1, pollTimeout(deadline));
    if (ready < 0 && errno != EINTR) return IoResult::Error;
    if (ready == 0) return IoResult::Timeout;
  }
  return IoResult::Ok;
}

IoResult RecordStream::waitReadable(SteadyClock::time_point deadline, int wakeFd) {
  pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd, POLLIN, 0}};
  const nfds_t count = wakeFd >= 0 ? 2 : 1;
  for (;;) {
    int ready = ::poll(fds, count, pollTimeout(deadline));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return IoResult::Error;
    }
    if (ready == 0) return IoResult::Timeout;
    if (count == 2 && (fds[1].revents & POLLIN)) return IoResult::Woken;
    return IoResult::Ok;
  }
}

IoResult RecordStream::fill(SteadyClock::time_point deadline, int wakeFd) {
  if (inBegin_ == inEnd_) {
    inBegin_ = inEnd_ = 0;
  } else if (inEnd_ == in_.size()) {
    std::memmove(in_.data(), in_.data() + inBegin_, buffered());
    inEnd_ -= inBegin_;
    inBegin_ = 0;
  }
  for (;;) {
    IoResult waited = waitReadable(deadline, wakeFd);
    if (waited != IoResult::Ok) return waited;
    ssize_t n = ::recv(fd_, in_.data() + inEnd_, in_.size() - inEnd_, MSG_DONTWAIT);
    if (n > 0) {
      inEnd_ += static_cast<std::size_t>(n);
      return IoResult::Ok;
    }
    if (n == 0) return IoResult::Closed;
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    return isDisconnect(errno) ? IoResult::Closed : IoResult::Error;
  }
}

IoResult RecordStream::receive(std::vector<std::uint8_t>& record, SteadyClock::time_point deadline,
                               int wakeFd) {
  if (fd_ < 0) return IoResult::Closed;
  for (;;) {
    if (!inFragment_) {
      while (buffered() < 4) {
        IoResult r = fill(deadline, wakeFd);
        if (r != IoResult::Ok) return r;
      }
      std::uint32_t mark;
      std::memcpy(&mark, in_.data() + inBegin_, 4);
      inBegin_ += 4;
      mark = ntohl(mark);
      fragmentLeft_ = mark & ~kLastFragment;
      lastFragment_ = (mark & kLastFragment) != 0;
      inFragment_ = true;
      // The mark is only a claim: the record grows with the bytes that actually arrive.
      if (partial_.size() + fragmentLeft_ > maxRecord_) return IoResult::TooLarge;
    }
    while (fragmentLeft_ > 0) {
      if (buffered() == 0) {
        IoResult r = fill(deadline, wakeFd);
        if (r != IoResult::Ok) return r;
      }
      std::size_t take = std::min(fragmentLeft_, buffered());
      partial_.insert(partial_.end(), in_.begin() + static_cast<std::ptrdiff_t>(inBegin_),
                      in_.begin() + static_cast<std::ptrdiff_t>(inBegin_ + take));
      inBegin_ += take;
      fragmentLeft_ -= take;
    }
    inFragment_ = false;
    if (lastFragment_) {
      record.swap(partial_);
      partial_.clear();
      return IoResult::Ok;
    }
  }
}

int connectTcp(const std::string& host, std::uint16_t port, SteadyClock::time_point deadline,
               bool* timedOut, std::string* error) {
  if (timedOut) *timedOut = false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (rc != 0) {
    if (error) *error = "cannot resolve " + host + ": " + ::gai_strerror(rc);
    return -1;
  }
  std::string lastError = "no address for " + host;
  for (addrinfo* a = found; a; a = a->ai_next) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) {
      lastError = std::strerror(errno);
      continue;
    }
    int status = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (status < 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int ready;
      do {
        ready = ::poll(&p, 1, pollTimeout(deadline));
      } while (ready < 0 && errno == EINTR);
      if (ready == 0) {
        ::close(fd);
        if (timedOut) *timedOut = true;
        lastError = "connection to " + host + ":" + service + " timed out";
        break;
      }
      int soError = 0;
      socklen_t length = sizeof soError;
      ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
      status = soError == 0 ? 0 : -1;
      errno = soError;
    }
    if (status == 0) {
      int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      ::freeaddrinfo(found);
      return fd;
    }
    lastError = "cannot connect to " + host + ":" + service + ": " + std::strerror(errno);
    ::close(fd);
  }
  ::freeaddrinfo(found);
  if (error) *error = lastError;
  return -1;
}

}  // namespace visa::vxi11
