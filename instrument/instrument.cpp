#include "instrument/instrument.h"

#include <algorithm>
#include <cstring>

#include "core/clock.h"
#include "core/interaction.h"
#include "core/text_format.h"
#include "instrument/line_text.h"
#include "measure/texts.h"

namespace instrument {
namespace {

// Answer buffer of the main window's read: 128 bytes and a terminating zero.
constexpr ViUInt32 kAnswerSize = 128;
constexpr ViUInt32 kGpibReadSize = 0xFFFFF;  // 1,048,575 bytes in one read
// Identification reads of the search, by interface.
constexpr ViUInt32 kUsbIdentifySize = 100;
constexpr ViUInt32 kGpibIdentifySize = 65536;
constexpr ViUInt32 kTcpipIdentifySize = 256;
constexpr int kIdentifyPauseMs = 30;
constexpr std::string_view kIdentifyQuery = "*IDN?\n";
// Return to local; sent with its terminating zero byte (19 bytes).
constexpr char kReturnToLocal[] = "syst:comm:rlst loc";
// The "Read Speed" list offers 100 to 2000 ms; the shutdown wait is twice the period.
constexpr long long kLongestReadSpeedMs = 2000;

constexpr const char* kTcpipExpression = "TCPIP?*";
constexpr const char* kGpibExpression = "GPIB[0-9]*::?*INSTR";

std::string textOf(const ViByte* buffer, ViUInt32 count) {
  const char* text = reinterpret_cast<const char*>(buffer);
  return std::string(text, strnlen(text, count));
}

// Position of `needle` in `text` when it is found after the first character.
bool containsAfterStart(std::string_view text, std::string_view needle) {
  const auto at = text.find(needle);
  return at != std::string_view::npos && at > 0;
}

// The command as the messages quote it: in quotes, without its line feed.
std::string quotedCommand(std::string command) {
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
  return "\"" + command + "\"";
}

// Whether two resource names name the same instrument: letter case, board 0 and the default
// LAN device name "inst0" do not matter ("TCPIP::10.0.0.5::INSTR" is
// "tcpip0::10.0.0.5::inst0::INSTR").
std::string comparable(std::string_view name) {
  std::string n = core::toLower(name);
  if (n.rfind("tcpip0::", 0) == 0) n.erase(5, 1);
  const std::string suffix = "::inst0::instr";
  if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
    n.replace(n.size() - suffix.size(), suffix.size(), "::instr");
  return n;
}

// The fields of a resource name separated by "::".
std::vector<std::string_view> fieldsOf(std::string_view name) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto end = name.find("::");
    fields.push_back(name.substr(0, end));
    if (end == std::string_view::npos) break;
    name.remove_prefix(end + 2);
  }
  return fields;
}

}  // namespace

Instrument::Instrument(visa::Library& visa, core::Interaction& interaction, core::Clock& clock,
                       const measure::Texts& texts, bool threadedIo)
    : io_(std::make_unique<IoThread>(interaction, threadedIo)),
      queued_(std::make_unique<QueuedLibrary>(visa, *io_)),
      visa_(*queued_),
      interaction_(interaction),
      clock_(clock),
      texts_(texts),
      console_(std::make_unique<Console>(*queued_, interaction, texts, queued_.get())) {}

Instrument::~Instrument() = default;

void Instrument::setAllocationGate(BufferAllocator::Gate gate) {
  allocator_.setGate(gate);
  console_->setAllocationGate(std::move(gate));
}

void Instrument::stopIcon(std::string_view text) {
  interaction_.message(std::string(text), std::string(kAppTitle), core::Icon::Error);
}

// ---- InstrumentIo ----------------------------------------------------------------------------

void Instrument::write(const std::string& command) {
  lastCommand_ = command;
  if (!sendCommand(visa_, allocator_, currentSession_, currentKind_, command)) {
    stopIcon(texts_.get("1161"));
    return;
  }
  if (currentKind_ != InterfaceKind::None) talkedTo(currentKind_, currentName_);
  lastResponse_.clear();
}

std::string Instrument::counterDescription() const {
  std::string model;
  for (const DeviceLine& line : lines_) {
    if (line.entry >= 0 && entries_[line.entry].name == currentName_) {
      model = line.text.substr(0, line.text.find("--"));
      break;
    }
  }
  if (model.empty()) return currentName_;
  return model + " (" + currentName_ + ")";
}

