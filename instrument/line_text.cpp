#include "instrument/line_text.h"

#include <array>

#include "core/text_format.h"

namespace instrument {
namespace {

// The part of `text` before its first zero byte, as a C text would be read.
std::string_view cText(std::string_view text) {
  const auto nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

std::string_view upTo(std::string_view text, std::string_view separator) {
  const auto end = text.find(separator);
  return end == std::string_view::npos ? text : text.substr(0, end);
}

std::string modelPart(std::string_view answer) {
  const auto firstComma = answer.find(',');
  if (answer.empty() || firstComma == std::string_view::npos) return "Unknow Manufacture";
  const std::string_view rest = answer.substr(firstComma + 1);
  const auto secondComma = rest.find(',');
  if (secondComma == std::string_view::npos) return "Unknow Model";
  return core::toUpper(rest.substr(0, secondComma));
}

// "--USBTMC--<serial>" of a USB resource name, or "" when no product id is recognised.
std::string usbPart(std::string_view name) {
  const std::string upper = core::toUpper(name);
  static constexpr std::array<std::string_view, 4> kMarks = {"0X0ED8", "0X0EEC", "3800", "3820"};
  for (const std::string_view mark : kMarks) {
    const auto at = upper.find(mark);
    if (at == std::string::npos || at == 0) continue;
    // The serial field follows the product id and its "::" ("0X0ED8::", "3800::").
    const std::size_t start = at + mark.size() + 2;
    const std::string_view serial =
        start < upper.size() ? upTo(std::string_view(upper).substr(start), "::") : "";
    return "--USBTMC--" + std::string(serial);
  }
  return "";
}

// The primary (and secondary) address of "GPIB0::22::INSTR": between the first "::" and the
// "::" before the last field.
std::string gpibAddress(std::string_view name) {
  const auto first = name.find("::");
  const auto lastColon = name.rfind(':');
  if (first == std::string_view::npos || lastColon == std::string_view::npos ||
      lastColon < first + 3)
    return "";
  return std::string(name.substr(first + 2, lastColon - first - 3));
}

std::string tcpipAddress(std::string_view name) {
  const auto first = name.find("::");
  if (first == std::string_view::npos) return "";
  return std::string(upTo(name.substr(first + 2), "::"));
}

}  // namespace

std::string BuildLineText(std::string_view answer, std::string_view name) {
  answer = cText(answer);
  name = cText(name);
  std::string line = modelPart(answer);
  const std::string upperName = core::toUpper(name);
  if (upperName.starts_with("USB")) {
    line += usbPart(name);
  } else if (upperName.find("GPIB") != std::string::npos) {
    line += "--GPIB--" + gpibAddress(name);
  } else if (upperName.find("TCPIP") != std::string::npos) {
    line += "--TCPIP--" + tcpipAddress(name);
  }
  return line;
}

}  // namespace instrument
