#pragma once
// The office's filter that writes a workbook file, chosen by the file's extension.

#include <string>

namespace sheet {

// "calc8" for .ods, "Calc MS Excel 2007 XML" for .xlsx, "Text - txt - csv (StarCalc)" for .csv
// (letter case ignored); empty for any other name.
std::string filterForFile(const std::string& path);

}  // namespace sheet
