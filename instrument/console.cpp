#include "instrument/console.h"

#include <algorithm>
#include <cstring>

#include "core/interaction.h"
#include "measure/texts.h"

namespace instrument {
namespace {

constexpr const char* kAppTitle = "V38XX_AP";

// The text of the first `count` bytes of `buffer`, up to the first zero byte.
std::string textOf(const ViByte* buffer, ViUInt32 count) {
  const char* text = reinterpret_cast<const char*>(buffer);
  return std::string(text, strnlen(text, count));
}

}  // namespace

Console::Console(visa::Library& visa, core::Interaction& interaction, const measure::Texts& texts)
    : visa_(visa), interaction_(interaction), texts_(texts) {}

void Console::setDevices(std::vector<ConsoleDevice> devices) {
  if (devices.size() > static_cast<std::size_t>(kMaxDevices)) devices.resize(kMaxDevices);
  devices_ = std::move(devices);
}

void Console::open() {
  deviceItems_.clear();
  itemDevice_.clear();
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    if (devices_[i].text.empty()) continue;
    deviceItems_.push_back(devices_[i].text);
    itemDevice_.push_back(static_cast<int>(i));
  }
  if (deviceItems_.empty()) {
    selectedItem_ = -1;
    controlsEnabled_ = false;
    currentSession_ = kInvalidSession;
    currentKind_ = InterfaceKind::None;
  } else {
    controlsEnabled_ = true;
    chooseDevice(0);
  }
  sendText_ = std::string(kOpeningCommand);
  receivedText_.clear();
  history_.clear();
  historyVisible_ = false;
}

void Console::chooseDevice(int item) {
  if (item < 0 || item >= static_cast<int>(deviceItems_.size())) return;
  selectedItem_ = item;
  const ConsoleDevice& device = devices_[itemDevice_[item]];
  currentSession_ = device.session;
  currentKind_ = device.kind;
}

void Console::writeCommand() {
  write(sendText_ + "\n");
  receivedText_.clear();
  addHistory(sendText_);
}

void Console::queryCommand() {
  write(sendText_ + "\n");
  receivedText_ = read();
  addHistory(sendText_);
}

void Console::readCommand() { receivedText_ = read(); }

void Console::chooseHistory(int index) {
  if (index < 0 || index >= static_cast<int>(history_.size())) return;
  sendText_ = history_[index];
}

void Console::addHistory(const std::string& text) {
  const auto same = std::find(history_.begin(), history_.end(), text);
  if (same != history_.end()) history_.erase(same);
  history_.insert(history_.begin(), text);
  if (history_.size() > static_cast<std::size_t>(kMaxHistory))
    history_.erase(history_.begin() + kMaxHistory);
  historyVisible_ = true;
}

std::string Console::deviceListText() const {
  if (selectedItem_ < 0) return noDeviceText();
  return deviceItems_[selectedItem_];
}

std::string Console::title() const { return texts_.get("772"); }
std::string Console::sendLabel() const { return texts_.get("773"); }
std::string Console::receivedLabel() const { return texts_.get("774"); }
std::string Console::queryButtonText() const { return texts_.get("775"); }
std::string Console::writeButtonText() const { return texts_.get("776"); }
std::string Console::readButtonText() const { return texts_.get("777"); }
std::string Console::exitButtonText() const { return texts_.get("753"); }
std::string Console::noDeviceText() const { return texts_.get("771"); }

void Console::write(const std::string& command) {
  lastCommand_ = command;
  if (!sendCommand(visa_, allocator_, currentSession_, currentKind_, command)) {
    interaction_.message(std::string(kWriteAllocationFailed), kAppTitle, core::Icon::Error);
    return;
  }
  lastResponse_.clear();
}

std::string Console::read() {
  switch (currentKind_) {
    case InterfaceKind::Usb:
    case InterfaceKind::Tcpip: {
      auto buffer = allocator_.allocate(kAnswerSize + 1);
      if (!buffer) {
        interaction_.message(std::string(kReadAllocationFailed), kAppTitle, core::Icon::Error);
        return lastResponse_;
      }
      ViUInt32 count = 0;
      const ViStatus status = visa_.viRead(currentSession_, buffer.get(), kAnswerSize, &count);
      count = std::min(count, kAnswerSize);
      buffer[count] = 0;
      lastResponse_ = textOf(buffer.get(), count);
      if (currentKind_ == InterfaceKind::Usb && status != VI_SUCCESS) {
        visa_.viClear(currentSession_);
        lastResponse_.clear();
      }
      return lastResponse_;
    }
    case InterfaceKind::Gpib: {
      auto buffer = allocator_.allocate(kGpibReadSize, true);
      if (!buffer) {
        interaction_.message(std::string(kReadAllocationFailed), kAppTitle, core::Icon::Error);
        return lastResponse_;
      }
      visa_.viSetAttribute(currentSession_, VI_ATTR_TMO_VALUE, kGpibTimeoutMs);
      ViUInt32 count = 0;
      visa_.viRead(currentSession_, buffer.get(), kGpibReadSize, &count);
      if (count == 0) visa_.viClear(currentSession_);
      // Handed back through the answer buffer: at most kAnswerSize bytes.
      lastResponse_ = textOf(buffer.get(), std::min(count, kAnswerSize));
      return lastResponse_;
    }
    case InterfaceKind::None:
      break;
  }
  lastResponse_.clear();
  return lastResponse_;
}

}  // namespace instrument
