#include "sim/scpi_parser.h"

#include <cmath>
#include <cstdlib>

#include "core/text_format.h"

namespace sim {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool isAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }
// Characters outside printable ASCII have no place in a program message.
bool isInvalid(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x7F || (u < 0x20 && c != '\t' && c != '\r');
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Splits at `separator` outside quoted strings and parentheses.
std::vector<std::string_view> splitTopLevel(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  char quote = 0;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;  // a doubled quote reopens at once on the next character
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (c == separator && depth == 0) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

// One mnemonic of a header ("CALC3", "FREQuency"); 0 or the error.
int parseMnemonic(std::string_view text, HeaderToken* token) {
  if (text.empty() || !isAlpha(text.front())) return scpi_error::kSyntax;
  size_t end = text.size();
  while (end > 0 && isDigit(text[end - 1])) --end;
  for (size_t i = 0; i < end; ++i) {
    if (!isAlpha(text[i]) && !isDigit(text[i]) && text[i] != '_') return scpi_error::kSyntax;
  }
  if (end > 12) return scpi_error::kMnemonicTooLong;
  token->letters = core::toUpper(text.substr(0, end));
  if (end < text.size()) {
    const std::string_view digits = text.substr(end);
    if (digits.size() > 6) return scpi_error::kHeaderSuffixOutOfRange;
    token->suffix = std::atoi(std::string(digits).c_str());
  }
  return 0;
}

int parseHeader(std::string_view text, ProgramUnit* unit) {
  if (!text.empty() && text.back() == '?') {
    unit->query = true;
    text.remove_suffix(1);
  }
  if (!text.empty() && text.front() == '*') {
    unit->common = true;
    const std::string_view name = text.substr(1);
    if (name.empty()) return scpi_error::kSyntax;
    for (char c : name) {
      if (!isAlpha(c)) return scpi_error::kSyntax;
    }
    unit->header.push_back({"*" + core::toUpper(name), std::nullopt});
    return 0;
  }
  if (!text.empty() && text.front() == ':') {
    unit->rooted = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return scpi_error::kSyntax;
  for (std::string_view piece : splitTopLevel(text, ':')) {
    HeaderToken token;
    if (const int error = parseMnemonic(piece, &token)) return error;
    unit->header.push_back(std::move(token));
  }
  return 0;
}

int parseNonDecimal(std::string_view text, Parameter* p) {
  if (text.size() < 3) return scpi_error::kDataType;
  int base = 0;
  switch (text[1]) {
    case 'H':
    case 'h':
      base = 16;
      break;
    case 'Q':
    case 'q':
      base = 8;
      break;
    case 'B':
    case 'b':
      base = 2;
      break;
    default:
      return scpi_error::kDataType;
  }
  double value = 0;
  for (char c : text.substr(2)) {
    int digit = -1;
    if (isDigit(c))
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    if (digit < 0 || digit >= base) return scpi_error::kInvalidCharacterInNumber;
    value = value * base + digit;
  }
  p->kind = Parameter::Kind::Numeric;
  p->number = value;
  return 0;
}

int parseNumber(std::string_view text, Parameter* p) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return scpi_error::kInvalidCharacterInNumber;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && isDigit(text[j])) {
      size_t expDigits = 0;
      while (j < text.size() && isDigit(text[j])) ++j, ++expDigits;
      if (expDigits > 5) return scpi_error::kExponentTooLarge;
      i = j;
    }
  }
  const std::string_view mantissa = text.substr(0, i);
  size_t k = i;
  while (k < text.size() && isBlank(text[k])) ++k;
  const size_t suffixStart = k;
  while (k < text.size() && (isAlpha(text[k]) || text[k] == '/')) ++k;
  if (k != text.size()) return scpi_error::kInvalidCharacterInNumber;
  const double value = core::leadingDouble(mantissa);
  if (!std::isfinite(value)) return scpi_error::kExponentTooLarge;
  p->kind = Parameter::Kind::Numeric;
  p->number = value;
  p->suffix = core::toUpper(text.substr(suffixStart));
  return 0;
}

int parseString(std::string_view text, Parameter* p) {
  const char quote = text.front();
  std::string contents;
  size_t i = 1;
  while (true) {
    if (i >= text.size()) return scpi_error::kInvalidStringData;
    if (text[i] == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        contents += quote;
        i += 2;
        continue;
      }
      break;
    }
    contents += text[i++];
  }
  if (i + 1 != text.size()) return scpi_error::kInvalidStringData;
  p->kind = Parameter::Kind::String;
  p->word = std::move(contents);
  return 0;
}

