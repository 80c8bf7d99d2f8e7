// Raw SCPI sockets (TCPIP::host::port::SOCKET) through the builtin VISA against the simulated
// counter's socket server on loopback: queries, time-outs, over-long answers, a dropped link,
// device clear, and no stale answer after a time-out.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sim/counter.h"
#include "sim/socket_server.h"
#include "visa/builtin_library.h"

namespace {

using Clock = std::chrono::steady_clock;

class SocketTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server.start(&error)) << error;
    visa::BuiltinOptions o;
    o.simulate = false;
    o.usbtmcSysfsDir = "/nonexistent/v38xx-test/usbmisc";
    o.gpibLibrary = "libv38xx-test-no-such-gpib.so.0";
    name = "TCPIP0::127.0.0.1::" + std::to_string(server.port()) + "::SOCKET";
    o.lanResources = {name};
    lib = std::make_unique<visa::BuiltinLibrary>(o);
    ASSERT_EQ(lib->viOpenDefaultRM(&rm), VI_SUCCESS);
    ASSERT_EQ(lib->viOpen(rm, name.c_str(), VI_NO_LOCK, 0, &s), VI_SUCCESS);
  }
  void TearDown() override {
    if (lib) lib->viClose(rm);
  }

  ViStatus write(const std::string& text) {
    ViUInt32 written = 0;
    const ViStatus st =
        lib->viWrite(s, reinterpret_cast<const ViByte*>(text.data()), text.size(), &written);
    if (st == VI_SUCCESS) {
      EXPECT_EQ(written, text.size());
    }
    return st;
  }
  ViStatus read(ViUInt32 count, std::string* text) {
    std::vector<ViByte> buffer(count + 1);
    ViUInt32 got = 0;
    const ViStatus st = lib->viRead(s, buffer.data(), count, &got);
    text->assign(reinterpret_cast<const char*>(buffer.data()), got);
    return st;
  }
  void setTimeout(ViUInt32 ms) {
    ASSERT_EQ(lib->viSetAttribute(s, VI_ATTR_TMO_VALUE, ms), VI_SUCCESS);
  }

  sim::Counter counter;
  sim::SocketServer server{counter, "127.0.0.1", 0};
  std::string name;
  std::unique_ptr<visa::BuiltinLibrary> lib;
  ViSession rm = VI_NULL;
  ViSession s = VI_NULL;
};

TEST_F(SocketTransportTest, ListedAndQueried) {
  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  char found[VI_FIND_BUFLEN];
  ASSERT_EQ(lib->viFindRsrc(rm, "TCPIP?*", &list, &count, found), VI_SUCCESS);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(found, name);

  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(write("*IDN?\n"), VI_SUCCESS);
    std::string answer;
    ASSERT_EQ(read(256, &answer), VI_SUCCESS);
    EXPECT_EQ(answer, counter.identification() + "\n");
  }
  ViUInt16 port = 0;
  ASSERT_EQ(lib->viGetAttribute(s, VI_ATTR_TCPIP_PORT, &port), VI_SUCCESS);
  EXPECT_EQ(port, server.port());
  EXPECT_EQ(lib->viGpibControlREN(s, VI_GPIB_REN_ADDRESS_GTL), VI_ERROR_NSUP_OPER);
}

