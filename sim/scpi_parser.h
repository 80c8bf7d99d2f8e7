#pragma once
// The IEEE 488.2 / SCPI message syntax the simulated counter understands: program messages
// split into ';'-separated units, headers of ':'-separated mnemonics with numeric suffixes,
// and parameters (numbers with unit suffixes, character data, quoted strings, channel lists).
// Also the mnemonic matching rule (short form = the upper-case part of "FREQuency", long
// form = the whole word) and the standard SCPI error numbers and texts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Standard SCPI error numbers reported through SYST:ERR?.
namespace scpi_error {
inline constexpr int kCommand = -100;
inline constexpr int kInvalidCharacter = -101;
inline constexpr int kSyntax = -102;
inline constexpr int kInvalidSeparator = -103;
inline constexpr int kDataType = -104;
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kMnemonicTooLong = -112;
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kHeaderSuffixOutOfRange = -114;
inline constexpr int kInvalidCharacterInNumber = -121;
inline constexpr int kExponentTooLarge = -123;
inline constexpr int kInvalidSuffix = -131;
inline constexpr int kSuffixNotAllowed = -138;
inline constexpr int kInvalidCharacterData = -141;
inline constexpr int kInvalidStringData = -151;
inline constexpr int kExecution = -200;
inline constexpr int kInitIgnored = -213;
inline constexpr int kSettingsConflict = -221;
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kIllegalParameterValue = -224;
inline constexpr int kDataStale = -230;
inline constexpr int kHardwareMissing = -241;
inline constexpr int kQueueOverflow = -350;
inline constexpr int kInputBufferOverrun = -363;
inline constexpr int kQueryInterrupted = -410;
}  // namespace scpi_error

// "Undefined header" for -113; "Error" for numbers outside the list above.
std::string scpiErrorText(int code);
// The error as SYST:ERR? answers it: -113,"Undefined header" (0 gives +0,"No error").
std::string scpiErrorEntry(int code);

// One mnemonic of a header as received: "CALC3" gives letters "CALC" and suffix 3.
struct HeaderToken {
  std::string letters;  // upper case
  std::optional<int> suffix;
};

struct Parameter {
  enum class Kind { Numeric, Character, String, ChannelList };
  Kind kind = Kind::Character;
  std::string text;           // as received, blanks around it removed
  double number = 0;          // Numeric
  std::string suffix;         // Numeric: unit suffix in upper case ("KHZ"), empty without one
  std::string word;           // Character: upper case; String: the contents without quotes
  std::vector<int> channels;  // ChannelList: "(@1,3)" gives {1, 3}
};

struct ProgramUnit {
  std::string text;     // the unit as received, blanks around it removed
  int error = 0;        // a syntax error found while parsing; the rest is then not meaningful
  bool common = false;  // "*IDN?" and the other IEEE 488.2 common commands
  bool rooted = false;  // header begins with ':'
  bool query = false;
  std::vector<HeaderToken> header;  // for a common command the single token "*IDN"
  std::vector<Parameter> parameters;
};

// Parses one program message (the text between two line feeds) into its units. Empty units
// (";;", a trailing ';') are skipped. Never throws; malformed units carry their error.
std::vector<ProgramUnit> parseProgramMessage(std::string_view message);

// Parses a header alone ("FREQ:RAT", "VOLT:PTP"), as used inside FUNC strings.
std::optional<std::vector<HeaderToken>> parseHeaderPath(std::string_view text);

// Matching of a received mnemonic against a form such as "FREQuency" (short FREQ, long
// FREQUENCY). A form may end in digits ("LAYer2": the suffix must be that number, an omitted
// suffix counting as 1) or in '#' ("EVENt#": any suffix, reported through `suffix`).
enum class MnemonicMatch { No, SuffixMismatch, Yes };
MnemonicMatch matchMnemonic(std::string_view form, const HeaderToken& token, int* suffix = nullptr);
// The same for character data ("IMM", "EXTernal", "INT1").
MnemonicMatch matchWord(std::string_view form, std::string_view word, int* suffix = nullptr);
// The short form of a form in upper case with its fixed suffix: "INTernal1" gives "INT1".
std::string shortForm(std::string_view form);

// A header pattern in SCPI notation: "[SENSe:]EVENt#:LEVel[:ABSolute]:AUTO". Optional nodes
// stand in brackets; each node is a mnemonic form as above.
class HeaderPattern {
 public:
  explicit HeaderPattern(std::string_view pattern);
  // Matches a whole header. `suffixes` receives the suffix of every '#' node, in order.
  MnemonicMatch match(const std::vector<HeaderToken>& header, std::vector<int>* suffixes) const;
  const std::string& text() const { return text_; }

 private:
  // A node's form taken apart once, so that matching allocates nothing.
  struct Node {
    std::string shortLetters;  // "FREQ"
    std::string longLetters;   // "FREQUENCY"
    bool anySuffix = false;    // '#'
    int fixedSuffix = 0;       // the digits the form ends in; 0 for none
    bool optional = false;
  };
  MnemonicMatch matchFrom(size_t node, const std::vector<HeaderToken>& header, size_t token,
                          std::vector<int>* suffixes) const;
  std::string text_;
  std::vector<Node> nodes_;
};

// The value of a numeric parameter in base units, after its suffix: "10 KHZ" with unit "HZ"
// gives 10000, "5 uS" with "S" 5e-6, "500 MS" 0.5 (M is milli except in MHZ and MOHM).
// `units` lists the unit words allowed; an empty list allows no suffix at all. On a bad
// suffix returns nothing and sets `error` (-131 or -138).
std::optional<double> scaledValue(const Parameter& parameter,
                                  const std::vector<std::string_view>& units, int* error);

}  // namespace sim
