// InstrumentIo write and read, the release operations and the return to local at shutdown,
// against the recording VISA double.

#include <gtest/gtest.h>

#include "rig.h"

namespace {

using instrument::InterfaceKind;
using instrument_test::Rig;
using testsupport::Reply;

constexpr const char* kUsbName = "USB0::0x2B7A::0x0ED8::SN00000001::INSTR";
constexpr const char* kUsbName2 = "USB0::0x2B7A::0x0ED8::SN00000002::INSTR";
constexpr const char* kGpibName = "GPIB0::22::INSTR";
constexpr const char* kTcpipName = "TCPIP0::127.0.0.1::inst0::INSTR";

// The VISA status text of a read failure's message (the lines after it name the counter and
// the command whose answer was read).
std::string statusPart(const std::string& message) {
  return message.substr(0, message.find("\n\n"));
}

// A rig whose current instrument is the one `name` found by `expression`, answering reads with
// `reply` (scripted per write) once the search is over.
struct IoRig : Rig {
  IoRig(const char* expression, const std::string& name, InterfaceKind kind) {
    add(expression, name, instrument_test::idn3800("SN00000001"));
    inst.search(true);
    EXPECT_EQ(inst.currentKind(), kind);
    session = visa.sessionOf(name);
    EXPECT_EQ(inst.currentSession(), session);
    this->name = name;
    clearRecords();
  }
  void answer(std::optional<Reply> reply) {
    visa.resources[name].responder = [reply](const std::string&) { return reply; };
  }
  ViSession session = 0;
  std::string name;
};

struct UsbRig : IoRig {
  UsbRig() : IoRig(instrument_test::kUsb3800Hex, kUsbName, InterfaceKind::Usb) {}
};
struct GpibRig : IoRig {
  GpibRig() : IoRig(instrument_test::kGpibExpr, kGpibName, InterfaceKind::Gpib) {}
};
struct TcpipRig : IoRig {
  TcpipRig() : IoRig(instrument_test::kTcpipExpr, kTcpipName, InterfaceKind::Tcpip) {}
};

TEST(InstrumentWrite, SendsTheBytesAsGivenWithTheirCount) {
  struct Case {
    const char* proves;
    std::string command;
    ViUInt32 count;
  };
  const Case cases[] = {
      {"identification query goes bare", "*IDN?", 5},
      {"stop command goes bare", "INIT:CONT OFF", 13},
      {"fetch carries its line feed", "fetch?\n", 7},
      {"empty command writes zero bytes", "", 0},
  };
  for (const Case& c : cases) {
    UsbRig rig;
    rig.inst.write(c.command);
    const auto writes = rig.visa.callsOf("viWrite");
    ASSERT_EQ(writes.size(), 1u) << c.proves;
    EXPECT_EQ(writes[0].object, rig.session) << c.proves;
    EXPECT_EQ(writes[0].text, c.command) << c.proves;
    EXPECT_EQ(writes[0].count, c.count) << c.proves;
    EXPECT_EQ(rig.inst.lastCommand(), c.command) << c.proves;
  }
}

TEST(InstrumentWrite, EveryInterfaceWritesTheSameBytesAndClearsTheLastResponse) {
  GpibRig gpib;
  TcpipRig tcpip;
  for (IoRig* rig : {static_cast<IoRig*>(&gpib), static_cast<IoRig*>(&tcpip)}) {
    rig->answer(Reply{"+1.0E+007\n", std::nullopt});
    rig->inst.write("fetch?\n");
    EXPECT_EQ(rig->inst.read(), "+1.0E+007\n");
    rig->inst.write("INIT:CONT OFF");
    EXPECT_EQ(rig->inst.lastResponse(), "");
    const auto writes = rig->visa.callsOf("viWrite");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].text, "INIT:CONT OFF");
    EXPECT_EQ(writes[1].count, 13u);
    EXPECT_EQ(writes[1].object, rig->session);
  }
}

TEST(InstrumentWrite, AllocationFailureShowsTheMessageAndSendsNothing) {
  UsbRig rig;
  rig.answer(Reply{"old\n", std::nullopt});
  rig.inst.write("fetch?\n");
  rig.inst.read();
  rig.clearRecords();
  rig.inst.setAllocationGate([](std::size_t) { return false; });
  rig.inst.write("INIT:CONT OFF");
  EXPECT_TRUE(rig.visa.callsOf("viWrite").empty());
  ASSERT_EQ(rig.ui.shown.size(), 1u);
  EXPECT_EQ(rig.ui.shown[0].text, "Insufficient memory available(viWrite).");
  EXPECT_EQ(rig.ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(rig.ui.shown[0].icon, core::Icon::Error);
  EXPECT_EQ(rig.inst.lastCommand(), "INIT:CONT OFF");
  EXPECT_EQ(rig.inst.lastResponse(), "old\n");
}

TEST(InstrumentRead, UsbAnswerIsReadWithA128ByteCountAndKeepsItsLineFeed) {
  UsbRig rig;
  rig.answer(Reply{"+1.00000012345E+007\n", std::nullopt});
  rig.inst.write("fetch?\n");
  EXPECT_EQ(rig.inst.read(), "+1.00000012345E+007\n");
  EXPECT_FALSE(rig.inst.lastReadFailed());
  EXPECT_EQ(rig.inst.lastResponse(), "+1.00000012345E+007\n");
  const auto reads = rig.visa.callsOf("viRead");
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].count, 128u);
  EXPECT_TRUE(rig.ui.shown.empty());
  EXPECT_EQ(rig.runStops, 0);
}

