// The raw SCPI socket and the control channel of the simulated counter, over loopback.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/text_format.h"
#include "line_client.h"
#include "sim/control_channel.h"
#include "sim/counter.h"
#include "sim/socket_server.h"
#include "sim/tcp_line_server.h"

namespace {

using namespace std::chrono_literals;
using sim_test::LineClient;

const std::regex kCounterFormat(R"([+-]\d\.\d{11}E[+-]\d{3}\n)");

class SocketServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server.start(&error)) << error;
    ASSERT_TRUE(control.start(&error)) << error;
    ASSERT_NE(server.port(), 0);
    ASSERT_NE(control.port(), 0);
  }

  sim::Counter counter;
  sim::SocketServer server{counter};
  sim::ControlChannel control{counter};
};

TEST_F(SocketServerTest, AnswersIdentificationQuery) {
  LineClient client(server.port());
  ASSERT_TRUE(client.connected());
  EXPECT_EQ(client.query("*IDN?\n"), "ORVALENT,V3800A,SIM3800A01,1.1.2\n");
  EXPECT_EQ(client.query("*idn?\r\n"), "ORVALENT,V3800A,SIM3800A01,1.1.2\n");
  // Commands give no answer; the next query's answer is the next line.
  EXPECT_TRUE(client.send("FUNC 'FREQ 2'\nINIT:CONT ON\n"));
  EXPECT_EQ(client.query("func?\n"), "\"FREQ 2\"\n");
  // Several queries pipelined in one send get their answers in order.
  EXPECT_TRUE(client.send("*OPC?\nSYST:ERR?\n*IDN?\n"));
  EXPECT_EQ(client.readLine(), "1\n");
  EXPECT_EQ(client.readLine(), "+0,\"No error\"\n");
  EXPECT_EQ(client.readLine(), "ORVALENT,V3800A,SIM3800A01,1.1.2\n");
}

