// Discovery, identification and device selection against the recording VISA double.

#include <gtest/gtest.h>

#include "rig.h"

namespace {

using instrument::DeviceEntry;
using instrument::InterfaceKind;
using instrument::TcpipAddressData;
using namespace instrument_test;

const std::string kUsbA = "USB0::0x2B7A::0x0ED8::SN0000000A::INSTR";
const std::string kUsbB = "USB0::0x2B7A::0x0ED8::SN0000000B::INSTR";
const std::string kUsbC = "USB0::0x2B7A::0x0EEC::SN0000000C::INSTR";

std::vector<std::string> lineTexts(const instrument::Instrument& inst) {
  std::vector<std::string> out;
  for (const auto& line : inst.lines()) out.push_back(line.text);
  return out;
}

TEST(Search, RunsTcpipGpibAndUsbInOrderWithTheDecimalFallbacks) {
  Rig rig;
  rig.inst.search(true);
  const std::vector<std::string> expected = {kTcpipExpr,  kGpibExpr,   kUsb3800Hex,
                                             kUsb3800Dec, kUsb3820Hex, kUsb3820Dec};
  EXPECT_EQ(rig.expressions(), expected);
  EXPECT_EQ(rig.visa.callsOf("viOpenDefaultRM").size(), 3u);
  EXPECT_EQ(rig.inst.deviceCount(), 0);
  EXPECT_EQ(rig.inst.deviceList().lines, std::vector<std::string>{"Device Not Found"});
  EXPECT_FALSE(rig.inst.deviceList().enabled);
  EXPECT_EQ(rig.inst.currentSession(), instrument::kInvalidSession);
  EXPECT_EQ(rig.inst.modelCode(), "0");
  EXPECT_TRUE(rig.inst.detectionEnabled());
  EXPECT_EQ(rig.hookCalls, std::vector<std::string>{"nothing"});
  EXPECT_TRUE(rig.inst.console().devices().empty());
}

TEST(Search, HexadecimalFindsSkipTheirDecimalFallback) {
  Rig rig;
  rig.add(kUsb3800Hex, kUsbA, idn3800("SN0000000A"));
  rig.add(kUsb3820Hex, kUsbC, idn3820("SN0000000C"));
  rig.inst.search(true);
  const std::vector<std::string> expected = {kTcpipExpr, kGpibExpr, kUsb3800Hex, kUsb3820Hex};
  EXPECT_EQ(rig.expressions(), expected);
}

TEST(Search, FailingResourceManagerMakesEverySearchContributeNothing) {
  Rig rig;
  rig.visa.openDefaultRMStatus = VI_ERROR_SYSTEM_ERROR;
  rig.add(kUsb3800Hex, kUsbA, idn3800("SN0000000A"));
  rig.inst.search(true);
  EXPECT_TRUE(rig.expressions().empty());
  EXPECT_EQ(rig.inst.deviceList().lines, std::vector<std::string>{"Device Not Found"});
}

TEST(Search, SlotsCountDownForTcpipAndGpibAndUpForUsb) {
  Rig rig;
  for (const char* name : {"TCPIP0::10.0.0.1::inst0::INSTR", "TCPIP0::10.0.0.2::inst0::INSTR",
                           "TCPIP0::10.0.0.3::inst0::INSTR"})
    rig.add(kTcpipExpr, name, idn3800("T"));
  rig.add(kGpibExpr, "GPIB0::1::INSTR", idn3800("G1"));
  rig.add(kGpibExpr, "GPIB0::2::INSTR", idn3820("G2"));
  rig.add(kUsb3800Hex, kUsbA, idn3800("SN0000000A"));
  rig.add(kUsb3800Hex, kUsbB, idn3800("SN0000000B"));
  rig.add(kUsb3820Hex, kUsbC, idn3820("SN0000000C"));
  rig.inst.search(true);

  const std::vector<DeviceEntry> expected = {
      {InterfaceKind::Tcpip, 2, "TCPIP0::10.0.0.1::inst0::INSTR"},
      {InterfaceKind::Tcpip, 1, "TCPIP0::10.0.0.2::inst0::INSTR"},
      {InterfaceKind::Tcpip, 0, "TCPIP0::10.0.0.3::inst0::INSTR"},
      {InterfaceKind::Gpib, 1, "GPIB0::1::INSTR"},
      {InterfaceKind::Gpib, 0, "GPIB0::2::INSTR"},
      {InterfaceKind::Usb, 0, kUsbA},
      {InterfaceKind::Usb, 1, kUsbB},
      {InterfaceKind::Usb, 2, kUsbC},
  };
  EXPECT_EQ(rig.inst.entries(), expected);
  for (const DeviceEntry& e : expected) {
    const ViSession s = rig.visa.sessionOf(e.name);
    switch (e.kind) {
      case InterfaceKind::Tcpip:
        EXPECT_EQ(rig.inst.tcpipSessions()[e.index], s) << e.name;
        break;
      case InterfaceKind::Gpib:
        EXPECT_EQ(rig.inst.gpibSessions()[e.index], s) << e.name;
        break;
      default:
        EXPECT_EQ(rig.inst.usbSessions()[e.index], s) << e.name;
    }
  }
  EXPECT_EQ(rig.inst.tcpipCount(), 3);
  EXPECT_EQ(rig.inst.gpibCount(), 2);
  EXPECT_EQ(rig.inst.usbCount(), 3);
  EXPECT_EQ(rig.inst.deviceCount(), 8);
  const std::vector<std::string> lines = {"V3800A--TCPIP--10.0.0.1",
                                          "V3800A--TCPIP--10.0.0.2",
                                          "V3800A--TCPIP--10.0.0.3",
                                          "V3800A--GPIB--1",
                                          "V3820A--GPIB--2",
                                          "V3800A--USBTMC--SN0000000A",
                                          "V3800A--USBTMC--SN0000000B",
                                          "V3820A--USBTMC--SN0000000C"};
  EXPECT_EQ(lineTexts(rig.inst), lines);
  EXPECT_EQ(rig.inst.deviceList().lines, lines);
  EXPECT_TRUE(rig.inst.deviceList().enabled);
  EXPECT_EQ(rig.inst.deviceList().selectedLine, 0);
  for (const auto& set : rig.visa.callsOf("viSetAttribute")) {
    EXPECT_EQ(set.attribute, VI_ATTR_TMO_VALUE);
    EXPECT_EQ(set.value, 15000u);
  }
}

TEST(Search, IdentificationWritesSixBytesPausesAndReadsPerInterface) {
  struct Case {
    const char* proves;
    const char* expression;
    std::string name;
    // Calls on the instrument's session after it was opened, up to the last identification read.
    std::vector<std::string> calls;
    std::vector<ViUInt32> readCounts;
    std::vector<int> sleeps;
  };
  const Case cases[] = {
      {"usb: 100-byte read, no time-out set before it",
       kUsb3800Hex,
       kUsbA,
       {"viSetAttribute", "viWrite", "viRead"},
       {100},
       {30}},
      {"gpib: time-out set again, 65,536-byte read",
       kGpibExpr,
       "GPIB0::9::INSTR",
       {"viSetAttribute", "viWrite", "viSetAttribute", "viRead"},
       {65536},
       {30}},
      {"tcpip: 256-byte read in its search, then 65,536 bytes",
       kTcpipExpr,
       "TCPIP0::10.0.0.9::inst0::INSTR",
       {"viSetAttribute", "viWrite", "viRead", "viWrite", "viSetAttribute", "viRead"},
       {256, 65536},
       {30, 30}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.add(c.expression, c.name, idn3800("X"));
    rig.inst.setDetectionEnabled(false);
    rig.inst.setPanelHooks({});
    rig.inst.search(true);
    const ViSession s = rig.visa.sessionOf(c.name);
    std::vector<std::string> names;
    std::vector<ViUInt32> readCounts;
    for (const auto& call : rig.visa.calls) {
      if (call.object != s || call.function == "viOpen") continue;
      if (call.function == "viWrite") {
        if (call.text == "*IDN?") break;  // the selection's own query follows the search
        EXPECT_EQ(call.text, "*IDN?\n") << c.proves;
        EXPECT_EQ(call.count, 6u) << c.proves;
      }
      if (call.function == "viRead") readCounts.push_back(call.count);
      names.push_back(call.function);
    }
    EXPECT_EQ(names, c.calls) << c.proves;
    EXPECT_EQ(readCounts, c.readCounts) << c.proves;
    EXPECT_EQ(rig.clock.sleeps, c.sleeps) << c.proves;
  }
}

TEST(Search, DecimalUsbDescriptorsAreListedUnderTheirHexadecimalNames) {
  Rig rig;
  rig.add(kUsb3800Dec, "USB0::11130::3800::SN00000009::INSTR", idn3800("SN00000009"));
  rig.add(kUsb3820Dec, "USB0::11130::3820::SN00000010::0::INSTR", idn3820("SN00000010"));
  rig.inst.search(true);
  const std::vector<DeviceEntry> expected = {
      {InterfaceKind::Usb, 0, "USB0::0X2B7A::0X0ED8::SN00000009::INSTR"},
      {InterfaceKind::Usb, 1, "USB0::0X2B7A::0X0EEC::SN00000010::INSTR"},
  };
  EXPECT_EQ(rig.inst.entries(), expected);
  const auto opens = rig.visa.callsOf("viOpen");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].text, "USB0::11130::3800::SN00000009::INSTR") << "opened as found";
  const std::vector<std::string> lines = {"V3800A--USBTMC--SN00000009",
                                          "V3820A--USBTMC--SN00000010"};
  EXPECT_EQ(lineTexts(rig.inst), lines);
}

