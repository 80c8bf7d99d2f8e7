#include "sim/signal_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text_format.h"

namespace sim {

namespace {

std::vector<InputSignal> defaultSignals(int count) {
  // Slightly off nominal, as real sources are, so that readings show more than zeros.
  const InputSignal all[] = {
      {true, 10.0e6 * (1 + 12.3e-9), 0.40, 3.5e-9, 3.1e-9, 1.1, -0.9},
      {true, 5.0e6 * (1 - 7.1e-9), 0.50, 4.2e-9, 3.8e-9, 0.45, -0.55},
      {true, 1.5e9 * (1 + 3.3e-9), 0.50, 0.1e-9, 0.1e-9, 0.2, -0.2},
  };
  return std::vector<InputSignal>(all, all + std::min(count, 3));
}

}  // namespace

SignalModel::SignalModel(std::uint64_t seed, int inputs)
    : seed_(seed), engine_(seed), inputs_(defaultSignals(inputs)) {}

void SignalModel::reset() {
  engine_.seed(seed_);
  normal_.reset();
  inputs_ = defaultSignals(inputs());
}

InputSignal* SignalModel::input(int number) {
  return number >= 1 && number <= inputs() ? &inputs_[number - 1] : nullptr;
}

const InputSignal* SignalModel::input(int number) const {
  return number >= 1 && number <= inputs() ? &inputs_[number - 1] : nullptr;
}

bool SignalModel::connected(int number) const {
  const InputSignal* in = input(number);
  return in && in->connected && in->frequency > 0;
}

double SignalModel::noise(double sigma) { return sigma * normal_(engine_); }

std::optional<double> SignalModel::measure(const MeasurementSetup& setup) {
  const MeasurementFunction& f = setup.function;
  const bool twoInputs = functionSpec(f.kind).inputs == 2;
  const bool sameInput = f.kind == FunctionKind::TimeInterval && setup.commonInput;
  if (!connected(f.first)) return std::nullopt;
  if (twoInputs && !sameInput && !connected(f.second)) return std::nullopt;

  const InputSignal& a = *input(f.first);
  const double gate = std::max(setup.gateSeconds, 1e-3);
  // Relative resolution of a reciprocal counter: better with a longer gate.
  const double relative = 2e-10 + 1e-10 / gate;
  const double period = 1.0 / a.frequency;
  const double voltageSigma = setup.fastVoltage ? 5e-3 : 1e-3;

  switch (f.kind) {
    case FunctionKind::Frequency:
      return a.frequency * (1 + noise(relative));
    case FunctionKind::Period:
      return period * (1 + noise(relative));
    case FunctionKind::Ratio:
      return a.frequency / input(f.second)->frequency * (1 + noise(1.4 * relative));
    case FunctionKind::RiseTime:
      return a.riseTime + noise(15e-12);
    case FunctionKind::FallTime:
      return a.fallTime + noise(15e-12);
    case FunctionKind::PositiveWidth:
      return a.dutyCycle * period + noise(20e-12);
    case FunctionKind::NegativeWidth:
      return (1 - a.dutyCycle) * period + noise(20e-12);
    case FunctionKind::TimeInterval: {
      if (!sameInput) return 25e-9 + noise(25e-12);
      // Both events on input 1: a whole period between like edges, a width between unlike.
      double interval = period;
      if (setup.firstSlopePositive && !setup.secondSlopePositive) interval = a.dutyCycle * period;
      if (!setup.firstSlopePositive && setup.secondSlopePositive)
        interval = (1 - a.dutyCycle) * period;
      return interval + noise(20e-12);
    }
    case FunctionKind::Phase:
      return 45.0 + noise(0.02);
    case FunctionKind::DutyCycle:
      return 100.0 * a.dutyCycle + noise(0.005);
    case FunctionKind::VoltPeakToPeak:
      return a.maximum - a.minimum + noise(voltageSigma);
    case FunctionKind::VoltMaximum:
      return a.maximum + noise(voltageSigma);
    case FunctionKind::VoltMinimum:
      return a.minimum + noise(voltageSigma);
    case FunctionKind::VoltCenter:
      return (a.maximum + a.minimum) / 2 + noise(voltageSigma);
    case FunctionKind::Totalize:
      if (setup.timedTotalize) return std::round(a.frequency * gate + noise(1.0));
      return std::floor(a.frequency * std::max(setup.totalizeSeconds, 0.0));
  }
  return std::nullopt;
}

std::string formatReading(std::optional<double> value) {
  if (!value || !std::isfinite(*value) || std::fabs(*value) >= 9.9e37) return kOverflowReading;
  char text[64];
  std::snprintf(text, sizeof text, "%+.11E", *value);
  const char* e = std::strchr(text, 'E');
  const int exponent = std::atoi(e + 1);
  return std::string(text, static_cast<size_t>(e - text)) +
         core::format("E%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
}

}  // namespace sim
