// The builtin VISA on its in-process simulated counters: discovery with the product's search
// expressions, message I/O with VISA's completion codes, time-outs, device clear, session
// bookkeeping and status texts.

#include "visa/builtin_library.h"
#include "sim/in_process_counters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "sim/counter.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kSim3800 = "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR";
constexpr const char* kSim3820 = "USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR";

// Options that see nothing of the machine: no USBTMC devices, no linux-gpib.
visa::BuiltinOptions isolated() {
  visa::BuiltinOptions o;
  o.usbtmcSysfsDir = "/nonexistent/v38xx-test/usbmisc";
  o.deviceDir = "/nonexistent/v38xx-test/dev";
  o.gpibLibrary = "libv38xx-test-no-such-gpib.so.0";
  return o;
}

class BuiltinLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(lib.viOpenDefaultRM(&rm), VI_SUCCESS); }

  ViSession open(const char* name) {
    ViSession s = VI_NULL;
    EXPECT_EQ(lib.viOpen(rm, name, VI_NO_LOCK, 0, &s), VI_SUCCESS) << name;
    return s;
  }
  ViStatus write(ViSession s, const std::string& text) {
    ViUInt32 written = 0;
    const ViStatus st =
        lib.viWrite(s, reinterpret_cast<const ViByte*>(text.data()), text.size(), &written);
    if (st == VI_SUCCESS) {
      EXPECT_EQ(written, text.size());
    }
    return st;
  }
  ViStatus read(ViSession s, ViUInt32 count, std::string* text) {
    std::vector<ViByte> buffer(count + 1);
    ViUInt32 got = 0;
    const ViStatus st = lib.viRead(s, buffer.data(), count, &got);
    EXPECT_LE(got, count);
    text->assign(reinterpret_cast<const char*>(buffer.data()), got);
    return st;
  }
  std::vector<std::string> find(const char* expression, ViStatus* status) {
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char first[VI_FIND_BUFLEN] = {};
    *status = lib.viFindRsrc(rm, expression, &list, &count, first);
    std::vector<std::string> names;
    if (*status != VI_SUCCESS) return names;
    names.push_back(first);
    char next[VI_FIND_BUFLEN];
    for (ViUInt32 i = 1; i < count; ++i) {
      EXPECT_EQ(lib.viFindNext(list, next), VI_SUCCESS);
      names.push_back(next);
    }
    EXPECT_EQ(lib.viFindNext(list, next), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(lib.viClose(list), VI_SUCCESS);
    return names;
  }
  std::string describe(ViObject object, ViStatus status) {
    char text[VI_FIND_BUFLEN];
    lib.viStatusDesc(object, status, text);
    return text;
  }

  visa::BuiltinLibrary lib{isolated()};
  ViSession rm = VI_NULL;
};

TEST_F(BuiltinLibraryTest, FindsBothSimulatedModelsWithTheProductsExpressions) {
  struct Case {
    const char* expression;
    std::vector<std::string> names;
    ViStatus status;
  };
  const Case cases[] = {
      {"USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", {kSim3800}, VI_SUCCESS},
      {"USB[0-9]*::0x2B7A::0x0EEC::?*INSTR", {kSim3820}, VI_SUCCESS},
      {"USB[0-9]*::11130::3800::?*INSTR", {}, VI_ERROR_RSRC_NFOUND},
      {"USB[0-9]*::11130::3820::?*INSTR", {}, VI_ERROR_RSRC_NFOUND},
      {"USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR", {kSim3800, kSim3820}, VI_SUCCESS},
      {"USB[0-9]::11130::(3800|3820)::?*INSTR", {}, VI_ERROR_RSRC_NFOUND},
      {"TCPIP?*", {}, VI_ERROR_RSRC_NFOUND},
      {"GPIB[0-9]*::?*INSTR", {}, VI_ERROR_RSRC_NFOUND},
      {"GPIB?*", {}, VI_ERROR_RSRC_NFOUND},
      {"?*::INSTR", {kSim3800, kSim3820}, VI_SUCCESS},
      {"USB(0", {}, VI_ERROR_INV_EXPR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expression);
    ViStatus st = VI_SUCCESS;
    EXPECT_EQ(find(c.expression, &st), c.names);
    EXPECT_EQ(st, c.status);
  }
}

