#include "addin/forms/connect_form.h"

#include <algorithm>

namespace addin::forms {
namespace {

constexpr int kKeptAddresses = 16;

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::vector<std::string> addressLines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = trim(text.substr(start, end - start));
    if (!line.empty()) out.push_back(line);
    start = end + 1;
  }
  return out;
}

ConnectForm::ConnectForm(Server& server, listctl::ListControl& list)
    : server_(server), list_(list) {}

std::vector<std::string> ConnectForm::typedAddresses() {
  std::vector<std::string> out;
  for (int i = 0; i < kKeptAddresses; ++i) {
    const std::string a = server_.LoadSetting("LanAddress" + std::to_string(i), "");
    if (!a.empty()) out.push_back(a);
  }
  return out;
}

int ConnectForm::find(const std::vector<std::string>& typed) {
  for (int i = 0; i < kKeptAddresses; ++i)
    server_.SaveSetting("LanAddress" + std::to_string(i),
                        i < static_cast<int>(typed.size()) ? typed[i] : "");
  server_.setIIDevCounts(0);
  // The kept slots are all written, so addresses removed since the last Find are not probed.
  const int slots = std::min(255, std::max(kKeptAddresses, static_cast<int>(typed.size())));
  for (int slot = 0; slot < slots; ++slot)
    server_.FindTCPIPDevice(static_cast<std::int16_t>(slot),
                            slot < static_cast<int>(typed.size()) ? typed[slot] : "");
  server_.FindDevice();
  refill();
  return server_.IIDevCounts();
}

void ConnectForm::refill() {
  list_.ListClear();
  const std::int16_t rows = std::clamp<std::int16_t>(server_.IIDevCounts(), 0, 256);
  for (std::int16_t i = 0; i < rows; ++i) {
    server_.GetIDN(i);
    list_.IDN(server_.IIDNStr(), server_.IIDNAddr());
  }
  list_.selmark();
  if (list_.lvw_now > 0) {
    // The connected instrument was found again: its new session is the work session.
    server_.GetIDN(static_cast<std::int16_t>(list_.lvw_now - 1));
    server_.setIWKSesn(server_.IIDNSesn());
  } else {
    server_.setIWKSesn(0);  // it is gone
  }
}

void ConnectForm::connect() {
  list_.connect();
  if (list_.lvw_now < 1) return;
  server_.GetIDN(static_cast<std::int16_t>(list_.lvw_now - 1));
  server_.setIWKSesn(server_.IIDNSesn());
}

void ConnectForm::disconnect() {
  list_.disconnect();
  server_.setIWKSesn(0);
}

}  // namespace addin::forms
