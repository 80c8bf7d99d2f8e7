#pragma once
// The Command Control console: a free-form terminal to one of the instruments discovery found.
// It writes, queries and reads through its own operations on the sessions discovery opened (it
// neither opens nor closes any) and keeps a short history of the strings sent. The dialog binds
// to this state and forwards the user's actions.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "instrument/buffer_allocator.h"
#include "instrument/device_entry.h"
#include "visa/library.h"

namespace core {
class Interaction;
}

namespace measure {
class Texts;
}

namespace instrument {

class QueuedLibrary;

// One instrument the console can talk to: the main window's list line, its kind and session.
struct ConsoleDevice {
  std::string text;
  InterfaceKind kind = InterfaceKind::None;
  ViSession session = 0;
  friend bool operator==(const ConsoleDevice&, const ConsoleDevice&) = default;
};

class Console {
 public:
  static constexpr int kMaxDevices = 20;
  static constexpr int kMaxHistory = 20;
  // Largest answer the console hands back, on every interface. A GPIB read asks the instrument
  // for up to 1,048,575 bytes in one go; of a longer answer the console shows the first
  // kAnswerSize bytes and drops the rest (it has been read off the bus already).
  static constexpr ViUInt32 kAnswerSize = 1024;
  static constexpr ViUInt32 kGpibReadSize = 1048575;
  static constexpr int kGpibTimeoutMs = 15000;
  static constexpr std::string_view kOpeningCommand = "*IDN?";

  // With `queued` (the main window's I/O thread) a read waits with the dialog still working,
  // and closing the dialog gives the read up (cancelRead).
  Console(visa::Library& visa, core::Interaction& interaction, const measure::Texts& texts,
          QueuedLibrary* queued = nullptr);

  // The device table, rewritten after every search (at most kMaxDevices are kept).
  void setDevices(std::vector<ConsoleDevice> devices);
  // The VISA time-out discovery gave the sessions (USB, TCP/IP), for the time-out message.
  void setIoTimeoutMs(int ms) { ioTimeoutMs_ = ms; }
  const std::vector<ConsoleDevice>& devices() const { return devices_; }

  // ---- Dialog lifecycle and commands -------------------------------------------------------

  // Opening: lists the devices, selects the first (its session becomes current) and enables the
  // controls; without devices the list reads "No Device Connected" and everything is disabled.
  // The send text becomes "*IDN?", the received text and the history list are emptied.
  void open();
  // The device list's selection: entry `item` of deviceItems() becomes current.
  void chooseDevice(int item);
  // Write: sends the send text and a line feed, clears the received text, records the history.
  void writeCommand();
  // Query: sends the send text and a line feed, reads at once and shows the answer; records
  // the history.
  void queryCommand();
  // Read: reads and shows the answer; the history is left as it is.
  void readCommand();
  // A history entry chosen: its text becomes the send text.
  void chooseHistory(int index);
  // Exit or Escape while a read waits: the read gives up and the device is cleared. False when
  // no read waits.
  bool cancelRead();
  // True while a read waits for the instrument (the commands then do nothing).
  bool reading() const { return reading_; }

  // ---- What the dialog shows ---------------------------------------------------------------

  const std::vector<std::string>& deviceItems() const { return deviceItems_; }
  int selectedDevice() const { return selectedItem_; }  // -1: none
  // The device list's own text: the selected device's text, or "No Device Connected".
  std::string deviceListText() const;
  // Device list, both edit fields, the command and the image buttons.
  bool controlsEnabled() const { return controlsEnabled_; }

  const std::string& sendText() const { return sendText_; }
  void setSendText(std::string text) { sendText_ = std::move(text); }
  const std::string& receivedText() const { return receivedText_; }
  // What became of the last read when it failed: "No answer: the read timed out after 15000
  // ms." when nothing came in time, otherwise the VISA status description; empty after a read
  // that succeeded or was cancelled.
  const std::string& statusText() const { return statusText_; }
  const std::vector<std::string>& history() const { return history_; }
  int selectedHistory() const { return history_.empty() ? -1 : 0; }
  bool historyVisible() const { return historyVisible_; }

  std::string title() const;            // "772"
  std::string sendLabel() const;        // "773"
  std::string receivedLabel() const;    // "774"
  std::string queryButtonText() const;  // "775"
  std::string writeButtonText() const;  // "776"
  std::string readButtonText() const;   // "777"
  std::string exitButtonText() const;   // "753"
  std::string noDeviceText() const;     // "771"
  std::string queryTooltip() const;     // "Query command ..."
  std::string writeTooltip() const;     // "Write command to device ..."
  std::string readTooltip() const;      // "Read data from device ..."
  std::string exitTooltip() const;      // "Exit ..."
  std::string waitingText() const;      // "Waiting for the counter's answer..."

  // ---- The console's own write and read ----------------------------------------------------

  // Sends the bytes of `command` on the current session by the chosen device's kind; keeps it as
  // the last command and clears the last response. The status is not examined.
  void write(const std::string& command);
  // Reads one answer (see kAnswerSize): USB and TCP/IP up to 1,024 bytes, GPIB up to 1,048,575
  // bytes with the time-out set to 15000 ms first and the device cleared when nothing came. On
  // USB a status other than VI_SUCCESS clears the device and gives an empty answer. No VISA
  // message is shown and no run is stopped; statusText() says what went wrong.
  std::string read();

  ViSession currentSession() const { return currentSession_; }
  InterfaceKind currentKind() const { return currentKind_; }
  const std::string& lastCommand() const { return lastCommand_; }
  const std::string& lastResponse() const { return lastResponse_; }

  void setAllocationGate(BufferAllocator::Gate gate) { allocator_.setGate(std::move(gate)); }

 private:
  void addHistory(const std::string& text);
  // viRead into a buffer of its own; false when cancelRead() gave it up.
  bool readInto(const std::shared_ptr<ViByte[]>& buffer, ViUInt32 size, ViUInt32* count,
                ViStatus* status);
  void explain(ViStatus status, ViUInt32 count, int timeoutMs);

  visa::Library& visa_;
  core::Interaction& interaction_;
  const measure::Texts& texts_;
  QueuedLibrary* queued_ = nullptr;
  bool reading_ = false;
  int ioTimeoutMs_ = kDefaultIoTimeoutMs;
  BufferAllocator allocator_;

  std::vector<ConsoleDevice> devices_;
  std::vector<std::string> deviceItems_;
  std::vector<int> itemDevice_;  // device table position of each list item
  int selectedItem_ = -1;
  bool controlsEnabled_ = false;

  ViSession currentSession_ = kInvalidSession;
  InterfaceKind currentKind_ = InterfaceKind::None;
  std::string sendText_{kOpeningCommand};
  std::string receivedText_;
  std::string statusText_;
  std::string lastCommand_;
  std::string lastResponse_;
  std::vector<std::string> history_;
  bool historyVisible_ = false;
};

}  // namespace instrument