TEST_F(BuiltinLibraryTest, IdentificationRoundTripOnBothModels) {
  for (const char* name : {kSim3800, kSim3820}) {
    SCOPED_TRACE(name);
    const ViSession s = open(name);
    for (const char* query : {"*IDN?\n", "*IDN?", "*idn?"}) {
      ASSERT_EQ(write(s, query), VI_SUCCESS);
      std::string answer;
      ASSERT_EQ(read(s, 256, &answer), VI_SUCCESS);
      EXPECT_EQ(answer, sim::simulatedCounter(lib, name)->identification() + "\n");
    }
    EXPECT_EQ(lib.viClose(s), VI_SUCCESS);
  }
  std::string idn3820 = sim::simulatedCounter(lib, kSim3820)->identification();
  EXPECT_EQ(idn3820.rfind("ORVALENT,V3820A,SIM3820A01,", 0), 0u) << idn3820;
}

TEST_F(BuiltinLibraryTest, ShortCountGivesMaxCountAndTheRestOnTheNextRead) {
  const ViSession s = open(kSim3800);
  const std::string expected = sim::simulatedCounter(lib, kSim3800)->identification() + "\n";
  ASSERT_EQ(write(s, "*IDN?\n"), VI_SUCCESS);
  std::string first, second;
  EXPECT_EQ(read(s, 5, &first), VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(first, expected.substr(0, 5));
  EXPECT_EQ(read(s, 1024, &second), VI_SUCCESS);
  EXPECT_EQ(first + second, expected);

  // A count of exactly the answer's length ends the message: VI_SUCCESS, nothing left.
  ASSERT_EQ(write(s, "*IDN?\n"), VI_SUCCESS);
  std::string exact;
  EXPECT_EQ(read(s, static_cast<ViUInt32>(expected.size()), &exact), VI_SUCCESS);
  EXPECT_EQ(exact, expected);
}

TEST_F(BuiltinLibraryTest, ReadWithNothingPendingTimesOutWithinTheTimeout) {
  const ViSession s = open(kSim3800);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, 300), VI_SUCCESS);
  std::string text;
  const auto start = Clock::now();
  EXPECT_EQ(read(s, 128, &text), VI_ERROR_TMO);
  const auto elapsed = Clock::now() - start;
  EXPECT_TRUE(text.empty());
  EXPECT_GE(elapsed, std::chrono::milliseconds(250));
  EXPECT_LT(elapsed, std::chrono::milliseconds(300 + 5000));
  EXPECT_EQ(describe(s, VI_ERROR_TMO), "Timeout expired before operation completed.");
}

TEST_F(BuiltinLibraryTest, QueryAfterATimeOutNeverReceivesTheLateAnswer) {
  const ViSession s = open(kSim3800);
  sim::Counter* counter = sim::simulatedCounter(lib, kSim3800);
  ASSERT_NE(counter, nullptr);
  sim::Faults slow;
  slow.answerDelayMs = 1500;
  counter->setFaults(slow);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
  ASSERT_EQ(write(s, "*IDN?\n"), VI_SUCCESS);
  std::string text;
  ASSERT_EQ(read(s, 256, &text), VI_ERROR_TMO);

  // The identification answer is still on its way; the next query must get its own answer.
  counter->setFaults({});
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, 4000), VI_SUCCESS);
  ASSERT_EQ(write(s, "*OPC?\n"), VI_SUCCESS);
  ASSERT_EQ(read(s, 256, &text), VI_SUCCESS);
  EXPECT_EQ(text, "1\n");
}

TEST_F(BuiltinLibraryTest, ClearDiscardsThePendingAnswer) {
  const ViSession s = open(kSim3800);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
  ASSERT_EQ(write(s, "*IDN?\n"), VI_SUCCESS);
  EXPECT_EQ(lib.viClear(s), VI_SUCCESS);
  std::string text;
  EXPECT_EQ(read(s, 256, &text), VI_ERROR_TMO);
  EXPECT_TRUE(text.empty());

  // Half-read answers go too.
  ASSERT_EQ(write(s, "*IDN?\n"), VI_SUCCESS);
  ASSERT_EQ(read(s, 3, &text), VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(lib.viClear(s), VI_SUCCESS);
  ASSERT_EQ(write(s, "*OPC?\n"), VI_SUCCESS);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, 4000), VI_SUCCESS);
  EXPECT_EQ(read(s, 256, &text), VI_SUCCESS);
  EXPECT_EQ(text, "1\n");
}