TEST_F(SocketTransportTest, BareWriteEndsWithALineFeedAsEndElsewhere) {
  // The main program sends "*IDN?" and "INIT:CONT OFF" without a terminator; the socket adds
  // the line feed that ends a message, once, and reports the caller's byte count.
  ASSERT_EQ(write("*IDN?"), VI_SUCCESS);
  std::string answer;
  ASSERT_EQ(read(256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, counter.identification() + "\n");
  ASSERT_EQ(write("INIT:CONT OFF"), VI_SUCCESS);
  ASSERT_EQ(write("INIT:CONT ON\n"), VI_SUCCESS);
  ASSERT_EQ(write("SYST:ERR?"), VI_SUCCESS);
  ASSERT_EQ(read(256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer.rfind("+0,", 0), 0u) << answer;  // no empty or broken messages arrived
}

TEST_F(SocketTransportTest, TimeOutWithinTheSessionTimeout) {
  sim::Faults slow;
  slow.answerDelayMs = 3000;
  counter.setFaults(slow);
  setTimeout(300);
  ASSERT_EQ(write("*IDN?\n"), VI_SUCCESS);
  std::string answer;
  const auto start = Clock::now();
  EXPECT_EQ(read(256, &answer), VI_ERROR_TMO);
  const auto elapsed = Clock::now() - start;
  EXPECT_TRUE(answer.empty());
  EXPECT_GE(elapsed, std::chrono::milliseconds(250));
  EXPECT_LT(elapsed, std::chrono::milliseconds(300 + 5000));
}

TEST_F(SocketTransportTest, QueryAfterATimeOutNeverReceivesTheLateAnswer) {
  sim::Faults slow;
  slow.answerDelayMs = 1000;
  counter.setFaults(slow);
  setTimeout(200);
  ASSERT_EQ(write("*IDN?\n"), VI_SUCCESS);
  std::string answer;
  ASSERT_EQ(read(256, &answer), VI_ERROR_TMO);

  counter.setFaults({});
  setTimeout(5000);
  ASSERT_EQ(write("*OPC?\n"), VI_SUCCESS);
  ASSERT_EQ(read(256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, "1\n");
  // And the session goes on normally.
  ASSERT_EQ(write("*IDN?\n"), VI_SUCCESS);
  ASSERT_EQ(read(256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, counter.identification() + "\n");
}

TEST_F(SocketTransportTest, OverlongAnswerGivesMaxCountAndTheRestFollows) {
  sim::Faults longer;
  longer.overlongAnswer = 300;
  counter.setFaults(longer);
  ASSERT_EQ(write("*IDN?\n"), VI_SUCCESS);
  std::string first, rest;
  EXPECT_EQ(read(128, &first), VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(first.size(), 128u);
  EXPECT_EQ(read(1024, &rest), VI_SUCCESS);
  EXPECT_EQ(first.size() + rest.size(), 300u);
  EXPECT_EQ((first + rest).back(), '\n');
  EXPECT_EQ((first + rest).rfind(counter.identification(), 0), 0u);
}

TEST_F(SocketTransportTest, DroppedConnectionIsReportedAndClearReconnects) {
  sim::Faults drop;
  drop.dropNextAnswer = true;
  counter.setFaults(drop);
  setTimeout(3000);
  ASSERT_EQ(write("*IDN?\n"), VI_SUCCESS);
  std::string answer;
  const ViStatus st = read(256, &answer);
  EXPECT_TRUE(st == VI_ERROR_CONN_LOST || st == VI_ERROR_IO) << std::hex << st;
  char text[VI_FIND_BUFLEN];
  lib->viStatusDesc(s, VI_ERROR_CONN_LOST, text);
  EXPECT_STREQ(text, "The connection for the given session has been lost.");

  EXPECT_EQ(lib->viClear(s), VI_SUCCESS);
  ASSERT_EQ(write("*IDN?\n"), VI_SUCCESS);
  ASSERT_EQ(read(256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, counter.identification() + "\n");
}

TEST_F(SocketTransportTest, ClearDiscardsTheAnswerInFlight) {
  sim::Faults slow;
  slow.answerDelayMs = 300;
  counter.setFaults(slow);
  ASSERT_EQ(write("*IDN?\n"), VI_SUCCESS);
  EXPECT_EQ(lib->viClear(s), VI_SUCCESS);
  counter.setFaults({});
  setTimeout(5000);
  ASSERT_EQ(write("*OPC?\n"), VI_SUCCESS);
  std::string answer;
  ASSERT_EQ(read(256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, "1\n");
}

TEST_F(SocketTransportTest, AClearFromAnotherThreadEndsAReadThatWaits) {
  setTimeout(15000);
  sim::Faults stalled;
  stalled.stalled = true;
  counter.setFaults(stalled);
  ASSERT_EQ(write("fetch?"), VI_SUCCESS);
  ViStatus status = VI_SUCCESS;
  std::string got;
  std::thread reader([&] { status = read(128, &got); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(lib->viClear(s), VI_SUCCESS);
  reader.join();
  EXPECT_EQ(status, VI_ERROR_ABORT) << "given up at the clear, not timed out";
  counter.setFaults({});
  ASSERT_EQ(write("*IDN?"), VI_SUCCESS);
  EXPECT_EQ(read(128, &got), VI_SUCCESS);
  EXPECT_EQ(got, counter.identification() + "\n");
}

TEST(SocketTransportOpen, RefusedConnectionIsNotFound) {
  // Take a free port, then let it go: nothing listens there.
  sim::Counter counter;
  std::uint16_t port = 0;
  {
    sim::SocketServer probe(counter, "127.0.0.1", 0);
    ASSERT_TRUE(probe.start());
    port = probe.port();
  }
  visa::BuiltinOptions o;
  o.simulate = false;
  visa::BuiltinLibrary lib(o);
  ViSession rm = VI_NULL, s = VI_NULL;
  ASSERT_EQ(lib.viOpenDefaultRM(&rm), VI_SUCCESS);
  const std::string name = "TCPIP::127.0.0.1::" + std::to_string(port) + "::SOCKET";
  EXPECT_EQ(lib.viOpen(rm, name.c_str(), VI_NO_LOCK, 0, &s), VI_ERROR_RSRC_NFOUND);
  char text[VI_FIND_BUFLEN];
  lib.viStatusDesc(rm, VI_ERROR_RSRC_NFOUND, text);
  EXPECT_NE(std::string(text).find("cannot connect to 127.0.0.1"), std::string::npos) << text;
}

}  // namespace
