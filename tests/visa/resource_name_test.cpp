#include "visa/resource_name.h"

#include <gtest/gtest.h>

namespace {

using visa::InterfaceType;
using visa::ResourceClass;

struct Accepted {
  const char* what;
  const char* text;
  InterfaceType interface;
  ResourceClass resourceClass;
  int board;
  const char* canonical;
};

TEST(ResourceName, AcceptsEveryFormTheProductMeets) {
  const Accepted cases[] = {
      {"VXI-11 with board and device name", "TCPIP0::192.168.0.5::inst0::INSTR",
       InterfaceType::Tcpip, ResourceClass::Instr, 0, "TCPIP0::192.168.0.5::inst0::INSTR"},
      {"typed address without class gets inst0", "TCPIP::192.168.0.5", InterfaceType::Tcpip,
       ResourceClass::Instr, 0, "TCPIP0::192.168.0.5::inst0::INSTR"},
      {"typed address with the spelled-out suffix", "TCPIP::192.168.0.5::inst0::INSTR",
       InterfaceType::Tcpip, ResourceClass::Instr, 0, "TCPIP0::192.168.0.5::inst0::INSTR"},
      {"class without device name", "TCPIP0::host.example::INSTR", InterfaceType::Tcpip,
       ResourceClass::Instr, 0, "TCPIP0::host.example::inst0::INSTR"},
      {"device name without class", "TCPIP0::host::hislip0", InterfaceType::Tcpip,
       ResourceClass::Instr, 0, "TCPIP0::host::hislip0::INSTR"},
      {"lower case and board 1", "tcpip1::host-1::gpib0,5::instr", InterfaceType::Tcpip,
       ResourceClass::Instr, 1, "TCPIP1::host-1::gpib0,5::INSTR"},
      {"raw socket", "TCPIP0::127.0.0.1::5025::SOCKET", InterfaceType::Tcpip, ResourceClass::Socket,
       0, "TCPIP0::127.0.0.1::5025::SOCKET"},
      {"raw socket, no board, lower-case class", "TCPIP::localhost::5025::socket",
       InterfaceType::Tcpip, ResourceClass::Socket, 0, "TCPIP0::localhost::5025::SOCKET"},
      {"IPv6 host in brackets", "TCPIP0::[::1]::5025::SOCKET", InterfaceType::Tcpip,
       ResourceClass::Socket, 0, "TCPIP0::[::1]::5025::SOCKET"},
      {"surrounding blanks are ignored", "  GPIB0::22::INSTR ", InterfaceType::Gpib,
       ResourceClass::Instr, 0, "GPIB0::22::INSTR"},
      {"simulated V3800A", "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR", InterfaceType::Usb,
       ResourceClass::Instr, 0, "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR"},
      {"upper-case X as the discovery rebuilds it", "USB0::0X2B7A::0X0EEC::SN00012345::INSTR",
       InterfaceType::Usb, ResourceClass::Instr, 0, "USB0::0x2B7A::0x0EEC::SN00012345::INSTR"},
      {"decimal ids", "USB0::11130::3800::SN00012345::INSTR", InterfaceType::Usb,
       ResourceClass::Instr, 0, "USB0::0x2B7A::0x0ED8::SN00012345::INSTR"},
      {"lower-case hex, interface number, no board", "usb::0x2b7a::0x0eec::abc::0::INSTR",
       InterfaceType::Usb, ResourceClass::Instr, 0, "USB0::0x2B7A::0x0EEC::abc::0::INSTR"},
      {"USB without class", "USB3::0x2B7A::0x0ED8::SIM3800A01", InterfaceType::Usb,
       ResourceClass::Instr, 3, "USB3::0x2B7A::0x0ED8::SIM3800A01::INSTR"},
      {"GPIB primary", "GPIB0::22::INSTR", InterfaceType::Gpib, ResourceClass::Instr, 0,
       "GPIB0::22::INSTR"},
      {"GPIB without board or class", "GPIB::7", InterfaceType::Gpib, ResourceClass::Instr, 0,
       "GPIB0::7::INSTR"},
      {"GPIB secondary address", "GPIB1::5::3::INSTR", InterfaceType::Gpib, ResourceClass::Instr, 1,
       "GPIB1::5::3::INSTR"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = visa::parseResourceName(c.text);
    ASSERT_TRUE(r.name) << r.error;
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(r.name->interface, c.interface);
    EXPECT_EQ(r.name->resourceClass, c.resourceClass);
    EXPECT_EQ(r.name->board, c.board);
    EXPECT_EQ(r.name->canonical(), c.canonical);
    // The canonical text names the same resource.
    const auto again = visa::parseResourceName(r.name->canonical());
    ASSERT_TRUE(again.name);
    EXPECT_EQ(again.name->canonical(), c.canonical);
  }
}

TEST(ResourceName, FieldsOfEachInterface) {
  const auto socket = visa::parseResourceName("TCPIP0::[fe80::1%eth0]::5025::SOCKET");
  ASSERT_TRUE(socket.name) << socket.error;
  EXPECT_EQ(socket.name->host, "fe80::1%eth0");
  EXPECT_EQ(socket.name->port, 5025);

  const auto vxi = visa::parseResourceName("TCPIP2::10.1.2.3::gpib0,7::INSTR");
  ASSERT_TRUE(vxi.name);
  EXPECT_EQ(vxi.name->host, "10.1.2.3");
  EXPECT_EQ(vxi.name->lanDeviceName, "gpib0,7");

  const auto usb = visa::parseResourceName("USB0::11130::3820::SN00012345::2::INSTR");
  ASSERT_TRUE(usb.name);
  EXPECT_EQ(usb.name->vendorId, 0x2B7A);
  EXPECT_EQ(usb.name->productId, 0x0EEC);
  EXPECT_EQ(usb.name->serial, "SN00012345");
  EXPECT_EQ(usb.name->usbInterface, 2);

  const auto gpib = visa::parseResourceName("GPIB0::22::INSTR");
  ASSERT_TRUE(gpib.name);
  EXPECT_EQ(gpib.name->primaryAddress, 22);
  EXPECT_EQ(gpib.name->secondaryAddress, -1);
}

struct Rejected {
  const char* what;
  const char* text;
  const char* syntaxQuoted;  // a piece of the expected syntax that the error must quote
};

TEST(ResourceName, RejectsMalformedNamesQuotingTheExpectedSyntax) {
  const Rejected cases[] = {
      {"empty", "", "TCPIP[board]"},
      {"blanks only", "   ", "GPIB[board]"},
      {"unsupported interface", "ASRL1::INSTR", "USB[board]"},
      {"interface name only", "TCPIP0", "TCPIP[board]"},
      {"malformed board", "TCPIPx::host::INSTR", "TCPIP[board]"},
      {"board too large", "GPIB70000::1::INSTR", "GPIB[board]"},
      {"empty host", "TCPIP0::::INSTR", "TCPIP[board]::host address"},
      {"host with a blank", "TCPIP0::ho st::INSTR", "TCPIP[board]::host address"},
      {"unclosed IPv6 bracket", "TCPIP0::[fe80::1::5025::SOCKET", "TCPIP[board]"},
      {"socket without port", "TCPIP0::host::SOCKET", "::port::SOCKET"},
      {"port zero", "TCPIP0::host::0::SOCKET", "::port::SOCKET"},
      {"port too large", "TCPIP0::host::65536::SOCKET", "::port::SOCKET"},
      {"port not a number", "TCPIP0::host::http::SOCKET", "::port::SOCKET"},
      {"too many TCPIP fields", "TCPIP0::host::inst0::x::INSTR", "TCPIP[board]"},
      {"unknown TCPIP class", "TCPIP0::host::inst0::RAW", "TCPIP[board]"},
      {"vendor id too large", "USB0::0x12345::0x0ED8::SN::INSTR", "USB[board]::manufacturer ID"},
      {"vendor id not hex", "USB0::0xZZ::0x0ED8::SN::INSTR", "USB[board]::manufacturer ID"},
      {"decimal id too large", "USB0::65536::3800::SN::INSTR", "USB[board]::manufacturer ID"},
      {"serial missing", "USB0::0x2B7A::0x0ED8::INSTR", "serial number"},
      {"empty serial", "USB0::0x2B7A::0x0ED8::::INSTR", "serial number"},
      {"interface number too large", "USB0::0x2B7A::0x0ED8::SN::256::INSTR", "USB interface"},
      {"USB RAW class", "USB0::0x2B7A::0x0ED8::SN::RAW", "USB[board]"},
      {"GPIB address too large", "GPIB0::31::INSTR", "GPIB[board]::primary address"},
      {"GPIB negative address", "GPIB0::-1::INSTR", "GPIB[board]::primary address"},
      {"GPIB secondary too large", "GPIB0::1::31::INSTR", "secondary address"},
      {"GPIB interface class", "GPIB0::INTFC", "GPIB[board]"},
      {"control characters", "GPIB0::2\n2::INSTR", "GPIB[board]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = visa::parseResourceName(c.text);
    EXPECT_FALSE(r.name) << r.name->canonical();
    EXPECT_NE(r.error.find(c.syntaxQuoted), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("expected"), std::string::npos) << r.error;
  }
}

TEST(ResourceName, ErrorQuotesTheNameWithoutItsControlBytes) {
  const auto r = visa::parseResourceName(std::string("FOO\x01\x7F::X", 8));
  ASSERT_FALSE(r.name);
  EXPECT_NE(r.error.find("\"FOO??::X\""), std::string::npos) << r.error;
}

}  // namespace

namespace {

// Every name the parser accepts comes back from canonical() (what viParseRsrcEx returns) as a
// name that parses again to the same resource; the forms VISA does not allow are refused
// rather than expanded into something that does not parse.
TEST(ResourceName, CanonicalTextParsesBackToTheSameResource) {
  struct Case {
    const char* text;
    const char* canonical;  // nullptr: refused
  };
  const Case cases[] = {
      {"TCPIP0::10.0.0.1::dev:", nullptr},
      {"TCPIP0::10.0.0.1::dev:x::INSTR", nullptr},
      {"TCPIP::[abc]::INSTR", nullptr},
      {"TCPIP::[10.0.0.1]::5025::SOCKET", nullptr},
      {"TCPIP::[::1]::INSTR", "TCPIP0::[::1]::inst0::INSTR"},
      {"TCPIP::[fe80::1%eth0]::5025::SOCKET", "TCPIP0::[fe80::1%eth0]::5025::SOCKET"},
      {"TCPIP::[fe80::1%]::INSTR", nullptr},
      {"TCPIP::host::[dev]::INSTR", "TCPIP0::host::[dev]::INSTR"},
      {"TCPIP::host::[a::b]::INSTR", nullptr},
      {"USB::1::2::ser:ial::INSTR", nullptr},
      {"USB::1::2::RAW", "USB0::0x0001::0x0002::RAW::INSTR"},
      {"USB::1::2::INSTR::3::INSTR", "USB0::0x0001::0x0002::INSTR::3::INSTR"},
      {"tcpip00::h::SOCKET::instr", "TCPIP0::h::SOCKET::INSTR"},
      {"GPIB007::05::INSTR", "GPIB7::5::INSTR"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const visa::ParseResult first = visa::parseResourceName(c.text);
    if (!c.canonical) {
      EXPECT_FALSE(first.name) << first.name->canonical();
      EXPECT_FALSE(first.error.empty());
      continue;
    }
    ASSERT_TRUE(first.name) << first.error;
    EXPECT_EQ(first.name->canonical(), c.canonical);
    const visa::ParseResult again = visa::parseResourceName(first.name->canonical());
    ASSERT_TRUE(again.name) << again.error;
    EXPECT_EQ(*again.name, *first.name);
  }
}

TEST(ResourceName, NameWhoseCanonicalTextWouldNotFitIsRefused) {
  const std::string host(233, 'h');
  // "TCPIP0::<host>::inst0::INSTR": 255 characters.
  EXPECT_TRUE(visa::parseResourceName("TCPIP::" + host).name);
  // The same host with a longer device name: the short input expands past 255.
  const visa::ParseResult tooLong = visa::parseResourceName("TCPIP::" + host + "::device0");
  EXPECT_FALSE(tooLong.name);
  EXPECT_NE(tooLong.error.find("too long"), std::string::npos) << tooLong.error;
}

}  // namespace
