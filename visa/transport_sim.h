#pragma once
// A simulated counter served in-process: the USB-form resources of the simulated V3800A and
// V3820A. Each write is one message to the counter; each answer message ends with END, as on
// USBTMC.

#include <string>

#include "visa/transport.h"

namespace sim {
class Counter;
}

namespace visa {

class SimTransport final : public Transport {
 public:
  explicit SimTransport(sim::Counter& counter) : counter_(counter) {}

  ViStatus write(const ViByte* data, ViUInt32 count, ViUInt32* written, Timeout timeout) override;
  ViStatus read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) override;
  ViStatus clear(Timeout timeout) override;
  ViStatus controlRen(ViUInt16 mode) override;

 private:
  sim::Counter& counter_;
  std::string pending_;  // rest of the answer message being read
};

}  // namespace visa
