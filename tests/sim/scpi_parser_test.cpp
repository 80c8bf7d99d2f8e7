#include "sim/scpi_parser.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

using sim::HeaderPattern;
using sim::MnemonicMatch;
using sim::Parameter;
using sim::parseProgramMessage;
namespace err = sim::scpi_error;

std::vector<sim::HeaderToken> header(const char* text) {
  auto units = parseProgramMessage(text);
  EXPECT_EQ(units.size(), 1u) << text;
  EXPECT_EQ(units[0].error, 0) << text;
  return units[0].header;
}

TEST(ScpiParser, SplitsMessagesIntoUnitsOutsideQuotesAndParentheses) {
  const auto units =
      parseProgramMessage("FUNC 'A;B';:CONF:FREQ:RAT (@1),(@3) ; *IDN? ;; EVENt2:FEED \"INPut2\"");
  ASSERT_EQ(units.size(), 4u);
  EXPECT_EQ(units[0].parameters.at(0).word, "A;B");
  EXPECT_TRUE(units[1].rooted);
  ASSERT_EQ(units[1].parameters.size(), 2u);
  EXPECT_EQ(units[1].parameters[0].channels, std::vector<int>{1});
  EXPECT_EQ(units[1].parameters[1].channels, std::vector<int>{3});
  EXPECT_TRUE(units[2].common);
  EXPECT_TRUE(units[2].query);
  EXPECT_EQ(units[2].header.at(0).letters, "*IDN");
  EXPECT_EQ(units[3].header.at(0).letters, "EVENT");
  EXPECT_EQ(units[3].header.at(0).suffix, 2);
  EXPECT_EQ(units[3].parameters.at(0).kind, Parameter::Kind::String);
  EXPECT_EQ(units[3].parameters.at(0).word, "INPut2");
}

TEST(ScpiParser, ReadsNumbersWithTheirSuffixes) {
  struct Case {
    const char* parameter;
    double number;
    const char* suffix;
  } cases[] = {
      {"10 KHZ", 10, "KHZ"},   {"0HZ", 0, "HZ"},          {"10000.000000 uHZ", 1e4, "UHZ"},
      {"3  HZ", 3, "HZ"},      {"5 uS", 5, "US"},         {"1e-3", 1e-3, ""},
      {"-51.25", -51.25, ""},  {".5", 0.5, ""},           {"+7.", 7, ""},
      {"0.0000001", 1e-7, ""}, {"2.5E+3 mS", 2500, "MS"}, {"#H1F", 31, ""},
      {"#B101", 5, ""},        {"90  Deg", 90, "DEG"},
  };
  for (const Case& c : cases) {
    const auto units = parseProgramMessage(std::string("X ") + c.parameter);
    ASSERT_EQ(units.size(), 1u) << c.parameter;
    ASSERT_EQ(units[0].error, 0) << c.parameter;
    const Parameter& p = units[0].parameters.at(0);
    EXPECT_EQ(p.kind, Parameter::Kind::Numeric) << c.parameter;
    EXPECT_DOUBLE_EQ(p.number, c.number) << c.parameter;
    EXPECT_EQ(p.suffix, c.suffix) << c.parameter;
  }
}

