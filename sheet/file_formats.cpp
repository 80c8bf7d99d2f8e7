#include "sheet/file_formats.h"

#include <filesystem>

#include "core/text_format.h"

namespace sheet {

std::string filterForFile(const std::string& path) {
  const std::string ext = core::toLower(std::filesystem::path(path).extension().string());
  if (ext == ".ods") return "calc8";
  if (ext == ".xlsx") return "Calc MS Excel 2007 XML";
  if (ext == ".csv") return "Text - txt - csv (StarCalc)";
  return {};
}

}  // namespace sheet
