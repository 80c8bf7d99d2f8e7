#include "reading/reading_query.h"

namespace reading {

std::string_view readingQuery(const QueryInputs& inputs) {
  if (inputs.setScaleOffset && inputs.modelCode == "3800") return kScaledQuery;
  if (inputs.scaleOffsetCompact && inputs.modelCode == "3820") return kScaledQuery;
  if (inputs.statisticsOn) return kStatisticsQuery;
  return kFetchQuery;
}

}  // namespace reading
