#include "visa/resource_name.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cctype>
#include <charconv>
#include <vector>

#include "core/text_format.h"

namespace visa {

namespace {

constexpr const char* kTcpipSyntax =
    "TCPIP[board]::host address[::LAN device name][::INSTR] or "
    "TCPIP[board]::host address::port::SOCKET";
constexpr const char* kUsbSyntax =
    "USB[board]::manufacturer ID::model code::serial number[::USB interface number][::INSTR]";
constexpr const char* kGpibSyntax = "GPIB[board]::primary address[::secondary address][::INSTR]";

constexpr size_t kMaxNameLength = 256;  // VI_FIND_BUFLEN, with the terminating zero

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// The name as it may be quoted in a message: printable ASCII only, at most 80 characters.
std::string quoted(std::string_view text) {
  std::string out = "\"";
  const size_t limit = 80;
  for (size_t i = 0; i < text.size() && i < limit; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  if (text.size() > limit) out += "...";
  out += "\"";
  return out;
}

// Decimal number without sign, at most `max`.
std::optional<unsigned> decimal(std::string_view text, unsigned max) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  unsigned long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > max) return std::nullopt;
  return static_cast<unsigned>(value);
}

// A USB id: "0x2B7A" (hexadecimal, either case of x) or "11130" (decimal), 16 bits.
std::optional<std::uint16_t> usbId(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    if (digits.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : digits) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
      value = value * 16 +
              static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                        ? c - '0'
                                        : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    }
    return static_cast<std::uint16_t>(value);
  }
  if (auto v = decimal(text, 0xFFFF)) return static_cast<std::uint16_t>(*v);
  return std::nullopt;
}

// A field between separators: printable, without blanks and without ':' (which a canonical
// name could not carry back).
bool printableField(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F || c == ':') return false;
  }
  return true;
}

bool validHostName(std::string_view host) {
  if (host.empty()) return false;
  for (char c : host) {
    const auto u = static_cast<unsigned char>(c);
    if (!(std::isalnum(u) || c == '.' || c == '-' || c == '_')) return false;
  }
  return true;
}

// What brackets enclose: an IPv6 address, optionally with a zone ("fe80::1%eth0").
bool validIpv6Host(std::string_view host) {
  const size_t percent = host.find('%');
  const std::string address(host.substr(0, percent));
  in6_addr parsed{};
  if (::inet_pton(AF_INET6, address.c_str(), &parsed) != 1) return false;
  return percent == std::string_view::npos || validHostName(host.substr(percent + 1));
}

// Splits at every "::". The host (the first field here) may be an IPv6 address in brackets,
// whose own colons must not split it, so a host that opens a bracket runs to the closing one.
bool splitFields(std::string_view text, std::vector<std::string_view>* fields) {
  size_t pos = 0;
  while (true) {
    size_t end;
    if (pos == 0 && !text.empty() && text[0] == '[') {
      const size_t close = text.find(']', pos);
      if (close == std::string_view::npos) return false;
      end = text.find("::", close);
    } else {
      end = text.find("::", pos);
    }
    if (end == std::string_view::npos) {
      fields->push_back(text.substr(pos));
      return true;
    }
    fields->push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
}

ParseResult failure(std::string message) {
  ParseResult r;
  r.error = std::move(message);
  return r;
}

ParseResult success(ResourceName name) {
  ParseResult r;
  r.name = std::move(name);
  return r;
}

ParseResult parseTcpip(std::string_view whole, const std::vector<std::string_view>& f,
                       ResourceName name) {
  auto fail = [&](const std::string& why) {
    return failure(quoted(whole) + " is not a valid TCPIP resource name (" + why + "); expected " +
                   kTcpipSyntax);
  };
  if (f.size() < 2 || f.size() > 4) return fail("wrong number of fields");
  std::string_view host = f[1];
  if (!host.empty() && host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return fail("malformed bracketed host address");
    host = host.substr(1, host.size() - 2);
    if (!validIpv6Host(host)) return fail("brackets must enclose an IPv6 address");
  } else if (!validHostName(host)) {
    return fail("missing or malformed host address");
  }
  name.host = std::string(host);

  const std::string_view last = f.back();
  if (f.size() > 2 && equalsNoCase(last, "SOCKET")) {
    if (f.size() != 4) return fail("a SOCKET resource needs a port");
    const auto port = decimal(f[2], 65535);
    if (!port || *port == 0) return fail("port must be a number from 1 to 65535");
    name.resourceClass = ResourceClass::Socket;
    name.port = static_cast<std::uint16_t>(*port);
    return success(std::move(name));
  }
  name.resourceClass = ResourceClass::Instr;
  size_t deviceField = 0;  // index of the LAN device name field, 0 when absent
  if (f.size() == 4) {
    if (!equalsNoCase(last, "INSTR")) return fail("resource class must be INSTR or SOCKET");
    deviceField = 2;
  } else if (f.size() == 3 && !equalsNoCase(last, "INSTR")) {
    deviceField = 2;
  }
  if (deviceField) {
    if (!printableField(f[deviceField])) return fail("malformed LAN device name");
    name.lanDeviceName = std::string(f[deviceField]);
  }
  return success(std::move(name));
}

ParseResult parseUsb(std::string_view whole, const std::vector<std::string_view>& f,
                     ResourceName name) {
  auto fail = [&](const std::string& why) {
    return failure(quoted(whole) + " is not a valid USB resource name (" + why + "); expected " +
                   kUsbSyntax);
  };
  std::vector<std::string_view> fields = f;
  if (fields.size() >= 5 && equalsNoCase(fields.back(), "INSTR")) fields.pop_back();
  if (fields.size() == 5 && equalsNoCase(fields.back(), "RAW"))
    return fail("only the INSTR class is supported");
  if (fields.size() < 4 || fields.size() > 5) return fail("wrong number of fields");
  if (fields.size() == 4 && equalsNoCase(fields[3], "INSTR")) return fail("serial number missing");
  const auto vendor = usbId(fields[1]);
  if (!vendor) return fail("manufacturer ID must be 0x0000 to 0xFFFF or 0 to 65535");
  const auto product = usbId(fields[2]);
  if (!product) return fail("model code must be 0x0000 to 0xFFFF or 0 to 65535");
  if (!printableField(fields[3])) return fail("missing or malformed serial number");
  name.vendorId = *vendor;
  name.productId = *product;
  name.serial = std::string(fields[3]);
  if (fields.size() == 5) {
    const auto intf = decimal(fields[4], 255);
    if (!intf) return fail("USB interface number must be 0 to 255");
    name.usbInterface = static_cast<int>(*intf);
  }
  name.resourceClass = ResourceClass::Instr;
  return success(std::move(name));
}

ParseResult parseGpib(std::string_view whole, const std::vector<std::string_view>& f,
                      ResourceName name) {
  auto fail = [&](const std::string& why) {
    return failure(quoted(whole) + " is not a valid GPIB resource name (" + why + "); expected " +
                   kGpibSyntax);
  };
  std::vector<std::string_view> fields = f;
  if (fields.size() >= 3 && equalsNoCase(fields.back(), "INSTR")) fields.pop_back();
  if (fields.size() == 2 && equalsNoCase(fields.back(), "INTFC"))
    return fail("only the INSTR class is supported");
  if (fields.size() < 2 || fields.size() > 3) return fail("wrong number of fields");
  const auto primary = decimal(fields[1], 30);
  if (!primary) return fail("primary address must be 0 to 30");
  name.primaryAddress = static_cast<int>(*primary);
  if (fields.size() == 3) {
    const auto secondary = decimal(fields[2], 30);
    if (!secondary) return fail("secondary address must be 0 to 30");
    name.secondaryAddress = static_cast<int>(*secondary);
  }
  name.resourceClass = ResourceClass::Instr;
  return success(std::move(name));
}

}  // namespace

