// Discovery, selection, the console and the return to local against the simulated counters of
// the builtin VISA library: in-process USB counters, and a VXI-11 counter served on loopback
// found through the LAN list and through a typed address.

#include <gtest/gtest.h>

#include <memory>

#include "core/clock.h"
#include "instrument/instrument.h"
#include "measure/texts.h"
#include "sim/counter.h"
#include "sim/in_process_counters.h"
#include "sim/vxi11/vxi11_server.h"
#include "support/private_network.h"
#include "support/scripted_interaction.h"
#include "visa/builtin_library.h"

namespace {

using instrument::DeviceEntry;
using instrument::InterfaceKind;
using instrument::TcpipAddressData;

const std::string kSim3800 = "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR";
const std::string kSim3820 = "USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR";

struct SimRig {
  explicit SimRig(visa::BuiltinOptions options) : visa(std::move(options)) {
    instrument::PanelHooks hooks;
    hooks.fullModelIdentified = [this] { hookCalls.push_back("full"); };
    hooks.compactModelIdentified = [this] { hookCalls.push_back("compact"); };
    hooks.modelChanged = [this] { hookCalls.push_back("changed"); };
    inst.setPanelHooks(hooks);
    inst.setRunStop([this] { ++runStops; });
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const auto& l : inst.lines()) out.push_back(l.text);
    return out;
  }

  visa::BuiltinLibrary visa;
  testsupport::ScriptedInteraction ui;
  core::SystemClock clock;
  measure::Texts texts;
  instrument::Instrument inst{visa, ui, clock, texts};
  std::vector<std::string> hookCalls;
  int runStops = 0;
};

visa::BuiltinOptions simulatedOnly() {
  visa::BuiltinOptions options;
  options.simulate = true;
  options.usbtmcSysfsDir = "/nonexistent";
  options.gpibLibrary = "/nonexistent/libgpib.so.0";
  return options;
}

visa::BuiltinOptions lanOnly(std::vector<std::string> resources, std::uint16_t portmapperPort) {
  visa::BuiltinOptions options = simulatedOnly();
  options.simulate = false;
  options.lanResources = std::move(resources);
  options.vxi11PortmapperPort = portmapperPort;
  return options;
}

TEST(SimulatedCounters, DiscoveryListsBothModelsAndSelectionIdentifiesEach) {
  SimRig rig(simulatedOnly());
  rig.inst.search(true);
  EXPECT_EQ(rig.lines(),
            (std::vector<std::string>{"V3800A--USBTMC--SIM3800A01", "V3820A--USBTMC--SIM3820A01"}));
  EXPECT_EQ(rig.inst.entries(), (std::vector<DeviceEntry>{{InterfaceKind::Usb, 0, kSim3800},
                                                          {InterfaceKind::Usb, 1, kSim3820}}));
  EXPECT_EQ(rig.inst.modelCode(), "3800");
  EXPECT_EQ(rig.hookCalls, (std::vector<std::string>{"full", "changed"}));

  rig.hookCalls.clear();
  rig.inst.SelectDevice(1);
  EXPECT_EQ(rig.inst.modelCode(), "3820");
  EXPECT_EQ(rig.hookCalls, (std::vector<std::string>{"compact", "changed"}));
  rig.inst.SelectDevice(0);
  EXPECT_EQ(rig.inst.modelCode(), "3800");
  EXPECT_TRUE(rig.ui.shown.empty());
  EXPECT_EQ(rig.runStops, 0);
}

TEST(SimulatedCounters, ReadingsAndRunStopGoThroughInstrumentIo) {
  SimRig rig(simulatedOnly());
  rig.inst.search(true);
  rig.inst.write("INIT:CONT ON");
  rig.inst.write("fetch?\n");
  const std::string reading = rig.inst.read();
  EXPECT_FALSE(rig.inst.lastReadFailed()) << reading;
  EXPECT_FALSE(reading.empty());
  EXPECT_EQ(reading.back(), '\n') << "the line feed is kept";
  rig.inst.write("INIT:CONT OFF");
  EXPECT_EQ(sim::simulatedCounter(rig.visa, kSim3800)->setting("INIT:CONT"), "0");
  EXPECT_TRUE(sim::simulatedCounter(rig.visa, kSim3800)->pendingErrors().empty());
}

TEST(SimulatedCounters, SilentCounterReportsTheTimeOutAndStopsTheRun) {
  SimRig rig(simulatedOnly());
  // Every session gets this time-out at discovery.
  rig.inst.setIoTimeoutMs(300);
  rig.inst.search(true);
  rig.inst.write("INIT:CONT OFF");
  EXPECT_EQ(rig.inst.read(), "");
  EXPECT_TRUE(rig.inst.lastReadFailed());
  EXPECT_EQ(rig.runStops, 1);
  ASSERT_EQ(rig.ui.shown.size(), 1u);
  const std::string& text = rig.ui.shown[0].text;
  EXPECT_EQ(text.substr(0, text.find("\n\n")), "Timeout expired before operation completed.");
  EXPECT_EQ(rig.ui.shown[0].caption, "V38XX_AP");
}

