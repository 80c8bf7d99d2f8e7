#include "visa/in_process.h"

#include <mutex>

namespace visa {

namespace {

struct Registry {
  std::mutex mutex;
  SimulationProvider provider;
};

// Built at first use, so registration from another file's static initialiser is safe.
Registry& registry() {
  static Registry* instance = new Registry;
  return *instance;
}

}  // namespace

void registerSimulationProvider(SimulationProvider provider) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.provider = std::move(provider);
}

SimulationProvider simulationProvider() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.provider;
}

}  // namespace visa
