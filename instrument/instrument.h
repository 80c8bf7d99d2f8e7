#pragma once
// The main window's instrument state: every VISA session of the program, the device list, the
// write and read operations all instrument traffic of the main window passes through
// (InstrumentIo), discovery and identification of the counters, and the return to local at
// shutdown. Plain C++ on visa::Library; the owner shows the state and supplies the panel hooks.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "instrument/buffer_allocator.h"
#include "instrument/console.h"
#include "instrument/device_entry.h"
#include "instrument/io_thread.h"
#include "instrument/queued_library.h"
#include "instrument/tcpip_address_data.h"
#include "visa/library.h"

namespace core {
class Clock;
class Interaction;
}  // namespace core

namespace measure {
class Texts;
}

namespace instrument {

// Panel changes the identification of a model asks for. Each is optional; an empty one is
// skipped. They are called from SelectDevice and at the end of a search.
struct PanelHooks {
  // A V3800A was identified and the model was not "3800" before: check "Freq", select the first
  // entry of its list, uncheck "Ratio", run the "Freq Ratio" page handler and the "Stop" handler.
  std::function<void()> fullModelIdentified;
  // A V3820A was identified and the model was not "3820" before: lay out the compact panel,
  // check "Freq_CH1", run the "Freq Ratio" page handler and the "Stop" handler.
  std::function<void()> compactModelIdentified;
  // The model differs from the one before the selection: reset input 1's conditioning to its
  // defaults and run the "Freq Ratio" page handler again.
  std::function<void()> modelChanged;
  // A search listed at least one instrument: show the button bar.
  std::function<void()> devicesFound;
  // A search found nothing: reset the panel layout and release its buttons.
  std::function<void()> nothingFound;
};

// What the "Devices and Interfaces" list shows.
struct DeviceListState {
  std::vector<std::string> lines;  // "Device Not Found" alone when nothing was found
  bool enabled = false;
  int selectedLine = -1;  // -1: none
};

// One line of the device list with the instrument it shows.
struct DeviceLine {
  std::string text;
  ViSession session = 0;
  InterfaceKind kind = InterfaceKind::None;
  int entry = -1;  // position of its DeviceEntry in entries()
};

class Instrument {
 public:
  static constexpr int kUsbSlots = 128;
  static constexpr int kGpibSlots = 30;
  static constexpr int kTcpipSlots = 20;

  // Message texts and the caption of every message box of the instrument I/O.
  static constexpr std::string_view kAppTitle = "V38XX_AP";
  static constexpr std::string_view kWriteAllocationFailed = instrument::kWriteAllocationFailed;
  static constexpr std::string_view kReadAllocationFailed = instrument::kReadAllocationFailed;
  static constexpr std::string_view kDeviceNotFound = "Device Not Found";
  static constexpr std::string_view kIdentificationFilter = "V38";

  // With `threadedIo` every VISA call runs on an I/O thread while the window waits for it
  // (see IoThread); without it, on the caller's thread.
  Instrument(visa::Library& visa, core::Interaction& interaction, core::Clock& clock,
             const measure::Texts& texts, bool threadedIo = false);
  Instrument(const Instrument&) = delete;
  Instrument& operator=(const Instrument&) = delete;
  ~Instrument();

  // The one stop-the-run operation of the owner; a failed read calls it.
  void setRunStop(std::function<void()> runStop) { runStop_ = std::move(runStop); }
  void setPanelHooks(PanelHooks hooks) { hooks_ = std::move(hooks); }

  // ---- InstrumentIo ------------------------------------------------------------------------

  // Sends the bytes of `command` exactly, with its length as count, on CurrentSession (no
  // terminator is added; callers put "\n" where they want one). Keeps it as the last command and
  // clears the last response. The VISA status is not examined: failures surface on the next read.
  void write(const std::string& command);

  // Reads one answer from CurrentSession and keeps it as the last response. A run's read is
  // made `cancellable`: the user's input is handled while it waits, and cancelPendingRead()
  // ends it (no message then, and no second stop of the run).
  //   USB, TCP/IP: up to 128 bytes. Any status other than VI_SUCCESS (an error, or a completion
  //     code such as a read that filled all 128 bytes) is a failure.
  //   GPIB: sets the time-out, then reads up to 1,048,575 bytes; the failure is a read that got
  //     no byte, whatever the status. The text handed back is cut to 128 bytes.
  //   no device kind: nothing is read; the answer is empty.
  // On failure the session is cleared (viClear), the run is stopped (RunStop) and the VISA
  // status description is shown with the stop icon, with the counter and the command whose
  // answer was read; the partial text is still returned.
  // The text ends at the first zero byte; a trailing line feed is kept.
  std::string read(bool cancellable = false);

