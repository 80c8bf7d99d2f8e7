#include "instrument/tcpip_address_data.h"

#include <cctype>

#include "core/text_format.h"
#include "measure/texts.h"

namespace instrument {

std::string fieldLabel(const measure::Texts& texts, int field) {
  return measure::fillIn(texts.get("1114"), {std::to_string(field + 1)});
}

std::string invalidAddressMessage(const measure::Texts& texts, int field, const std::string& text) {
  return measure::fillIn(texts.get("1111"), {fieldLabel(texts, field), text});
}

TcpipAddressData::Addresses TcpipAddressData::fieldTexts() const {
  Addresses fields = addresses_;
  for (int i = 1; i < kCount; ++i)
    if (fields[i] == kNoAddress) fields[i].clear();
  return fields;
}

bool TcpipAddressData::accept(const Addresses& fields, int* badField) {
  Addresses taken;
  for (int i = 0; i < kCount; ++i) {
    if (fields[i].find_first_not_of(" \t\r\n") == std::string::npos) {
      taken[i] = std::string(kNoAddress);
      continue;
    }
    taken[i] = normalize(fields[i]);
    if (taken[i].empty()) {
      if (badField) *badField = i;
      return false;
    }
  }
  addresses_ = taken;
  return true;
}

std::string TcpipAddressData::normalize(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  int octets[4];
  int count = 0;
  std::size_t pos = 0;
  while (count < 4) {
    int value = 0;
    int digits = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
      value = value * 10 + (text[pos] - '0');
      if (++digits > 3) return "";
      ++pos;
    }
    if (digits == 0 || value > 255) return "";
    octets[count++] = value;
    if (count < 4) {
      if (pos >= text.size() || text[pos] != '.') return "";
      ++pos;
    }
  }
  if (pos != text.size()) return "";
  return core::format("%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
}

}  // namespace instrument
