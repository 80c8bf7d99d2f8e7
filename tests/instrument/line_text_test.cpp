#include "instrument/line_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using instrument::BuildLineText;

struct LineCase {
  const char* proves;
  std::string answer;
  std::string name;
  std::string line;
};

const std::string kIdn3820 = "ORVALENT,V3820A,SN00012345,1.02\n";

class BuildLineTextTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(BuildLineTextTest, GivesTheDocumentedLine) {
  const LineCase& c = GetParam();
  EXPECT_EQ(BuildLineText(c.answer, c.name), c.line) << c.proves;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BuildLineTextTest,
    ::testing::Values(
        LineCase{"usb name with serial", kIdn3820, "USB0::0x2B7A::0x0EEC::SN00012345::INSTR",
                 "V3820A--USBTMC--SN00012345"},
        LineCase{"gpib primary address", kIdn3820, "GPIB0::22::INSTR", "V3820A--GPIB--22"},
        LineCase{"tcpip vxi-11 name", kIdn3820, "TCPIP::192.168.0.5::inst0::INSTR",
                 "V3820A--TCPIP--192.168.0.5"},
        LineCase{"model field is upper-cased", "orvalent,v3800a,sn1,1",
                 "USB0::0X2B7A::0X0ED8::SIM3800A01::INSTR", "V3800A--USBTMC--SIM3800A01"},
        LineCase{"usb serial taken from the upper-cased name", kIdn3820,
                 "usb0::0x2b7a::0x0ed8::sim3800a01::INSTR", "V3820A--USBTMC--SIM3800A01"},
        LineCase{"usb serial before an interface number", kIdn3820,
                 "USB0::0x2B7A::0x0ED8::SN1::0::INSTR", "V3820A--USBTMC--SN1"},
        LineCase{"usb decimal product id: serial after its field", kIdn3820,
                 "USB0::11130::3800::SN00000001::INSTR", "V3820A--USBTMC--SN00000001"},
        LineCase{"usb of another product appends nothing", kIdn3820,
                 "USB0::0x1234::0x5678::SN1::INSTR", "V3820A"},
        LineCase{"usb product id at the very end gives an empty serial", kIdn3820,
                 "USB0::0x2B7A::0x0ED8", "V3820A--USBTMC--"},
        LineCase{"gpib secondary address kept", kIdn3820, "GPIB0::22::3::INSTR",
                 "V3820A--GPIB--22::3"},
        LineCase{"gpib name without fields gives an empty address", kIdn3820, "GPIB",
                 "V3820A--GPIB--"},
        LineCase{"gpib name with one field gives an empty address", kIdn3820, "GPIB0::INSTR",
                 "V3820A--GPIB--"},
        LineCase{"tcpip socket name", kIdn3820, "TCPIP0::127.0.0.1::5025::SOCKET",
                 "V3820A--TCPIP--127.0.0.1"},
        LineCase{"tcpip name without a further field", kIdn3820, "TCPIP::10.0.0.1",
                 "V3820A--TCPIP--10.0.0.1"},
        LineCase{"tcpip name without fields", kIdn3820, "TCPIP", "V3820A--TCPIP--"},
        LineCase{"unknown interface appends nothing", kIdn3820, "ASRL1::INSTR", "V3820A"},
        LineCase{"empty name appends nothing", kIdn3820, "", "V3820A"}));

INSTANTIATE_TEST_SUITE_P(
    BadAnswers, BuildLineTextTest,
    ::testing::Values(
        LineCase{"empty answer", "", "GPIB0::22::INSTR", "Unknow Manufacture--GPIB--22"},
        LineCase{"answer without a comma", "V3800A\n", "GPIB0::7::INSTR",
                 "Unknow Manufacture--GPIB--7"},
        LineCase{"answer with one comma", "ORVALENT,V3800A\n", "USB0::0x2B7A::0x0ED8::SN1::INSTR",
                 "Unknow Model--USBTMC--SN1"},
        LineCase{"empty model field", "ORVALENT,,SN1,1", "GPIB0::1::INSTR", "--GPIB--1"},
        LineCase{"answer cut at its first NUL byte",
                 std::string("ORVALENT,V3800A,SN1,1").insert(8, 1, '\0'), "GPIB0::1::INSTR",
                 "Unknow Manufacture--GPIB--1"},
        LineCase{"NUL after the model field", std::string("ORVALENT,V3800A,\0SN1,1", 22),
                 "GPIB0::1::INSTR", "V3800A--GPIB--1"},
        LineCase{"name cut at its first NUL byte", kIdn3820,
                 std::string("GPIB0::5::INSTR\0TCPIP::x", 24), "V3820A--GPIB--5"}));

TEST(BuildLineText, TenKilobyteAnswersAreHandledWhole) {
  const std::string longModel(10 * 1024, 'x');
  EXPECT_EQ(BuildLineText("M," + longModel + ",S,F", "GPIB0::22::INSTR"),
            std::string(10 * 1024, 'X') + "--GPIB--22");
  const std::string noComma(10 * 1024, 'y');
  EXPECT_EQ(BuildLineText(noComma, "TCPIP::1.2.3.4::inst0::INSTR"),
            "Unknow Manufacture--TCPIP--1.2.3.4");
  EXPECT_EQ(BuildLineText("M," + noComma, "GPIB0::1::INSTR"), "Unknow Model--GPIB--1");
}

}  // namespace