  // True when the last read() took the failure path or was cancelled (the reading tick ends
  // after it).
  bool lastReadFailed() const { return lastReadFailed_; }
  bool lastReadCancelled() const { return lastReadCancelled_; }

  // STOP during a read: the read waiting now gives up and the session is cleared (VISA's
  // device clear, which also ends the wait of the VISA call). False when no read waits.
  bool cancelPendingRead();
  // True while the window waits for any instrument I/O.
  bool ioWaiting() const { return io_->waiting(); }
  bool threadedIo() const { return io_->threaded(); }

  // The counter the messages name: its model from the list line and its resource name, e.g.
  // "V3800A (USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR)".
  std::string counterDescription() const;

  // ---- Release and return to local ---------------------------------------------------------

  void closeGpibSessions();
  void closeTcpipSessions();
  // Forgets every device entry and line, CurrentSession := -1, closes the resource manager
  // sessions (which ends every instrument session opened through them).
  void releaseAll();

  // Shutdown: during a run, waits twice the "Read Speed" period (`readSpeedText`, e.g.
  // "100 ms") and stops the run; then every instrument goes back to local ("syst:comm:rlst loc"
  // with its zero byte, 19 bytes, on USB and TCP/IP; go-to-local on GPIB), its table slot is
  // marked -1, and everything is released. Instruments the program talked to that are not in
  // the list (a LAN instrument that is no V38XX counter, one of an earlier search) go back to
  // local too, each through a session of its own.
  void returnToLocal(bool runActive, const std::string& readSpeedText);

  // ---- Discovery and selection -------------------------------------------------------------

  // Search (also "Refresh"): releases the old sessions (not at start-up), searches TCP/IP (typed
  // addresses while the TCP/IP Address command runs), GPIB and USB, identifies every instrument
  // and fills the device list, selects line 0, enables detection and selects line 0 again with
  // identification. Refreshes the console's device table. When every instrument found was left
  // out of the list, the device count becomes 0 and the list reads "Device Not Found".
  void search(bool atStartup = false);

  // Makes the instrument of list line `line` current; with detection enabled, queries "*IDN?"
  // and sets ModelCode, calling the panel hooks. Lines out of range are ignored.
  void SelectDevice(int line);

  // The "TCPIP Addresses" command: `showDialog` shows the TCP/IP Address dialog modally on a copy
  // of the four typed addresses and says whether it was confirmed. Confirmed, the copy becomes
  // the typed addresses and Search runs with the typed addresses searched besides the LAN
  // instruments of the resource file; a typed address where no counter answers is reported.
  // Closed any other way (Escape, Cancel), nothing changes and nothing is searched.
  void tcpipAddressCommand(const std::function<bool(TcpipAddressData&)>& showDialog);

  // ---- State -------------------------------------------------------------------------------

  ViSession resourceManagerSession() const { return resourceManagerSession_; }
  ViSession currentSession() const { return currentSession_; }
  InterfaceKind currentKind() const { return currentKind_; }
  int currentIndex() const { return currentIndex_; }
  const std::string& currentName() const { return currentName_; }
  int ioTimeoutMs() const { return ioTimeoutMs_; }
  void setIoTimeoutMs(int ms) { ioTimeoutMs_ = ms; }
  const std::string& lastCommand() const { return lastCommand_; }
  const std::string& lastResponse() const { return lastResponse_; }

  const std::array<ViSession, kUsbSlots>& usbSessions() const { return usbSessions_; }
  const std::array<ViSession, kGpibSlots>& gpibSessions() const { return gpibSessions_; }
  const std::array<ViSession, kTcpipSlots>& tcpipSessions() const { return tcpipSessions_; }
  int usbCount() const { return usbCount_; }
  int gpibCount() const { return gpibCount_; }
  int tcpipCount() const { return tcpipCount_; }
  int deviceCount() const { return deviceCount_; }

  const std::vector<DeviceEntry>& entries() const { return entries_; }
  const std::vector<DeviceLine>& lines() const { return lines_; }
  const DeviceListState& deviceList() const { return deviceList_; }

  const std::string& modelCode() const { return modelCode_; }
  void setModelCode(std::string_view code) { modelCode_ = std::string(code); }
  bool detectionEnabled() const { return detectionEnabled_; }
  void setDetectionEnabled(bool enabled) { detectionEnabled_ = enabled; }
  const std::string& identificationFilter() const { return identificationFilter_; }
  void setIdentificationFilter(std::string filter) { identificationFilter_ = std::move(filter); }

