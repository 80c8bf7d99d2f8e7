#include "visa/vxi11/record_stream.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using visa::vxi11::IoResult;
using visa::vxi11::RecordStream;
using Bytes = std::vector<std::uint8_t>;

// A connected pair: the stream under test on one end, raw bytes on the other.
struct Pair {
  Pair() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    stream = std::make_unique<RecordStream>(fds[0], 1024);
    peer = fds[1];
  }
  ~Pair() {
    if (peer >= 0) ::close(peer);
  }
  void sendRaw(const Bytes& bytes) {
    ASSERT_EQ(::write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  Bytes readRaw(std::size_t count) {
    Bytes bytes(count);
    std::size_t got = 0;
    while (got < count) {
      ssize_t n = ::read(peer, bytes.data() + got, count - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
  }
  std::unique_ptr<RecordStream> stream;
  int peer = -1;
};

Bytes fragment(const std::string& body, bool last) {
  std::uint32_t mark = htonl((last ? 0x80000000u : 0u) | static_cast<std::uint32_t>(body.size()));
  Bytes bytes(4);
  std::memcpy(bytes.data(), &mark, 4);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

auto soon() { return visa::vxi11::deadlineAfter(std::chrono::milliseconds(2000)); }
auto immediately() { return visa::vxi11::SteadyClock::now(); }

TEST(RecordStream, AssemblesRecordsFromTheirFragments) {
  struct Case {
    const char* name;
    Bytes wire;
    std::vector<std::string> records;
  } cases[] = {
      {"one fragment", fragment("hello", true), {"hello"}},
      {"three fragments make one record",
       concat({fragment("ab", false), fragment("", false), fragment("cd", true)}),
       {"abcd"}},
      {"two records back to back",
       concat({fragment("one", true), fragment("two", true)}),
       {"one", "two"}},
      {"empty record", fragment("", true), {""}},
  };
  for (const auto& c : cases) {
    Pair pair;
    pair.sendRaw(c.wire);
    for (const auto& expected : c.records) {
      Bytes record;
      ASSERT_EQ(pair.stream->receive(record, soon()), IoResult::Ok) << c.name;
      EXPECT_EQ(std::string(record.begin(), record.end()), expected) << c.name;
    }
  }
}

TEST(RecordStream, KeepsItsPlaceWhenADeadlineCutsARecord) {
  Pair pair;
  Bytes wire = concat({fragment("first half ", false), fragment("second half", true)});
  pair.sendRaw(Bytes(wire.begin(), wire.begin() + 9));  // the mark and 5 bytes of the body
  Bytes record;
  EXPECT_EQ(pair.stream->receive(record, immediately()), IoResult::Timeout);
  pair.sendRaw(Bytes(wire.begin() + 9, wire.end()));
  pair.sendRaw(fragment("next", true));
  ASSERT_EQ(pair.stream->receive(record, soon()), IoResult::Ok);
  EXPECT_EQ(std::string(record.begin(), record.end()), "first half second half");
  ASSERT_EQ(pair.stream->receive(record, soon()), IoResult::Ok);
  EXPECT_EQ(std::string(record.begin(), record.end()), "next");
}

TEST(RecordStream, RefusesRecordsBeyondItsLimit) {
  Pair pair;
  pair.sendRaw(fragment(std::string(600, 'a'), false));
  pair.sendRaw(fragment(std::string(600, 'b'), true));
  Bytes record;
  EXPECT_EQ(pair.stream->receive(record, soon()), IoResult::TooLarge);
  EXPECT_EQ(pair.stream->send(Bytes(2000, 0), soon()), IoResult::TooLarge);
}

TEST(RecordStream, ReportsAClosedPeer) {
  Pair pair;
  pair.sendRaw(Bytes{0x80, 0, 0});  // a mark cut short by the close
  ::close(pair.peer);
  pair.peer = -1;
  Bytes record;
  EXPECT_EQ(pair.stream->receive(record, soon()), IoResult::Closed);
  EXPECT_EQ(pair.stream->send(Bytes{1, 2, 3}, soon()), IoResult::Closed);
}

TEST(RecordStream, SendsOneMarkedFragment) {
  Pair pair;
  ASSERT_EQ(pair.stream->send(Bytes{'x', 'y', 'z'}, soon()), IoResult::Ok);
  EXPECT_EQ(pair.readRaw(7), (Bytes{0x80, 0, 0, 3, 'x', 'y', 'z'}));
}

TEST(RecordStream, WakeDescriptorEndsAWait) {
  Pair pair;
  int wake[2];
  ASSERT_EQ(::pipe(wake), 0);
  ASSERT_EQ(::write(wake[1], "x", 1), 1);
  Bytes record;
  EXPECT_EQ(pair.stream->receive(record, visa::vxi11::SteadyClock::time_point::max(), wake[0]),
            IoResult::Woken);
  ::close(wake[0]);
  ::close(wake[1]);
}

TEST(ConnectTcp, TellsARefusalApartFromSuccess) {
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const std::uint16_t port = ntohs(address.sin_port);

  bool timedOut = true;
  std::string error;
  EXPECT_EQ(visa::vxi11::connectTcp("127.0.0.1", port, soon(), &timedOut, &error), -1);
  EXPECT_FALSE(timedOut);
  EXPECT_NE(error.find("127.0.0.1"), std::string::npos) << error;

  ASSERT_EQ(::listen(listener, 1), 0);
  int fd = visa::vxi11::connectTcp("127.0.0.1", port, soon(), &timedOut, &error);
  EXPECT_GE(fd, 0) << error;
  if (fd >= 0) ::close(fd);
  ::close(listener);
}

}  // namespace
