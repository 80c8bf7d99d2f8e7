// Our VXI-11 client transport against our server, both in this process, over loopback: the
// portmapper is served on a free high port and handed to openVxi11Transport.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/counter.h"
#include "sim/vxi11/vxi11_server.h"
#include "support/listening_sockets.h"
#include "visa/vxi11/vxi11_transport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

visa::ResourceName instrName(const std::string& host = "127.0.0.1",
                             const std::string& device = "inst0") {
  visa::ResourceName name;
  name.interface = visa::InterfaceType::Tcpip;
  name.resourceClass = visa::ResourceClass::Instr;
  name.host = host;
  name.lanDeviceName = device;
  return name;
}

struct Answer {
  ViStatus status = VI_ERROR_SYSTEM_ERROR;
  std::string text;
};

class Vxi11Loopback : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Vxi11Options options;
    options.portmap = sim::Vxi11Options::Portmap::Serve;
    options.portmapPort = 0;
    server = std::make_unique<sim::Vxi11Server>(counter, options);
    std::string error;
    ASSERT_TRUE(server->start(&error)) << error;
    ASSERT_NE(server->portmapPort(), 0);
    transport = open(&status);
    ASSERT_EQ(status, VI_SUCCESS);
    ASSERT_NE(transport, nullptr);
  }

  std::unique_ptr<visa::Transport> open(ViStatus* openStatus,
                                        const visa::ResourceName& name = instrName()) {
    return visa::openVxi11Transport(name, server->portmapPort(), 5000ms, openStatus);
  }

  ViStatus write(visa::Transport& t, const std::string& text,
                 visa::Transport::Timeout timeout = 5000ms) {
    ViUInt32 written = 0;
    ViStatus s = t.write(reinterpret_cast<const ViByte*>(text.data()),
                         static_cast<ViUInt32>(text.size()), &written, timeout);
    EXPECT_EQ(written, s == VI_SUCCESS ? text.size() : written);
    return s;
  }

  Answer read(visa::Transport& t, ViUInt32 count, visa::Transport::Timeout timeout = 5000ms) {
    std::vector<ViByte> buffer(count);
    ViUInt32 got = 0;
    Answer a;
    a.status = t.read(buffer.data(), count, &got, timeout);
    a.text.assign(buffer.begin(), buffer.begin() + got);
    return a;
  }

  Answer query(visa::Transport& t, const std::string& text, ViUInt32 count = 256) {
    ViStatus s = write(t, text);
    if (s != VI_SUCCESS) return {s, ""};
    return read(t, count);
  }

  sim::Counter counter;
  std::unique_ptr<sim::Vxi11Server> server;
  std::unique_ptr<visa::Transport> transport;
  ViStatus status = VI_ERROR_SYSTEM_ERROR;
};

TEST_F(Vxi11Loopback, QueryReturnsTheIdentificationWithItsEnd) {
  for (const char* command : {"*IDN?\n", "*IDN?"}) {
    Answer a = query(*transport, command);
    EXPECT_EQ(a.status, VI_SUCCESS) << command;
    EXPECT_EQ(a.text, counter.identification() + "\n") << command;
  }
}

TEST_F(Vxi11Loopback, OpeningFailsWithTheRightStatus) {
  struct Case {
    const char* name;
    visa::ResourceName resource;
    std::uint16_t portmapper;
    ViStatus expected;
  } cases[] = {
      {"unknown LAN device name", instrName("127.0.0.1", "inst7"), server->portmapPort(),
       VI_ERROR_RSRC_NFOUND},
      {"no portmapper on that port", instrName(), server->port(), VI_ERROR_RSRC_NFOUND},
      {"unknown host", instrName("no-such-host.invalid"), server->portmapPort(),
       VI_ERROR_RSRC_NFOUND},
      {"a SOCKET resource is no VXI-11 instrument",
       [] {
         auto n = instrName();
         n.resourceClass = visa::ResourceClass::Socket;
         n.port = 5025;
         return n;
       }(),
       server->portmapPort(), VI_ERROR_INV_RSRC_NAME},
  };
  for (const auto& c : cases) {
    ViStatus s = VI_SUCCESS;
    auto t = visa::openVxi11Transport(c.resource, c.portmapper, 3000ms, &s);
    EXPECT_EQ(t, nullptr) << c.name;
    EXPECT_EQ(s, c.expected) << c.name;
  }
  ViStatus s = VI_ERROR_SYSTEM_ERROR;
  EXPECT_NE(open(&s, instrName("localhost", "INST0")), nullptr)
      << "host names resolve and device names ignore letter case";
  EXPECT_EQ(s, VI_SUCCESS);
}