void Instrument::readFailed(ViStatus status, const std::string& command) {
  lastReadFailed_ = true;
  char description[VI_FIND_BUFLEN + 1] = {};
  visa_.viStatusDesc(currentSession_, status, description);
  visa_.viClear(currentSession_);
  // The run's stop writes "INIT:CONT OFF"; the message names what was read before it.
  const std::string counter = counterDescription();
  if (runStop_) runStop_();
  stopIcon(std::string(description) + "\n\n" + measure::fillIn(texts_.get("1103"), {counter}) +
           "\n" + measure::fillIn(texts_.get("1104"), {quotedCommand(command)}));
}

bool Instrument::readAnswer(const std::shared_ptr<ViByte[]>& buffer, ViUInt32 size, ViUInt32* count,
                            ViStatus* status, bool cancellable) {
  if (cancellable && io_->threaded())
    return queued_->readCancellable(currentSession_, buffer, size, count, status);
  *status = visa_.viRead(currentSession_, buffer.get(), size, count);
  return true;
}

bool Instrument::cancelPendingRead() { return queued_->cancelRead(); }

std::string Instrument::read(bool cancellable) {
  lastReadFailed_ = false;
  lastReadCancelled_ = false;
  const std::string command = lastCommand_;
  auto cancelled = [this] {
    lastReadFailed_ = lastReadCancelled_ = true;
    lastResponse_.clear();
    return std::string();
  };
  switch (currentKind_) {
    case InterfaceKind::Usb:
    case InterfaceKind::Tcpip: {
      std::shared_ptr<ViByte[]> buffer = allocator_.allocate(kAnswerSize + 1);
      if (!buffer) {
        stopIcon(texts_.get("1162"));
        return lastResponse_;
      }
      ViUInt32 count = 0;
      ViStatus status = VI_SUCCESS;
      if (!readAnswer(buffer, kAnswerSize, &count, &status, cancellable)) return cancelled();
      count = std::min(count, kAnswerSize);
      buffer[count] = 0;
      const std::string answer = textOf(buffer.get(), count);
      lastResponse_ = answer;
      if (status != VI_SUCCESS) readFailed(status, command);
      return answer;
    }
    case InterfaceKind::Gpib: {
      std::shared_ptr<ViByte[]> buffer = allocator_.allocate(kGpibReadSize, true);
      if (!buffer) {
        stopIcon(texts_.get("1162"));
        return lastResponse_;
      }
      visa_.viSetAttribute(currentSession_, VI_ATTR_TMO_VALUE,
                           static_cast<ViAttrState>(ioTimeoutMs_));
      ViUInt32 count = 0;
      ViStatus status = VI_SUCCESS;
      if (!readAnswer(buffer, kGpibReadSize, &count, &status, cancellable)) return cancelled();
      count = std::min(count, kGpibReadSize);
      if (count == 0) {
        lastResponse_.clear();
        readFailed(status, command);
        return std::string();
      }
      // Handed back through the 128-byte answer buffer.
      const std::string answer = textOf(buffer.get(), std::min(count, kAnswerSize));
      lastResponse_ = answer;
      return answer;
    }
    case InterfaceKind::None:
      break;
  }
  lastResponse_.clear();
  return lastResponse_;
}

// ---- Release and return to local -------------------------------------------------------------

void Instrument::closeGpibSessions() {
  for (int i = 0; i < gpibCount_ && i < kGpibSlots; ++i) {
    if (gpibSessions_[i] == 0) continue;
    visa_.viClose(gpibSessions_[i]);
    gpibSessions_[i] = 0;
  }
}

void Instrument::closeTcpipSessions() {
  for (int i = 0; i < tcpipCount_ && i < kTcpipSlots; ++i) {
    if (tcpipSessions_[i] == 0) continue;
    visa_.viClose(tcpipSessions_[i]);
    tcpipSessions_[i] = 0;
  }
}

void Instrument::releaseAll() {
  entries_.clear();
  lines_.clear();
  currentSession_ = kInvalidSession;
  // Each search opened its own resource-manager session; closing each one ends the instrument
  // sessions and find lists opened through it.
  for (const ViSession rm : openResourceManagers_) visa_.viClose(rm);
  openResourceManagers_.clear();
  resourceManagerSession_ = 0;
}

