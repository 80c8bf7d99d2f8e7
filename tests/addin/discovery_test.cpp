// Discovery: the searches, the typed addresses, identification and the sessions it keeps.

#include <gtest/gtest.h>

#include <set>

#include "addin_rig.h"
#include "support/recording_visa.h"
#include "visa/builtin_library.h"

namespace {

using addintest::AddinRig;
using testsupport::RecordingVisa;

constexpr const char* kUsbHex = "USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR";
constexpr const char* kUsbDecimal = "USB[0-9]::11130::(3800|3820)::?*INSTR";

// The session a viOpen of `name` gave: the object of the call that follows it (its time-out).
ViSession openedFor(const RecordingVisa& visa, const std::string& name) {
  for (std::size_t i = 0; i + 1 < visa.calls.size(); ++i)
    if (visa.calls[i].function == "viOpen" && visa.calls[i].text == name)
      return visa.calls[i + 1].object;
  return 0;
}

TEST(AddinIdentification, AcceptsMakerWithModelOrTheCompatibleModel) {
  struct Case {
    const char* idn;
    bool accepted;
  } cases[] = {
      {"ORVALENT,V3820A,SN1,1.0", true},
      {"orvalent,v3800a,SN2,1.0", true},
      {"OrValent Instruments,V3800A", true},
      {"ACME,53132A,SN3,4.0", true},       // the compatible model alone
      {"ORVALENT,V3900A,SN4,1.0", false},  // maker without a known model
      {"ACME,V3800A,SN5,1.0", false},      // model without the maker
      {"", false},
  };
  for (const auto& c : cases) {
    RecordingVisa visa;
    visa.findResults[kUsbHex] = {"USB0::0x2B7A::0x0ED8::X::INSTR"};
    visa.addInstrument("USB0::0x2B7A::0x0ED8::X::INSTR", c.idn);
    AddinRig rig(visa);
    rig.app.FindDevice();
    EXPECT_EQ(rig.app.IIDevCounts, c.accepted ? 1 : 0) << c.idn;
  }
}

TEST(AddinDiscovery, RowsHoldTheRawAnswerPaddedTheNameAndTheSessions) {
  RecordingVisa visa;
  visa.findResults[kUsbHex] = {"USB0::0x2B7A::0x0ED8::A::INSTR"};
  visa.addInstrument("USB0::0x2B7A::0x0ED8::A::INSTR", "ORVALENT,V3800A,A,1.1");
  AddinRig rig(visa);
  rig.app.FindDevice();
  ASSERT_EQ(rig.app.IIDevCounts, 1);
  rig.app.GetIDN(0);
  EXPECT_EQ(rig.app.IIDNStr.size(), 256u);
  EXPECT_EQ(rig.app.IIDNStr.substr(0, 22), "ORVALENT,V3800A,A,1.1\n");
  EXPECT_EQ(rig.app.IIDNStr.find_first_not_of(' ', 22), std::string::npos);
  EXPECT_EQ(rig.app.IIDNAddr, "USB0::0x2B7A::0x0ED8::A::INSTR");
  EXPECT_EQ(rig.app.IIDNSesn, visa.sessionOf("USB0::0x2B7A::0x0ED8::A::INSTR"));

  // The probe: clear, "*esr?" and "*idn?" as 5-byte writes, reads of up to 255 bytes, 30 s.
  const ViSession s = rig.app.IIDNSesn;
  std::vector<std::string> traffic;
  for (const auto& c : visa.calls)
    if (c.object == s) traffic.push_back(c.function + " " + c.text + " " + std::to_string(c.count));
  EXPECT_EQ(traffic, (std::vector<std::string>{"viSetAttribute  0", "viClear  0", "viWrite *esr? 5",
                                               "viRead  255", "viWrite *idn? 5",
                                               "viRead ORVALENT,V3800A,A,1.1\n 255"}));
  EXPECT_EQ(visa.callsOf("viSetAttribute")[0].value, 30000u);
}

TEST(AddinDiscovery, SearchOrderDecimalFallbackAndTypedAddresses) {
  RecordingVisa visa;
  visa.findResults["GPIB?*"] = {"GPIB0::3::INSTR"};
  visa.addInstrument("GPIB0::3::INSTR", "ORVALENT,V3820A,G,1");
  visa.findResults[kUsbDecimal] = {"USB0::11130::3800::D::INSTR"};
  visa.addInstrument("USB0::11130::3800::D::INSTR", "ORVALENT,V3800A,D,1");
  visa.addInstrument("TCPIP::10.9.9.9::INSTR", "ORVALENT,V3800A,T,1");
  AddinRig rig(visa);
  rig.app.FindTCPIPDevice(0, "TCPIP::10.9.9.9::INSTR");
  rig.app.FindTCPIPDevice(3, "TCPIP::10.9.9.8::INSTR");  // does not open
  rig.app.FindDevice();

  std::vector<std::string> expressions;
  for (const auto& c : visa.callsOf("viFindRsrc")) expressions.push_back(c.text);
  EXPECT_EQ(expressions, (std::vector<std::string>{"GPIB?*", "TCPIP?*", kUsbHex, kUsbDecimal}));
  ASSERT_EQ(rig.app.IIDevCounts, 3);
  std::vector<std::string> found;
  for (std::int16_t i = 0; i < 3; ++i) {
    rig.app.GetIDN(i);
    found.push_back(rig.app.IIDNAddr);
  }
  EXPECT_EQ(found, (std::vector<std::string>{"GPIB0::3::INSTR", "TCPIP::10.9.9.9::INSTR",
                                             "USB0::11130::3800::D::INSTR"}));
  ASSERT_EQ(rig.ui.shown.size(), 1u);
  EXPECT_EQ(rig.ui.shown[0].text, "Open device failed.\r\n\r\nTCPIP::10.9.9.8::INSTR");
  EXPECT_EQ(rig.ui.shown[0].icon, core::Icon::Error);

  // Found again without resetting the count: appended after the old rows.
  rig.app.FindDevice();
  EXPECT_EQ(rig.app.IIDevCounts, 6);
  rig.app.GetIDN(3);
  EXPECT_EQ(rig.app.IIDNAddr, "GPIB0::3::INSTR");
  rig.app.GetIDN(0);
  EXPECT_EQ(rig.app.IIDNAddr, "") << "the old rows were cleared";
}

TEST(AddinDiscovery, ClosesWhatNothingRefersToAndKeepsTheWorkSession) {
  RecordingVisa visa;
  visa.findResults[kUsbHex] = {"USB0::0x2B7A::0x0ED8::A::INSTR", "USB0::0x2B7A::0x0ED8::B::INSTR"};
  visa.addInstrument("USB0::0x2B7A::0x0ED8::A::INSTR", "ORVALENT,V3800A,A,1");
  visa.addInstrument("USB0::0x2B7A::0x0ED8::B::INSTR", "ACME,OTHER,B,1");  // rejected
  visa.addInstrument("TCPIP::10.1.1.1::INSTR", "ACME,OTHER,T,1");          // rejected probe
  AddinRig rig(visa);
  rig.app.FindTCPIPDevice(0, "TCPIP::10.1.1.1::INSTR");
  rig.app.FindTCPIPDevice(1, "TCPIP::10.1.1.2::INSTR");  // fails to open
  rig.app.FindDevice();
  ASSERT_EQ(rig.app.IIDevCounts, 1);

  std::set<ViObject> closed;
  for (const auto& c : visa.callsOf("viClose")) closed.insert(c.object);
  const ViSession kept = openedFor(visa, "USB0::0x2B7A::0x0ED8::A::INSTR");
  EXPECT_TRUE(closed.count(openedFor(visa, "USB0::0x2B7A::0x0ED8::B::INSTR")))
      << "a rejected instrument's session is closed at once";
  EXPECT_TRUE(closed.count(openedFor(visa, "TCPIP::10.1.1.1::INSTR")));
  EXPECT_FALSE(closed.count(kept));
  // Resource managers: every one but the USB search's (which holds the kept row) is closed.
  std::vector<ViSession> managers;
  for (const auto& c : visa.callsOf("viOpenDefaultRM")) managers.push_back(c.object);
  ASSERT_EQ(managers.size(), 5u);  // GPIB, TCPIP, two probes, USB
  for (std::size_t i = 0; i + 1 < managers.size(); ++i) EXPECT_TRUE(closed.count(managers[i])) << i;
  EXPECT_FALSE(closed.count(managers.back()));

  // The user connected to the kept instrument; a new search keeps its manager open.
  rig.app.GetIDN(0);
  rig.app.IWKSesn = rig.app.IIDNSesn;
  rig.app.IIDevCounts = 0;
  visa.calls.clear();
  rig.app.FindDevice();
  for (const auto& c : visa.callsOf("viClose"))
    EXPECT_NE(c.object, managers.back()) << "the work session's manager stays open";

  // Connected to the new row, a third search closes the first search's manager.
  rig.app.GetIDN(0);
  rig.app.IWKSesn = rig.app.IIDNSesn;
  rig.app.IIDevCounts = 0;
  visa.calls.clear();
  rig.app.FindDevice();
  bool firstClosed = false;
  for (const auto& c : visa.callsOf("viClose")) firstClosed |= c.object == managers.back();
  EXPECT_TRUE(firstClosed);

  visa.calls.clear();
  rig.app.RMClose();
  EXPECT_EQ(visa.callsOf("viClose").size(), 2u) << "the two managers still holding sessions";
}

TEST(AddinDiscovery, FindsBothSimulatedCounters) {
  visa::BuiltinOptions options;
  options.simulate = true;
  visa::BuiltinLibrary visa(options);
  AddinRig rig(visa);
  rig.app.FindDevice();
  ASSERT_EQ(rig.app.IIDevCounts, 2);
  rig.app.GetIDN(0);
  EXPECT_EQ(rig.app.IIDNStr.substr(0, 34), "ORVALENT,V3800A,SIM3800A01,1.1.2\n ");
  EXPECT_EQ(rig.app.IIDNAddr, "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR");
  rig.app.GetIDN(1);
  EXPECT_EQ(rig.app.IIDNAddr, "USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR");
  EXPECT_TRUE(rig.ui.shown.empty());
}

}  // namespace