int parseChannelList(std::string_view text, Parameter* p) {
  if (text.back() != ')') return scpi_error::kSyntax;
  std::string_view inner = trim(text.substr(1, text.size() - 2));
  if (inner.empty() || inner.front() != '@') return scpi_error::kSyntax;
  inner.remove_prefix(1);
  p->kind = Parameter::Kind::ChannelList;
  for (std::string_view entry : splitTopLevel(inner, ',')) {
    entry = trim(entry);
    const size_t colon = entry.find(':');
    const std::string_view first = trim(entry.substr(0, colon));
    const std::string_view last =
        colon == std::string_view::npos ? first : trim(entry.substr(colon + 1));
    auto number = [](std::string_view digits, int* out) {
      if (digits.empty() || digits.size() > 4) return false;
      for (char c : digits) {
        if (!isDigit(c)) return false;
      }
      *out = std::atoi(std::string(digits).c_str());
      return true;
    };
    int a = 0;
    int b = 0;
    if (!number(first, &a) || !number(last, &b) || b < a || b - a > 16) return scpi_error::kSyntax;
    for (int c = a; c <= b; ++c) p->channels.push_back(c);
  }
  return 0;
}

int parseParameter(std::string_view text, Parameter* p) {
  p->text = std::string(text);
  if (text.empty()) return scpi_error::kSyntax;
  const char c = text.front();
  if (c == '\'' || c == '"') return parseString(text, p);
  if (c == '(') return parseChannelList(text, p);
  if (c == '#') return parseNonDecimal(text, p);
  if (isDigit(c) || c == '+' || c == '-' || c == '.') return parseNumber(text, p);
  if (isAlpha(c)) {
    for (char ch : text) {
      if (!isAlpha(ch) && !isDigit(ch) && ch != '_') return scpi_error::kInvalidCharacterData;
    }
    if (text.size() > 12) return scpi_error::kInvalidCharacterData;
    p->kind = Parameter::Kind::Character;
    p->word = core::toUpper(text);
    return 0;
  }
  return scpi_error::kSyntax;
}

ProgramUnit parseUnit(std::string_view text) {
  ProgramUnit unit;
  unit.text = std::string(text);
  for (char c : text) {
    if (isInvalid(c)) {
      unit.error = scpi_error::kInvalidCharacter;
      return unit;
    }
  }
  size_t split = 0;
  while (split < text.size() && !isBlank(text[split])) ++split;
  if ((unit.error = parseHeader(text.substr(0, split), &unit))) return unit;
  const std::string_view rest = trim(text.substr(split));
  if (rest.empty()) return unit;
  for (std::string_view piece : splitTopLevel(rest, ',')) {
    Parameter p;
    if ((unit.error = parseParameter(trim(piece), &p))) return unit;
    unit.parameters.push_back(std::move(p));
  }
  return unit;
}

struct SpecParts {
  std::string_view letters;
  bool anySuffix = false;
  std::optional<int> fixedSuffix;
};

SpecParts splitSpec(std::string_view form) {
  SpecParts parts;
  if (!form.empty() && form.back() == '#') {
    parts.anySuffix = true;
    form.remove_suffix(1);
  } else {
    size_t end = form.size();
    while (end > 0 && isDigit(form[end - 1])) --end;
    if (end < form.size()) parts.fixedSuffix = std::atoi(std::string(form.substr(end)).c_str());
    form = form.substr(0, end);
  }
  parts.letters = form;
  return parts;
}

std::string shortLetters(std::string_view letters) {
  std::string out;
  for (char c : letters) {
    if (isLower(c)) break;
    out += c;
  }
  return out;
}

MnemonicMatch matchParts(std::string_view shortForm, std::string_view longForm, bool anySuffix,
                         int fixedSuffix, const HeaderToken& token, int* suffix) {
  if (token.letters != shortForm && token.letters != longForm) return MnemonicMatch::No;
  const int given = token.suffix.value_or(1);
  if (anySuffix) {
    if (suffix) *suffix = given;
    return MnemonicMatch::Yes;
  }
  if (fixedSuffix) return given == fixedSuffix ? MnemonicMatch::Yes : MnemonicMatch::SuffixMismatch;
  return token.suffix ? MnemonicMatch::SuffixMismatch : MnemonicMatch::Yes;
}

}  // namespace

