#include "instrument/console.h"

#include <algorithm>
#include <cstring>

#include "core/interaction.h"
#include "instrument/queued_library.h"
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

Console::Console(visa::Library& visa, core::Interaction& interaction, const measure::Texts& texts,
                 QueuedLibrary* queued)
    : visa_(visa), interaction_(interaction), texts_(texts), queued_(queued) {}

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
  statusText_.clear();
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
  if (reading_) return;
  write(sendText_ + "\n");
  receivedText_.clear();
  statusText_.clear();
  addHistory(sendText_);
}

void Console::queryCommand() {
  if (reading_) return;
  const std::string sent = sendText_;
  write(sent + "\n");
  receivedText_ = read();
  addHistory(sent);
}

void Console::readCommand() {
  if (reading_) return;
  receivedText_ = read();
}

bool Console::cancelRead() { return reading_ && queued_ && queued_->cancelRead(); }

bool Console::readInto(const std::shared_ptr<ViByte[]>& buffer, ViUInt32 size, ViUInt32* count,
                       ViStatus* status) {
  if (!queued_ || !queued_->io().threaded()) {
    *status = visa_.viRead(currentSession_, buffer.get(), size, count);
    return true;
  }
  reading_ = true;
  const bool ran = queued_->readCancellable(currentSession_, buffer, size, count, status);
  reading_ = false;
  return ran;
}

void Console::explain(ViStatus status, ViUInt32 count, int timeoutMs) {
  statusText_.clear();
  if (status >= VI_SUCCESS) return;
  if (status == VI_ERROR_TMO && count == 0) {
    statusText_ = measure::fillIn(texts_.get("1109"), {std::to_string(timeoutMs)});
    return;
  }
  char description[VI_FIND_BUFLEN + 1] = {};
  visa_.viStatusDesc(currentSession_, status, description);
  statusText_ = description;
}

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
std::string Console::queryTooltip() const { return texts_.get("1173"); }
std::string Console::writeTooltip() const { return texts_.get("1174"); }
std::string Console::readTooltip() const { return texts_.get("1175"); }
std::string Console::exitTooltip() const { return texts_.get("753") + " ..."; }
std::string Console::waitingText() const { return texts_.get("1108"); }

void Console::write(const std::string& command) {
  lastCommand_ = command;
  if (!sendCommand(visa_, allocator_, currentSession_, currentKind_, command)) {
    interaction_.message(texts_.get("1161"), kAppTitle, core::Icon::Error);
    return;
  }
  lastResponse_.clear();
}

std::string Console::read() {
  statusText_.clear();
  auto cancelled = [this] {
    lastResponse_.clear();
    return lastResponse_;
  };
  switch (currentKind_) {
    case InterfaceKind::Usb:
    case InterfaceKind::Tcpip: {
      std::shared_ptr<ViByte[]> buffer = allocator_.allocate(kAnswerSize + 1);
      if (!buffer) {
        interaction_.message(texts_.get("1162"), kAppTitle, core::Icon::Error);
        return lastResponse_;
      }
      ViUInt32 count = 0;
      ViStatus status = VI_SUCCESS;
      if (!readInto(buffer, kAnswerSize, &count, &status)) return cancelled();
      count = std::min(count, kAnswerSize);
      explain(status, count, ioTimeoutMs_);
      buffer[count] = 0;
      lastResponse_ = textOf(buffer.get(), count);
      if (currentKind_ == InterfaceKind::Usb && status != VI_SUCCESS) {
        visa_.viClear(currentSession_);
        lastResponse_.clear();
      }
      return lastResponse_;
    }
    case InterfaceKind::Gpib: {
      std::shared_ptr<ViByte[]> buffer = allocator_.allocate(kGpibReadSize, true);
      if (!buffer) {
        interaction_.message(texts_.get("1162"), kAppTitle, core::Icon::Error);
        return lastResponse_;
      }
      visa_.viSetAttribute(currentSession_, VI_ATTR_TMO_VALUE, kGpibTimeoutMs);
      ViUInt32 count = 0;
      ViStatus status = VI_SUCCESS;
      if (!readInto(buffer, kGpibReadSize, &count, &status)) return cancelled();
      explain(status, count, kGpibTimeoutMs);
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