TEST(ScpiParser, ScalesSuffixesByTheirPrefix) {
  struct Case {
    const char* parameter;
    std::vector<std::string_view> units;
    double value;  // NAN: rejected with `error`
    int error;
  } cases[] = {
      {"10 KHZ", {"HZ"}, 1e4, 0},
      {"10000.000000 uHZ", {"HZ"}, 1e-2, 0},
      {"5 MHZ", {"HZ"}, 5e6, 0},  // mega in MHZ
      {"500 MS", {"S"}, 0.5, 0},  // milli elsewhere
      {"10 pS", {"S"}, 1e-11, 0},
      {"10 nS", {"S"}, 1e-8, 0},
      {"2 MAHZ", {"HZ"}, 2e6, 0},
      {"1 MOHM", {"OHM"}, 1e6, 0},
      {"90 KDeg", {"HZ", "S", "DEG"}, 9e4, 0},
      {"7 S", {"HZ", "S"}, 7, 0},
      {"7", {}, 7, 0},
      {"7 HZ", {}, NAN, err::kSuffixNotAllowed},
      {"7 KV", {"HZ"}, NAN, err::kInvalidSuffix},
      {"7 QHZ", {"HZ"}, NAN, err::kInvalidSuffix},
  };
  for (const Case& c : cases) {
    const auto units = parseProgramMessage(std::string("X ") + c.parameter);
    int error = 0;
    const auto value = sim::scaledValue(units.at(0).parameters.at(0), c.units, &error);
    if (std::isnan(c.value)) {
      EXPECT_FALSE(value) << c.parameter;
      EXPECT_EQ(error, c.error) << c.parameter;
    } else {
      ASSERT_TRUE(value) << c.parameter;
      EXPECT_NEAR(*value, c.value, 1e-12 * std::fabs(c.value)) << c.parameter;
    }
  }
}

TEST(ScpiParser, FindsSyntaxErrors) {
  struct Case {
    const char* message;
    int error;
  } cases[] = {
      {"FREQ::ARM", err::kSyntax},
      {"FREQ:", err::kSyntax},
      {"3FREQ", err::kSyntax},
      {"FR#EQ", err::kSyntax},
      {"*", err::kSyntax},
      {"*ID3?", err::kSyntax},
      {"ABCDEFGHIJKLMNOP", err::kMnemonicTooLong},
      {"INP:COUP 'AC", err::kInvalidStringData},
      {"INP:COUP 'AC'X", err::kInvalidStringData},
      {"EVEN:LEV:ABS 1.2.3", err::kInvalidCharacterInNumber},
      {"EVEN:LEV:ABS 1 2", err::kInvalidCharacterInNumber},
      {"EVEN:LEV:ABS 1e99999", err::kExponentTooLarge},
      {"INP:COUP A-C", err::kInvalidCharacterData},
      {"INP:COUP AC,", err::kSyntax},
      {"CONF:PER (1)", err::kSyntax},
      {"CONF:PER (@1", err::kSyntax},
      {"INP:COUP \x01", err::kInvalidCharacter},
      {"INP:COUP \xC3\xA9", err::kInvalidCharacter},
      {"EVEN9999999:SLOP POS", err::kHeaderSuffixOutOfRange},
  };
  for (const Case& c : cases) {
    const auto units = parseProgramMessage(c.message);
    ASSERT_EQ(units.size(), 1u) << c.message;
    EXPECT_EQ(units[0].error, c.error) << c.message;
  }
}

TEST(ScpiParser, MatchesShortAndLongMnemonicsInAnyCase) {
  struct Case {
    const char* form;
    const char* word;
    MnemonicMatch expected;
    int suffix;
  } cases[] = {
      {"FREQuency", "FREQ", MnemonicMatch::Yes, 0},
      {"FREQuency", "frequency", MnemonicMatch::Yes, 0},
      {"FREQuency", "Freq", MnemonicMatch::Yes, 0},
      {"FREQuency", "FREQU", MnemonicMatch::No, 0},
      {"FREQuency", "FRE", MnemonicMatch::No, 0},
      {"FREQuency", "FREQ1", MnemonicMatch::SuffixMismatch, 0},
      {"ESTARt", "ESTART", MnemonicMatch::Yes, 0},
      {"ESTARt", "ESTAR", MnemonicMatch::Yes, 0},
      {"LAYer2", "LAYer2", MnemonicMatch::Yes, 0},
      {"LAYer2", "LAY", MnemonicMatch::SuffixMismatch, 0},
      {"CALCulate1", "CALC", MnemonicMatch::Yes, 0},
      {"CALCulate1", "calculate1", MnemonicMatch::Yes, 0},
      {"EVENt#", "EVEN", MnemonicMatch::Yes, 1},
      {"EVENt#", "EVENt2", MnemonicMatch::Yes, 2},
      {"INTernal1", "INT", MnemonicMatch::Yes, 0},
      {"INTernal2", "INTernal2", MnemonicMatch::Yes, 0},
      {"DB9", "db9", MnemonicMatch::Yes, 0},
      {"MEASurement", "Meas", MnemonicMatch::Yes, 0},
      {"DELTa", "Delta", MnemonicMatch::Yes, 0},
  };
  for (const Case& c : cases) {
    int suffix = 0;
    EXPECT_EQ(sim::matchWord(c.form, c.word, &suffix), c.expected) << c.form << " " << c.word;
    if (c.suffix) {
      EXPECT_EQ(suffix, c.suffix) << c.form << " " << c.word;
    }
  }
  EXPECT_EQ(sim::shortForm("INTernal1"), "INT1");
  EXPECT_EQ(sim::shortForm("IMMediate"), "IMM");
  EXPECT_EQ(sim::shortForm("LIMit"), "LIM");
}

