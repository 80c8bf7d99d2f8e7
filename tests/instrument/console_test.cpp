// The Command Control console against the recording VISA double.

#include "instrument/console.h"

#include <gtest/gtest.h>

#include "measure/texts.h"
#include "support/scripted_interaction.h"
#include "tracking_visa.h"

namespace {

using instrument::ConsoleDevice;
using instrument::InterfaceKind;
using testsupport::Reply;

const std::string kUsbName = "USB0::0x2B7A::0x0ED8::SN00000001::INSTR";
const std::string kGpibName = "GPIB0::22::INSTR";
const std::string kTcpipName = "TCPIP0::127.0.0.1::inst0::INSTR";

struct ConsoleRig {
  instrument_test::TrackingVisa visa;
  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  instrument::Console console{visa, ui, texts};
  ViSession rm = 0;

  ConsoleRig() { visa.viOpenDefaultRM(&rm); }

  ViSession open(const std::string& name, const std::string& idn) {
    visa.addInstrument(name, idn);
    ViSession s = 0;
    visa.viOpen(rm, name.c_str(), VI_NO_LOCK, 0, &s);
    return s;
  }
  void answer(const std::string& name, std::optional<Reply> reply) {
    visa.resources[name].responder = [reply](const std::string&) { return reply; };
  }
  // One instrument of `kind`, opened and shown.
  ViSession only(InterfaceKind kind, const std::string& name) {
    const ViSession s = open(name, "ORVALENT,V3800A,SN1,1.02");
    console.setDevices({{"line", kind, s}});
    console.open();
    visa.calls.clear();
    return s;
  }
};

TEST(ConsoleOpening, ListsTheInstrumentsAndChoosesTheFirst) {
  ConsoleRig rig;
  const ViSession usb = rig.open(kUsbName, "ORVALENT,V3800A,SN00000001,1.02");
  const ViSession gpib = rig.open(kGpibName, "ORVALENT,V3820A,SN00000002,1.02");
  rig.console.setDevices({{"V3800A--USBTMC--SN00000001", InterfaceKind::Usb, usb},
                          {"V3820A--GPIB--22", InterfaceKind::Gpib, gpib}});
  rig.console.setSendText("SYST:ERR?");
  const std::size_t callsBefore = rig.visa.calls.size();
  rig.console.open();
  EXPECT_EQ(rig.console.deviceItems(),
            (std::vector<std::string>{"V3800A--USBTMC--SN00000001", "V3820A--GPIB--22"}));
  EXPECT_EQ(rig.console.selectedDevice(), 0);
  EXPECT_EQ(rig.console.deviceListText(), "V3800A--USBTMC--SN00000001");
  EXPECT_EQ(rig.console.currentSession(), usb);
  EXPECT_EQ(rig.console.currentKind(), InterfaceKind::Usb);
  EXPECT_TRUE(rig.console.controlsEnabled());
  EXPECT_EQ(rig.console.sendText(), "*IDN?");
  EXPECT_EQ(rig.console.receivedText(), "");
  EXPECT_FALSE(rig.console.historyVisible());

  rig.console.chooseDevice(1);
  EXPECT_EQ(rig.console.currentSession(), gpib);
  EXPECT_EQ(rig.console.currentKind(), InterfaceKind::Gpib);
  EXPECT_EQ(rig.console.deviceListText(), "V3820A--GPIB--22");
  EXPECT_EQ(rig.visa.calls.size(), callsBefore) << "opening and choosing send nothing";
}

TEST(ConsoleOpening, WithoutInstrumentsEverythingIsDisabled) {
  ConsoleRig rig;
  rig.console.open();
  EXPECT_TRUE(rig.console.deviceItems().empty());
  EXPECT_EQ(rig.console.selectedDevice(), -1);
  EXPECT_EQ(rig.console.deviceListText(), "No Device Connected");
  EXPECT_FALSE(rig.console.controlsEnabled());
  rig.visa.calls.clear();
  rig.console.queryCommand();
  EXPECT_TRUE(rig.visa.calls.empty()) << "no kind: nothing is written or read";
  EXPECT_EQ(rig.console.receivedText(), "");
}

TEST(ConsoleOpening, LinesWithoutTextAreLeftOutAndItemsKeepTheirSession) {
  ConsoleRig rig;
  const ViSession a = rig.open(kUsbName, "x");
  const ViSession b = rig.open(kGpibName, "y");
  rig.console.setDevices({{"", InterfaceKind::Usb, a}, {"gpib", InterfaceKind::Gpib, b}});
  rig.console.open();
  EXPECT_EQ(rig.console.deviceItems(), std::vector<std::string>{"gpib"});
  EXPECT_EQ(rig.console.currentSession(), b);
}

TEST(ConsoleCommands, QueryWritesTheTextAndALineFeedThenReadsAtOnce) {
  ConsoleRig rig;
  const ViSession s = rig.only(InterfaceKind::Usb, kUsbName);
  rig.console.queryCommand();
  const auto& calls = rig.visa.calls;
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].function, "viWrite");
  EXPECT_EQ(calls[0].object, s);
  EXPECT_EQ(calls[0].text, "*IDN?\n");
  EXPECT_EQ(calls[0].count, 6u);
  EXPECT_EQ(calls[1].function, "viRead");
  EXPECT_EQ(calls[1].count, 1024u);
  EXPECT_EQ(rig.console.receivedText(), "ORVALENT,V3800A,SN1,1.02\n");
  EXPECT_EQ(rig.console.lastCommand(), "*IDN?\n");
  EXPECT_EQ(rig.console.history(), std::vector<std::string>{"*IDN?"});
  EXPECT_TRUE(rig.console.historyVisible());
  EXPECT_EQ(rig.console.selectedHistory(), 0);
}