TEST(Search, TcpipInstrumentsAreListedOnlyWhenTheirIdentificationHoldsV38) {
  Rig rig;
  const std::string other = "TCPIP0::10.0.0.1::inst0::INSTR";
  const std::string silent = "TCPIP0::10.0.0.2::inst0::INSTR";
  const std::string noOpen = "TCPIP0::10.0.0.3::inst0::INSTR";
  const std::string noTimeout = "TCPIP0::10.0.0.4::inst0::INSTR";
  const std::string counter = "TCPIP0::10.0.0.5::inst0::INSTR";
  rig.add(kTcpipExpr, other, "OTHER,DMM100,1,1");
  rig.visa.findResults[kTcpipExpr].push_back(silent);
  rig.visa.resources[silent] = {};
  rig.add(kTcpipExpr, noOpen, idn3800("x"));
  rig.visa.resources[noOpen].openStatus = VI_ERROR_RSRC_BUSY;
  rig.add(kTcpipExpr, noTimeout, idn3800("y"));
  rig.visa.resources[noTimeout].setAttributeStatus = VI_ERROR_NSUP_ATTR;
  rig.add(kTcpipExpr, counter, idn3820("z"));
  rig.inst.search(true);

  EXPECT_NE(rig.visa.sessionOf(other), 0u) << "its session was opened";
  EXPECT_EQ(rig.inst.entries(), (std::vector<DeviceEntry>{{InterfaceKind::Tcpip, 0, counter}}));
  EXPECT_EQ(rig.inst.tcpipCount(), 1);
  EXPECT_EQ(lineTexts(rig.inst), std::vector<std::string>{"V3820A--TCPIP--10.0.0.5"});
  // The instrument that failed its time-out setting is not queried.
  for (const auto& w : rig.visa.callsOf("viWrite"))
    EXPECT_NE(w.object, rig.visa.sessionOf(noTimeout));
}

