#include "instrument/buffer_allocator.h"

#include <cstring>
#include <new>

namespace instrument {

std::unique_ptr<ViByte[]> BufferAllocator::allocate(std::size_t bytes, bool zeroed) const {
  if (gate_ && !gate_(bytes)) return nullptr;
  std::unique_ptr<ViByte[]> buffer(new (std::nothrow) ViByte[bytes]);
  if (buffer && zeroed) std::memset(buffer.get(), 0, bytes);
  return buffer;
}

}  // namespace instrument
