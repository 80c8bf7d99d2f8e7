#include "sheet/formula_text.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "sheet/address.h"
#include "sheet/sheet.h"

namespace sheet {
namespace {

constexpr long kMaxRows = 1048576;
constexpr long kMaxColumns = 16384;

bool identifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '\\';
}

// One part of an R1C1 reference: "R2" (absolute), "R[-1]" (relative), "R" (same row).
struct Part {
  bool present = false;
  bool relative = false;
  long number = 0;
};

// Reads "R..." or "C..." at `pos` of `token` for the letter `letter`.
bool readPart(const std::string& token, std::size_t& pos, char letter, Part& part) {
  if (pos >= token.size() || std::toupper(static_cast<unsigned char>(token[pos])) != letter)
    return false;
  ++pos;
  part.present = true;
  if (pos < token.size() && token[pos] == '[') {
    std::size_t end = token.find(']', pos);
    if (end == std::string::npos) return false;
    const std::string inside = token.substr(pos + 1, end - pos - 1);
    if (inside.empty() || inside.size() > 8) return false;
    std::size_t start = inside[0] == '-' || inside[0] == '+' ? 1 : 0;
    if (start == inside.size() ||
        !std::all_of(inside.begin() + static_cast<long>(start), inside.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
      return false;
    part.relative = true;
    part.number = std::stol(inside);
    pos = end + 1;
    return true;
  }
  std::size_t digits = 0;
  while (pos < token.size() && std::isdigit(static_cast<unsigned char>(token[pos]))) {
    part.number = part.number * 10 + (token[pos] - '0');
    if (++digits > 7) return false;
    ++pos;
  }
  if (digits == 0) part.relative = true;  // "R" alone: the same row
  return true;
}

struct Reference {
  Part row, column;
};

// The token as an R1C1 reference, or nullopt when it is anything else (a name, a function).
std::optional<Reference> parseReference(const std::string& token) {
  Reference r;
  std::size_t pos = 0;
  readPart(token, pos, 'R', r.row);
  readPart(token, pos, 'C', r.column);
  if (pos != token.size() || (!r.row.present && !r.column.present)) return std::nullopt;
  return r;
}

std::optional<long> resolve(const Part& p, long base, long limit) {
  const long value = p.relative ? base + p.number : p.number;
  if (value < 1 || value > limit) return std::nullopt;
  return value;
}

std::string rowText(const Part& p, long value) {
  return (p.relative ? "" : "$") + std::to_string(value);
}
std::string columnText(const Part& p, long value) {
  return (p.relative ? "" : "$") + columnName(value);
}

// A1 text of a reference; a whole row ("R2") or column ("C3") becomes "$2:$2" or "$C:$C", or
// "$2" and "$C" when it is one end of a range ("R2:R5").
std::optional<std::string> toA1(const Reference& r, long baseRow, long baseColumn, bool rangeEnd) {
  std::optional<long> row, column;
  if (r.row.present && !(row = resolve(r.row, baseRow, kMaxRows))) return std::nullopt;
  if (r.column.present && !(column = resolve(r.column, baseColumn, kMaxColumns)))
    return std::nullopt;
  if (row && column) return columnText(r.column, *column) + rowText(r.row, *row);
  if (row)
    return rangeEnd ? rowText(r.row, *row) : rowText(r.row, *row) + ":" + rowText(r.row, *row);
  return rangeEnd ? columnText(r.column, *column)
                  : columnText(r.column, *column) + ":" + columnText(r.column, *column);
}

// Calls `f(start, end)` for every identifier-like token outside double-quoted text; an
// identifier token includes "[...]" brackets (R[1]C[-1]).
template <typename F>
void forEachToken(const std::string& formula, F&& f) {
  std::size_t i = 0;
  while (i < formula.size()) {
    const char c = formula[i];
    if (c == '"') {
      ++i;
      while (i < formula.size()) {
        if (formula[i] == '"' && i + 1 < formula.size() && formula[i + 1] == '"') {
          i += 2;
        } else if (formula[i] == '"') {
          ++i;
          break;
        } else {
          ++i;
        }
      }
      continue;
    }
    if (c == '\'') {  // a quoted sheet name
      const std::size_t end = formula.find('\'', i + 1);
      i = end == std::string::npos ? formula.size() : end + 1;
      continue;
    }
    if (identifierChar(c) || c == '[') {
      const std::size_t start = i;
      while (i < formula.size() &&
             (identifierChar(formula[i]) || formula[i] == '[' ||
              (formula[i] == '-' && i > start && formula[i - 1] == '[') || formula[i] == ']'))
        ++i;
      f(start, i);
      continue;
    }
    ++i;
  }
}

}  // namespace

std::string r1c1ToA1(const std::string& formula, long baseRow, long baseColumn) {
  std::string out;
  std::size_t copied = 0;
  forEachToken(formula, [&](std::size_t start, std::size_t end) {
    const std::string token = formula.substr(start, end - start);
    // Function names are followed by "(" and numbers start with a digit: neither is a reference.
    if (end < formula.size() && formula[end] == '(') return;
    const std::optional<Reference> r = parseReference(token);
    if (!r) return;
    const bool rangeEnd =
        (end < formula.size() && formula[end] == ':') || (start > 0 && formula[start - 1] == ':');
    const std::optional<std::string> a1 = toA1(*r, baseRow, baseColumn, rangeEnd);
    if (!a1) return;
    out.append(formula, copied, start - copied);
    out += *a1;
    copied = end;
  });
  out.append(formula, copied, std::string::npos);
  return out;
}

std::vector<std::string> namesOnSheet(const std::string& formula, const std::string& sheetName) {
  std::vector<std::string> names;
  const std::string prefix = sheetName + "!";
  std::size_t at = 0;
  while ((at = formula.find(prefix, at)) != std::string::npos) {
    // The prefix must start a token: "XSheet1!" is another sheet.
    if (at > 0 && identifierChar(formula[at - 1])) {
      at += prefix.size();
      continue;
    }
    std::size_t end = at + prefix.size();
    while (end < formula.size() && identifierChar(formula[end])) ++end;
    const std::string name = formula.substr(at + prefix.size(), end - at - prefix.size());
    at = end;
    if (name.empty() || parseReference(name) || parseRange(name)) continue;
    if (end < formula.size() && formula[end] == '[') continue;  // R[1]C[1]
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

}  // namespace sheet
