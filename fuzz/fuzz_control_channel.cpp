// The simulated counter's control channel: one command per line; every reply is "ok..." or
// "error ...", and the faults it sets apply without waiting.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/control_channel.h"
#include "sim/counter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static sim::Counter counter;
  static sim::ControlChannel control(counter);
  counter.reset();
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    const std::string reply = control.execute(line);
    if (reply.rfind("ok", 0) != 0 && reply.rfind("error ", 0) != 0) std::abort();
  }
  counter.write("*IDN?\n");
  counter.read(std::chrono::milliseconds(0));
  return 0;
}
