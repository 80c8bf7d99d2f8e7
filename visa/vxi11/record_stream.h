#pragma once
// ONC RPC messages over TCP travel as records: each fragment starts with a 4-byte big-endian
// mark whose top bit flags the last fragment of a record and whose other 31 bits give the
// fragment's length. RecordStream owns one connected TCP socket and sends and receives whole
// records with deadlines; a record cut short by a deadline is kept and completed by the next
// receive, so the stream never loses its place between records.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace visa::vxi11 {

using SteadyClock = std::chrono::steady_clock;

enum class IoResult {
  Ok,
  Timeout,   // the deadline passed first
  Closed,    // the peer closed the connection or reset it
  Woken,     // the wake descriptor became readable (a server is stopping)
  TooLarge,  // a record beyond the stream's limit: the stream is no longer usable
  Error,     // any other socket failure
};

class RecordStream {
 public:
  static constexpr std::size_t kDefaultMaxRecord = 64u << 20;

  // Takes ownership of a connected stream socket.
  explicit RecordStream(int fd, std::size_t maxRecord = kDefaultMaxRecord);
  ~RecordStream();
  RecordStream(const RecordStream&) = delete;
  RecordStream& operator=(const RecordStream&) = delete;

  int fd() const { return fd_; }
  bool isOpen() const { return fd_ >= 0; }
  void close();

  // Sends `record` as one fragment (several when it exceeds the 31-bit fragment size).
  IoResult send(const std::vector<std::uint8_t>& record, SteadyClock::time_point deadline);

  // Receives the next whole record into `record`. `wakeFd`, when not -1, ends the wait early
  // with IoResult::Woken as soon as it becomes readable.
  IoResult receive(std::vector<std::uint8_t>& record, SteadyClock::time_point deadline,
                   int wakeFd = -1);

 private:
  IoResult waitReadable(SteadyClock::time_point deadline, int wakeFd);
  IoResult fill(SteadyClock::time_point deadline, int wakeFd);
  std::size_t buffered() const { return inEnd_ - inBegin_; }

  int fd_;
  std::size_t maxRecord_;
  std::vector<std::uint8_t> in_;
  std::size_t inBegin_ = 0;
  std::size_t inEnd_ = 0;
  // The record being assembled and the state of its current fragment.
  std::vector<std::uint8_t> partial_;
  std::size_t fragmentLeft_ = 0;
  bool inFragment_ = false;
  bool lastFragment_ = false;
};

// Connects a TCP socket to host:port (a name or a numeric IPv4/IPv6 address) before the
// deadline, with TCP_NODELAY set. Returns the descriptor, or -1 with `timedOut` telling a
// time-out apart from a refusal or an unknown host, and `error` saying what happened.
int connectTcp(const std::string& host, std::uint16_t port, SteadyClock::time_point deadline,
               bool* timedOut = nullptr, std::string* error = nullptr);

// A deadline `timeout` from now that saturates instead of overflowing.
SteadyClock::time_point deadlineAfter(std::chrono::milliseconds timeout);

}  // namespace visa::vxi11