void Instrument::returnToLocal(bool runActive, const std::string& readSpeedText) {
  if (runActive) {
    // "100 ms": the number before the blank that precedes "ms".
    const auto blank = readSpeedText.find(" ms");
    const std::string period =
        blank == std::string::npos ? readSpeedText : readSpeedText.substr(0, blank);
    const long long ms = std::clamp(core::leadingInteger(period), 0LL, kLongestReadSpeedMs);
    clock_.sleepMs(static_cast<int>(2 * ms));
    if (runStop_) runStop_();
  }
  for (const DeviceEntry& entry : entries_) {
    ViSession* slot = slotOf(entry);
    if (!slot) continue;
    switch (entry.kind) {
      case InterfaceKind::Usb:
      case InterfaceKind::Tcpip: {
        ViUInt32 written = 0;
        visa_.viWrite(*slot, reinterpret_cast<const ViByte*>(kReturnToLocal), sizeof kReturnToLocal,
                      &written);
        break;
      }
      case InterfaceKind::Gpib:
        visa_.viGpibControlREN(*slot, VI_GPIB_REN_ADDRESS_GTL);
        break;
      case InterfaceKind::None:
        break;
    }
    *slot = kInvalidSession;
  }
  std::vector<DeviceEntry> unlisted;
  for (const DeviceEntry& e : talkedTo_) {
    const bool listed = std::any_of(entries_.begin(), entries_.end(), [&](const DeviceEntry& l) {
      return comparable(l.name) == comparable(e.name);
    });
    if (!listed) unlisted.push_back(e);
  }
  releaseAll();
  returnToLocal(unlisted);
}

void Instrument::talkedTo(InterfaceKind kind, const std::string& name) {
  if (name.empty()) return;
  const std::string key = comparable(name);
  for (const DeviceEntry& e : talkedTo_)
    if (comparable(e.name) == key) return;
  talkedTo_.push_back({kind, 0, name});
}

void Instrument::returnToLocal(const std::vector<DeviceEntry>& unlisted) {
  if (unlisted.empty()) return;
  ViSession rm = 0;
  if (visa_.viOpenDefaultRM(&rm) < VI_SUCCESS) return;
  for (const DeviceEntry& e : unlisted) {
    ViSession session = 0;
    if (visa_.viOpen(rm, e.name.c_str(), VI_NO_LOCK, 0, &session) < VI_SUCCESS) continue;
    visa_.viSetAttribute(session, VI_ATTR_TMO_VALUE, static_cast<ViAttrState>(ioTimeoutMs_));
    if (e.kind == InterfaceKind::Gpib) {
      visa_.viGpibControlREN(session, VI_GPIB_REN_ADDRESS_GTL);
    } else {
      ViUInt32 written = 0;
      visa_.viWrite(session, reinterpret_cast<const ViByte*>(kReturnToLocal), sizeof kReturnToLocal,
                    &written);
    }
    visa_.viClose(session);
  }
  visa_.viClose(rm);
  talkedTo_.clear();
}

ViSession* Instrument::slotOf(const DeviceEntry& entry) {
  const int i = entry.index;
  switch (entry.kind) {
    case InterfaceKind::Usb:
      return i >= 0 && i < kUsbSlots ? &usbSessions_[i] : nullptr;
    case InterfaceKind::Gpib:
      return i >= 0 && i < kGpibSlots ? &gpibSessions_[i] : nullptr;
    case InterfaceKind::Tcpip:
      return i >= 0 && i < kTcpipSlots ? &tcpipSessions_[i] : nullptr;
    case InterfaceKind::None:
      break;
  }
  return nullptr;
}

// ---- Discovery -------------------------------------------------------------------------------

ViSession Instrument::openResourceManager(bool* ok) {
  ViSession rm = 0;
  *ok = visa_.viOpenDefaultRM(&rm) >= VI_SUCCESS;
  if (!*ok) return 0;
  openResourceManagers_.push_back(rm);
  resourceManagerSession_ = rm;
  return rm;
}

void Instrument::closeResourceManager(ViSession rm) {
  visa_.viClose(rm);
  std::erase(openResourceManagers_, rm);
  resourceManagerSession_ = 0;
}

