#include "listctl/list_control.h"

#include <gtest/gtest.h>

namespace {

using listctl::Icon;
using listctl::ListControl;

ListControl twoCounters() {
  ListControl l;
  l.IDN("ORVALENT,V3800A,SIM3800A01,1.1.2\n", "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR");
  l.IDN("ORVALENT,V3820A,SIM3820A01,1.1.2\n", "TCPIP0::127.0.0.1::5025::SOCKET");
  return l;
}

TEST(ListControl, RowsFromIdentificationAnswers) {
  ListControl l = twoCounters();
  l.IDN("", "GPIB0::3::INSTR");
  l.IDN("JUST-A-NAME", "GPIB0::4::INSTR");  // no comma: a whole row, no error
  ASSERT_EQ(l.rows().size(), 4u);
  EXPECT_EQ(l.rows()[0].instrument, "Counter");
  EXPECT_EQ(l.rows()[0].name, "V3800A");
  EXPECT_EQ(l.rows()[0].manufacturer, "ORVALENT");
  EXPECT_EQ(l.rows()[1].address, "TCPIP0::127.0.0.1::5025::SOCKET");
  EXPECT_EQ(l.rows()[2].instrument, "");
  EXPECT_EQ(l.rows()[2].manufacturer, "NA:COMMAND ERR");
  EXPECT_EQ(l.rows()[2].address, "GPIB0::3::INSTR");
  EXPECT_EQ(l.rows()[3].name, "JUST-A-NAME");
  EXPECT_EQ(l.rows()[3].manufacturer, "");
  EXPECT_FALSE(l.connectEnabled());
  EXPECT_FALSE(l.disconnectEnabled());
  EXPECT_EQ(l.lvw_now, 0);
}

TEST(ListControl, ConnectMarksTheRowAndClickingItEnablesOnlyDisconnect) {
  ListControl l = twoCounters();
  l.click(2);
  EXPECT_TRUE(l.connectEnabled());
  EXPECT_FALSE(l.disconnectEnabled());
  l.connect();
  EXPECT_EQ(l.lvw_now, 2);
  EXPECT_EQ(l.mark_Address, "TCPIP0::127.0.0.1::5025::SOCKET");
  EXPECT_EQ(l.rows()[1].icon, Icon::Connected);
  EXPECT_FALSE(l.connectEnabled());
  EXPECT_TRUE(l.disconnectEnabled());

  l.click(1);  // another row: Connect
  EXPECT_TRUE(l.connectEnabled());
  EXPECT_FALSE(l.disconnectEnabled());
  l.click(2);  // the connected row: only Disconnect
  EXPECT_FALSE(l.connectEnabled());
  EXPECT_TRUE(l.disconnectEnabled());

  l.click(1);
  l.connect();  // moves the mark
  EXPECT_EQ(l.rows()[0].icon, Icon::Connected);
  EXPECT_EQ(l.rows()[1].icon, Icon::Unconnected);
  EXPECT_EQ(l.connectedRow(), 1);

  l.disconnect();
  EXPECT_EQ(l.rows()[0].icon, Icon::Unconnected);
  EXPECT_EQ(l.mark_Address, "");
  EXPECT_EQ(l.lvw_now, 0);
  EXPECT_EQ(l.selected(), 0);
  EXPECT_EQ(l.connectedRow(), -1);
  EXPECT_TRUE(l.connectEnabled());
  EXPECT_FALSE(l.disconnectEnabled());
}

TEST(ListControl, SelmarkRestoresTheMarkAfterTheListIsFilledAgain) {
  ListControl l = twoCounters();
  l.click(2);
  l.connect();
  l.ListClear();
  EXPECT_TRUE(l.rows().empty());
  EXPECT_FALSE(l.connectEnabled());
  EXPECT_FALSE(l.disconnectEnabled());
  EXPECT_EQ(l.mark_Address, "TCPIP0::127.0.0.1::5025::SOCKET") << "ListClear keeps the mark";
  EXPECT_EQ(l.selmark(), 0) << "no rows: nothing happens";
  EXPECT_EQ(l.mark_Address, "TCPIP0::127.0.0.1::5025::SOCKET");

  // The same two found in the other order, the connected one twice (the last match wins).
  l.IDN("ORVALENT,V3820A,A,1\n", "TCPIP0::127.0.0.1::5025::SOCKET");
  l.IDN("ORVALENT,V3800A,B,1\n", "USB0::0x2B7A::0x0ED8::B::INSTR");
  l.IDN("ORVALENT,V3820A,A,1\n", "TCPIP0::127.0.0.1::5025::SOCKET");
  EXPECT_EQ(l.selmark(), 0);
  EXPECT_EQ(l.lvw_now, 3);
  EXPECT_EQ(l.connectedRow(), 3);
  EXPECT_EQ(l.rows()[2].icon, Icon::Connected);
  EXPECT_EQ(l.rows()[0].icon, Icon::Unconnected);
  EXPECT_FALSE(l.connectEnabled());
  EXPECT_TRUE(l.disconnectEnabled());
}

TEST(ListControl, SelmarkWithAnEmptyAddressAndNoEmptyRowDisconnects) {
  ListControl l = twoCounters();
  l.click(1);
  l.connect();
  l.mark_Address.clear();
  l.selmark();
  EXPECT_EQ(l.connectedRow(), -1);
  EXPECT_EQ(l.lvw_now, 0);
  EXPECT_TRUE(l.connectEnabled());
  EXPECT_FALSE(l.disconnectEnabled());

  // An unknown address disconnects too.
  l.click(2);
  l.connect();
  l.mark_Address = "GPIB0::9::INSTR";
  l.selmark();
  EXPECT_EQ(l.connectedRow(), -1);
  EXPECT_EQ(l.mark_Address, "");
}

TEST(ListControl, ButtonsWithoutASelectedRowDoNothing) {
  ListControl l = twoCounters();
  l.connect();
  EXPECT_EQ(l.connectedRow(), -1);
  l.click(7);
  EXPECT_EQ(l.selected(), 0);
  EXPECT_TRUE(l.connectEnabled());
  l.connect();
  EXPECT_EQ(l.mark_Address, "");
}

}  // namespace
