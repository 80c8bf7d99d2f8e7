#pragma once
// What the TCP/IP Address dialog edits: four typed IPv4 addresses of LAN instruments that the
// VISA resource search cannot find by itself. "0.0.0.0" means "no address".

#include <array>
#include <string>
#include <string_view>

namespace measure {
class Texts;
}

namespace instrument {

inline constexpr std::string_view kNoAddress = "0.0.0.0";

// The label of field i (0 to 3): "IP 1:" to "IP 4:" in the window's language.
std::string fieldLabel(const measure::Texts& texts, int field);
// The message refusing the text of field i: it names the field and quotes the text.
std::string invalidAddressMessage(const measure::Texts& texts, int field, const std::string& text);

class TcpipAddressData {
 public:
  static constexpr int kCount = 4;
  using Addresses = std::array<std::string, kCount>;

  TcpipAddressData() { addresses_.fill(std::string(kNoAddress)); }
  explicit TcpipAddressData(Addresses addresses) : addresses_(std::move(addresses)) {}

  const Addresses& addresses() const { return addresses_; }

  // The texts the four fields "IP 1:" to "IP 4:" show when the dialog opens: address 1 always,
  // addresses 2 to 4 only when they are not "0.0.0.0" (the field is empty otherwise).
  Addresses fieldTexts() const;

  // The OK button: takes the four field texts into the copy. A blank field means "no address"
  // ("0.0.0.0"); the others must be dotted IPv4 addresses and are kept in their plain form
  // ("192.168.000.005" becomes "192.168.0.5"). Returns false and changes nothing when a field
  // holds something else; `badField` then names the first such field (0 to 3).
  bool accept(const Addresses& fields, int* badField = nullptr);

  // A dotted IPv4 address (four decimal numbers 0 to 255) in its plain form, or "" when `text`
  // is not one. Surrounding blanks are ignored.
  static std::string normalize(std::string_view text);

 private:
  Addresses addresses_;
};

}  // namespace instrument