TEST(InstrumentRead, NonZeroStatusOnUsbAndTcpipClearsStopsAndReports) {
  struct Case {
    const char* proves;
    bool tcpip;
    std::optional<Reply> reply;
    std::string returned;
    ViStatus status;
  };
  const std::string longAnswer(200, '7');
  const Case cases[] = {
      {"a 128-byte answer is a completion code, not success", false,
       Reply{longAnswer, std::nullopt}, std::string(128, '7'), VI_SUCCESS_MAX_CNT},
      {"exactly 128 bytes ending the message still fills the buffer", false,
       Reply{std::string(128, '5'), VI_SUCCESS_MAX_CNT}, std::string(128, '5'), VI_SUCCESS_MAX_CNT},
      {"an error with nothing read", false, Reply{"", VI_ERROR_IO}, "", VI_ERROR_IO},
      {"a positive completion code with a short answer", false,
       Reply{"+1.0E+003\n", VI_SUCCESS_TERM_CHAR}, "+1.0E+003\n", VI_SUCCESS_TERM_CHAR},
      {"tcpip follows the same rule", true, Reply{"+2.5\n", VI_ERROR_CONN_LOST}, "+2.5\n",
       VI_ERROR_CONN_LOST},
  };
  for (const Case& c : cases) {
    std::unique_ptr<IoRig> rig;
    if (c.tcpip)
      rig = std::make_unique<TcpipRig>();
    else
      rig = std::make_unique<UsbRig>();
    rig->answer(c.reply);
    rig->inst.write("fetch?\n");
    std::size_t messagesAtRunStop = 99;
    rig->inst.setRunStop([&] { messagesAtRunStop = rig->ui.shown.size(); });
    EXPECT_EQ(rig->inst.read(), c.returned) << c.proves;
    EXPECT_TRUE(rig->inst.lastReadFailed()) << c.proves;
    const std::vector<std::string> expected = {"viWrite", "viRead", "viStatusDesc", "viClear"};
    EXPECT_EQ(rig->visa.callNames(), expected) << c.proves;
    EXPECT_EQ(rig->visa.callsOf("viStatusDesc")[0].value, static_cast<ViAttrState>(c.status))
        << c.proves;
    EXPECT_EQ(rig->visa.callsOf("viClear")[0].object, rig->session) << c.proves;
    EXPECT_EQ(messagesAtRunStop, 0u) << c.proves << ": the run stops before the message";
    ASSERT_EQ(rig->ui.shown.size(), 1u) << c.proves;
    EXPECT_EQ(statusPart(rig->ui.shown[0].text), "status " + std::to_string(c.status)) << c.proves;
    EXPECT_EQ(rig->ui.shown[0].caption, "V38XX_AP") << c.proves;
    EXPECT_EQ(rig->ui.shown[0].icon, core::Icon::Error) << c.proves;
  }
}

TEST(InstrumentRead, TimeOutMessageIsTheVisaStatusDescription) {
  UsbRig rig;
  rig.answer(std::nullopt);
  rig.inst.write("fetch?\n");
  EXPECT_EQ(rig.inst.read(), "");
  ASSERT_EQ(rig.ui.shown.size(), 1u);
  EXPECT_EQ(statusPart(rig.ui.shown[0].text), "Timeout expired before operation completed.");
  EXPECT_EQ(rig.runStops, 1);
}

TEST(InstrumentRead, FailureMessageNamesTheCounterAndTheCommand) {
  struct Case {
    const char* proves;
    std::unique_ptr<IoRig> rig;
    std::string command;
    std::string message;
  };
  Case cases[] = {
      {"usb, a query with its line feed", std::make_unique<UsbRig>(), "fetch?\n",
       "Timeout expired before operation completed.\n\n"
       "Counter: V3800A (USB0::0x2B7A::0x0ED8::SN00000001::INSTR)\n"
       "While reading the answer to \"fetch?\"."},
      {"tcp/ip, a bare query", std::make_unique<TcpipRig>(), "calc3:data?",
       "Timeout expired before operation completed.\n\n"
       "Counter: V3800A (TCPIP0::127.0.0.1::inst0::INSTR)\n"
       "While reading the answer to \"calc3:data?\"."},
  };
  for (Case& c : cases) {
    c.rig->answer(std::nullopt);
    c.rig->inst.write(c.command);
    c.rig->inst.read();
    ASSERT_EQ(c.rig->ui.shown.size(), 1u) << c.proves;
    EXPECT_EQ(c.rig->ui.shown[0].text, c.message) << c.proves;
  }
}

