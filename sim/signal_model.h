#pragma once
// The signals on the simulated counter's inputs and what the counter measures on them: a
// 10 MHz square wave on input 1, 5 MHz on input 2 and 1.5 GHz on the prescaled input 3, with
// edges, duty cycle and voltage levels, and a seeded noise source so that a run can be
// repeated reading for reading. Also the counter's answer format for readings.

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/measurement_function.h"

namespace sim {

struct InputSignal {
  bool connected = true;
  double frequency = 0;    // Hz
  double dutyCycle = 0.5;  // fraction of the period spent high
  double riseTime = 0;     // s, 10 % to 90 %
  double fallTime = 0;     // s
  double maximum = 0;      // V
  double minimum = 0;      // V
};

// How the counter is set up for one reading, taken from its settings.
struct MeasurementSetup {
  MeasurementFunction function;
  double gateSeconds = 0.1;  // frequency gate / timed totalize gate
  bool timedTotalize = true;
  double totalizeSeconds = 0;  // time since a totalize without gate started counting
  bool fastVoltage = false;
  bool commonInput = false;  // the second channel's events come from input 1
  bool firstSlopePositive = true;
  bool secondSlopePositive = true;
};

class SignalModel {
 public:
  SignalModel(std::uint64_t seed, int inputs);

  // Back to the default signals and the start of the noise sequence.
  void reset();
  int inputs() const { return static_cast<int>(inputs_.size()); }
  // Inputs are numbered from 1; nullptr outside 1..inputs().
  InputSignal* input(int number);
  const InputSignal* input(int number) const;

  // One reading; nothing when an input the function needs carries no signal.
  std::optional<double> measure(const MeasurementSetup& setup);

 private:
  double noise(double sigma);
  bool connected(int number) const;

  std::uint64_t seed_;
  std::mt19937_64 engine_;
  std::normal_distribution<double> normal_{0.0, 1.0};
  std::vector<InputSignal> inputs_;
};

// The counter's answer for a reading without its line feed: "+1.00000012345E+007" (sign, one
// digit, point, 11 digits, E, sign, three exponent digits); "9.91E+37" when there is none.
std::string formatReading(std::optional<double> value);
inline constexpr const char* kOverflowReading = "9.91E+37";

}  // namespace sim
