// The TCP/IP Address dialog's data: what its fields show and what OK takes from them.

#include "instrument/tcpip_address_data.h"

#include <gtest/gtest.h>

namespace {

using instrument::TcpipAddressData;

TEST(TcpipAddressData, FieldsShowAddressOneAlwaysAndTheOthersOnlyWhenSet) {
  struct Case {
    const char* proves;
    TcpipAddressData::Addresses addresses;
    TcpipAddressData::Addresses fields;
  };
  const Case cases[] = {
      {"at start", {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"}, {"0.0.0.0", "", "", ""}},
      {"set addresses are shown",
       {"10.0.0.1", "10.0.0.2", "0.0.0.0", "10.0.0.4"},
       {"10.0.0.1", "10.0.0.2", "", "10.0.0.4"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TcpipAddressData(c.addresses).fieldTexts(), c.fields) << c.proves;
  EXPECT_EQ(TcpipAddressData().addresses(),
            (TcpipAddressData::Addresses{"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"}));
}

TEST(TcpipAddressData, OkTakesTheFieldsBlankMeaningNoAddress) {
  TcpipAddressData data;
  int bad = -1;
  ASSERT_TRUE(data.accept({"192.168.000.005", "", "  ", " 127.0.0.1 "}, &bad));
  EXPECT_EQ(data.addresses(),
            (TcpipAddressData::Addresses{"192.168.0.5", "0.0.0.0", "0.0.0.0", "127.0.0.1"}));
  EXPECT_EQ(bad, -1);

  EXPECT_FALSE(data.accept({"10.0.0.1", "10.0.0.2", "host.example", ""}, &bad));
  EXPECT_EQ(bad, 2);
  EXPECT_EQ(data.addresses()[0], "192.168.0.5") << "a refused OK changes nothing";
}

TEST(TcpipAddressData, NormalizeAcceptsOnlyDottedIpv4) {
  struct Case {
    const char* text;
    const char* normal;
  };
  const Case cases[] = {
      {"127.0.0.1", "127.0.0.1"},
      {"010.001.000.009", "10.1.0.9"},
      {"255.255.255.255", "255.255.255.255"},
      {"0.0.0.0", "0.0.0.0"},
      {"256.0.0.1", ""},
      {"1.2.3", ""},
      {"1.2.3.4.5", ""},
      {"1..2.3", ""},
      {"1.2.3.4x", ""},
      {"-1.2.3.4", ""},
      {"0001.2.3.4", ""},
      {"", ""},
      {"1.2.3.4 ::INSTR", ""},
      {"99999999999999999999.1.1.1", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TcpipAddressData::normalize(c.text), c.normal) << '"' << c.text << '"';
}

}  // namespace
