#pragma once
// One open connection to an instrument. The builtin library keeps one transport per
// instrument session and knows nothing else about how bytes travel.

#include <atomic>
#include <chrono>

#include "visa/visa_types.h"

namespace visa {

class Transport {
 public:
  using Timeout = std::chrono::milliseconds;
  virtual ~Transport() = default;

  // Sends one whole message; END (EOI / VXI-11 END flag / USBTMC EOM) marks its last byte.
  virtual ViStatus write(const ViByte* data, ViUInt32 count, ViUInt32* written,
                         Timeout timeout) = 0;

  // Reads up to `count` bytes of the current answer message:
  //   VI_SUCCESS          the message ended (END; on a raw socket, the line feed) within `count`;
  //   VI_SUCCESS_MAX_CNT  `count` bytes were read before the message ended; the rest stays
  //                       for the next read;
  //   VI_ERROR_TMO        nothing more came within `timeout` (bytes already read are returned);
  //   VI_ERROR_CONN_LOST  the link dropped; VI_ERROR_IO for other failures.
  virtual ViStatus read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) = 0;

  // Device clear: the instrument drops its input and output queues; anything in flight is
  // discarded so that the next query cannot receive an older answer.
  virtual ViStatus clear(Timeout timeout) = 0;

  // viGpibControlREN; transports without a remote-enable line answer VI_ERROR_NSUP_OPER.
  virtual ViStatus controlRen(ViUInt16 mode) { return VI_ERROR_NSUP_OPER; }

  // viReadSTB (serial poll) and viAssertTrigger (GET / USBTMC TRIGGER); transports without
  // them answer VI_ERROR_NSUP_OPER.
  virtual ViStatus readStatusByte(ViUInt16* status, Timeout timeout) { return VI_ERROR_NSUP_OPER; }
  virtual ViStatus assertTrigger(Timeout timeout) { return VI_ERROR_NSUP_OPER; }

  // The instrument's own exclusive lock (VXI-11 device_lock / device_unlock), which keeps the
  // links of other processes and hosts out: lock waits up to `timeout` for another link's lock
  // (VI_ERROR_TMO when it stays). Transports without one answer VI_ERROR_NSUP_OPER; the
  // builtin library's locks then hold within the process.
  virtual ViStatus lockDevice(Timeout timeout) { return VI_ERROR_NSUP_OPER; }
  virtual ViStatus unlockDevice() { return VI_ERROR_NSUP_OPER; }

  // The first step of a device clear, from any thread: a read that waits for the instrument
  // now gives up with VI_ERROR_ABORT instead of waiting out its time-out, and so does one that
  // starts before the clear has ended (endInterrupt). Transports that cannot give up a wait
  // (VXI-11, USBTMC, GPIB) let the read run to its time-out.
  void interrupt() { interrupted_.store(true); }
  void endInterrupt() { interrupted_.store(false); }

 protected:
  bool interrupted() const { return interrupted_.load(); }

 private:
  std::atomic<bool> interrupted_{false};
};

}  // namespace visa
