#pragma once
// The product's own VISA implementation: resource-manager sessions, find lists and instrument
// sessions over raw sockets, VXI-11, USBTMC, GPIB (linux-gpib) and instruments served in this
// process (the simulated counters, registered by the simulator: visa/in_process.h), with
// VISA's status codes and semantics.
//
// Locks (viLock, viUnlock, and viOpen with a lock mode): exclusive and shared, nested, per
// resource. A session without access to a locked resource gets VI_ERROR_RSRC_LOCKED from its
// I/O; viLock waits up to its time-out for the lock (VI_ERROR_TMO). Locks hold between the
// sessions of this process; on VXI-11 an exclusive lock is also the instrument's device_lock,
// which keeps other processes and hosts out (VXI-11 has no shared lock, so a shared lock holds
// within the process only). Closing a session releases its locks.
//
// Reads: a complete answer returns VI_SUCCESS; a read that fills its count before the message
// ends returns VI_SUCCESS_MAX_CNT and the rest stays for the next read; a read that gets no
// complete answer within the session's time-out (VI_ATTR_TMO_VALUE, 2000 ms by default)
// returns VI_ERROR_TMO. After a time-out the session clears the device before its next write,
// so a late answer can never be taken for the answer to the following query.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "visa/in_process.h"
#include "visa/library.h"

namespace visa {

struct BuiltinOptions {
  // Simulated counters, served in-process under their USB-form resource names by the
  // registered simulation provider (none registered: none served). Model names in upper case.
  bool simulate = true;
  std::vector<std::string> simulatedModels = {"V3800A", "V3820A"};
  std::uint64_t simulationSeed = 1;
  // Instruments to serve in this process instead of the simulation provider's (test doubles).
  std::shared_ptr<InProcessInstruments> instruments;

  // TCP/IP resources that viFindRsrc lists (no network discovery is done).
  std::vector<std::string> lanResources;

  // Where VXI-11 asks for the core channel (every real instrument: 111).
  std::uint16_t vxi11PortmapperPort = 111;

  // How long viOpen waits for a TCP connection.
  std::chrono::milliseconds connectTimeout{5000};

  // Where USBTMC devices and GPIB boards are looked for, and the linux-gpib library.
  std::string usbtmcSysfsDir = "/sys/class/usbmisc";
  std::string deviceDir = "/dev";
  std::string gpibLibrary = "libgpib.so.0";
};

class BuiltinLibrary final : public Library {
 public:
  explicit BuiltinLibrary(BuiltinOptions options = {});
  ~BuiltinLibrary() override;
  BuiltinLibrary(const BuiltinLibrary&) = delete;
  BuiltinLibrary& operator=(const BuiltinLibrary&) = delete;

  ViStatus viOpenDefaultRM(ViSession* resourceManager) override;
  ViStatus viFindRsrc(ViSession resourceManager, const char* expression, ViFindList* list,
                      ViUInt32* count, char* firstDescriptor) override;
  ViStatus viFindNext(ViFindList list, char* descriptor) override;
  ViStatus viOpen(ViSession resourceManager, const char* resourceName, ViAccessMode mode,
                  ViUInt32 openTimeout, ViSession* session) override;
  ViStatus viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value) override;
  ViStatus viGetAttribute(ViObject object, ViAttr attribute, void* value) override;
  ViStatus viWrite(ViSession session, const ViByte* buffer, ViUInt32 count,
                   ViUInt32* written) override;
  ViStatus viRead(ViSession session, ViByte* buffer, ViUInt32 count, ViUInt32* read) override;
  ViStatus viClear(ViSession session) override;
  ViStatus viStatusDesc(ViObject object, ViStatus status, char* description) override;
  ViStatus viGpibControlREN(ViSession session, ViUInt16 mode) override;
  ViStatus viClose(ViObject object) override;

  // Further VISA operations, offered through the C interface (libv38xxvisa.so).
  ViStatus viParseRsrc(ViSession resourceManager, const char* resourceName, ViUInt16* type,
                       ViUInt16* board);
  // `resourceClass`, `expandedName` and `alias` have room for VI_FIND_BUFLEN characters.
  ViStatus viParseRsrcEx(ViSession resourceManager, const char* resourceName, ViUInt16* type,
                         ViUInt16* board, char* resourceClass, char* expandedName, char* alias);
  ViStatus viReadSTB(ViSession session, ViUInt16* statusByte);
  ViStatus viAssertTrigger(ViSession session, ViUInt16 protocol);
  ViStatus viFlush(ViSession session, ViUInt16 mask);
  // `lockType` VI_EXCLUSIVE_LOCK or VI_SHARED_LOCK; `timeout` in ms. A shared lock takes
  // `requestedKey` (null or empty: a new key) and hands the key out in `accessKey` (room for
  // VI_FIND_BUFLEN characters, may be null).
  ViStatus viLock(ViSession session, ViAccessMode lockType, ViUInt32 timeout,
                  const char* requestedKey, char* accessKey);
  ViStatus viUnlock(ViSession session);

  // VI_SUCCESS for an open session or resource manager, VI_ERROR_INV_OBJECT otherwise.
  ViStatus checkObject(ViObject object) const;

  const BuiltinOptions& options() const;

  // The instruments this library serves in-process (null when none).
  InProcessInstruments* inProcessInstruments() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

std::unique_ptr<BuiltinLibrary> makeBuiltinLibrary(BuiltinOptions options = {});

}  // namespace visa
