// The simulated counter's SCPI: the parser on the whole input, then either model (the first
// byte picks it) executing it message by message (one per line, as a raw socket delivers them)
// with every answer read. Nothing may crash, hang or grow without bound.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sim/counter.h"
#include "sim/scpi_parser.h"

namespace {

void drain(sim::Counter& counter) {
  for (int i = 0; i < 64; ++i) {
    const sim::ReadResult r = counter.read(std::chrono::milliseconds(0));
    if (r.status != sim::ReadResult::Status::Ok) return;
    if (r.data.empty() || r.data.back() != '\n') std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // One counter of each model for the whole run, back at power-on for every input; the first
  // byte picks the model, the rest is what the host sends.
  static sim::Counter counters[] = {sim::Counter({sim::Model::V3800A, "", 1}),
                                    sim::Counter({sim::Model::V3820A, "", 1})};
  sim::Counter& counter = counters[data[0] & 1];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  sim::parseProgramMessage(input);
  counter.reset();
  std::string_view rest = input;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end == std::string_view::npos ? end : end + 1);
    rest.remove_prefix(line.size());
    counter.write(line);
    drain(counter);
  }
  counter.externalTrigger();
  drain(counter);
  if (counter.pendingErrors().size() > 30) std::abort();
  return 0;
}