TEST_F(Vxi11Loopback, SilentCounterTimesOutAfterTheTimeout) {
  counter.setFaults({.answerDelayMs = 3000});
  ASSERT_EQ(write(*transport, "*IDN?\n"), VI_SUCCESS);
  const auto start = Clock::now();
  Answer a = read(*transport, 256, 400ms);
  const auto elapsed = Clock::now() - start;
  EXPECT_EQ(a.status, VI_ERROR_TMO);
  EXPECT_EQ(a.text, "");
  EXPECT_GE(elapsed, 350ms);
  EXPECT_LT(elapsed, 2500ms);
}

TEST_F(Vxi11Loopback, NoStaleAnswerAfterATimeout) {
  counter.setFaults({.answerDelayMs = 600});
  ASSERT_EQ(write(*transport, "*IDN?\n"), VI_SUCCESS);
  EXPECT_EQ(read(*transport, 256, 100ms).status, VI_ERROR_TMO);
  // Let the late identification become readable before asking something else.
  std::this_thread::sleep_for(800ms);
  counter.setFaults({});
  Answer a = query(*transport, "*OPC?\n");
  EXPECT_EQ(a.status, VI_SUCCESS);
  EXPECT_EQ(a.text, "1\n");
}

TEST_F(Vxi11Loopback, OverlongAnswerFillsTheCountAndLeavesTheRest) {
  counter.setFaults({.overlongAnswer = 300});
  ASSERT_EQ(write(*transport, "*IDN?\n"), VI_SUCCESS);
  Answer first = read(*transport, 128);
  EXPECT_EQ(first.status, VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(first.text.size(), 128u);
  Answer rest = read(*transport, 1024);
  EXPECT_EQ(rest.status, VI_SUCCESS);
  EXPECT_EQ(first.text.size() + rest.text.size(), 300u);
  EXPECT_EQ(rest.text.back(), '\n');
  EXPECT_EQ(read(*transport, 1024, 200ms).status, VI_ERROR_TMO) << "nothing is left over";
}

TEST_F(Vxi11Loopback, AnswerThatEndsExactlyAtTheCountIsComplete) {
  const std::string expected = counter.identification() + "\n";
  ASSERT_EQ(write(*transport, "*IDN?\n"), VI_SUCCESS);
  Answer a = read(*transport, static_cast<ViUInt32>(expected.size()));
  EXPECT_EQ(a.status, VI_SUCCESS);
  EXPECT_EQ(a.text, expected);
}

TEST_F(Vxi11Loopback, LongMessageArrivesWhole) {
  std::vector<std::string> received;
  counter.setCommandLog([&](std::string_view message) { received.emplace_back(message); });
  // Longer than what one device_write may carry, so it travels in several pieces.
  const std::string message = "*CLS" + std::string(3 << 20, ' ') + "\n";
  ASSERT_EQ(write(*transport, message, 20000ms), VI_SUCCESS);
  Answer a = query(*transport, "*OPC?\n");
  EXPECT_EQ(a.status, VI_SUCCESS);
  counter.setCommandLog({});
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0], message);
}

TEST_F(Vxi11Loopback, DroppedConnectionIsReportedAndStays) {
  counter.setFaults({.dropNextAnswer = true});
  ASSERT_EQ(write(*transport, "*IDN?\n"), VI_SUCCESS);
  EXPECT_EQ(read(*transport, 256).status, VI_ERROR_CONN_LOST);
  EXPECT_EQ(write(*transport, "*IDN?\n"), VI_ERROR_CONN_LOST);
  // A new session works again.
  counter.setFaults({});
  ViStatus s;
  auto again = open(&s);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(query(*again, "*IDN?\n").status, VI_SUCCESS);
}