TEST(Search, SilentUsbAndGpibInstrumentsAreStillListed) {
  Rig rig;
  rig.visa.findResults[kUsb3800Hex] = {kUsbA};
  rig.visa.resources[kUsbA] = {};
  rig.visa.findResults[kGpibExpr] = {"GPIB0::4::INSTR"};
  rig.visa.resources["GPIB0::4::INSTR"] = {};
  rig.add(kUsb3820Hex, kUsbC, "ORVALENT,V3820A");
  rig.ui.shown.clear();
  rig.inst.setDetectionEnabled(false);
  rig.inst.setPanelHooks({});
  rig.inst.setRunStop({});
  rig.inst.search(true);
  const std::vector<std::string> lines = {"Unknow Manufacture--GPIB--4",
                                          "Unknow Manufacture--USBTMC--SN0000000A",
                                          "Unknow Model--USBTMC--SN0000000C"};
  EXPECT_EQ(lineTexts(rig.inst), lines);
}

TEST(Search, LinesKeepTheirOwnInstrumentWhenATcpipLineIsLeftOut) {
  Rig rig;
  const std::string flaky = "TCPIP0::10.0.0.7::inst0::INSTR";
  int queries = 0;
  rig.visa.findResults[kTcpipExpr] = {flaky};
  // Answers its first identification only.
  rig.visa.resources[flaky].responder =
      [&queries](const std::string&) -> std::optional<testsupport::Reply> {
    if (queries++ == 0) return testsupport::Reply{idn3800("T") + "\n", std::nullopt};
    return std::nullopt;
  };
  rig.add(kGpibExpr, "GPIB0::3::INSTR", idn3820("G"));
  rig.inst.search(true);
  ASSERT_EQ(rig.inst.entries().size(), 2u);
  EXPECT_EQ(lineTexts(rig.inst), std::vector<std::string>{"V3820A--GPIB--3"});
  EXPECT_EQ(rig.inst.currentName(), "GPIB0::3::INSTR");
  EXPECT_EQ(rig.inst.currentSession(), rig.visa.sessionOf("GPIB0::3::INSTR"));
  EXPECT_EQ(rig.inst.modelCode(), "3820");
}

