#pragma once
// A1 addresses of cells and ranges: "F4", "$F$6", "C2:C13", counted from 1.

#include <optional>
#include <string>

namespace sheet {

struct RangeRef {
  long firstRow = 1, firstColumn = 1, lastRow = 1, lastColumn = 1;
  friend bool operator==(const RangeRef&, const RangeRef&) = default;
};

// "F" for 6, "AA" for 27.
std::string columnName(long column);

// A cell ("F4", "$F$4") or a range ("C2:C13"); nullopt for anything else. A range's corners are
// put in order.
std::optional<RangeRef> parseRange(const std::string& text);

}  // namespace sheet