TEST_F(BuiltinLibraryTest, AClearFromAnotherThreadEndsAReadThatWaits) {
  const ViSession s = open(kSim3800);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, 15000), VI_SUCCESS);
  sim::Faults stalled;
  stalled.stalled = true;
  sim::simulatedCounter(lib, kSim3800)->setFaults(stalled);
  ASSERT_EQ(write(s, "fetch?\n"), VI_SUCCESS);
  ViStatus status = VI_SUCCESS;
  std::string got;
  std::thread reader([&] { status = read(s, 128, &got); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(lib.viClear(s), VI_SUCCESS);
  reader.join();
  EXPECT_EQ(status, VI_ERROR_ABORT) << "given up at the clear, not timed out";
  // The next read is not cut short, and the stalled answer is gone.
  sim::simulatedCounter(lib, kSim3800)->setFaults({});
  ASSERT_EQ(write(s, "*IDN?"), VI_SUCCESS);
  EXPECT_EQ(read(s, 128, &got), VI_SUCCESS);
  EXPECT_EQ(got, sim::simulatedCounter(lib, kSim3800)->identification() + "\n");
}

TEST_F(BuiltinLibraryTest, TerminationCharacterEndsAReadWhenEnabled) {
  const ViSession s = open(kSim3800);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TERMCHAR, ','), VI_SUCCESS);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
  ASSERT_EQ(write(s, "*IDN?\n"), VI_SUCCESS);
  std::string maker, model, rest;
  EXPECT_EQ(read(s, 256, &maker), VI_SUCCESS_TERM_CHAR);
  EXPECT_EQ(maker, "ORVALENT,");
  EXPECT_EQ(read(s, 256, &model), VI_SUCCESS_TERM_CHAR);
  EXPECT_EQ(model, "V3800A,");
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TERMCHAR_EN, VI_FALSE), VI_SUCCESS);
  EXPECT_EQ(read(s, 256, &rest), VI_SUCCESS);
  EXPECT_EQ(maker + model + rest, sim::simulatedCounter(lib, kSim3800)->identification() + "\n");
}

