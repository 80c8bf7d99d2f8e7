#pragma once
// The simulated counters as instruments of the builtin VISA, served in this process under
// their USB-form resource names ("USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR"). Each VISA session
// is a link of its counter, with its own answers; each write is one message, each answer ends
// with END, as on USBTMC.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/counter.h"
#include "visa/in_process.h"

namespace visa {
class BuiltinLibrary;
}

namespace sim {

class InProcessCounters final : public visa::InProcessInstruments {
 public:
  // One counter per model named (V3800A, V3820A; others are skipped); a second counter of the
  // same model gets serial SIM3800A02, and so on. Counter n gets noise seed `seed` + n.
  explicit InProcessCounters(const visa::SimulationSettings& settings);

  std::vector<std::string> resourceNames() const override;
  std::unique_ptr<visa::Transport> open(const visa::ResourceName& name) override;

  // The counter behind a resource name (any accepted spelling of it); null for none.
  Counter* counter(std::string_view resourceName) const;

 private:
  Counter* counterFor(const visa::ResourceName& name) const;
  std::vector<std::unique_ptr<Counter>> counters_;
};

// Makes every builtin VISA library created from now on serve the simulated counters when its
// options switch simulation on (visa.conf's [simulation] enabled). Programs that want the
// simulated counters call it once at start; linking v38xx_sim_visa_registration does it too.
void registerInProcessCounters();

// For tests and tools: the simulated counter behind `resourceName` in `library`, to inject
// faults or look at its state; null when the library serves no such counter.
Counter* simulatedCounter(const visa::BuiltinLibrary& library, std::string_view resourceName);

}  // namespace sim