TEST(SimulatedCounters, ConsoleQueriesTheChosenCounter) {
  SimRig rig(simulatedOnly());
  rig.inst.search(true);
  instrument::Console& console = rig.inst.console();
  console.open();
  ASSERT_EQ(console.deviceItems().size(), 2u);
  console.chooseDevice(1);
  console.queryCommand();
  EXPECT_NE(console.receivedText().find(",V3820A,SIM3820A01,"), std::string::npos)
      << console.receivedText();
  EXPECT_EQ(console.receivedText().back(), '\n');
}

TEST(SimulatedCounters, ShutdownReturnsEveryCounterToLocal) {
  SimRig rig(simulatedOnly());
  rig.inst.search(true);
  sim::Counter* full = sim::simulatedCounter(rig.visa, kSim3800);
  sim::Counter* compact = sim::simulatedCounter(rig.visa, kSim3820);
  ASSERT_TRUE(full && compact);
  rig.inst.returnToLocal(false, "100 ms");
  EXPECT_FALSE(full->remote());
  EXPECT_FALSE(compact->remote());
  EXPECT_TRUE(full->pendingErrors().empty()) << full->pendingErrors().front();
  EXPECT_EQ(rig.visa.checkObject(rig.inst.usbSessions()[0]), VI_ERROR_INV_OBJECT);
}

// A V3820A served over VXI-11 on loopback, with its own portmapper.
struct LanCounter {
  explicit LanCounter(std::uint16_t portmapPort = 0)
      : counter(sim::CounterOptions{sim::Model::V3820A, "LAN3820A01", 7}),
        server(counter, [portmapPort] {
          sim::Vxi11Options o;
          o.portmap = sim::Vxi11Options::Portmap::Serve;
          o.portmapPort = portmapPort;
          return o;
        }()) {}
  sim::Counter counter;
  sim::Vxi11Server server;
};

TEST(LanCounter, FoundThroughTheLanListOfTheResourceFile) {
  LanCounter lan;
  std::string error;
  ASSERT_TRUE(lan.server.start(&error)) << error;
  SimRig rig(lanOnly({"TCPIP::127.0.0.1::inst0::INSTR"}, lan.server.portmapPort()));
  rig.inst.search(true);
  EXPECT_EQ(rig.lines(), std::vector<std::string>{"V3820A--TCPIP--127.0.0.1"});
  ASSERT_EQ(rig.inst.entries().size(), 1u);
  EXPECT_EQ(rig.inst.entries()[0].kind, InterfaceKind::Tcpip);
  EXPECT_EQ(rig.inst.modelCode(), "3820");
  rig.inst.returnToLocal(false, "100 ms");
  EXPECT_FALSE(lan.counter.remote());
}

TEST(LanCounter, FoundThroughATypedAddress) {
  LanCounter lan;
  std::string error;
  ASSERT_TRUE(lan.server.start(&error)) << error;
  SimRig rig(lanOnly({}, lan.server.portmapPort()));
  rig.inst.tcpipAddressCommand([](TcpipAddressData& dialog) {
    EXPECT_TRUE(dialog.accept({"127.0.0.1", "", "", ""}));
    return true;
  });
  EXPECT_EQ(
      rig.inst.entries(),
      (std::vector<DeviceEntry>{{InterfaceKind::Tcpip, 0, "TCPIP::127.0.0.1::inst0::INSTR"}}));
  EXPECT_EQ(rig.lines(), std::vector<std::string>{"V3820A--TCPIP--127.0.0.1"});
  EXPECT_EQ(rig.inst.modelCode(), "3820");
}

// The typed-address path as a real LAN instrument is reached: the portmapper on port 111.
TEST(LanCounter, FoundThroughATypedAddressWithThePortmapperOnPort111) {
  std::string why;
  if (!testsupport::enterPrivateNetwork(&why)) GTEST_SKIP() << "no private network: " << why;
  LanCounter lan(111);
  std::string error;
  if (!lan.server.start(&error)) GTEST_SKIP() << "port 111 not available: " << error;
  SimRig rig(lanOnly({}, 111));
  rig.inst.tcpipAddressCommand([](TcpipAddressData& dialog) {
    EXPECT_TRUE(dialog.accept({"127.0.0.1", "", "", ""}));
    return true;
  });
  EXPECT_EQ(rig.lines(), std::vector<std::string>{"V3820A--TCPIP--127.0.0.1"});
  EXPECT_EQ(rig.inst.currentName(), "TCPIP::127.0.0.1::inst0::INSTR");
  EXPECT_EQ(rig.inst.modelCode(), "3820");
}

}  // namespace