TEST(ConsoleCommands, WriteSendsWithoutReadingAndClearsTheAnswer) {
  ConsoleRig rig;
  rig.only(InterfaceKind::Tcpip, kTcpipName);
  rig.console.queryCommand();
  rig.visa.calls.clear();
  rig.console.setSendText("INIT:CONT ON");
  rig.console.writeCommand();
  EXPECT_EQ(rig.visa.callNames(), std::vector<std::string>{"viWrite"});
  EXPECT_EQ(rig.visa.calls[0].text, "INIT:CONT ON\n");
  EXPECT_EQ(rig.console.receivedText(), "");
  EXPECT_EQ(rig.console.lastResponse(), "");
  EXPECT_EQ(rig.console.history(), (std::vector<std::string>{"INIT:CONT ON", "*IDN?"}));
}

TEST(ConsoleCommands, ReadShowsTheAnswerAndLeavesTheHistory) {
  ConsoleRig rig;
  rig.only(InterfaceKind::Usb, kUsbName);
  rig.answer(kUsbName, Reply{"+1.0E+007\n", std::nullopt});
  rig.console.writeCommand();
  rig.console.readCommand();
  EXPECT_EQ(rig.console.receivedText(), "+1.0E+007\n");
  EXPECT_EQ(rig.console.history(), std::vector<std::string>{"*IDN?"});
}

TEST(ConsoleHistory, NewestFirstWithoutDuplicatesAndAtMostTwenty) {
  struct Case {
    const char* proves;
    std::vector<std::string> sent;
    std::vector<std::string> history;
  };
  std::vector<std::string> twentyOne;
  for (int i = 1; i <= 21; ++i) twentyOne.push_back("CMD" + std::to_string(i));
  std::vector<std::string> latestTwenty(twentyOne.rbegin(), twentyOne.rbegin() + 20);
  const Case cases[] = {
      {"a repeated string moves to the top", {"A", "B", "A"}, {"A", "B"}},
      {"the same string twice is kept once", {"A", "A"}, {"A"}},
      {"comparison is exact", {"a", "A", "A "}, {"A ", "A", "a"}},
      {"twenty-one strings keep the latest twenty", twentyOne, latestTwenty},
  };
  for (const Case& c : cases) {
    ConsoleRig rig;
    rig.only(InterfaceKind::Usb, kUsbName);
    for (const std::string& text : c.sent) {
      rig.console.setSendText(text);
      rig.console.writeCommand();
    }
    EXPECT_EQ(rig.console.history(), c.history) << c.proves;
  }
}

TEST(ConsoleHistory, ChoosingAnEntryCopiesItAndOpeningStartsEmpty) {
  ConsoleRig rig;
  rig.only(InterfaceKind::Usb, kUsbName);
  for (const char* text : {"A", "B"}) {
    rig.console.setSendText(text);
    rig.console.writeCommand();
  }
  rig.console.chooseHistory(1);
  EXPECT_EQ(rig.console.sendText(), "A");
  rig.console.chooseHistory(7);
  EXPECT_EQ(rig.console.sendText(), "A");
  rig.console.open();
  EXPECT_TRUE(rig.console.history().empty());
  EXPECT_FALSE(rig.console.historyVisible());
  EXPECT_EQ(rig.console.sendText(), "*IDN?");
}