TEST(Search, InstrumentsBeyondTheTableAreLeftAlone) {
  Rig rig;
  for (int i = 1; i <= 32; ++i) rig.add(kGpibExpr, "GPIB0::" + std::to_string(i) + "::INSTR", "");
  rig.inst.setDetectionEnabled(false);
  rig.inst.search(true);
  EXPECT_EQ(rig.inst.gpibCount(), 30);
  ASSERT_EQ(rig.inst.entries().size(), 30u);
  EXPECT_EQ(rig.inst.entries().front().index, 29);
  EXPECT_EQ(rig.inst.entries().back().index, 0);
  EXPECT_EQ(rig.visa.callsOf("viOpen").size(), 30u);
  EXPECT_EQ(rig.inst.console().devices().size(), 20u);
}

TEST(Search, AllocationFailureSkipsTheInstrumentWithItsMessage) {
  struct Case {
    const char* proves;
    std::size_t refused;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"identification write buffer",
       7,
       {"Insufficient memory available(viWrite).", "Insufficient memory available(viWrite)."}},
      {"usb identification read buffer", 101, {"Insufficient memory available(viRead)."}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.add(kUsb3800Hex, kUsbA, idn3800("A"));
    rig.add(kGpibExpr, "GPIB0::5::INSTR", idn3820("B"));
    const std::size_t refused = c.refused;
    rig.inst.setAllocationGate([refused](std::size_t bytes) { return bytes != refused; });
    rig.inst.search(true);
    EXPECT_EQ(rig.ui.texts(), c.messages) << c.proves;
    if (refused == 7) {
      EXPECT_TRUE(rig.inst.lines().empty()) << c.proves;
      EXPECT_EQ(rig.inst.deviceList().lines, std::vector<std::string>{"Device Not Found"});
      EXPECT_EQ(rig.inst.deviceCount(), 0) << "nothing usable was listed";
      EXPECT_EQ(rig.hookCalls, std::vector<std::string>{"nothing"});
    } else {
      EXPECT_EQ(lineTexts(rig.inst), std::vector<std::string>{"V3820A--GPIB--5"}) << c.proves;
    }
  }
}

TEST(Search, RefreshReleasesTheOldSessionsFirst) {
  Rig rig;
  rig.add(kTcpipExpr, "TCPIP0::10.0.0.1::inst0::INSTR", idn3800("T"));
  rig.add(kGpibExpr, "GPIB0::1::INSTR", idn3800("G"));
  rig.add(kUsb3820Hex, kUsbC, idn3820("U"));
  rig.inst.search(true);
  const auto firstSessions = rig.visa.openSessions;
  ASSERT_EQ(firstSessions.size(), 3u);
  rig.clearRecords();

  rig.inst.search();
  for (const ViSession s : firstSessions) EXPECT_EQ(rig.visa.openSessions.count(s), 0u);
  EXPECT_EQ(rig.visa.openSessions.size(), 3u);
  EXPECT_EQ(rig.visa.openManagers.size(), 3u) << "one per search since the release";
  EXPECT_EQ(rig.visa.calls.front().function, "viClose");
  // The model was forgotten, so identifying the first instrument again resets the panel.
  EXPECT_EQ(rig.inst.modelCode(), "3800");
  const std::vector<std::string> hooks = {"full", "changed", "found"};
  EXPECT_EQ(rig.hookCalls, hooks);
}