TEST(InstrumentRead, GpibJudgesByTheCountNotTheStatus) {
  struct Case {
    const char* proves;
    std::optional<Reply> reply;
    bool failed;
    std::string returned;
  };
  const Case cases[] = {
      {"bytes with an error status are accepted", Reply{"+1.0E+007\n", VI_ERROR_TMO}, false,
       "+1.0E+007\n"},
      {"bytes with a completion code are accepted", Reply{"+2.0E+007\n", VI_SUCCESS_MAX_CNT}, false,
       "+2.0E+007\n"},
      {"a long answer is handed back cut to 128 bytes", Reply{std::string(4000, '9'), std::nullopt},
       false, std::string(128, '9')},
      {"the answer ends at its first zero byte", Reply{std::string("+1\0junk", 7), std::nullopt},
       false, "+1"},
      {"nothing read is a failure", std::nullopt, true, ""},
      {"nothing read with a success status is still a failure", Reply{"", VI_SUCCESS}, true, ""},
  };
  for (const Case& c : cases) {
    GpibRig rig;
    rig.answer(c.reply);
    rig.inst.write("fetch?\n");
    EXPECT_EQ(rig.inst.read(), c.returned) << c.proves;
    EXPECT_EQ(rig.inst.lastReadFailed(), c.failed) << c.proves;
    EXPECT_EQ(rig.runStops, c.failed ? 1 : 0) << c.proves;
    EXPECT_EQ(rig.ui.shown.size(), c.failed ? 1u : 0u) << c.proves;
    std::vector<std::string> expected = {"viWrite", "viSetAttribute", "viRead"};
    if (c.failed) expected.insert(expected.end(), {"viStatusDesc", "viClear"});
    EXPECT_EQ(rig.visa.callNames(), expected) << c.proves;
    const auto set = rig.visa.callsOf("viSetAttribute")[0];
    EXPECT_EQ(set.attribute, VI_ATTR_TMO_VALUE) << c.proves;
    EXPECT_EQ(set.value, 15000u) << c.proves;
    EXPECT_EQ(rig.visa.callsOf("viRead")[0].count, 1048575u) << c.proves;
  }
}

TEST(InstrumentRead, AllocationFailureReturnsTheLastResponse) {
  for (const bool gpib : {false, true}) {
    std::unique_ptr<IoRig> rig;
    if (gpib)
      rig = std::make_unique<GpibRig>();
    else
      rig = std::make_unique<UsbRig>();
    rig->answer(Reply{"first\n", std::nullopt});
    rig->inst.write("fetch?\n");
    rig->inst.read();
    rig->inst.setAllocationGate([](std::size_t bytes) { return bytes < 100; });
    rig->clearRecords();
    EXPECT_EQ(rig->inst.read(), "first\n");
    EXPECT_TRUE(rig->visa.callsOf("viRead").empty());
    ASSERT_EQ(rig->ui.shown.size(), 1u);
    EXPECT_EQ(rig->ui.shown[0].text, "Insufficient memory available(viRead).");
    EXPECT_EQ(rig->ui.shown[0].icon, core::Icon::Error);
    EXPECT_EQ(rig->runStops, 0);
  }
}

TEST(InstrumentIo, WithoutAnyInstrumentNothingIsSentOrRead) {
  Rig rig;
  rig.inst.search(true);
  rig.clearRecords();
  rig.inst.write("fetch?\n");
  EXPECT_EQ(rig.inst.read(), "");
  EXPECT_FALSE(rig.inst.lastReadFailed());
  EXPECT_TRUE(rig.visa.calls.empty());
  EXPECT_TRUE(rig.ui.shown.empty());
  EXPECT_EQ(rig.inst.currentSession(), instrument::kInvalidSession);
}

// Two USB counters and one GPIB counter, found at start-up.
struct ShutdownRig : Rig {
  ShutdownRig() {
    add(instrument_test::kUsb3800Hex, kUsbName, instrument_test::idn3800("SN00000001"));
    add(instrument_test::kUsb3800Hex, kUsbName2, instrument_test::idn3800("SN00000002"));
    add(instrument_test::kGpibExpr, kGpibName, instrument_test::idn3820("SN00000003"));
    inst.search(true);
    clearRecords();
  }
};