bool Instrument::identify(ViSession session, std::size_t maxCount, bool setTimeout,
                          std::string* answer, ViUInt32* bytesRead) {
  answer->clear();
  *bytesRead = 0;
  auto command = allocator_.allocate(kIdentifyQuery.size() + 1);
  if (!command) {
    stopIcon(texts_.get("1161"));
    return false;
  }
  std::memcpy(command.get(), kIdentifyQuery.data(), kIdentifyQuery.size());
  ViUInt32 written = 0;
  visa_.viWrite(session, command.get(), static_cast<ViUInt32>(kIdentifyQuery.size()), &written);
  clock_.sleepMs(kIdentifyPauseMs);
  auto buffer = allocator_.allocate(maxCount + 1, true);
  if (!buffer) {
    stopIcon(texts_.get("1162"));
    return false;
  }
  if (setTimeout)
    visa_.viSetAttribute(session, VI_ATTR_TMO_VALUE, static_cast<ViAttrState>(ioTimeoutMs_));
  ViUInt32 count = 0;
  visa_.viRead(session, buffer.get(), static_cast<ViUInt32>(maxCount), &count);
  count = std::min<ViUInt32>(count, static_cast<ViUInt32>(maxCount));
  *bytesRead = count;
  *answer = textOf(buffer.get(), count);
  return true;
}

bool Instrument::probeTcpip(ViSession rm, const std::string& name, int slot) {
  ViSession& session = tcpipSessions_[slot];
  session = 0;
  if (visa_.viOpen(rm, name.c_str(), VI_NO_LOCK, 0, &session) < VI_SUCCESS) return false;
  if (visa_.viSetAttribute(session, VI_ATTR_TMO_VALUE, static_cast<ViAttrState>(ioTimeoutMs_)) <
      VI_SUCCESS)
    return false;
  talkedTo(InterfaceKind::Tcpip, name);
  std::string answer;
  ViUInt32 got = 0;
  if (!identify(session, kTcpipIdentifySize, false, &answer, &got)) return false;
  return got > 0 && answer.find(identificationFilter_) != std::string::npos;
}

bool Instrument::forEachResource(ViSession rm, std::initializer_list<const char*> expressions,
                                 int limit, const ResourceVisitor& visit) {
  ViFindList list = 0;
  ViUInt32 found = 0;
  char descriptor[VI_FIND_BUFLEN + 1] = {};
  bool listed = false;
  for (const char* expression : expressions) {
    if (visa_.viFindRsrc(rm, expression, &list, &found, descriptor) >= VI_SUCCESS) {
      listed = true;
      break;
    }
  }
  if (!listed) return false;
  const int usable = static_cast<int>(std::min<ViUInt32>(found, static_cast<ViUInt32>(limit)));
  for (int n = 0; n < usable; ++n) {
    if (n > 0 && visa_.viFindNext(list, descriptor) < VI_SUCCESS) break;
    visit(n, usable, descriptor);
  }
  return true;
}

int Instrument::visaTcpipSearch(int firstSlot) {
  if (firstSlot == 0) {
    tcpipCount_ = 0;
    closeTcpipSessions();
  }
  bool ok = false;
  const ViSession rm = openResourceManager(&ok);
  if (!ok) return 0;
  int count = 0;
  // Beyond the table's 20 slots the surplus is left alone; slots count down from the last
  // one this search may use (the typed addresses keep the first four).
  const bool listed = forEachResource(
      rm, {kTcpipExpression}, kTcpipSlots - firstSlot,
      [&](int n, int usable, const char* descriptor) {
        const int slot = firstSlot + usable - 1 - n;
        const std::string name = descriptor;
        // A typed address already found is listed once.
        const bool known = std::any_of(entries_.begin(), entries_.end(), [&](const DeviceEntry& e) {
          return comparable(e.name) == comparable(name);
        });
        if (!known && probeTcpip(rm, name, slot)) {
          entries_.push_back({InterfaceKind::Tcpip, slot, name});
          ++count;
        }
      });
  if (!listed) closeResourceManager(rm);
  tcpipCount_ = firstSlot == 0 ? count : tcpipCount_ + count;
  return count;
}