std::string scpiErrorText(int code) {
  switch (code) {
    case 0:
      return "No error";
    case scpi_error::kCommand:
      return "Command error";
    case scpi_error::kInvalidCharacter:
      return "Invalid character";
    case scpi_error::kSyntax:
      return "Syntax error";
    case scpi_error::kInvalidSeparator:
      return "Invalid separator";
    case scpi_error::kDataType:
      return "Data type error";
    case scpi_error::kParameterNotAllowed:
      return "Parameter not allowed";
    case scpi_error::kMissingParameter:
      return "Missing parameter";
    case scpi_error::kMnemonicTooLong:
      return "Program mnemonic too long";
    case scpi_error::kUndefinedHeader:
      return "Undefined header";
    case scpi_error::kHeaderSuffixOutOfRange:
      return "Header suffix out of range";
    case scpi_error::kInvalidCharacterInNumber:
      return "Invalid character in number";
    case scpi_error::kExponentTooLarge:
      return "Exponent too large";
    case scpi_error::kInvalidSuffix:
      return "Invalid suffix";
    case scpi_error::kSuffixNotAllowed:
      return "Suffix not allowed";
    case scpi_error::kInvalidCharacterData:
      return "Invalid character data";
    case scpi_error::kInvalidStringData:
      return "Invalid string data";
    case scpi_error::kExecution:
      return "Execution error";
    case scpi_error::kInitIgnored:
      return "Init ignored";
    case scpi_error::kSettingsConflict:
      return "Settings conflict";
    case scpi_error::kDataOutOfRange:
      return "Data out of range";
    case scpi_error::kIllegalParameterValue:
      return "Illegal parameter value";
    case scpi_error::kDataStale:
      return "Data corrupt or stale";
    case scpi_error::kHardwareMissing:
      return "Hardware missing";
    case scpi_error::kQueueOverflow:
      return "Queue overflow";
    case scpi_error::kInputBufferOverrun:
      return "Input buffer overrun";
    case scpi_error::kQueryInterrupted:
      return "Query INTERRUPTED";
    default:
      return "Error";
  }
}

std::string scpiErrorEntry(int code) {
  return core::format("%+d,\"%s\"", code, scpiErrorText(code).c_str());
}

std::vector<ProgramUnit> parseProgramMessage(std::string_view message) {
  std::vector<ProgramUnit> units;
  for (std::string_view piece : splitTopLevel(message, ';')) {
    piece = trim(piece);
    if (piece.empty()) continue;
    units.push_back(parseUnit(piece));
  }
  return units;
}

std::optional<std::vector<HeaderToken>> parseHeaderPath(std::string_view text) {
  ProgramUnit unit;
  text = trim(text);
  if (text.empty() || text.back() == '?' || text.front() == '*') return std::nullopt;
  if (parseHeader(text, &unit) != 0) return std::nullopt;
  return unit.header;
}

std::string shortForm(std::string_view form) {
  const SpecParts parts = splitSpec(form);
  std::string out = shortLetters(parts.letters);
  if (parts.fixedSuffix && *parts.fixedSuffix != 1)
    out += std::to_string(*parts.fixedSuffix);
  else if (parts.fixedSuffix)
    out += "1";
  return out;
}

MnemonicMatch matchMnemonic(std::string_view form, const HeaderToken& token, int* suffix) {
  const SpecParts parts = splitSpec(form);
  return matchParts(shortLetters(parts.letters), core::toUpper(parts.letters), parts.anySuffix,
                    parts.fixedSuffix.value_or(0), token, suffix);
}

MnemonicMatch matchWord(std::string_view form, std::string_view word, int* suffix) {
  HeaderToken token;
  size_t end = word.size();
  while (end > 0 && isDigit(word[end - 1])) --end;
  token.letters = core::toUpper(word.substr(0, end));
  if (end < word.size()) {
    if (word.size() - end > 6) return MnemonicMatch::No;
    token.suffix = std::atoi(std::string(word.substr(end)).c_str());
  }
  return matchMnemonic(form, token, suffix);
}