TEST(ConsoleRead, StatusRulesPerInterface) {
  struct Case {
    const char* proves;
    InterfaceKind kind;
    std::string name;
    std::optional<Reply> reply;
    std::string answer;
    bool cleared;
  };
  const Case cases[] = {
      {"usb: nothing pending ends empty and clears the device", InterfaceKind::Usb, kUsbName,
       std::nullopt, "", true},
      {"usb: an answer filling all 1,024 bytes is dropped", InterfaceKind::Usb, kUsbName,
       Reply{std::string(1500, 'a'), std::nullopt}, "", true},
      {"usb: a complete answer", InterfaceKind::Usb, kUsbName, Reply{"+1\n", std::nullopt}, "+1\n",
       false},
      {"tcpip: an error shows what was read", InterfaceKind::Tcpip, kTcpipName,
       Reply{"+2", VI_ERROR_TMO}, "+2", false},
      {"tcpip: a long answer shows its first 1,024 bytes", InterfaceKind::Tcpip, kTcpipName,
       Reply{std::string(1500, 'b'), std::nullopt}, std::string(1024, 'b'), false},
      {"gpib: bytes with an error status are shown", InterfaceKind::Gpib, kGpibName,
       Reply{"+3\n", VI_ERROR_TMO}, "+3\n", false},
      {"gpib: an answer beyond 1,024 bytes is cut there", InterfaceKind::Gpib, kGpibName,
       Reply{std::string(3000, 'c'), std::nullopt}, std::string(1024, 'c'), false},
      {"gpib: nothing read clears the device", InterfaceKind::Gpib, kGpibName, std::nullopt, "",
       true},
  };
  for (const Case& c : cases) {
    ConsoleRig rig;
    const ViSession s = rig.only(c.kind, c.name);
    rig.answer(c.name, c.reply);
    rig.console.write("MEAS?\n");
    rig.visa.calls.clear();
    rig.console.readCommand();
    EXPECT_EQ(rig.console.receivedText(), c.answer) << c.proves;
    EXPECT_EQ(rig.console.lastResponse(), c.answer) << c.proves;
    const auto clears = rig.visa.callsOf("viClear");
    EXPECT_EQ(clears.size(), c.cleared ? 1u : 0u) << c.proves;
    if (c.cleared) {
      EXPECT_EQ(clears[0].object, s) << c.proves;
    }
    EXPECT_TRUE(rig.ui.shown.empty()) << c.proves << ": the console shows no VISA message";
    const auto reads = rig.visa.callsOf("viRead");
    ASSERT_EQ(reads.size(), 1u) << c.proves;
    if (c.kind == InterfaceKind::Gpib) {
      EXPECT_EQ(reads[0].count, 1048575u) << c.proves;
      const auto set = rig.visa.callsOf("viSetAttribute");
      ASSERT_EQ(set.size(), 1u) << c.proves;
      EXPECT_EQ(set[0].attribute, VI_ATTR_TMO_VALUE) << c.proves;
      EXPECT_EQ(set[0].value, 15000u) << c.proves;
    } else {
      EXPECT_EQ(reads[0].count, 1024u) << c.proves;
    }
  }
}

TEST(ConsoleRead, SaysWhenAReadTimedOutOrFailed) {
  struct Case {
    const char* proves;
    InterfaceKind kind;
    std::string name;
    std::optional<Reply> reply;
    std::string status;
  };
  const Case cases[] = {
      {"usb: a query with no answer (*CLS)", InterfaceKind::Usb, kUsbName, std::nullopt,
       "No answer: the read timed out after 15000 ms."},
      {"tcpip: a read with nothing pending", InterfaceKind::Tcpip, kTcpipName,
       Reply{"", VI_ERROR_TMO}, "No answer: the read timed out after 15000 ms."},
      {"gpib: nothing came", InterfaceKind::Gpib, kGpibName, std::nullopt,
       "No answer: the read timed out after 15000 ms."},
      {"tcpip: part of an answer, then the time-out", InterfaceKind::Tcpip, kTcpipName,
       Reply{"+2", VI_ERROR_TMO}, "Timeout expired before operation completed."},
      {"usb: a proper answer", InterfaceKind::Usb, kUsbName, Reply{"+1\n", std::nullopt}, ""},
  };
  for (const Case& c : cases) {
    ConsoleRig rig;
    rig.only(c.kind, c.name);
    rig.answer(c.name, c.reply);
    rig.console.setSendText("*CLS");
    rig.console.queryCommand();
    EXPECT_EQ(rig.console.statusText(), c.status) << c.proves;
    EXPECT_TRUE(rig.ui.shown.empty()) << c.proves << ": said in the dialog, no message box";
    rig.console.writeCommand();
    EXPECT_EQ(rig.console.statusText(), "") << c.proves << ": a write clears it";
  }
}

TEST(ConsoleAllocation, FailuresShowTheirMessageAndSendNothing) {
  ConsoleRig rig;
  rig.only(InterfaceKind::Usb, kUsbName);
  rig.console.queryCommand();
  rig.visa.calls.clear();
  rig.console.setAllocationGate([](std::size_t bytes) { return bytes < 10; });
  rig.console.setSendText("MEASURE:FREQ?");
  rig.console.writeCommand();
  EXPECT_TRUE(rig.visa.calls.empty());
  rig.console.readCommand();
  EXPECT_EQ(rig.console.receivedText(), "ORVALENT,V3800A,SN1,1.02\n") << "the last response";
  const std::vector<std::string> messages = {"Insufficient memory available(viWrite).",
                                             "Insufficient memory available(viRead)."};
  EXPECT_EQ(rig.ui.texts(), messages);
  for (const auto& m : rig.ui.shown) {
    EXPECT_EQ(m.caption, "V38XX_AP");
    EXPECT_EQ(m.icon, core::Icon::Error);
  }
}

}  // namespace
