#pragma once
// Readings of a recording turned into what the stability statistics work on: the phase (time
// error) of the source at the reading interval tau0, with the readings that are not
// measurements kept apart as gaps.
//
// A frequency or period reading becomes fractional frequency y = (f - f0) / f0 (a period P
// gives y = (P0 - P) / P), f0 being the nominal value given or the mean of the readings. The
// fractional frequencies are summed into phase, x[k+1] = x[k] + y[k] * tau0. Gaps are the
// counter's overflow answers (+-9.91E+37 and beyond), anything that is not a finite number,
// and for frequency and period readings a value of exactly 0 (what an answer without a number
// is stored as).

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace stability {

// Readings at or beyond this magnitude are the counter's overflow answers.
inline constexpr double kOverflowLimit = 9.91e36;

enum class InputKind {
  Frequency,   // readings in Hz
  Period,      // readings in seconds, one period each
  Fractional,  // fractional frequency, dimensionless
  Phase,       // time error in seconds
};

std::string_view inputKindName(InputKind kind);  // "frequency", "period", ...
std::optional<InputKind> parseInputKind(std::string_view name);

// True when `reading` of `kind` is a measurement and not a gap.
bool isMeasurement(double reading, InputKind kind);

// Phase points at spacing tau0 with the gaps marked for the statistics.
//
// A phase series made from frequency data is finite everywhere; each frequency gap k (between
// x[k] and x[k+1]) is listed in `breaks`, and a term of a statistic that spans a break is left
// out. A phase series given as phase keeps its gaps as NaN points, and a term that uses a NaN
// point is left out. Gaps at the start and the end are dropped (they still count as gaps).
struct PhaseSeries {
  std::vector<double> x;
  std::vector<std::size_t> breaks;  // ascending; frequency-derived series only
  bool fromFrequency = true;
  double tau0 = 1.0;            // seconds between readings
  std::size_t readings = 0;     // readings given, gaps included
  std::size_t gaps = 0;         // readings that were gaps
  double nominal = 0.0;         // f0 or P0 of the conversion; 0 when none was made
  double meanFractional = 0.0;  // mean fractional frequency of the measurements (frequency-derived)

  // Phase points; a frequency series of n readings has n + 1.
  std::size_t size() const { return x.size(); }
  bool hasGaps() const { return !breaks.empty() || (!fromFrequency && gaps > 0); }
};

struct Conversion {
  InputKind kind = InputKind::Frequency;
  std::optional<double> nominal;  // frequency or period readings: f0 or P0; the mean when unset
  double tau0 = 1.0;
};

// Converts `readings` (moved in; its storage becomes the phase array, so a caller that reserves
// one element more avoids a copy) into a phase series. Throws std::invalid_argument for a tau0
// that is not a positive number, a nominal value that is not a positive number, or fewer than
// two measurements.
PhaseSeries toPhase(std::vector<double>&& readings, const Conversion& conversion);

}  // namespace stability