int Instrument::typedAddressSearch() {
  tcpipCount_ = 0;
  closeTcpipSessions();
  bool ok = false;
  const ViSession rm = openResourceManager(&ok);
  if (!ok) return 0;
  int count = 0;
  silentTypedAddresses_.clear();
  const auto& addresses = typedAddresses_.addresses();
  for (int i = 0; i < TcpipAddressData::kCount; ++i) {
    const std::string& address = addresses[i];
    if (address.empty() || address == kNoAddress) continue;
    const std::string resource = "TCPIP::" + address;
    if (probeTcpip(rm, resource, i)) {
      entries_.push_back(
          {InterfaceKind::Tcpip, i, core::format("%s::inst0::INSTR", resource.c_str())});
      ++count;
    } else {
      silentTypedAddresses_.push_back(address);
    }
  }
  tcpipCount_ = count;
  return count;
}

int Instrument::gpibSearch() {
  gpibCount_ = 0;
  closeGpibSessions();
  bool ok = false;
  const ViSession rm = openResourceManager(&ok);
  if (!ok) return 0;
  int count = 0;
  // Beyond the table's 30 slots the surplus is left alone; slots count down.
  const bool listed = forEachResource(
      rm, {kGpibExpression}, kGpibSlots, [&](int n, int usable, const char* descriptor) {
        const int slot = usable - 1 - n;
        ViSession& session = gpibSessions_[slot];
        session = 0;
        visa_.viOpen(rm, descriptor, VI_NO_LOCK, 0, &session);
        visa_.viSetAttribute(session, VI_ATTR_TMO_VALUE, static_cast<ViAttrState>(ioTimeoutMs_));
        entries_.push_back({InterfaceKind::Gpib, slot, descriptor});
        ++count;
      });
  if (!listed) closeResourceManager(rm);
  gpibCount_ = count;
  return count;
}

int Instrument::usbSearchModel(ViSession rm, const char* hexExpression,
                               const char* decimalExpression, std::string_view decimalProduct,
                               std::string_view hexPrefix, int firstSlot) {
  int count = 0;
  // Slots count up after the previous model's; beyond the table's 128 the surplus is left alone.
  forEachResource(rm, {hexExpression, decimalExpression}, kUsbSlots - firstSlot,
                  [&](int, int, const char* descriptor) {
                    const int slot = firstSlot + count;
                    ViSession& session = usbSessions_[slot];
                    session = 0;
                    visa_.viOpen(rm, descriptor, VI_NO_LOCK, 0, &session);
                    visa_.viSetAttribute(session, VI_ATTR_TMO_VALUE,
                                         static_cast<ViAttrState>(ioTimeoutMs_));
                    // A descriptor in decimal form ("USB0::11130::3800::<serial>::INSTR") is
                    // listed under its hexadecimal name: prefix, serial field, "::INSTR".
                    std::string name = descriptor;
                    const auto fields = fieldsOf(name);
                    if (fields.size() >= 4 && fields[1] == "11130" && fields[2] == decimalProduct)
                      name = std::string(hexPrefix) + std::string(fields[3]) + "::INSTR";
                    entries_.push_back({InterfaceKind::Usb, slot, name});
                    ++count;
                  });
  return count;
}

int Instrument::usbSearch() {
  bool ok = false;
  const ViSession rm = openResourceManager(&ok);
  if (!ok) return 0;
  const int full =
      usbSearchModel(rm, "USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", "USB[0-9]*::11130::3800::?*INSTR",
                     "3800", "USB0::0X2B7A::0X0ED8::", 0);
  const int compact =
      usbSearchModel(rm, "USB[0-9]*::0x2B7A::0x0EEC::?*INSTR", "USB[0-9]*::11130::3820::?*INSTR",
                     "3820", "USB0::0X2B7A::0X0EEC::", full);
  usbCount_ = full + compact;
  return usbCount_;
}