TEST(ReturnToLocal, EveryInstrumentGoesToLocalInListOrderThenAllIsReleased) {
  ShutdownRig rig;
  const ViSession usb1 = rig.visa.sessionOf(kUsbName);
  const ViSession usb2 = rig.visa.sessionOf(kUsbName2);
  const ViSession gpib = rig.visa.sessionOf(kGpibName);
  const ViSession rm = rig.inst.resourceManagerSession();
  rig.inst.returnToLocal(false, "100 ms");

  const auto& calls = rig.visa.calls;
  const std::string rlst("syst:comm:rlst loc\0", 19);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0].function, "viGpibControlREN");
  EXPECT_EQ(calls[0].object, gpib);
  EXPECT_EQ(calls[0].value, 6u);
  for (int i : {1, 2}) {
    EXPECT_EQ(calls[i].function, "viWrite");
    EXPECT_EQ(calls[i].text, rlst);
    EXPECT_EQ(calls[i].count, 19u);
  }
  EXPECT_EQ(calls[1].object, usb1);
  EXPECT_EQ(calls[2].object, usb2);
  for (std::size_t i = 3; i < calls.size(); ++i) EXPECT_EQ(calls[i].function, "viClose");
  EXPECT_EQ(calls.back().object, rm);
  EXPECT_TRUE(rig.clock.sleeps.empty());
  EXPECT_EQ(rig.runStops, 0);

  EXPECT_TRUE(rig.visa.openSessions.empty());
  EXPECT_TRUE(rig.visa.openManagers.empty());
  EXPECT_EQ(rig.inst.usbSessions()[0], instrument::kInvalidSession);
  EXPECT_EQ(rig.inst.usbSessions()[1], instrument::kInvalidSession);
  EXPECT_EQ(rig.inst.gpibSessions()[0], instrument::kInvalidSession);
  EXPECT_TRUE(rig.inst.entries().empty());
  EXPECT_EQ(rig.inst.currentSession(), instrument::kInvalidSession);
}

TEST(ReturnToLocal, DuringARunWaitsTwiceTheReadSpeedThenStopsFirst) {
  struct Case {
    const char* proves;
    std::string readSpeed;
    int sleptMs;
  };
  const Case cases[] = {
      {"shortest period", "100 ms", 200},
      {"longest period", "2000 ms", 4000},
      {"text without a number waits nothing", "ms", 0},
      {"a period beyond the list is held to the longest", "99999999 ms", 4000},
      {"a negative period waits nothing", "-5 ms", 0},
  };
  for (const Case& c : cases) {
    ShutdownRig rig;
    std::size_t callsAtRunStop = 99;
    rig.inst.setRunStop([&] { callsAtRunStop = rig.visa.calls.size(); });
    rig.inst.returnToLocal(true, c.readSpeed);
    EXPECT_EQ(rig.clock.sleeps, std::vector<int>{c.sleptMs}) << c.proves;
    EXPECT_EQ(callsAtRunStop, 0u) << c.proves << ": run stopped before going to local";
    EXPECT_EQ(rig.visa.callsOf("viWrite").size(), 2u) << c.proves;
  }
}

TEST(Release, ClosesEachTableBelowItsCountAndForgetsTheEntries) {
  Rig rig;
  rig.add(instrument_test::kGpibExpr, "GPIB0::1::INSTR", instrument_test::idn3800("A"));
  rig.add(instrument_test::kGpibExpr, "GPIB0::2::INSTR", instrument_test::idn3800("B"));
  rig.add(instrument_test::kTcpipExpr, kTcpipName, instrument_test::idn3820("C"));
  rig.inst.search(true);
  const auto gpib = rig.inst.gpibSessions();
  const auto tcpip = rig.inst.tcpipSessions();
  rig.clearRecords();

  rig.inst.closeGpibSessions();
  rig.inst.closeTcpipSessions();
  const auto closes = rig.visa.callsOf("viClose");
  ASSERT_EQ(closes.size(), 3u);
  EXPECT_EQ(closes[0].object, gpib[0]);
  EXPECT_EQ(closes[1].object, gpib[1]);
  EXPECT_EQ(closes[2].object, tcpip[0]);
  EXPECT_EQ(rig.inst.gpibSessions()[0], 0u);
  EXPECT_EQ(rig.inst.tcpipSessions()[0], 0u);

  rig.clearRecords();
  rig.inst.closeGpibSessions();
  EXPECT_TRUE(rig.visa.calls.empty()) << "closed slots are not closed twice";

  rig.inst.releaseAll();
  EXPECT_TRUE(rig.inst.entries().empty());
  EXPECT_EQ(rig.inst.currentSession(), instrument::kInvalidSession);
  EXPECT_TRUE(rig.visa.openManagers.empty());
}

}  // namespace
