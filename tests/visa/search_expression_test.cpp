#include "visa/search_expression.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kSim3800 = "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR";
constexpr const char* kSim3820 = "USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR";
constexpr const char* kDec3800 = "USB0::11130::3800::SN00012345::INSTR";
constexpr const char* kDec3820 = "USB0::11130::3820::SN00012345::INSTR";
constexpr const char* kVxi = "TCPIP0::192.168.0.5::inst0::INSTR";
constexpr const char* kSocket = "TCPIP0::127.0.0.1::5025::SOCKET";
constexpr const char* kGpib = "GPIB0::22::INSTR";

struct Case {
  const char* expression;
  const char* name;
  bool matches;
};

// Every expression the product's searches use, against the names they must and must not find.
TEST(SearchExpression, ExpressionsOfTheProduct) {
  const Case cases[] = {
      {"TCPIP?*", kVxi, true},
      {"TCPIP?*", kSocket, true},
      {"TCPIP?*", "tcpip::host::inst0::instr", true},
      {"TCPIP?*", "TCPIP", true},  // "?*" is any run of characters, the empty one too
      {"TCPIP?*", kSim3800, false},
      {"TCPIP?*", kGpib, false},

      {"GPIB[0-9]*::?*INSTR", kGpib, true},
      {"GPIB[0-9]*::?*INSTR", "GPIB::22::INSTR", true},
      {"GPIB[0-9]*::?*INSTR", "GPIB12::1::2::INSTR", true},
      {"GPIB[0-9]*::?*INSTR", "GPIB0::INTFC", false},
      {"GPIB[0-9]*::?*INSTR", "GPIBX::22::INSTR", false},
      {"GPIB[0-9]*::?*INSTR", kVxi, false},

      {"GPIB?*", kGpib, true},
      {"GPIB?*", "GPIB", true},
      {"GPIB?*", kSim3800, false},

      {"USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", kSim3800, true},
      {"USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", "usb0::0x2b7a::0x0ed8::sim3800a01::instr", true},
      {"USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", "USB12::0x2B7A::0x0ED8::S::0::INSTR", true},
      {"USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", kSim3820, false},
      {"USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", kDec3800, false},
      {"USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", "USB0::0x2B7A::0x0ED8::INST", false},

      {"USB[0-9]*::11130::3800::?*INSTR", kDec3800, true},
      {"USB[0-9]*::11130::3800::?*INSTR", kSim3800, false},
      {"USB[0-9]*::11130::3800::?*INSTR", kDec3820, false},

      {"USB[0-9]*::0x2B7A::0x0EEC::?*INSTR", kSim3820, true},
      {"USB[0-9]*::0x2B7A::0x0EEC::?*INSTR", kSim3800, false},
      {"USB[0-9]*::11130::3820::?*INSTR", kDec3820, true},
      {"USB[0-9]*::11130::3820::?*INSTR", kDec3800, false},

      {"USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR", kSim3800, true},
      {"USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR", kSim3820, true},
      {"USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR", "USB0::0x2B7A::0x0EED::S::INSTR", false},
      {"USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR", "USB10::0x2B7A::0x0ED8::S::INSTR", false},
      {"USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR", kDec3800, false},
      {"USB[0-9]::11130::(3800|3820)::?*INSTR", kDec3800, true},
      {"USB[0-9]::11130::(3800|3820)::?*INSTR", kDec3820, true},
      {"USB[0-9]::11130::(3800|3820)::?*INSTR", kSim3800, false},

      // pyvisa's default listing expression.
      {"?*::INSTR", kSim3800, true},
      {"?*::INSTR", kSocket, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.expression) + " ~ " + c.name);
    bool matched = !c.matches;
    EXPECT_EQ(visa::matchSearchExpression(c.expression, c.name, &matched), VI_SUCCESS);
    EXPECT_EQ(matched, c.matches);
  }
}

TEST(SearchExpression, OperatorsOfTheDialect) {
  const std::string manyA(200, 'a');
  const Case cases[] = {
      {"?", "a", true},
      {"?", "", false},
      {"?", "ab", false},
      {"a*", "", true},
      {"a*", "aaaa", true},
      {"a*", "ab", false},
      {"a+", "", false},
      {"a+", "aaa", true},
      {"ab*c", "ac", true},
      {"ab+c", "ac", false},
      {"[abc]", "B", true},
      {"[^abc]", "d", true},
      {"[^abc]", "A", false},
      {"[a-c]x", "Cx", true},
      {"[]]", "]", true},
      {"[a-]", "-", true},
      {"(ab)*", "abab", true},
      {"(ab)*", "aba", false},
      {"(ab)+c", "c", false},
      {"a|b", "b", true},
      {"a|bc", "bc", true},
      {"x(a|b)y", "xby", true},
      {"x(a|b)y", "xcy", false},
      {"\\?", "?", true},
      {"\\?", "a", false},
      {"a\\*", "a*", true},
      {"a.b", "a.b", true},
      {"a.b", "axb", false},
      {"(a*)*b", manyA.c_str(), false},
      {"((a|b)*c)+", "abcbac", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.expression) + " ~ " + c.name);
    bool matched = !c.matches;
    EXPECT_EQ(visa::matchSearchExpression(c.expression, c.name, &matched), VI_SUCCESS);
    EXPECT_EQ(matched, c.matches);
  }
}

TEST(SearchExpression, MalformedExpressionsAreInvalid) {
  const char* cases[] = {
      "",
      "*",
      "+abc",
      "USB(0x0ED8",
      "USB0x0ED8)",
      "GPIB[0-9",
      "[z-a]",
      "a|",
      "|a",
      "()",
      "(|)",
      "abc\\",
      "?*{VI_ATTR_INTF_NUM==0}",
      "(*)",
  };
  for (const char* expression : cases) {
    SCOPED_TRACE(expression);
    bool matched = true;
    EXPECT_EQ(visa::matchSearchExpression(expression, "USB0::0x2B7A::0x0ED8::S::INSTR", &matched),
              VI_ERROR_INV_EXPR);
    EXPECT_FALSE(matched);
    visa::SearchExpression e;
    std::string why;
    EXPECT_EQ(visa::SearchExpression::compile(expression, &e, &why), VI_ERROR_INV_EXPR);
    EXPECT_FALSE(why.empty());
  }
}

TEST(SearchExpression, DeepNestingIsRefusedNotOverflowed) {
  const std::string deep = std::string(10000, '(') + "a" + std::string(10000, ')');
  bool matched = true;
  EXPECT_EQ(visa::matchSearchExpression(deep, "a", &matched), VI_ERROR_INV_EXPR);
  const std::string fine = std::string(20, '(') + "a" + std::string(20, ')');
  EXPECT_EQ(visa::matchSearchExpression(fine, "a", &matched), VI_SUCCESS);
  EXPECT_TRUE(matched);
}

TEST(SearchExpression, CompiledOnceMatchesManyNames) {
  visa::SearchExpression e;
  ASSERT_EQ(visa::SearchExpression::compile("USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR", &e),
            VI_SUCCESS);
  EXPECT_TRUE(e.matches(kSim3800));
  EXPECT_TRUE(e.matches(kSim3820));
  EXPECT_FALSE(e.matches(kGpib));
  EXPECT_TRUE(e.matches(kSim3800));
}

}  // namespace
