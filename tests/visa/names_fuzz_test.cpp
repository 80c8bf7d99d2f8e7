// Random byte strings, biased towards the characters of the grammars, fed to the resource-name
// parser and the search-expression matcher: neither may crash, and their answers must hold
// together.

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

#include "visa/resource_name.h"
#include "visa/search_expression.h"

namespace {

std::string randomText(std::mt19937& rng, const std::string& alphabet, size_t maxLength) {
  std::uniform_int_distribution<size_t> length(0, maxLength);
  std::uniform_int_distribution<int> pick(0, 9);
  std::uniform_int_distribution<size_t> letter(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string s;
  const size_t n = length(rng);
  for (size_t i = 0; i < n; ++i) {
    s += pick(rng) < 8 ? alphabet[letter(rng)] : static_cast<char>(byte(rng));
  }
  return s;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Interface, board and fields from small pools: mostly well-formed names with wrong details.
std::string structuredName(std::mt19937& rng) {
  const char* interfaces[] = {"TCPIP", "tcpip", "USB", "GPIB", "gpib", "ASRL", "TCPIP1", "USB12"};
  const char* fields[] = {"127.0.0.1", "host-a", "[::1]",   "5025",   "inst0",
                          "0x2B7A",    "0X0ED8", "11130",   "3800",   "SN00012345",
                          "22",        "3",      "31",      "65536",  "0",
                          "",          "x y",    "hislip0", "0xFFFFF"};
  const char* classes[] = {"INSTR", "instr", "SOCKET", "RAW", "INTFC", ""};
  std::uniform_int_distribution<size_t> iface(0, std::size(interfaces) - 1);
  std::uniform_int_distribution<size_t> field(0, std::size(fields) - 1);
  std::uniform_int_distribution<size_t> cls(0, std::size(classes) - 1);
  std::uniform_int_distribution<int> count(1, 4);
  std::string name = interfaces[iface(rng)];
  for (int k = count(rng); k > 0; --k) name += std::string("::") + fields[field(rng)];
  const std::string c = classes[cls(rng)];
  if (!c.empty()) name += "::" + c;
  return name;
}

// The expression that matches exactly `name`: every character escaped.
std::string literalExpression(const std::string& name) {
  std::string e;
  for (char c : name) {
    e += '\\';
    e += c;
  }
  return e;
}

TEST(NamesFuzz, ParserNeverCrashesAndCanonicalNamesRoundTrip) {
  std::mt19937 rng(20240611);
  const std::string pieces[] = {"TCPIP",  "USB",    "GPIB",  "::",   "INSTR", "SOCKET",
                                "0x2B7A", "0X0ED8", "11130", "3800", "[",     "]",
                                "5025",   "inst0",  "0",     "22"};
  const std::string alphabet = "TCPIUSBGINRSOKEx0123456789abcdefABCDEF:[].-_ ";
  int parsed = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    if (i % 3 == 2) {
      text = structuredName(rng);
    } else if (i % 3 == 0) {
      std::uniform_int_distribution<int> count(0, 8);
      std::uniform_int_distribution<size_t> which(0, std::size(pieces) - 1);
      for (int k = count(rng); k > 0; --k) text += pieces[which(rng)];
    } else {
      text = randomText(rng, alphabet, 60);
    }
    SCOPED_TRACE(text);
    const auto r = visa::parseResourceName(text);
    if (!r.name) {
      ASSERT_FALSE(r.error.empty());
      continue;
    }
    ++parsed;
    ASSERT_TRUE(r.error.empty());
    const std::string canonical = r.name->canonical();
    const auto again = visa::parseResourceName(canonical);
    ASSERT_TRUE(again.name) << again.error;
    ASSERT_EQ(again.name->canonical(), canonical);
    // A resource name is always found by the expression that spells it out, in any case.
    bool matched = false;
    ASSERT_EQ(visa::matchSearchExpression(literalExpression(canonical), upper(canonical), &matched),
              VI_SUCCESS);
    ASSERT_TRUE(matched);
  }
  EXPECT_GT(parsed, 500);  // the generator does reach valid names
}

TEST(NamesFuzz, MatcherNeverCrashesAndIgnoresCase) {
  std::mt19937 rng(77);
  const std::string exprAlphabet = "?*+[]^-()|\\{}TCPIUSB0123456789:x";
  const std::string nameAlphabet = "TCPIUSBtcpiusb0123456789:x-]^\\";
  int valid = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string expression = randomText(rng, exprAlphabet, 24);
    SCOPED_TRACE(expression);
    visa::SearchExpression e;
    std::string why;
    const ViStatus st = visa::SearchExpression::compile(expression, &e, &why);
    ASSERT_TRUE(st == VI_SUCCESS || st == VI_ERROR_INV_EXPR);
    if (st != VI_SUCCESS) {
      ASSERT_FALSE(why.empty());
      continue;
    }
    ++valid;
    for (int k = 0; k < 5; ++k) {
      const std::string name = randomText(rng, nameAlphabet, 30);
      ASSERT_EQ(e.matches(name), e.matches(upper(name))) << name;
      bool matched = false;
      ASSERT_EQ(visa::matchSearchExpression(expression, name, &matched), VI_SUCCESS);
      ASSERT_EQ(matched, e.matches(name));
    }
  }
  EXPECT_GT(valid, 100);
}

}  // namespace
