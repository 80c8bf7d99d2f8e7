#pragma once
// The text of an analysis: the command-line program's lines and the Stability dialog's CSV
// file. One header line starting with "#" says what was analysed; then one line per point,
// "tau n sigma lo hi" separated by spaces (or commas), with the statistic first when several
// were asked for. Numbers are written the same in every locale.

#include <string>
#include <vector>

#include "stability/analysis.h"
#include "stability/series.h"

namespace stability {

struct ReportSource {
  std::string name;  // the file or database analysed
  InputKind input = InputKind::Frequency;
  std::string tau0Origin;    // where tau0 came from: "run_info", "--tau0", "entered"
  std::string firstReading;  // optional: which readings ("rows 1001-2000"); empty for all
};

enum class Separator { Space, Comma };

std::string headerLine(const ReportSource& source, const PhaseSeries& series,
                       const AnalysisOptions& options, Separator separator, bool statColumn,
                       bool noiseColumn = false);
std::string pointLine(const Point& point, Separator separator, bool statColumn,
                      bool noiseColumn = false);

// "%.9g" and "%.6e" without the locale.
std::string numberText(double value);
std::string scientificText(double value);

}  // namespace stability