TEST_F(SocketServerTest, ServesSeveralClientsAtOnce) {
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      LineClient client(server.port());
      for (int i = 0; i < 50; ++i) {
        if (t % 2) {
          const auto answer = client.query("*IDN?\n");
          if (answer == "ORVALENT,V3800A,SIM3800A01,1.1.2\n") ++good;
        } else {
          const auto answer = client.query("fetch?\n");
          if (answer && std::regex_match(*answer, kCounterFormat)) ++good;
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(good.load(), 200);
  EXPECT_TRUE(counter.pendingErrors().empty()) << "clients take turns: no answer is lost";
}

TEST_F(SocketServerTest, DelayedAnswerArrivesAfterAShortClientTimeout) {
  LineClient client(server.port());
  EXPECT_EQ(control.execute("delay 2000"), "ok");
  ASSERT_TRUE(client.send("*IDN?\n"));
  EXPECT_EQ(client.readLine(100ms), std::nullopt) << "the client's time-out comes first";
  EXPECT_FALSE(client.closedByPeer());
  EXPECT_EQ(client.readLine(30s), "ORVALENT,V3800A,SIM3800A01,1.1.2\n");
  EXPECT_EQ(control.execute("delay 0"), "ok");
}

TEST_F(SocketServerTest, DroppedAnswerClosesTheConnection) {
  LineClient client(server.port());
  EXPECT_EQ(control.execute("drop"), "ok");
  ASSERT_TRUE(client.send("fetch?\n"));
  EXPECT_EQ(client.readLine(), std::nullopt);
  EXPECT_TRUE(client.closedByPeer());
  LineClient again(server.port());
  EXPECT_EQ(again.query("*IDN?\n"), "ORVALENT,V3800A,SIM3800A01,1.1.2\n");
}

TEST_F(SocketServerTest, GarbageAndOverlongAnswers) {
  LineClient client(server.port());
  EXPECT_EQ(control.execute("garbage"), "ok");
  const auto garbage = client.query("fetch?\n");
  ASSERT_TRUE(garbage);
  bool parsed = true;
  core::leadingDouble(*garbage, &parsed);
  EXPECT_FALSE(parsed) << *garbage;

  EXPECT_EQ(control.execute("overlong 4000"), "ok");
  const auto overlong = client.query("fetch?\n");
  ASSERT_TRUE(overlong);
  EXPECT_EQ(overlong->size(), 4000u);
  EXPECT_TRUE(std::regex_match(*client.query("fetch?\n"), kCounterFormat));
}

TEST_F(SocketServerTest, ControlTriggerCompletesAnArmedFetch) {
  LineClient client(server.port());
  ASSERT_TRUE(client.send("FREQuency:ARM:STARt:SOURce EXTernal\nINIT:CONT ON\nfetch?\n"));
  EXPECT_EQ(client.readLine(100ms), std::nullopt);
  // Another client waits its turn behind the armed query.
  LineClient other(server.port());
  ASSERT_TRUE(other.send("*IDN?\n"));
  EXPECT_EQ(other.readLine(100ms), std::nullopt);

  LineClient controlClient(control.port());
  EXPECT_EQ(controlClient.query("trigger\n"), "ok\n");
  const auto reading = client.readLine();
  ASSERT_TRUE(reading);
  EXPECT_TRUE(std::regex_match(*reading, kCounterFormat)) << *reading;
  EXPECT_EQ(other.readLine(), "ORVALENT,V3800A,SIM3800A01,1.1.2\n");
}

TEST_F(SocketServerTest, ClientLeavingWhileItsQueryWaitsFreesTheCounter) {
  {
    LineClient client(server.port());
    ASSERT_TRUE(client.send("FREQuency:ARM:STARt:SOURce EXTernal\nfetch?\n"));
    EXPECT_EQ(client.readLine(100ms), std::nullopt);
  }
  LineClient next(server.port());
  ASSERT_TRUE(next.send("FREQuency:ARM:STARt:SOURce IMM\n"));
  const auto reading = next.query("fetch?\n");
  ASSERT_TRUE(reading);
  EXPECT_TRUE(std::regex_match(*reading, kCounterFormat)) << *reading;
}

TEST_F(SocketServerTest, LastLineWithoutLineFeedIsProcessedAtClose) {
  {
    LineClient client(server.port());
    ASSERT_EQ(client.query("*CLS;*OPC?\n"), "1\n");
    EXPECT_TRUE(counter.remote());
    ASSERT_TRUE(client.send(std::string_view("syst:comm:rlst loc\0", 19)));
  }
  for (int i = 0; i < 500 && counter.remote(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_FALSE(counter.remote());
  EXPECT_TRUE(counter.pendingErrors().empty());
}

TEST_F(SocketServerTest, OverlongInputLineIsDroppedAndReported) {
  LineClient client(server.port());
  ASSERT_TRUE(client.send(std::string(sim::TcpLineServer::kMaxLine + 100, 'A')));
  ASSERT_TRUE(client.send("B\n"));
  EXPECT_EQ(client.query("SYST:ERR?\n"), "-363,\"Input buffer overrun\"\n");
  EXPECT_EQ(client.query("SYST:ERR?\n"), "+0,\"No error\"\n") << "the long line was not parsed";
  EXPECT_EQ(client.query("*IDN?\n"), "ORVALENT,V3800A,SIM3800A01,1.1.2\n");
}

TEST_F(SocketServerTest, ControlChannelProtocol) {
  LineClient client(control.port());
  struct Case {
    const char* command;
    const char* reply;
  } cases[] = {
      {"idn?\n", "ok ORVALENT,V3800A,SIM3800A01,1.1.2\n"},
      {"errors?\n", "ok 0\n"},
      {"faults?\n", "ok delay=0 drop=0 garbage=0 overlong=0 stall=0\n"},
      {"delay 250\n", "ok\n"},
      {"overlong 300\n", "ok\n"},
      {"faults?\n", "ok delay=250 drop=0 garbage=0 overlong=300 stall=0\n"},
      {"delay -5\n", "error usage: delay <milliseconds 0..600000>\n"},
      {"overlong lots\n", "error usage: overlong <bytes 0..16777216>\n"},
      {"signal 2 off\n", "ok\n"},
      {"signal 3 freq 1e9\n", "ok\n"},
      {"signal 4 off\n", "error this model has no input 4\n"},
      {"signal 1 freq -3\n", "error the frequency must be a positive number of hertz\n"},
      {"signal 1 sideways\n", "error usage: signal <input> on|off|freq <hz>\n"},
      {"setting INP:IMP\n", "ok 1000000\n"},
      {"setting NOPE\n", "error unknown setting NOPE\n"},
      {"remote?\n", "ok 0\n"},
      {"jump\n", "error unknown command (try help): jump\n"},
      {"stall on\n", "ok\n"},
      {"faults?\n", "ok delay=250 drop=0 garbage=0 overlong=300 stall=1\n"},
      {"stall\n", "error usage: stall on|off\n"},
      {"reset\n", "ok\n"},
      {"faults?\n", "ok delay=0 drop=0 garbage=0 overlong=0 stall=0\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(client.query(c.command), c.reply) << c.command;
  EXPECT_TRUE(counter.signalConnected(2)) << "reset reconnects the inputs";

  counter.write("BOGUS;:EVEN:LEV:ABS 99");
  EXPECT_EQ(client.query("errors?\n"),
            "ok 2 -113,\"Undefined header\";-222,\"Data out of range\"\n");
  EXPECT_EQ(client.query("remote?\n"), "ok 1\n");
  EXPECT_EQ(client.query("help\n")->rfind("ok commands:", 0), 0u);
  EXPECT_EQ(client.query("quit\n"), "ok\n");
  EXPECT_EQ(client.readLine(2s), std::nullopt);
  EXPECT_TRUE(client.closedByPeer());
}

TEST_F(SocketServerTest, ControlSignalOffGivesOverflowOverTheSocket) {
  LineClient client(server.port());
  EXPECT_EQ(control.execute("signal 1 off"), "ok");
  EXPECT_EQ(client.query("fetch?\n"), "9.91E+37\n");
  EXPECT_EQ(control.execute("signal 1 on"), "ok");
  EXPECT_TRUE(std::regex_match(*client.query("fetch?\n"), kCounterFormat));
}

TEST(SocketServer, ReportsAPortThatCannotBeBound) {
  sim::Counter counter;
  sim::SocketServer first(counter, "127.0.0.1", 0);
  std::string error;
  ASSERT_TRUE(first.start(&error)) << error;
  sim::SocketServer second(counter, "127.0.0.1", first.port());
  EXPECT_FALSE(second.start(&error));
  EXPECT_NE(error.find("cannot listen"), std::string::npos) << error;
  sim::SocketServer bad(counter, "not an address", 0);
  EXPECT_FALSE(bad.start(&error));
}

TEST(SocketServer, ServesIpv6Loopback) {
  sim::Counter counter;
  sim::SocketServer server(counter, "::1", 0);
  std::string error;
  if (!server.start(&error)) GTEST_SKIP() << "no IPv6 loopback here: " << error;
  const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_port = htons(server.port());
  address.sin6_addr = in6addr_loopback;
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::send(fd, "*IDN?\n", 6, MSG_NOSIGNAL), 6);
  std::string answer;
  char c;
  while (answer.find('\n') == std::string::npos && ::recv(fd, &c, 1, 0) == 1) answer += c;
  ::close(fd);
  EXPECT_EQ(answer, counter.identification() + "\n");
}

TEST(SocketServer, StopsWhileAClientWaits) {
  sim::Counter counter;
  auto server = std::make_unique<sim::SocketServer>(counter);
  std::string error;
  ASSERT_TRUE(server->start(&error)) << error;
  LineClient client(server->port());
  ASSERT_TRUE(client.send("FREQuency:ARM:STARt:SOURce EXTernal\nfetch?\n"));
  EXPECT_EQ(client.readLine(100ms), std::nullopt);
  server.reset();  // must not hang
  EXPECT_EQ(client.readLine(2s), std::nullopt);
  EXPECT_TRUE(client.closedByPeer());
}

}  // namespace
