#pragma once
// VISA resource names of the forms the product meets, parsed into a small typed record:
//   TCPIP[board]::host[::lan device name]::INSTR     (VXI-11; "inst0" when omitted)
//   TCPIP[board]::host::port::SOCKET                  (raw SCPI socket)
//   USB[board]::vendor::product::serial[::interface]::INSTR   (ids hexadecimal or decimal)
//   GPIB[board]::primary[::secondary]::INSTR
// Interface names and INSTR/SOCKET are case-insensitive. The host is a name, an IPv4 address
// or an IPv6 address in brackets (with an optional zone, "[fe80::1%eth0]"); no field holds
// "::" or a single ':' outside those brackets, and a name whose canonical text would not fit
// 255 characters is refused.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace visa {

enum class InterfaceType { Tcpip, Usb, Gpib };
enum class ResourceClass { Instr, Socket };

struct ResourceName {
  InterfaceType interface = InterfaceType::Tcpip;
  ResourceClass resourceClass = ResourceClass::Instr;
  int board = 0;
  // TCPIP
  std::string host;
  std::string lanDeviceName = "inst0";  // INSTR
  std::uint16_t port = 0;               // SOCKET
  // USB
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string serial;
  int usbInterface = -1;  // -1: not given
  // GPIB
  int primaryAddress = 0;
  int secondaryAddress = -1;  // -1: none

  // Canonical text: "TCPIP0::host::inst0::INSTR", "TCPIP0::[::1]::5025::SOCKET",
  // "USB0::0x2B7A::0x0ED8::serial::INSTR", "GPIB0::22::INSTR". It parses again to the same
  // resource and fits VISA's 256-character buffers.
  std::string canonical() const;

  bool operator==(const ResourceName&) const = default;
};

struct ParseResult {
  std::optional<ResourceName> name;
  std::string error;  // why it is not a resource name, quoting the expected syntax
};

ParseResult parseResourceName(std::string_view text);

}  // namespace visa
