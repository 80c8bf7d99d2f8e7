#pragma once
// Heap buffers for the instrument I/O. Allocation may fail (the GPIB read asks for a megabyte);
// callers then show their "Insufficient memory available" message. Tests make it fail on
// purpose through the gate.

#include <cstddef>
#include <functional>
#include <memory>

#include <string>
#include <string_view>

#include "instrument/device_entry.h"
#include "visa/visa_types.h"

namespace visa {
class Library;
}

namespace instrument {

// What the main window and the console show when a buffer cannot be had.
inline constexpr std::string_view kWriteAllocationFailed =
    "Insufficient memory available(viWrite).";
inline constexpr std::string_view kReadAllocationFailed = "Insufficient memory available(viRead).";

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

// The write of the main window and of the console: the command's bytes exactly, its length as
// the count, from a heap copy with room for a terminating zero, on `session` of interface
// `kind` (no interface: nothing is sent). False when the copy could not be allocated; nothing
// is sent then and the caller shows its message. The write status is not examined: a failure
// surfaces on the following read.
bool sendCommand(visa::Library& visa, const BufferAllocator& allocator, ViSession session,
                 InterfaceKind kind, const std::string& command);

}  // namespace instrument
