// Several clients of one simulated counter at once, some of them ill-behaved: every link gets
// only its own answers, a client that never reads holds up nobody else, and the servers accept
// bursts of connections with the system's full backlog.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "line_client.h"
#include "sim/control_channel.h"
#include "sim/counter.h"
#include "sim/socket_server.h"
#include "sim/tcp_line_server.h"
#include "support/listening_sockets.h"

namespace {

using namespace std::chrono_literals;
using sim::ReadResult;
using sim_test::LineClient;

const std::string kIdn = "ORVALENT,V3800A,SIM3800A01,1.1.2\n";

std::string answerOf(sim::Counter& counter, sim::Counter::LinkId link) {
  const ReadResult r = counter.read(link, 1000ms);
  return r.status == ReadResult::Status::Ok ? r.data : "<none>";
}

// Two links interleave their queries; each reads back only what it asked, whatever the order.
TEST(CounterLinks, EachLinkGetsOnlyItsOwnAnswers) {
  sim::Counter counter;
  const auto a = counter.openLink();
  const auto b = counter.openLink();
  counter.write(a, "*IDN?\n");
  counter.write(b, "*OPC?\n");
  EXPECT_EQ(answerOf(counter, b), "1\n");
  EXPECT_EQ(answerOf(counter, a), kIdn);
  EXPECT_TRUE(counter.pendingErrors().empty()) << "no query was interrupted";

  // A link's unread answer is discarded by its own next query only.
  counter.write(a, "*IDN?\n");
  counter.write(b, "*OPC?\n");
  counter.write(b, "*OPC?\n");
  EXPECT_EQ(answerOf(counter, a), kIdn);
  EXPECT_EQ(answerOf(counter, b), "1\n");
  EXPECT_EQ(counter.pendingErrors().size(), 1u) << "-410 for link b's interrupted query";

  // A device clear on one link leaves the other's answer alone.
  counter.write(a, "*IDN?\n");
  counter.write(b, "*OPC?\n");
  counter.clear(a);
  EXPECT_FALSE(counter.answerExpected(a));
  EXPECT_TRUE(counter.answerExpected(b));
  EXPECT_EQ(answerOf(counter, b), "1\n");

  counter.closeLink(b);
  EXPECT_EQ(counter.read(b, 0ms).status, ReadResult::Status::ConnectionLost);
  EXPECT_EQ(counter.read(sim::Counter::kDefaultLink, 0ms).status, ReadResult::Status::Timeout);
}

// A message held behind another link's query that waits for the external arm keeps its link.
TEST(CounterLinks, HeldMessagesAnswerTheLinkThatSentThem) {
  sim::Counter counter;
  const auto a = counter.openLink();
  const auto b = counter.openLink();
  counter.write(a, "FREQ:ARM:STAR:SOUR EXT;:INIT:CONT ON\n");
  counter.write(a, "READ?\n");
  counter.write(b, "*IDN?\n");
  EXPECT_TRUE(counter.answerExpected(a));
  EXPECT_TRUE(counter.answerExpected(b));
  EXPECT_EQ(counter.read(b, 0ms).status, ReadResult::Status::Timeout) << "held behind READ?";
  counter.externalTrigger();
  EXPECT_EQ(answerOf(counter, b), kIdn);
  const std::string reading = answerOf(counter, a);
  EXPECT_NE(reading.find("E+"), std::string::npos) << reading;
}

TEST(RawSocket, ClientThatNeverReadsHoldsUpNobodyElse) {
  sim::Counter counter;
  sim::SocketServer server(counter);
  std::string error;
  ASSERT_TRUE(server.start(&error)) << error;

  // The stalled client's answer is larger than every socket buffer between it and the server.
  sim::Faults faults;
  faults.overlongAnswer = 16 * 1024 * 1024;
  counter.setFaults(faults);
  LineClient stalled(server.port());
  ASSERT_TRUE(stalled.send("*IDN?\n"));
  for (int i = 0; i < 500 && counter.faults().overlongAnswer != 0; ++i)
    std::this_thread::sleep_for(10ms);
  ASSERT_EQ(counter.faults().overlongAnswer, 0u) << "the stalled client's answer was made";

  for (int round = 0; round < 3; ++round) {
    LineClient other(server.port());
    EXPECT_EQ(other.query("*IDN?\n"), kIdn) << "round " << round;
  }
}

TEST(RawSocket, SendToAClientThatDoesNotReadEndsAtItsDeadline) {
  const std::string big(8 * 1024 * 1024, 'x');
  sim::TcpLineServer server(
      "127.0.0.1", 0,
      [&](sim::TcpLineServer::Connection& c, std::string_view) { return c.send(big); }, {}, {},
      200ms);
  std::string error;
  ASSERT_TRUE(server.start(&error)) << error;
  LineClient client(server.port());
  ASSERT_TRUE(client.send("go\n"));
  std::this_thread::sleep_for(1s);  // the server gives up on the send meanwhile
  // The client now finds the bytes that did get through, then the end of the connection.
  std::size_t received = 0;
  while (auto line = client.readLine(5s)) received += line->size();
  EXPECT_TRUE(client.closedByPeer());
  EXPECT_LT(received, big.size());
  server.stop();
}

TEST(Servers, ListenWithTheSystemsMaximumBacklog) {
  unsigned expected = 0;
  std::ifstream("/proc/sys/net/core/somaxconn") >> expected;
  ASSERT_GT(expected, 16u);
  sim::Counter counter;
  sim::SocketServer raw(counter);
  sim::ControlChannel control(counter);
  std::string error;
  ASSERT_TRUE(raw.start(&error)) << error;
  ASSERT_TRUE(control.start(&error)) << error;
  for (const auto& [name, port] :
       {std::pair{"raw socket", raw.port()}, std::pair{"control channel", control.port()}}) {
    const std::vector<int> sockets = v38xx_test::listeningSockets(port);
    ASSERT_EQ(sockets.size(), 1u) << name;
    EXPECT_EQ(v38xx_test::listenBacklogOf(sockets.front()), expected) << name;
  }
}

}  // namespace
