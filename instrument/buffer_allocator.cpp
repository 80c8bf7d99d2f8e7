#include "instrument/buffer_allocator.h"

#include <cstring>
#include <new>

#include "visa/library.h"

namespace instrument {

std::unique_ptr<ViByte[]> BufferAllocator::allocate(std::size_t bytes, bool zeroed) const {
  if (gate_ && !gate_(bytes)) return nullptr;
  std::unique_ptr<ViByte[]> buffer(new (std::nothrow) ViByte[bytes]);
  if (buffer && zeroed) std::memset(buffer.get(), 0, bytes);
  return buffer;
}

bool sendCommand(visa::Library& visa, const BufferAllocator& allocator, ViSession session,
                 InterfaceKind kind, const std::string& command) {
  auto buffer = allocator.allocate(command.size() + 1);
  if (!buffer) return false;
  std::memcpy(buffer.get(), command.data(), command.size());
  buffer[command.size()] = 0;
  switch (kind) {
    case InterfaceKind::Usb:
    case InterfaceKind::Tcpip:
    case InterfaceKind::Gpib: {
      // The GPIB variant's wide-string round trip leaves the bytes as they are.
      ViUInt32 written = 0;
      visa.viWrite(session, buffer.get(), static_cast<ViUInt32>(command.size()), &written);
      break;
    }
    case InterfaceKind::None:
      break;
  }
  return true;
}

}  // namespace instrument