TEST(ScpiParser, HeaderPatternsSkipOptionalNodesAndCollectSuffixes) {
  const HeaderPattern level("[SENSe:]EVENt#:LEVel[:ABSolute]:AUTO");
  std::vector<int> suffixes;
  EXPECT_EQ(level.match(header("EVEN:LEV:AUTO 1"), &suffixes), MnemonicMatch::Yes);
  EXPECT_EQ(suffixes, std::vector<int>{1});
  EXPECT_EQ(level.match(header("SENS:EVEN2:LEV:ABS:AUTO 1"), &suffixes), MnemonicMatch::Yes);
  EXPECT_EQ(suffixes, std::vector<int>{2});
  EXPECT_EQ(level.match(header("EVEN:LEV 1"), &suffixes), MnemonicMatch::No);

  const HeaderPattern layer("[SENSe:]TINTerval:ARM:ESTARt[:LAYer2]:SOURce");
  EXPECT_EQ(layer.match(header(":TINTerval:ARM:ESTART:LAYer2:SOURce IMM"), nullptr),
            MnemonicMatch::Yes);
  EXPECT_EQ(layer.match(header("TINT:ARM:ESTAR:SOUR IMM"), nullptr), MnemonicMatch::Yes);
  EXPECT_EQ(layer.match(header("TINT:ARM:ESTAR:LAY1:SOUR IMM"), nullptr),
            MnemonicMatch::SuffixMismatch);

  const HeaderPattern limits("CALCulate2:LIMit:UPPer[:DATA]");
  EXPECT_EQ(limits.match(header("CALCulate2:LIMit:UPPer 1"), nullptr), MnemonicMatch::Yes);
  EXPECT_EQ(limits.match(header("CALC3:LIM:UPP 1"), nullptr), MnemonicMatch::SuffixMismatch);
  EXPECT_EQ(limits.match(header("CALC:LIM:UPP 1"), nullptr), MnemonicMatch::SuffixMismatch);
}

TEST(ScpiParser, ErrorEntriesUseTheStandardTexts) {
  EXPECT_EQ(sim::scpiErrorEntry(0), "+0,\"No error\"");
  EXPECT_EQ(sim::scpiErrorEntry(err::kUndefinedHeader), "-113,\"Undefined header\"");
  EXPECT_EQ(sim::scpiErrorEntry(err::kSyntax), "-102,\"Syntax error\"");
  EXPECT_EQ(sim::scpiErrorEntry(err::kDataOutOfRange), "-222,\"Data out of range\"");
  EXPECT_EQ(sim::scpiErrorEntry(err::kMissingParameter), "-109,\"Missing parameter\"");
  EXPECT_EQ(sim::scpiErrorEntry(err::kQueryInterrupted), "-410,\"Query INTERRUPTED\"");
}

}  // namespace