HeaderPattern::HeaderPattern(std::string_view pattern) : text_(pattern) {
  size_t i = 0;
  while (i < pattern.size()) {
    if (pattern[i] == ':') {
      ++i;
      continue;
    }
    Node node;
    size_t end;
    std::string_view form;
    if (pattern[i] == '[') {
      node.optional = true;
      end = pattern.find(']', i);
      form = pattern.substr(i + 1, end - i - 1);
      while (!form.empty() && form.front() == ':') form.remove_prefix(1);
      while (!form.empty() && form.back() == ':') form.remove_suffix(1);
      ++end;
    } else {
      end = pattern.find_first_of(":[", i);
      if (end == std::string_view::npos) end = pattern.size();
      form = pattern.substr(i, end - i);
    }
    const SpecParts parts = splitSpec(form);
    node.shortLetters = shortLetters(parts.letters);
    node.longLetters = core::toUpper(parts.letters);
    node.anySuffix = parts.anySuffix;
    node.fixedSuffix = parts.fixedSuffix.value_or(0);
    nodes_.push_back(std::move(node));
    i = end;
  }
}

MnemonicMatch HeaderPattern::match(const std::vector<HeaderToken>& header,
                                   std::vector<int>* suffixes) const {
  std::vector<int> found;
  const MnemonicMatch result = matchFrom(0, header, 0, &found);
  if (result == MnemonicMatch::Yes && suffixes) *suffixes = std::move(found);
  return result;
}

MnemonicMatch HeaderPattern::matchFrom(size_t node, const std::vector<HeaderToken>& header,
                                       size_t token, std::vector<int>* suffixes) const {
  if (node == nodes_.size()) return token == header.size() ? MnemonicMatch::Yes : MnemonicMatch::No;
  const Node& n = nodes_[node];
  const bool collects = n.anySuffix;
  MnemonicMatch best = MnemonicMatch::No;
  if (token < header.size()) {
    int suffix = 1;
    const MnemonicMatch m = matchParts(n.shortLetters, n.longLetters, n.anySuffix, n.fixedSuffix,
                                       header[token], &suffix);
    if (m != MnemonicMatch::No) {
      if (collects) suffixes->push_back(suffix);
      const MnemonicMatch rest = matchFrom(node + 1, header, token + 1, suffixes);
      if (rest == MnemonicMatch::Yes && m == MnemonicMatch::Yes) return MnemonicMatch::Yes;
      if (collects) suffixes->pop_back();
      if (rest == MnemonicMatch::Yes || rest == MnemonicMatch::SuffixMismatch)
        best = MnemonicMatch::SuffixMismatch;
    }
  }
  if (n.optional) {
    if (collects) suffixes->push_back(1);
    const MnemonicMatch rest = matchFrom(node + 1, header, token, suffixes);
    if (rest == MnemonicMatch::Yes) return rest;
    if (collects) suffixes->pop_back();
    if (rest == MnemonicMatch::SuffixMismatch) best = rest;
  }
  return best;
}

std::optional<double> scaledValue(const Parameter& parameter,
                                  const std::vector<std::string_view>& units, int* error) {
  const std::string& suffix = parameter.suffix;
  if (suffix.empty()) return parameter.number;
  if (units.empty()) {
    *error = scpi_error::kSuffixNotAllowed;
    return std::nullopt;
  }
  static const struct {
    const char* prefix;
    double factor;
  } kPrefixes[] = {{"EX", 1e18}, {"PE", 1e15}, {"T", 1e12},  {"G", 1e9},
                   {"MA", 1e6},  {"K", 1e3},   {"M", 1e-3},  {"U", 1e-6},
                   {"N", 1e-9},  {"P", 1e-12}, {"F", 1e-15}, {"A", 1e-18}};
  for (std::string_view unit : units) {
    const std::string upper = core::toUpper(unit);
    if (suffix == upper) return parameter.number;
    if (suffix.size() <= upper.size() ||
        suffix.compare(suffix.size() - upper.size(), upper.size(), upper) != 0)
      continue;
    const std::string prefix = suffix.substr(0, suffix.size() - upper.size());
    // MHZ and MOHM are mega by long-standing convention; elsewhere M is milli.
    if (prefix == "M" && (upper == "HZ" || upper == "OHM")) return parameter.number * 1e6;
    for (const auto& p : kPrefixes) {
      if (prefix == p.prefix) return parameter.number * p.factor;
    }
  }
  *error = scpi_error::kInvalidSuffix;
  return std::nullopt;
}

}  // namespace sim
