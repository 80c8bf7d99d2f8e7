#pragma once
// Heap buffers for the instrument I/O. Allocation may fail (the GPIB read asks for a megabyte);
// callers then show their "Insufficient memory available" message. Tests make it fail on
// purpose through the gate.

#include <cstddef>
#include <functional>
#include <memory>

#include "visa/visa_types.h"

namespace instrument {

class BufferAllocator {
 public:
  // Given the number of bytes asked for, says whether the allocation may succeed.
  using Gate = std::function<bool(std::size_t bytes)>;

  void setGate(Gate gate) { gate_ = std::move(gate); }

  // A buffer of `bytes` bytes (zero-filled when `zeroed`), or null when it cannot be had.
  std::unique_ptr<ViByte[]> allocate(std::size_t bytes, bool zeroed = false) const;

 private:
  Gate gate_;
};

}  // namespace instrument
