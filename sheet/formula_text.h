#pragma once
// Rewriting Excel formula texts for a parser that reads only one reference style: R1C1
// references into A1 ones, and the sheet-qualified names a formula mentions.

#include <string>
#include <vector>

namespace sheet {

// The formula with every R1C1 reference (R2C1, R[1]C[-2], RC, R2:R5, C3, with or without a
// sheet prefix) written in A1 style ($A$2, B3, ...), relative references counted from the cell
// at `baseRow`, `baseColumn`. Text in double quotes, function names and defined names are kept.
// A relative reference that leaves the sheet is left as it is (the parser reports it).
std::string r1c1ToA1(const std::string& formula, long baseRow, long baseColumn);

// The names the formula qualifies with `sheetName` ("Sheet1!CtrCount" gives "CtrCount"), in
// order of first appearance, cell references left out.
std::vector<std::string> namesOnSheet(const std::string& formula, const std::string& sheetName);

}  // namespace sheet
