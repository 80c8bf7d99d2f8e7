#pragma once
// One instrument found by discovery and the values that say which interface reaches it and
// which model answered its identification.

#include <cstdint>
#include <string>
#include <string_view>

#include "visa/visa_types.h"

namespace instrument {

// How an instrument is reached; selects the write and read variant. The numbers are the ones
// the device list and the console's device table carry.
enum class InterfaceKind : std::int32_t { None = 0, Tcpip = 1, Gpib = 2, Usb = 4 };

struct DeviceEntry {
  InterfaceKind kind = InterfaceKind::None;
  std::int32_t index = 0;  // slot of the session in the session table of that kind
  std::string name;        // VISA resource name the session was opened for (USB: hexadecimal form)
  friend bool operator==(const DeviceEntry&, const DeviceEntry&) = default;
};

// The session value meaning "no instrument selected" (all bits set).
inline constexpr ViSession kInvalidSession = static_cast<ViSession>(-1);

// ModelCode: which counter is selected; it picks the panel variant and the command program.
inline constexpr std::string_view kModelNone = "0";
inline constexpr std::string_view kModelFull = "3800";     // V3800A
inline constexpr std::string_view kModelCompact = "3820";  // V3820A

// The default VISA time-out of every instrument session, in milliseconds.
inline constexpr int kDefaultIoTimeoutMs = 15000;

}  // namespace instrument
