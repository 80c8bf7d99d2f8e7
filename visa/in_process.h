#pragma once
// Instruments served inside this process (the simulated counters, test doubles): the builtin
// VISA lists their resource names and opens transports to them next to the real interfaces.
// The VISA layer knows them only through this interface. Whoever offers them registers a
// provider here: the simulator registers its counters in the programs that want them
// (V38XX_AP, libv38xxvisa.so, the tests), so nothing in visa/ depends on the layers above it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "visa/transport.h"

namespace visa {

struct ResourceName;

class InProcessInstruments {
 public:
  virtual ~InProcessInstruments() = default;
  // The resource names viFindRsrc lists, in order.
  virtual std::vector<std::string> resourceNames() const = 0;
  // A new transport (one session) to the instrument `name` names; null when it names none of
  // these instruments.
  virtual std::unique_ptr<Transport> open(const ResourceName& name) = 0;
};

// What the resource file asks of the simulation ([simulation] in visa.conf).
struct SimulationSettings {
  bool enabled = true;
  std::vector<std::string> models = {"V3800A", "V3820A"};  // upper case, in order
  std::uint64_t seed = 1;
};

// Makes the simulated instruments of one builtin library; may return null.
using SimulationProvider =
    std::function<std::shared_ptr<InProcessInstruments>(const SimulationSettings&)>;

// Sets the provider that every BuiltinLibrary created afterwards asks for its simulated
// instruments when simulation is switched on (replacing an earlier one; an empty one removes
// it). Without a provider the builtin VISA serves no simulated instruments.
void registerSimulationProvider(SimulationProvider provider);
SimulationProvider simulationProvider();

}  // namespace visa
