#include "listctl/list_control.h"

namespace listctl {
namespace {

// The answer's comma-separated fields ("ORVALENT,V3800A,SN,1.1").
std::vector<std::string> fields(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    out.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return out;
    start = comma + 1;
  }
}

}  // namespace

ListControl::ListControl() = default;

void ListControl::IDN(const std::string& sBuffer, const std::string& Addr) {
  Row row;
  row.address = Addr;
  if (sBuffer.empty()) {
    row.manufacturer = "NA:COMMAND ERR";
  } else {
    row.instrument = "Counter";
    const std::vector<std::string> f = fields(sBuffer);
    if (f.size() >= 2) {
      row.name = f[1];
      row.manufacturer = f[0];
    } else {
      // An answer without a comma is still a whole row: the answer is the name.
      row.name = sBuffer;
    }
  }
  rows_.push_back(std::move(row));
}

void ListControl::click(int row) {
  selected_ = row >= 1 && row <= static_cast<int>(rows_.size()) ? row : 0;
  if (selected_ > 0 && rows_[selected_ - 1].address == connectedAddress_) {
    disconnectEnabled_ = true;
    connectEnabled_ = false;
  } else {
    connectEnabled_ = true;
    disconnectEnabled_ = false;
  }
}

void ListControl::mark(int row) {
  if (connectedRow_ >= 1 && connectedRow_ <= static_cast<int>(rows_.size()))
    rows_[connectedRow_ - 1].icon = Icon::Unconnected;
  selected_ = row;
  rows_[row - 1].icon = Icon::Connected;
  connectedRow_ = row;
  connectedAddress_ = rows_[row - 1].address;
  mark_Address = connectedAddress_;
  connectEnabled_ = false;
  disconnectEnabled_ = true;
}

void ListControl::connect() {
  if (selected_ < 1 || selected_ > static_cast<int>(rows_.size())) return;
  lvw_now = static_cast<std::int16_t>(selected_);
  mark(selected_);
}

void ListControl::disconnect() {
  disconnectEnabled_ = false;
  connectEnabled_ = true;
  if (selected_ >= 1 && selected_ <= static_cast<int>(rows_.size()))
    rows_[selected_ - 1].icon = Icon::Unconnected;
  connectedRow_ = -1;
  lvw_now = 0;
  connectedAddress_.clear();
  mark_Address.clear();
  selected_ = 0;
}

std::int16_t ListControl::selmark() {
  if (rows_.empty()) return 0;
  connectEnabled_ = true;
  disconnectEnabled_ = false;
  int found = 0;
  for (int i = 1; i <= static_cast<int>(rows_.size()); ++i)
    if (rows_[i - 1].address == mark_Address) found = i;  // the last match wins
  if (found > 0) {
    lvw_now = static_cast<std::int16_t>(found);
    mark(found);
  } else {
    disconnect();
  }
  return 0;
}

void ListControl::ListClear() {
  rows_.clear();
  selected_ = 0;
  connectEnabled_ = false;
  disconnectEnabled_ = false;
}

}  // namespace listctl
