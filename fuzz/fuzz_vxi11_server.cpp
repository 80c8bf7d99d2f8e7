// v38xx-sim's VXI-11 core channel: the input is the byte stream of one TCP connection (ONC RPC
// record marking, any number of calls), each record answered as the server answers it. No call
// may allocate what a length word claims, and no call waits.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/counter.h"
#include "sim/vxi11/vxi11_server.h"
#include "visa/vxi11/record_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
  // The whole input fits the socket's buffer (libFuzzer's inputs are a few kilobytes).
  std::size_t sent = 0;
  while (sent < size) {
    const ssize_t n = ::send(fds[0], data + sent, size - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  ::shutdown(fds[0], SHUT_WR);

  static sim::Counter counter;
  static sim::Vxi11Server server(counter, [] {
    sim::Vxi11Options options;
    options.maxWait = std::chrono::milliseconds(0);
    return options;
  }());
  counter.reset();
  visa::vxi11::RecordStream stream(fds[1], std::size_t{2} << 20);
  std::vector<std::uint8_t> record;
  const auto now = visa::vxi11::SteadyClock::now();
  while (stream.receive(record, now) == visa::vxi11::IoResult::Ok) server.answer(1, record);
  server.connectionClosed(1);
  ::close(fds[0]);
  return 0;
}