std::string ResourceName::canonical() const {
  const std::string prefix = [&] {
    switch (interface) {
      case InterfaceType::Tcpip:
        return std::string("TCPIP");
      case InterfaceType::Usb:
        return std::string("USB");
      case InterfaceType::Gpib:
        break;
    }
    return std::string("GPIB");
  }() + std::to_string(board);
  switch (interface) {
    case InterfaceType::Tcpip: {
      const std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
      if (resourceClass == ResourceClass::Socket)
        return prefix + "::" + h + "::" + std::to_string(port) + "::SOCKET";
      return prefix + "::" + h + "::" + lanDeviceName + "::INSTR";
    }
    case InterfaceType::Usb: {
      std::string s = prefix + core::format("::0x%04X::0x%04X::", vendorId, productId) + serial;
      if (usbInterface >= 0) s += "::" + std::to_string(usbInterface);
      return s + "::INSTR";
    }
    case InterfaceType::Gpib:
      break;
  }
  std::string s = prefix + "::" + std::to_string(primaryAddress);
  if (secondaryAddress >= 0) s += "::" + std::to_string(secondaryAddress);
  return s + "::INSTR";
}

ParseResult parseResourceName(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  const std::string anyForm =
      std::string("expected ") + kTcpipSyntax + ", " + kUsbSyntax + " or " + kGpibSyntax;
  if (text.empty()) return failure("Empty resource name; " + anyForm);

  ResourceName name;
  size_t prefixLength;
  if (startsWithNoCase(text, "TCPIP")) {
    name.interface = InterfaceType::Tcpip;
    prefixLength = 5;
  } else if (startsWithNoCase(text, "USB")) {
    name.interface = InterfaceType::Usb;
    prefixLength = 3;
  } else if (startsWithNoCase(text, "GPIB")) {
    name.interface = InterfaceType::Gpib;
    prefixLength = 4;
  } else {
    return failure(quoted(text) + " names no supported interface; " + anyForm);
  }

  const size_t firstSeparator = text.find("::");
  const std::string_view boardText = text.substr(
      prefixLength, firstSeparator == std::string_view::npos ? std::string_view::npos
                                                             : firstSeparator - prefixLength);
  if (!boardText.empty()) {
    const auto board = decimal(boardText, 65535);
    if (!board)
      return failure(quoted(text) + " has a malformed board number after the interface name; " +
                     anyForm);
    name.board = static_cast<int>(*board);
  }
  if (firstSeparator == std::string_view::npos)
    return failure(quoted(text) + " is missing the address fields; " + anyForm);

  std::vector<std::string_view> fields;
  fields.push_back(text.substr(0, firstSeparator));
  if (!splitFields(text.substr(firstSeparator + 2), &fields))
    return failure(quoted(text) + " has an unclosed '[' in its host address; " + anyForm);

  ParseResult result;
  switch (name.interface) {
    case InterfaceType::Tcpip:
      result = parseTcpip(text, fields, std::move(name));
      break;
    case InterfaceType::Usb:
      result = parseUsb(text, fields, std::move(name));
      break;
    case InterfaceType::Gpib:
      result = parseGpib(text, fields, std::move(name));
      break;
  }
  // VISA hands names back in buffers of 256 characters: a longer one could not round-trip.
  if (result.name && result.name->canonical().size() >= kMaxNameLength)
    return failure(quoted(text) + " is too long: a resource name has at most " +
                   std::to_string(kMaxNameLength - 1) + " characters");
  return result;
}

}  // namespace visa
