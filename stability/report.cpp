#include "stability/report.h"

#include <charconv>
#include <cmath>

namespace stability {

std::string numberText(double value) {
  if (std::isnan(value)) return "nan";
  char buffer[64];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 9);
  return std::string(buffer, r.ptr);
}

std::string scientificText(double value) {
  if (std::isnan(value)) return "nan";
  char buffer[64];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
  return std::string(buffer, r.ptr);
}

namespace {

char sep(Separator s) { return s == Separator::Comma ? ',' : ' '; }

}  // namespace

std::string headerLine(const ReportSource& source, const PhaseSeries& series,
                       const AnalysisOptions& options, Separator separator, bool statColumn,
                       bool noiseColumn) {
  std::string h = "# source=" + source.name;
  if (!source.firstReading.empty()) h += " " + source.firstReading;
  h += " readings=" + std::to_string(series.readings) + " gaps=" + std::to_string(series.gaps);
  h += " tau0=" + numberText(series.tau0) + "s";
  if (!source.tau0Origin.empty()) h += "(" + source.tau0Origin + ")";
  h += " input=" + std::string(inputKindName(source.input));
  if (series.nominal != 0.0) h += " nominal=" + numberText(series.nominal);
  h += " confidence=" + numberText(options.confidence) + " edf=white-FM";
  h += " columns:";
  const char s = sep(separator);
  std::string columns;
  if (statColumn) columns += std::string("stat") + s;
  columns += std::string("tau") + s + "n" + s + "sigma" + s + "lo" + s + "hi";
  if (noiseColumn) columns += std::string(1, s) + "noise";
  return h + " " + columns;
}

std::string pointLine(const Point& p, Separator separator, bool statColumn, bool noiseColumn) {
  const char s = sep(separator);
  std::string line;
  if (statColumn) line += std::string(statisticName(p.statistic)) + s;
  line += numberText(p.tau) + s + std::to_string(p.terms) + s + scientificText(p.sigma) + s +
          scientificText(p.lo) + s + scientificText(p.hi);
  if (noiseColumn) {
    line += s;
    if (p.noise) {
      std::string name(noiseName(p.noise->alpha));
      for (char& c : name)
        if (c == ' ') c = '_';
      line += name.empty() ? "-" : name;
    } else {
      line += "-";
    }
  }
  return line;
}

}  // namespace stability
