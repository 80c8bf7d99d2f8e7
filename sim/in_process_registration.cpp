// Linked (as an object, never dropped by the linker) into the programs and libraries that
// offer the simulated counters through the builtin VISA without a start-up call of their own:
// libv38xxvisa.so, which pyvisa and other VISA clients load, and the test programs.

#include "sim/in_process_counters.h"

namespace {

[[maybe_unused]] const bool registered = [] {
  sim::registerInProcessCounters();
  return true;
}();

}  // namespace