TEST(Search, GivesTheConsoleTheListedInstruments) {
  Rig rig;
  rig.add(kGpibExpr, "GPIB0::1::INSTR", idn3800("G"));
  rig.add(kUsb3820Hex, kUsbC, idn3820("U"));
  rig.inst.search(true);
  const std::vector<instrument::ConsoleDevice> expected = {
      {"V3800A--GPIB--1", InterfaceKind::Gpib, rig.visa.sessionOf("GPIB0::1::INSTR")},
      {"V3820A--USBTMC--SN0000000C", InterfaceKind::Usb, rig.visa.sessionOf(kUsbC)},
  };
  EXPECT_EQ(rig.inst.console().devices(), expected);
}

struct SelectRig : Rig {
  SelectRig() {
    add(kUsb3800Hex, kUsbA, idn3800("SN0000000A"));
    add(kUsb3800Hex, kUsbB, idn3800("SN0000000B"));
    add(kUsb3820Hex, kUsbC, idn3820("SN0000000C"));
    visa.findResults[kGpibExpr] = {"GPIB0::8::INSTR"};
    visa.addInstrument("GPIB0::8::INSTR", "OTHER,DMM100,1,1");
  }
};

TEST(SelectDevice, SearchSelectsSilentlyThenIdentifiesWithABareQuery) {
  SelectRig rig;
  rig.inst.search(true);
  // Line 0 is the GPIB instrument; both selections end on it.
  const auto idn = rig.visa.callsOf("viWrite").back();
  EXPECT_EQ(idn.text, "*IDN?");
  EXPECT_EQ(idn.count, 5u);
  EXPECT_EQ(idn.object, rig.visa.sessionOf("GPIB0::8::INSTR"));
  EXPECT_EQ(rig.inst.modelCode(), "0") << "an answer without V3800A or V3820A";
  EXPECT_EQ(rig.hookCalls, std::vector<std::string>{"found"});
  int bareQueries = 0;
  for (const auto& w : rig.visa.callsOf("viWrite")) bareQueries += w.text == "*IDN?";
  EXPECT_EQ(bareQueries, 1) << "the selection before detection is enabled sends nothing";
}

TEST(SelectDevice, ModelChangesResetThePanelAndTheSameModelDoesNot) {
  struct Step {
    int line;
    std::string model;
    std::vector<std::string> hooks;
  };
  // Lines: 0 GPIB other maker, 1 and 2 V3800A, 3 V3820A.
  const Step steps[] = {
      {1, "3800", {"full", "changed"}},
      {2, "3800", {}},
      {3, "3820", {"compact", "changed"}},
      {0, "3820", {}},
      {3, "3820", {}},
      {2, "3800", {"full", "changed"}},
  };
  SelectRig rig;
  rig.inst.search(true);
  for (const Step& s : steps) {
    rig.clearRecords();
    rig.inst.SelectDevice(s.line);
    EXPECT_EQ(rig.inst.modelCode(), s.model) << "line " << s.line;
    EXPECT_EQ(rig.hookCalls, s.hooks) << "line " << s.line;
    EXPECT_EQ(rig.inst.currentSession(), rig.inst.lines()[s.line].session);
    EXPECT_EQ(rig.inst.deviceList().selectedLine, s.line);
  }
}

TEST(SelectDevice, WithDetectionDisabledOnlySwitchesSessions) {
  SelectRig rig;
  rig.inst.search(true);
  rig.inst.SelectDevice(3);
  ASSERT_EQ(rig.inst.modelCode(), "3820");
  rig.inst.setDetectionEnabled(false);
  rig.clearRecords();
  rig.inst.SelectDevice(1);
  EXPECT_TRUE(rig.visa.calls.empty());
  EXPECT_EQ(rig.inst.modelCode(), "0");
  EXPECT_EQ(rig.inst.currentKind(), InterfaceKind::Usb);
  EXPECT_EQ(rig.inst.currentIndex(), 0);
  EXPECT_EQ(rig.inst.currentName(), kUsbA);
  EXPECT_EQ(rig.inst.currentSession(), rig.visa.sessionOf(kUsbA));
  EXPECT_TRUE(rig.hookCalls.empty());
}

TEST(SelectDevice, LinesOutOfRangeAreIgnored) {
  SelectRig rig;
  rig.inst.search(true);
  rig.clearRecords();
  const ViSession before = rig.inst.currentSession();
  rig.inst.SelectDevice(-1);
  rig.inst.SelectDevice(4);
  EXPECT_TRUE(rig.visa.calls.empty());
  EXPECT_EQ(rig.inst.currentSession(), before);
}

