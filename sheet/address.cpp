#include "sheet/address.h"

#include <algorithm>
#include <cctype>

#include "sheet/sheet.h"

namespace sheet {
namespace {

constexpr long kMaxColumns = 16384;
constexpr long kMaxRows = 1048576;

// One cell reference at `pos`; advances `pos` past it.
bool parseCell(const std::string& text, std::size_t& pos, long& row, long& column) {
  if (pos < text.size() && text[pos] == '$') ++pos;
  column = 0;
  std::size_t letters = 0;
  while (pos < text.size() && std::isalpha(static_cast<unsigned char>(text[pos]))) {
    column = column * 26 + (std::toupper(static_cast<unsigned char>(text[pos])) - 'A' + 1);
    if (++letters > 3) return false;
    ++pos;
  }
  if (letters == 0 || column > kMaxColumns) return false;
  if (pos < text.size() && text[pos] == '$') ++pos;
  row = 0;
  std::size_t digits = 0;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
    row = row * 10 + (text[pos] - '0');
    if (++digits > 7) return false;
    ++pos;
  }
  return digits > 0 && row >= 1 && row <= kMaxRows;
}

}  // namespace

std::string columnName(long column) {
  std::string name;
  while (column > 0) {
    const long digit = (column - 1) % 26;
    name.insert(name.begin(), static_cast<char>('A' + digit));
    column = (column - 1) / 26;
  }
  return name;
}

std::string cellName(long row, long column) { return columnName(column) + std::to_string(row); }

std::optional<RangeRef> parseRange(const std::string& text) {
  RangeRef r;
  std::size_t pos = 0;
  if (!parseCell(text, pos, r.firstRow, r.firstColumn)) return std::nullopt;
  r.lastRow = r.firstRow;
  r.lastColumn = r.firstColumn;
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    if (!parseCell(text, pos, r.lastRow, r.lastColumn)) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  if (r.lastRow < r.firstRow) std::swap(r.lastRow, r.firstRow);
  if (r.lastColumn < r.firstColumn) std::swap(r.lastColumn, r.firstColumn);
  return r;
}

}  // namespace sheet
