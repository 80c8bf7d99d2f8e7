#pragma once
// The VISA library as the main window uses it: every call runs on the I/O thread (see
// IoThread) while the window waits for it, in the order the calls are made.

#include <memory>

#include "instrument/io_thread.h"
#include "visa/library.h"

namespace instrument {

class QueuedLibrary final : public visa::Library {
 public:
  QueuedLibrary(visa::Library& library, IoThread& io) : library_(library), io_(io) {}

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

  // A read that the user may give up: viRead on the I/O thread into `buffer`, which it shares,
  // with the user's input handled meanwhile. False when cancelRead() gave it up (the call may
  // then still be returning on the I/O thread: it owns the buffer and its result).
  bool readCancellable(ViSession session, const std::shared_ptr<ViByte[]>& buffer, ViUInt32 size,
                       ViUInt32* count, ViStatus* status);
  // Gives up the read readCancellable waits for, clearing its session at once (VISA's device
  // clear, which also ends the wait of the VISA call). False when no read waits.
  bool cancelRead();
  bool readWaiting() const { return io_.cancellableWaiting(); }

  IoThread& io() { return io_; }

 private:
  template <class Call>
  ViStatus queued(Call call) {
    ViStatus status = VI_SUCCESS;
    io_.run([&] { status = call(); });
    return status;
  }

  visa::Library& library_;
  IoThread& io_;
  ViSession readSession_ = 0;  // the session of the read readCancellable waits for
};

}  // namespace instrument
