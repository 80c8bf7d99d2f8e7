#include "addin/reading_value.h"

#include "core/text_format.h"

namespace addin {

std::optional<double> readingValue(std::string answer) {
  if (const auto comma = answer.find(','); comma != std::string::npos) answer[comma] = '.';
  bool parsed = false;
  const double value = core::leadingDouble(answer, &parsed);
  if (!parsed) return std::nullopt;
  return value;
}

}  // namespace addin