TEST_F(Vxi11Loopback, ClearDropsThePendingAnswer) {
  ASSERT_EQ(write(*transport, "*IDN?\n"), VI_SUCCESS);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(transport->clear(2000ms), VI_SUCCESS);
  EXPECT_EQ(read(*transport, 256, 300ms).status, VI_ERROR_TMO);
  EXPECT_EQ(query(*transport, "*OPC?\n").text, "1\n");
}

TEST_F(Vxi11Loopback, GoToLocalReachesTheCounter) {
  ASSERT_EQ(query(*transport, "*IDN?\n").status, VI_SUCCESS);
  EXPECT_TRUE(counter.remote());
  EXPECT_EQ(transport->controlRen(VI_GPIB_REN_ADDRESS_GTL), VI_SUCCESS);
  EXPECT_FALSE(counter.remote());
  EXPECT_EQ(transport->controlRen(VI_GPIB_REN_ASSERT_LLO), VI_ERROR_NSUP_OPER);
  // The simulated counter offers neither serial poll nor bus trigger over VXI-11.
  ViUInt16 stb = 0;
  EXPECT_EQ(transport->readStatusByte(&stb, 1000ms), VI_ERROR_NSUP_OPER);
  EXPECT_EQ(transport->assertTrigger(1000ms), VI_ERROR_NSUP_OPER);
  EXPECT_EQ(query(*transport, "*OPC?\n").text, "1\n") << "the link is still usable";
}

TEST_F(Vxi11Loopback, TwoSessionsShareTheCounter) {
  ViStatus s;
  auto second = open(&s);
  ASSERT_NE(second, nullptr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(query(*transport, "*IDN?\n").status, VI_SUCCESS);
    EXPECT_EQ(query(*second, "*OPC?\n").text, "1\n");
  }
}

// Each link has its own output queue, as on an instrument: interleaved queries of two
// sessions never receive each other's answers, and one link's device clear leaves the other's.
TEST_F(Vxi11Loopback, InterleavedLinksGetOnlyTheirOwnAnswers) {
  ViStatus s;
  auto second = open(&s);
  ASSERT_NE(second, nullptr);
  const std::string idn = counter.identification() + "\n";
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(write(*transport, "*IDN?\n"), VI_SUCCESS);
    ASSERT_EQ(write(*second, "*OPC?\n"), VI_SUCCESS);
    EXPECT_EQ(read(*second, 256).text, "1\n");
    EXPECT_EQ(read(*transport, 256).text, idn);
  }
  ASSERT_EQ(write(*transport, "*IDN?\n"), VI_SUCCESS);
  ASSERT_EQ(write(*second, "*OPC?\n"), VI_SUCCESS);
  EXPECT_EQ(second->clear(1000ms), VI_SUCCESS);
  EXPECT_EQ(read(*transport, 256).text, idn);
  EXPECT_TRUE(counter.pendingErrors().empty()) << counter.pendingErrors().front();
}

TEST_F(Vxi11Loopback, CoreChannelAndPortmapperListenWithTheSystemsMaximumBacklog) {
  unsigned expected = 0;
  std::ifstream("/proc/sys/net/core/somaxconn") >> expected;
  for (const std::uint16_t port : {server->port(), server->portmapPort()}) {
    const std::vector<int> sockets = v38xx_test::listeningSockets(port);
    ASSERT_EQ(sockets.size(), 1u) << port;
    EXPECT_EQ(v38xx_test::listenBacklogOf(sockets.front()), expected) << port;
  }
}

TEST_F(Vxi11Loopback, StoppedServerIsALostConnection) {
  server->stop();
  EXPECT_EQ(query(*transport, "*IDN?\n").status, VI_ERROR_CONN_LOST);
}

}  // namespace