void Instrument::identifyEntries() {
  for (std::size_t e = 0; e < entries_.size(); ++e) {
    const DeviceEntry& entry = entries_[e];
    currentKind_ = entry.kind;
    currentIndex_ = entry.index;
    currentName_ = entry.name;
    ViSession* slot = slotOf(entry);
    if (!slot) continue;
    const ViSession session = *slot;
    talkedTo(entry.kind, entry.name);
    std::string answer;
    ViUInt32 got = 0;
    bool identified = false;
    switch (entry.kind) {
      case InterfaceKind::Usb:
        identified = identify(session, kUsbIdentifySize, false, &answer, &got);
        break;
      case InterfaceKind::Gpib:
        identified = identify(session, kGpibIdentifySize, true, &answer, &got);
        break;
      case InterfaceKind::Tcpip:
        identified = identify(session, kGpibIdentifySize, true, &answer, &got) && got > 0;
        break;
      case InterfaceKind::None:
        break;
    }
    if (!identified) continue;
    lines_.push_back({BuildLineText(answer, entry.name), session, entry.kind, static_cast<int>(e)});
  }
}

void Instrument::search(bool atStartup) {
  if (!atStartup) {
    deviceList_ = {};
    releaseAll();
    closeTcpipSessions();
    detectionEnabled_ = false;
    modelCode_ = std::string(kModelNone);
  }
  // Typed addresses are searched besides the LAN instruments of the resource file.
  deviceCount_ = typedAddressFlag_
                     ? typedAddressSearch() + visaTcpipSearch(TcpipAddressData::kCount)
                     : visaTcpipSearch(0);
  deviceCount_ += gpibSearch();
  deviceCount_ += usbSearch();

  deviceList_ = {};
  if (deviceCount_ > 0) identifyEntries();
  // Instruments found but all left out of the list (none answered its identification) leave
  // nothing to select: the search then counts as one that found nothing.
  if (lines_.empty()) deviceCount_ = 0;
  if (deviceCount_ == 0) {
    currentSession_ = kInvalidSession;
    deviceList_.lines = {texts_.get("1160")};
    deviceList_.enabled = false;
  } else {
    for (const DeviceLine& line : lines_) deviceList_.lines.push_back(line.text);
    deviceList_.enabled = true;
    SelectDevice(0);
  }
  refreshConsole();

  detectionEnabled_ = true;
  if (deviceCount_ >= 1) {
    SelectDevice(0);
    if (hooks_.devicesFound) hooks_.devicesFound();
  } else if (hooks_.nothingFound) {
    hooks_.nothingFound();
  }
}

void Instrument::refreshConsole() {
  std::vector<ConsoleDevice> devices;
  for (const DeviceLine& line : lines_) devices.push_back({line.text, line.kind, line.session});
  console_->setDevices(std::move(devices));
  console_->setIoTimeoutMs(ioTimeoutMs_);
}

void Instrument::SelectDevice(int line) {
  if (line < 0 || line >= static_cast<int>(lines_.size())) return;
  const std::string remembered = modelCode_;
  const DeviceEntry& entry = entries_[lines_[line].entry];
  currentKind_ = entry.kind;
  currentIndex_ = entry.index;
  currentName_ = entry.name;
  const ViSession* slot = slotOf(entry);
  currentSession_ = slot ? *slot : kInvalidSession;
  deviceList_.selectedLine = line;
  if (!detectionEnabled_) {
    modelCode_ = std::string(kModelNone);
    return;
  }
  write("*IDN?");
  const std::string answer = read();
  if (containsAfterStart(answer, "V3800A") && modelCode_ != kModelFull) {
    modelCode_ = std::string(kModelFull);
    if (hooks_.fullModelIdentified) hooks_.fullModelIdentified();
  } else if (containsAfterStart(answer, "V3820A") && modelCode_ != kModelCompact) {
    modelCode_ = std::string(kModelCompact);
    if (hooks_.compactModelIdentified) hooks_.compactModelIdentified();
  }
  if (modelCode_ != remembered && hooks_.modelChanged) hooks_.modelChanged();
}

void Instrument::tcpipAddressCommand(const std::function<bool(TcpipAddressData&)>& showDialog) {
  TcpipAddressData dialog = typedAddresses_;
  if (!showDialog || !showDialog(dialog)) return;
  typedAddressFlag_ = true;
  typedAddresses_ = dialog;
  search();
  typedAddressFlag_ = false;
  if (silentTypedAddresses_.empty()) return;
  std::string where;
  for (const std::string& a : silentTypedAddresses_) where += (where.empty() ? "" : ", ") + a;
  interaction_.message(measure::fillIn(texts_.get("1110"), {where}), std::string(kAppTitle),
                       core::Icon::Exclamation);
}

}  // namespace instrument
