#include "stability/text_input.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace stability {

double parseReadingLine(std::string_view line, bool* isBlank) {
  const std::size_t hash = line.find('#');
  if (hash != std::string_view::npos) line = line.substr(0, hash);
  const char* blanks = " \t\r\n\f\v";
  const std::size_t begin = line.find_first_not_of(blanks);
  if (isBlank) *isBlank = begin == std::string_view::npos;
  if (begin == std::string_view::npos) return std::nan("");
  line = line.substr(begin, line.find_last_not_of(blanks) - begin + 1);
  // from_chars takes a minus sign but no plus sign; the counter writes both.
  if (line.front() == '+') {
    line.remove_prefix(1);
    if (line.empty() || line.front() == '-' || line.front() == '+') return std::nan("");
  }
  double value = 0.0;
  const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Beyond the range of a double: not a measurement either way.
    return end == line.data() + line.size() ? HUGE_VAL : std::nan("");
  }
  if (ec != std::errc() || end != line.data() + line.size()) return std::nan("");
  return value;
}

TextReadings parseTextReadings(std::istream& in) {
  TextReadings out;
  std::string line;
  while (std::getline(in, line)) {
    bool blank = false;
    const double v = parseReadingLine(line, &blank);
    if (blank) continue;
    if (std::isnan(v)) ++out.notNumbers;
    out.values.push_back(v);
  }
  return out;
}

TextReadings readTextReadings(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
  TextReadings out = parseTextReadings(in);
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  return out;
}

}  // namespace stability