TEST_F(BuiltinLibraryTest, InvalidObjectsGiveInvalidObject) {
  const ViSession bogus = 0xDEADBEEF;
  const ViSession s = open(kSim3800);
  ASSERT_EQ(lib.viClose(s), VI_SUCCESS);
  ViByte buffer[16] = {};
  ViUInt32 n = 0;
  ViUInt32 value = 0;
  char text[VI_FIND_BUFLEN];
  ViSession out = 123;
  const std::vector<std::pair<const char*, std::function<ViStatus(ViSession)>>> calls = {
      {"viWrite", [&](ViSession v) { return lib.viWrite(v, buffer, 1, &n); }},
      {"viRead", [&](ViSession v) { return lib.viRead(v, buffer, 16, &n); }},
      {"viClear", [&](ViSession v) { return lib.viClear(v); }},
      {"viSetAttribute", [&](ViSession v) { return lib.viSetAttribute(v, VI_ATTR_TMO_VALUE, 1); }},
      {"viGetAttribute",
       [&](ViSession v) { return lib.viGetAttribute(v, VI_ATTR_TMO_VALUE, &value); }},
      {"viGpibControlREN", [&](ViSession v) { return lib.viGpibControlREN(v, 6); }},
      {"viFindNext", [&](ViSession v) { return lib.viFindNext(v, text); }},
      {"viFindRsrc", [&](ViSession v) { return lib.viFindRsrc(v, "?*", nullptr, &n, text); }},
      {"viOpen", [&](ViSession v) { return lib.viOpen(v, kSim3800, VI_NO_LOCK, 0, &out); }},
      {"viClose", [&](ViSession v) { return lib.viClose(v); }},
  };
  for (const auto& [what, call] : calls) {
    SCOPED_TRACE(what);
    EXPECT_EQ(call(bogus), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(call(s), VI_ERROR_INV_OBJECT) << "closed session";
    EXPECT_EQ(call(0xFFFFFFFFu), VI_ERROR_INV_OBJECT) << "the product's 'no device' session";
  }
  EXPECT_EQ(out, VI_NULL);
  EXPECT_EQ(lib.viClose(VI_NULL), VI_WARN_NULL_OBJECT);
  // Instrument operations on the resource manager itself are not supported.
  EXPECT_EQ(lib.viWrite(rm, buffer, 1, &n), VI_ERROR_NSUP_OPER);
}

TEST_F(BuiltinLibraryTest, ClosingTheResourceManagerClosesItsSessionsAndFindLists) {
  ViSession otherRm = VI_NULL;
  ASSERT_EQ(lib.viOpenDefaultRM(&otherRm), VI_SUCCESS);
  ASSERT_NE(otherRm, rm);
  ViSession a = open(kSim3800);
  ViSession b = open(kSim3820);
  ViSession kept = VI_NULL;
  ASSERT_EQ(lib.viOpen(otherRm, kSim3800, VI_NO_LOCK, 0, &kept), VI_SUCCESS);
  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  char name[VI_FIND_BUFLEN];
  ASSERT_EQ(lib.viFindRsrc(rm, "?*", &list, &count, name), VI_SUCCESS);
  ASSERT_EQ(count, 2u);

  EXPECT_EQ(lib.viClose(rm), VI_SUCCESS);
  EXPECT_EQ(write(a, "*IDN?\n"), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(write(b, "*IDN?\n"), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(lib.viFindNext(list, name), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(lib.viClose(a), VI_ERROR_INV_OBJECT);

  EXPECT_EQ(write(kept, "*IDN?\n"), VI_SUCCESS);
  std::string text;
  EXPECT_EQ(read(kept, 256, &text), VI_SUCCESS);
  EXPECT_EQ(lib.viClose(otherRm), VI_SUCCESS);
  rm = VI_NULL;
}

TEST_F(BuiltinLibraryTest, AttributesOfASession) {
  const ViSession s = open(kSim3820);
  ViUInt32 timeout = 0;
  ASSERT_EQ(lib.viGetAttribute(s, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
  EXPECT_EQ(timeout, 2000u);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, 15000), VI_SUCCESS);
  ASSERT_EQ(lib.viGetAttribute(s, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
  EXPECT_EQ(timeout, 15000u);
  ASSERT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
  EXPECT_EQ(lib.viSetAttribute(s, VI_ATTR_TMO_VALUE, 0x100000000ull), VI_ERROR_NSUP_ATTR_STATE);

  char text[VI_FIND_BUFLEN];
  ASSERT_EQ(lib.viGetAttribute(s, VI_ATTR_RSRC_NAME, text), VI_SUCCESS);
  EXPECT_STREQ(text, kSim3820);
  ASSERT_EQ(lib.viGetAttribute(s, VI_ATTR_RSRC_CLASS, text), VI_SUCCESS);
  EXPECT_STREQ(text, "INSTR");
  ViUInt16 u16 = 0;
  ASSERT_EQ(lib.viGetAttribute(s, VI_ATTR_INTF_TYPE, &u16), VI_SUCCESS);
  EXPECT_EQ(u16, VI_INTF_USB);
  ASSERT_EQ(lib.viGetAttribute(s, VI_ATTR_MANF_ID, &u16), VI_SUCCESS);
  EXPECT_EQ(u16, 0x2B7A);
  ASSERT_EQ(lib.viGetAttribute(s, VI_ATTR_MODEL_CODE, &u16), VI_SUCCESS);
  EXPECT_EQ(u16, 0x0EEC);
  ASSERT_EQ(lib.viGetAttribute(s, VI_ATTR_USB_SERIAL_NUM, text), VI_SUCCESS);
  EXPECT_STREQ(text, "SIM3820A01");

  EXPECT_EQ(lib.viSetAttribute(s, VI_ATTR_RSRC_NAME, 0), VI_ERROR_ATTR_READONLY);
  EXPECT_EQ(lib.viSetAttribute(s, 0x3FFF0FFFu, 0), VI_ERROR_NSUP_ATTR);
  EXPECT_EQ(lib.viGetAttribute(s, VI_ATTR_TCPIP_PORT, &u16), VI_ERROR_NSUP_ATTR);
  EXPECT_EQ(lib.viGetAttribute(s, VI_ATTR_TMO_VALUE, nullptr), VI_ERROR_USER_BUF);
}

TEST_F(BuiltinLibraryTest, OpenFailuresAreExplained) {
  struct Case {
    const char* name;
    ViStatus status;
    const char* explanation;
  };
  const Case cases[] = {
      {"USB0::0x2B7A::0x0ED8::NOSUCH0001::INSTR", VI_ERROR_RSRC_NFOUND, "no USBTMC device"},
      {"GPIB0::22::INSTR", VI_ERROR_LIBRARY_NFOUND, "GPIB support needs linux-gpib"},
      {"COM1", VI_ERROR_INV_RSRC_NAME, "TCPIP[board]::host address"},
      {"TCPIP0::127.0.0.1::99999::SOCKET", VI_ERROR_INV_RSRC_NAME, "::port::SOCKET"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ViSession s = 77;
    EXPECT_EQ(lib.viOpen(rm, c.name, VI_NO_LOCK, 0, &s), c.status);
    EXPECT_EQ(s, VI_NULL);
    const std::string text = describe(rm, c.status);
    EXPECT_NE(text.find(c.explanation), std::string::npos) << text;
  }
  // The reason belongs to the resource manager that failed, not to other objects.
  EXPECT_EQ(describe(0xFFFFFFFFu, VI_ERROR_RSRC_NFOUND),
            "Insufficient location information or the requested device or resource is not "
            "present in the system.");
  ViSession s = VI_NULL;
  EXPECT_EQ(lib.viOpen(rm, kSim3800, VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK, 0, &s),
            VI_ERROR_INV_ACC_MODE);
  EXPECT_EQ(lib.viOpen(rm, kSim3800, 0x100, 0, &s), VI_ERROR_INV_ACC_MODE);
}

TEST_F(BuiltinLibraryTest, StatusDescriptionsAreTheStandardTexts) {
  struct Case {
    ViStatus status;
    const char* text;
    ViStatus result;
  };
  const Case cases[] = {
      {VI_SUCCESS, "Operation completed successfully.", VI_SUCCESS},
      {VI_ERROR_TMO, "Timeout expired before operation completed.", VI_SUCCESS},
      {VI_SUCCESS_MAX_CNT,
       "The number of bytes transferred is equal to the requested input count. More data may "
       "be available.",
       VI_SUCCESS},
      {VI_ERROR_CONN_LOST, "The connection for the given session has been lost.", VI_SUCCESS},
      {VI_ERROR_INV_OBJECT, "The given session or object reference is invalid.", VI_SUCCESS},
      {VI_ERROR_RSRC_NFOUND,
       "Insufficient location information or the requested device or resource is not present "
       "in the system.",
       VI_SUCCESS},
      {VI_ERROR_IO, "Could not perform operation because of I/O error.", VI_SUCCESS},
      {static_cast<ViStatus>(0xBFFF7777u), "Unknown status code 0xBFFF7777.",
       VI_WARN_UNKNOWN_STATUS},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    char text[VI_FIND_BUFLEN];
    // Any object, even an invalid one: the product reports errors on its "no device" session.
    EXPECT_EQ(lib.viStatusDesc(0xFFFFFFFFu, c.status, text), c.result);
    EXPECT_STREQ(text, c.text);
  }
}

TEST_F(BuiltinLibraryTest, GoToLocalReachesTheCounter) {
  const ViSession s = open(kSim3800);
  ASSERT_EQ(write(s, "*IDN?\n"), VI_SUCCESS);
  std::string text;
  ASSERT_EQ(read(s, 256, &text), VI_SUCCESS);
  EXPECT_EQ(lib.viGpibControlREN(s, VI_GPIB_REN_ADDRESS_GTL), VI_SUCCESS);
  EXPECT_FALSE(sim::simulatedCounter(lib, kSim3800)->remote());
  EXPECT_EQ(lib.viGpibControlREN(s, 7), VI_ERROR_INV_MODE);
}

TEST(BuiltinLibraryOptions, ListsLanResourcesAndNoSimulationWhenOff) {
  visa::BuiltinOptions o = isolated();
  o.simulate = false;
  o.lanResources = {"TCPIP::127.0.0.1::5025::SOCKET", "TCPIP::127.0.0.2"};
  visa::BuiltinLibrary lib(o);
  ViSession rm = VI_NULL;
  ASSERT_EQ(lib.viOpenDefaultRM(&rm), VI_SUCCESS);
  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  char name[VI_FIND_BUFLEN];
  ASSERT_EQ(lib.viFindRsrc(rm, "TCPIP?*", &list, &count, name), VI_SUCCESS);
  ASSERT_EQ(count, 2u);
  EXPECT_STREQ(name, "TCPIP0::127.0.0.1::5025::SOCKET");
  ASSERT_EQ(lib.viFindNext(list, name), VI_SUCCESS);
  EXPECT_STREQ(name, "TCPIP0::127.0.0.2::inst0::INSTR");
  EXPECT_EQ(lib.viFindRsrc(rm, "USB?*", &list, &count, name), VI_ERROR_RSRC_NFOUND);
  EXPECT_EQ(count, 0u);
  ViSession s = VI_NULL;
  EXPECT_EQ(lib.viOpen(rm, kSim3800, VI_NO_LOCK, 0, &s), VI_ERROR_RSRC_NFOUND);
  EXPECT_EQ(sim::simulatedCounter(lib, kSim3800), nullptr);
}

}  // namespace
