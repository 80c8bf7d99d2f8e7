// TCPIP INSTR resources through the builtin VISA: a simulated counter served over VXI-11 on
// loopback, its portmapper on a private port (as visa.conf's [vxi11] portmapper_port sets it).

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sim/counter.h"
#include "sim/vxi11/vxi11_server.h"
#include "visa/builtin_library.h"

namespace {

class Vxi11SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Vxi11Options options;
    options.portmap = sim::Vxi11Options::Portmap::Serve;
    options.portmapPort = 0;
    server = std::make_unique<sim::Vxi11Server>(counter, options);
    std::string error;
    ASSERT_TRUE(server->start(&error)) << error;
    ASSERT_NE(server->portmapPort(), 0);
    visa::BuiltinOptions o;
    o.simulate = false;
    o.usbtmcSysfsDir = "/nonexistent/v38xx-test/usbmisc";
    o.gpibLibrary = "libv38xx-test-no-such-gpib.so.0";
    o.lanResources = {"TCPIP::127.0.0.1::INSTR"};
    o.vxi11PortmapperPort = server->portmapPort();
    lib = std::make_unique<visa::BuiltinLibrary>(o);
    ASSERT_EQ(lib->viOpenDefaultRM(&rm), VI_SUCCESS);
  }
  void TearDown() override {
    if (lib) lib->viClose(rm);
  }

  ViStatus query(ViSession s, const std::string& text, ViUInt32 count, std::string* answer) {
    ViUInt32 n = 0;
    ViStatus st = lib->viWrite(s, reinterpret_cast<const ViByte*>(text.data()), text.size(), &n);
    if (st != VI_SUCCESS) return st;
    std::vector<ViByte> buffer(count);
    st = lib->viRead(s, buffer.data(), count, &n);
    answer->assign(reinterpret_cast<const char*>(buffer.data()), n);
    return st;
  }

  sim::Counter counter;
  std::unique_ptr<sim::Vxi11Server> server;
  std::unique_ptr<visa::BuiltinLibrary> lib;
  ViSession rm = VI_NULL;
};

TEST_F(Vxi11SessionTest, FoundInTheLanListAndQueried) {
  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  char name[VI_FIND_BUFLEN];
  ASSERT_EQ(lib->viFindRsrc(rm, "TCPIP?*", &list, &count, name), VI_SUCCESS);
  EXPECT_STREQ(name, "TCPIP0::127.0.0.1::inst0::INSTR");
  ViSession s = VI_NULL;
  ASSERT_EQ(lib->viOpen(rm, name, VI_NO_LOCK, 0, &s), VI_SUCCESS);
  std::string answer;
  ASSERT_EQ(query(s, "*IDN?\n", 256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, counter.identification() + "\n");
  // A typed address ("TCPIP::" and the host) opens the same instrument.
  ViSession typed = VI_NULL;
  ASSERT_EQ(lib->viOpen(rm, "TCPIP::127.0.0.1", VI_NO_LOCK, 0, &typed), VI_SUCCESS);
  ASSERT_EQ(query(typed, "*IDN?\n", 5, &answer), VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(answer, "ORVAL");
}

TEST_F(Vxi11SessionTest, QueryAfterATimeOutNeverReceivesTheLateAnswer) {
  ViSession s = VI_NULL;
  ASSERT_EQ(lib->viOpen(rm, "TCPIP0::127.0.0.1::inst0::INSTR", VI_NO_LOCK, 0, &s), VI_SUCCESS);
  sim::Faults slow;
  slow.answerDelayMs = 1000;
  counter.setFaults(slow);
  ASSERT_EQ(lib->viSetAttribute(s, VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
  std::string answer;
  ASSERT_EQ(query(s, "*IDN?\n", 256, &answer), VI_ERROR_TMO);
  counter.setFaults({});
  ASSERT_EQ(lib->viSetAttribute(s, VI_ATTR_TMO_VALUE, 5000), VI_SUCCESS);
  ASSERT_EQ(query(s, "*OPC?\n", 256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, "1\n");
}

TEST_F(Vxi11SessionTest, UnknownLanDeviceNameIsNotFound) {
  ViSession s = VI_NULL;
  EXPECT_EQ(lib->viOpen(rm, "TCPIP0::127.0.0.1::nosuchdevice::INSTR", VI_NO_LOCK, 0, &s),
            VI_ERROR_RSRC_NFOUND);
  EXPECT_EQ(s, VI_NULL);
}

}  // namespace

namespace {

// Two builtin libraries stand for two programs on the network: only the instrument's own lock
// (device_lock) can keep one out while the other holds an exclusive lock.
TEST_F(Vxi11SessionTest, ExclusiveLockIsTheInstrumentsDeviceLock) {
  visa::BuiltinOptions o = lib->options();
  visa::BuiltinLibrary other(o);
  ViSession otherRm = VI_NULL;
  ASSERT_EQ(other.viOpenDefaultRM(&otherRm), VI_SUCCESS);
  const char* name = "TCPIP0::127.0.0.1::inst0::INSTR";
  ViSession mine = VI_NULL, theirs = VI_NULL;
  ASSERT_EQ(lib->viOpen(rm, name, VI_NO_LOCK, 0, &mine), VI_SUCCESS);
  ASSERT_EQ(other.viOpen(otherRm, name, VI_NO_LOCK, 0, &theirs), VI_SUCCESS);

  ASSERT_EQ(lib->viLock(mine, VI_EXCLUSIVE_LOCK, 1000, nullptr, nullptr), VI_SUCCESS);
  ViUInt32 n = 0;
  EXPECT_EQ(other.viWrite(theirs, reinterpret_cast<const ViByte*>("*IDN?\n"), 6, &n),
            VI_ERROR_RSRC_LOCKED);
  EXPECT_EQ(other.viLock(theirs, VI_EXCLUSIVE_LOCK, 200, nullptr, nullptr), VI_ERROR_TMO);
  std::string answer;
  EXPECT_EQ(query(mine, "*IDN?\n", 256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, counter.identification() + "\n");

  // The other program waits for the lock and gets it when this one lets go.
  std::thread waiter([&] {
    EXPECT_EQ(other.viLock(theirs, VI_EXCLUSIVE_LOCK, 10000, nullptr, nullptr), VI_SUCCESS);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(lib->viUnlock(mine), VI_SUCCESS);
  waiter.join();
  EXPECT_EQ(lib->viWrite(mine, reinterpret_cast<const ViByte*>("*IDN?\n"), 6, &n),
            VI_ERROR_RSRC_LOCKED);
  EXPECT_EQ(other.viUnlock(theirs), VI_SUCCESS);
  EXPECT_EQ(other.viUnlock(theirs), VI_ERROR_SESN_NLOCKED);
  EXPECT_EQ(query(mine, "*OPC?\n", 256, &answer), VI_SUCCESS);
  EXPECT_EQ(answer, "1\n");
  other.viClose(otherRm);
}

}  // namespace
