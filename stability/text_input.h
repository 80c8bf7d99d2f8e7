#pragma once
// Readings from a text file: one value per line, "#" starting a comment (to the end of the
// line), blank lines skipped. A line holding anything but one number is a reading that is
// not a measurement: it is kept as a gap (NaN) and counted.

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace stability {

struct TextReadings {
  std::vector<double> values;  // NaN for the lines that are not numbers
  std::size_t notNumbers = 0;
};

// The number of a line (after its comment is cut and blanks trimmed), or NaN when the line is
// not one number. Locale-independent; "+1.5E+07", "-2", ".5" and "9.91E+37" are numbers.
double parseReadingLine(std::string_view line, bool* isBlank);

TextReadings parseTextReadings(std::istream& in);

// Throws std::runtime_error with the reason when the file cannot be read.
TextReadings readTextReadings(const std::string& path);

}  // namespace stability