TEST(SelectDevice, AnswerBeginningWithTheModelDoesNotIdentifyIt) {
  Rig rig;
  rig.add(kUsb3800Hex, kUsbA, "V3800A,ORVALENT");
  rig.inst.search(true);
  EXPECT_EQ(rig.inst.modelCode(), "0");
}

TEST(TypedAddresses, SearchOpensEachSetAddressAndSkipsTheUnset) {
  struct Case {
    const char* proves;
    TcpipAddressData::Addresses addresses;
    std::vector<std::string> opened;
    std::vector<DeviceEntry> entries;
    std::vector<std::string> lines;
  };
  // The LAN instrument of the resource file stays listed after the typed ones, in the first
  // slot after the four of the typed addresses.
  const std::string listed = "TCPIP0::10.1.1.1::inst0::INSTR";
  const DeviceEntry listedEntry{InterfaceKind::Tcpip, TcpipAddressData::kCount, listed};
  const std::string listedLine = "V3800A--TCPIP--10.1.1.1";
  const Case cases[] = {
      {"addresses 2 and 4 unset",
       {"127.0.0.1", "0.0.0.0", "10.0.0.2", "0.0.0.0"},
       {"TCPIP::127.0.0.1", "TCPIP::10.0.0.2", listed},
       {{InterfaceKind::Tcpip, 0, "TCPIP::127.0.0.1::inst0::INSTR"},
        {InterfaceKind::Tcpip, 2, "TCPIP::10.0.0.2::inst0::INSTR"},
        listedEntry},
       {"V3800A--TCPIP--127.0.0.1", "V3820A--TCPIP--10.0.0.2", listedLine}},
      {"address 1 unset too",
       {"0.0.0.0", "0.0.0.0", "0.0.0.0", "10.0.0.4"},
       {"TCPIP::10.0.0.4", listed},
       {{InterfaceKind::Tcpip, 3, "TCPIP::10.0.0.4::inst0::INSTR"}, listedEntry},
       {"V3820A--TCPIP--10.0.0.4", listedLine}},
      {"an instrument without V38 is opened but not listed",
       {"10.0.0.9", "0.0.0.0", "0.0.0.0", "0.0.0.0"},
       {"TCPIP::10.0.0.9", listed},
       {listedEntry},
       {listedLine}},
      {"nothing set",
       {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"},
       {listed},
       {listedEntry},
       {listedLine}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.visa.addInstrument("TCPIP::127.0.0.1", idn3800("A"));
    rig.visa.addInstrument("TCPIP::10.0.0.2", idn3820("B"));
    rig.visa.addInstrument("TCPIP::10.0.0.4", idn3820("C"));
    rig.visa.addInstrument("TCPIP::10.0.0.9", "OTHER,DMM100,1,1");
    rig.add(kTcpipExpr, "TCPIP0::10.1.1.1::inst0::INSTR", idn3800("listed in the VISA search"));
    bool flagDuringSearch = false;
    instrument::PanelHooks hooks;
    hooks.devicesFound = [&] { flagDuringSearch = rig.inst.typedAddressFlag(); };
    hooks.nothingFound = hooks.devicesFound;
    rig.inst.setPanelHooks(hooks);
    TcpipAddressData::Addresses shown;
    rig.inst.tcpipAddressCommand([&](TcpipAddressData& dialog) {
      shown = dialog.fieldTexts();
      EXPECT_TRUE(dialog.accept(c.addresses));
      return true;
    });
    EXPECT_EQ(shown, (TcpipAddressData::Addresses{"0.0.0.0", "", "", ""})) << c.proves;
    EXPECT_TRUE(flagDuringSearch) << c.proves;
    EXPECT_FALSE(rig.inst.typedAddressFlag()) << c.proves;
    EXPECT_EQ(rig.inst.typedAddresses().addresses(), c.addresses) << c.proves;
    std::vector<std::string> opened;
    for (const auto& o : rig.visa.callsOf("viOpen"))
      if (o.text.rfind("TCPIP", 0) == 0) opened.push_back(o.text);
    EXPECT_EQ(opened, c.opened) << c.proves;
    EXPECT_EQ(rig.inst.entries(), c.entries) << c.proves;
    const auto expressions = rig.expressions();
    EXPECT_EQ(std::count(expressions.begin(), expressions.end(), kTcpipExpr), 1) << c.proves;
    EXPECT_EQ(lineTexts(rig.inst), c.lines) << c.proves;
  }
}

TEST(TypedAddresses, TheNextRefreshUsesTheVisaSearchAgain) {
  Rig rig;
  rig.inst.tcpipAddressCommand([](TcpipAddressData& dialog) {
    return dialog.accept({"127.0.0.1", "", "", ""});
  });
  rig.clearRecords();
  rig.inst.search();
  EXPECT_EQ(rig.expressions().front(), kTcpipExpr);
  // The addresses stay for the next TCP/IP Address command.
  TcpipAddressData::Addresses shown;
  rig.inst.tcpipAddressCommand([&](TcpipAddressData& dialog) {
    shown = dialog.fieldTexts();
    return false;
  });
  EXPECT_EQ(shown, (TcpipAddressData::Addresses{"127.0.0.1", "", "", ""}));
}

TEST(TypedAddresses, LeavingTheDialogWithoutOkChangesAndSearchesNothing) {
  Rig rig;
  rig.inst.search(true);
  rig.clearRecords();
  rig.inst.tcpipAddressCommand([](TcpipAddressData& dialog) {
    dialog.accept({"10.0.0.5", "", "", ""});  // typed, then Escape or Cancel
    return false;
  });
  EXPECT_TRUE(rig.visa.calls.empty()) << "no search";
  EXPECT_EQ(rig.inst.typedAddresses().addresses()[0], "0.0.0.0");
  EXPECT_FALSE(rig.inst.typedAddressFlag());
  EXPECT_TRUE(rig.ui.shown.empty());
}

TEST(TypedAddresses, AnAddressWhereNoCounterAnswersIsReported) {
  Rig rig;
  rig.visa.addInstrument("TCPIP::127.0.0.1", idn3800("A"));
  rig.visa.addInstrument("TCPIP::10.0.0.9", "OTHER,DMM100,1,1");
  rig.inst.tcpipAddressCommand([](TcpipAddressData& dialog) {
    return dialog.accept({"127.0.0.1", "10.0.0.9", "10.0.0.77", ""});
  });
  EXPECT_EQ(lineTexts(rig.inst), std::vector<std::string>{"V3800A--TCPIP--127.0.0.1"});
  ASSERT_EQ(rig.ui.shown.size(), 1u);
  EXPECT_EQ(rig.ui.shown[0].text, "No V38XX counter answered at 10.0.0.9, 10.0.0.77.");
  EXPECT_EQ(rig.ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(rig.ui.shown[0].icon, core::Icon::Exclamation);
}

TEST(ReturnToLocal, InstrumentsTalkedToButNotListedGoBackToLocalToo) {
  Rig rig;
  // A typed address that is no counter, and a counter of an earlier search that the last one
  // no longer lists: both were addressed, so both go back to local at the end.
  rig.visa.addInstrument("TCPIP::10.0.0.9", "OTHER,DMM100,1,1");
  rig.add(kUsb3800Hex, "USB0::0x2B7A::0x0ED8::SN00000001::INSTR", idn3800("SN00000001"));
  rig.inst.search(true);
  rig.visa.findResults[kUsb3800Hex].clear();
  rig.add(kUsb3820Hex, "USB0::0x2B7A::0x0EEC::SN00000002::INSTR", idn3820("SN00000002"));
  rig.inst.tcpipAddressCommand([](TcpipAddressData& dialog) {
    return dialog.accept({"10.0.0.9", "", "", ""});
  });
  ASSERT_EQ(lineTexts(rig.inst), std::vector<std::string>{"V3820A--USBTMC--SN00000002"});
  rig.clearRecords();
  rig.inst.returnToLocal(false, "100 ms");
  const std::string rlst("syst:comm:rlst loc\0", 19);
  const auto writes = rig.visa.callsOf("viWrite");
  ASSERT_EQ(writes.size(), 3u) << "the listed counter and the two others";
  for (const auto& w : writes) EXPECT_EQ(w.text, rlst);
  std::vector<std::string> reopened;
  for (const auto& o : rig.visa.callsOf("viOpen")) reopened.push_back(o.text);
  EXPECT_EQ(reopened, (std::vector<std::string>{"USB0::0x2B7A::0x0ED8::SN00000001::INSTR",
                                                "TCPIP::10.0.0.9"}));
  EXPECT_TRUE(rig.visa.openSessions.empty()) << "every session closed again";
  EXPECT_TRUE(rig.visa.openManagers.empty());
}

}  // namespace
