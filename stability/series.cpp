#include "stability/series.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace stability {

std::string_view inputKindName(InputKind kind) {
  switch (kind) {
    case InputKind::Frequency:
      return "frequency";
    case InputKind::Period:
      return "period";
    case InputKind::Fractional:
      return "fractional";
    case InputKind::Phase:
      return "phase";
  }
  return "frequency";
}

std::optional<InputKind> parseInputKind(std::string_view name) {
  for (InputKind k :
       {InputKind::Frequency, InputKind::Period, InputKind::Fractional, InputKind::Phase}) {
    if (name == inputKindName(k)) return k;
  }
  return std::nullopt;
}

bool isMeasurement(double reading, InputKind kind) {
  if (!std::isfinite(reading) || std::fabs(reading) >= kOverflowLimit) return false;
  if ((kind == InputKind::Frequency || kind == InputKind::Period) && reading == 0.0) return false;
  return true;
}

namespace {

void requirePositive(double value, const char* what) {
  if (!(value > 0.0) || !std::isfinite(value)) {
    throw std::invalid_argument(std::string(what) + " must be a positive number");
  }
}

}  // namespace

PhaseSeries toPhase(std::vector<double>&& readings, const Conversion& conversion) {
  requirePositive(conversion.tau0, "tau0");
  PhaseSeries s;
  s.tau0 = conversion.tau0;
  s.readings = readings.size();
  s.fromFrequency = conversion.kind != InputKind::Phase;
  const InputKind kind = conversion.kind;

  // Gaps at either end carry no information: drop them.
  std::size_t first = 0;
  std::size_t last = readings.size();
  while (first < last && !isMeasurement(readings[first], kind)) ++first;
  while (last > first && !isMeasurement(readings[last - 1], kind)) --last;
  std::size_t measurements = 0;
  double sum = 0.0;
  for (std::size_t i = first; i < last; ++i) {
    if (isMeasurement(readings[i], kind)) {
      ++measurements;
      sum += readings[i];
    }
  }
  s.gaps = readings.size() - measurements;
  if (measurements < 2) {
    throw std::invalid_argument("fewer than two readings are measurements (" +
                                std::to_string(measurements) + " of " +
                                std::to_string(readings.size()) + ")");
  }
  readings.erase(readings.begin() + static_cast<std::ptrdiff_t>(last), readings.end());
  readings.erase(readings.begin(), readings.begin() + static_cast<std::ptrdiff_t>(first));
  const std::size_t n = readings.size();

  if (kind == InputKind::Phase) {
    for (double& v : readings) {
      if (!isMeasurement(v, kind)) v = std::nan("");
    }
    s.x = std::move(readings);
    return s;
  }

  // Fractional frequency; the mean is taken again on the converted values.
  if (kind == InputKind::Frequency || kind == InputKind::Period) {
    const double nominal = conversion.nominal ? *conversion.nominal : sum / measurements;
    requirePositive(nominal, "the nominal value");
    s.nominal = nominal;
    for (double& v : readings) {
      if (!isMeasurement(v, kind)) {
        v = std::nan("");
        continue;
      }
      v = kind == InputKind::Frequency ? (v - nominal) / nominal : (nominal - v) / v;
    }
  }
  double ySum = 0.0;
  for (double v : readings) {
    if (isMeasurement(v, InputKind::Fractional)) ySum += v;
  }
  // Every statistic here ignores a constant frequency offset; summing the deviations from the
  // mean keeps the phase small and its differences exact.
  const double mean = ySum / measurements;
  s.meanFractional = mean;

  // Phase in place: x[k] = sum of y[0..k) * tau0, a gap adding nothing and breaking the series.
  double phase = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double y = readings[k];
    readings[k] = phase;
    if (isMeasurement(y, InputKind::Fractional)) {
      phase += (y - mean) * s.tau0;
    } else {
      s.breaks.push_back(k);
    }
  }
  readings.push_back(phase);
  s.x = std::move(readings);
  return s;
}

}  // namespace stability
