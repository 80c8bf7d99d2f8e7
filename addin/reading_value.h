#pragma once
// The value of a counter's answer as the add-in logs it: a decimal comma (digits, one comma,
// digits) is read as a decimal point, then the leading number; nullopt when the answer has no
// leading number (garbage is not a reading).

#include <optional>
#include <string>

namespace addin {

std::optional<double> readingValue(std::string answer);

}  // namespace addin
