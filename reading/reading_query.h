#pragma once
// Which query a reading tick sends: the scaled result when scale/offset is on, the statistics
// result when the counter's statistics are on, the plain reading otherwise.

#include <string>
#include <string_view>

namespace reading {

inline constexpr std::string_view kScaledQuery = "calc:data?";
inline constexpr std::string_view kStatisticsQuery = "calc3:data?";
inline constexpr std::string_view kFetchQuery = "fetch?\n";  // carries its line feed

struct QueryInputs {
  std::string modelCode;            // "0", "3800" or "3820"
  bool setScaleOffset = false;      // "Set Scale/Offset" of the full panel
  bool scaleOffsetCompact = false;  // "Scale_Offset" of the compact panel
  bool statisticsOn = false;        // Run Start switched the counter's statistics on
};

// The first matching row: "Set Scale/Offset" on a "3800" or "Scale_Offset" on a "3820" ->
// "calc:data?"; statistics on -> "calc3:data?"; otherwise "fetch?\n".
std::string_view readingQuery(const QueryInputs& inputs);

}  // namespace reading