  const TcpipAddressData& typedAddresses() const { return typedAddresses_; }
  void setTypedAddresses(const TcpipAddressData& data) { typedAddresses_ = data; }
  bool typedAddressFlag() const { return typedAddressFlag_; }

  Console& console() { return *console_; }
  const Console& console() const { return *console_; }

  // Test hook: decides which heap buffers of the I/O can be allocated.
  void setAllocationGate(BufferAllocator::Gate gate);

 private:
  int visaTcpipSearch(int firstSlot);
  int typedAddressSearch();
  // Opens `name` into TCP/IP slot `slot`, sets the time-out and asks for the identification;
  // true when an answer came that passes the identification filter.
  bool probeTcpip(ViSession rm, const std::string& name, int slot);
  int gpibSearch();
  int usbSearch();
  int usbSearchModel(ViSession rm, const char* hexExpression, const char* decimalExpression,
                     std::string_view decimalProduct, std::string_view hexPrefix, int firstSlot);
  // Walks the resources of the first expression that lists any (the later ones are
  // fallbacks): the first descriptor, then one viFindNext per further resource, at most
  // `limit`, handing each to `visit` with its position and the number walked. False when no
  // expression listed anything.
  using ResourceVisitor = std::function<void(int n, int usable, const char* descriptor)>;
  bool forEachResource(ViSession rm, std::initializer_list<const char*> expressions, int limit,
                       const ResourceVisitor& visit);
  ViSession openResourceManager(bool* ok);
  void closeResourceManager(ViSession rm);
  // "*IDN?\n" on `session`, the 30 ms pause, then a read of up to `maxCount` bytes (with the
  // time-out set first when `setTimeout`). False when a buffer could not be had (the message
  // was shown); `answer` and `bytesRead` are what came.
  bool identify(ViSession session, std::size_t maxCount, bool setTimeout, std::string* answer,
                ViUInt32* bytesRead);
  void identifyEntries();
  ViSession* slotOf(const DeviceEntry& entry);
  void readFailed(ViStatus status, const std::string& command);
  // viRead of up to `size` bytes into `buffer` on CurrentSession; false when it was cancelled.
  bool readAnswer(const std::shared_ptr<ViByte[]>& buffer, ViUInt32 size, ViUInt32* count,
                  ViStatus* status, bool cancellable);
  // Remembers that `name` (opened on `kind`) was talked to: it goes back to local at shutdown.
  void talkedTo(InterfaceKind kind, const std::string& name);
  // Each of `unlisted` back to local through a session of its own (a resource manager of its
  // own too, closed after them).
  void returnToLocal(const std::vector<DeviceEntry>& unlisted);
  void stopIcon(std::string_view text);
  void refreshConsole();

  std::unique_ptr<IoThread> io_;
  std::unique_ptr<QueuedLibrary> queued_;
  visa::Library& visa_;  // every call through the I/O thread
  core::Interaction& interaction_;
  core::Clock& clock_;
  const measure::Texts& texts_;
  BufferAllocator allocator_;
  std::function<void()> runStop_;
  PanelHooks hooks_;

  ViSession resourceManagerSession_ = 0;
  std::vector<ViSession> openResourceManagers_;  // every one opened since the last release
  std::array<ViSession, kUsbSlots> usbSessions_{};
  std::array<ViSession, kGpibSlots> gpibSessions_{};
  std::array<ViSession, kTcpipSlots> tcpipSessions_{};
  int usbCount_ = 0;
  int gpibCount_ = 0;
  int tcpipCount_ = 0;
  int deviceCount_ = 0;

  ViSession currentSession_ = kInvalidSession;
  InterfaceKind currentKind_ = InterfaceKind::None;
  int currentIndex_ = 0;
  std::string currentName_;
  int ioTimeoutMs_ = kDefaultIoTimeoutMs;
  std::string lastCommand_;
  std::string lastResponse_;
  bool lastReadFailed_ = false;
  bool lastReadCancelled_ = false;
  // Every instrument written to since start-up (kind and resource name), in order.
  std::vector<DeviceEntry> talkedTo_;
  std::vector<std::string> silentTypedAddresses_;  // typed addresses where no counter answered

  std::vector<DeviceEntry> entries_;
  std::vector<DeviceLine> lines_;
  DeviceListState deviceList_;

  TcpipAddressData typedAddresses_;
  bool typedAddressFlag_ = false;
  std::string identificationFilter_{kIdentificationFilter};
  bool detectionEnabled_ = false;
  std::string modelCode_{kModelNone};

  std::unique_ptr<Console> console_;
};

}  // namespace instrument
