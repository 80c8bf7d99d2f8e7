#include "visa/vxi11/vxi11_transport.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "visa/vxi11/bounded_xdr.h"
#include "visa/vxi11/rpc_client.h"
#include "visa/vxi11/vxi11_protocol.h"
#include "visa/vxi11/vxi11_rpc.h"

namespace visa {

namespace {

using vxi11::RpcClient;
using vxi11::SteadyClock;
using vxi11::xdrProc;
using Milliseconds = std::chrono::milliseconds;

// How long past the instrument's own io_timeout the reply to a call may take to arrive.
constexpr Milliseconds kRpcMargin{2000};
constexpr Milliseconds kDefaultOpenTimeout{5000};
constexpr Milliseconds kDestroyTimeout{1000};
// Largest piece of a message sent with one device_write, whatever the instrument accepts.
constexpr std::uint32_t kMaxWriteChunk = 1u << 20;
constexpr std::uint32_t kInfiniteIoTimeout = 0xFFFFFFFFu;

// XDR results that release what decoding allocated when they go out of scope.
template <typename T>
struct Decoded {
  explicit Decoded(xdrproc_t proc) : proc(proc) {}
  ~Decoded() {
    if (filled) xdr_free(proc, reinterpret_cast<char*>(&value));
  }
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
  xdrproc_t proc;
  T value{};
  bool filled = false;
};

ViStatus statusOfDeviceError(long error) {
  switch (error) {
    case vxi11::kNoError:
      return VI_SUCCESS;
    case vxi11::kIoTimeout:
      return VI_ERROR_TMO;
    case vxi11::kSyntaxError:
    case vxi11::kParameterError:
      return VI_ERROR_INV_PARAMETER;
    case vxi11::kDeviceNotAccessible:
    case vxi11::kInvalidLinkIdentifier:
      return VI_ERROR_CONN_LOST;
    case vxi11::kChannelNotEstablished:
    case vxi11::kOperationNotSupported:
      return VI_ERROR_NSUP_OPER;
    case vxi11::kOutOfResources:
      return VI_ERROR_ALLOC;
    case vxi11::kDeviceLockedByAnotherLink:
      return VI_ERROR_RSRC_LOCKED;
    case vxi11::kInvalidAddress:
      return VI_ERROR_RSRC_NFOUND;
    default:
      return VI_ERROR_IO;
  }
}

class Vxi11Transport final : public Transport {
 public:
  Vxi11Transport(std::unique_ptr<RpcClient> core, long link, std::uint32_t maxRecvSize)
      : core_(std::move(core)),
        link_(link),
        writeChunk_(maxRecvSize == 0 ? 1024 : std::min(maxRecvSize, kMaxWriteChunk)) {}

  ~Vxi11Transport() override {
    if (!core_->connected()) return;
    Device_Link link = link_;
    Decoded<Device_Error> reply(xdrProc(xdr_Device_Error));
    reply.filled =
        core_->call(vxi11::kDestroyLink, xdrProc(xdr_Device_Link), &link, reply.proc, &reply.value,
                    vxi11::deadlineAfter(kDestroyTimeout)) == RpcClient::Status::Ok;
  }

  ViStatus write(const ViByte* data, ViUInt32 count, ViUInt32* written, Timeout timeout) override {
    if (written) *written = 0;
    const auto deadline = callDeadline(timeout);
    if (answerMayBeStale_) {
      ViStatus cleared = deviceClear(deadline, timeout);
      if (cleared != VI_SUCCESS) return cleared;
    }
    ViUInt32 sent = 0;
    do {
      const std::uint32_t piece = std::min(count - sent, writeChunk_);
      const bool last = sent + piece == count;
      Device_WriteParms parms{};
      parms.lid = link_;
      parms.io_timeout = ioTimeout(deadline, timeout);
      parms.lock_timeout = parms.io_timeout;
      parms.flags = last ? vxi11::kFlagEnd : 0;
      parms.data.data_len = piece;
      parms.data.data_val = const_cast<char*>(reinterpret_cast<const char*>(data + sent));
      Decoded<Device_WriteResp> reply(xdrProc(xdr_Device_WriteResp));
      ViStatus status =
          call(vxi11::kDeviceWrite, xdrProc(xdr_Device_WriteParms), &parms, reply, deadline);
      if (status != VI_SUCCESS) return status;
      const std::uint32_t accepted =
          static_cast<std::uint32_t>(std::min<u_long>(reply.value.size, piece));
      sent += accepted;
      if (written) *written = sent;
      if (reply.value.error != vxi11::kNoError) {
        if (reply.value.error == vxi11::kIoTimeout) answerMayBeStale_ = true;
        return statusOfDeviceError(reply.value.error);
      }
      // An instrument that takes nothing of a non-empty piece would keep us here forever.
      if (accepted == 0 && piece > 0) return VI_ERROR_IO;
      if (last && accepted == piece) break;
    } while (sent < count);
    return VI_SUCCESS;
  }

  ViStatus read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) override {
    if (got) *got = 0;
    if (count == 0) return VI_SUCCESS_MAX_CNT;
    const auto deadline = callDeadline(timeout);
    ViUInt32 filled = 0;
    for (;;) {
      Device_ReadParms parms{};
      parms.lid = link_;
      parms.requestSize = count - filled;
      parms.io_timeout = ioTimeout(deadline, timeout);
      parms.lock_timeout = parms.io_timeout;
      parms.flags = 0;
      parms.termChar = 0;
      // The reply may carry at most what was asked: a longer one is a protocol error
      // (VI_ERROR_IO), never cut to fit, and is refused before anything is allocated.
      Decoded<Device_ReadResp> reply(xdrProc(xdr_Device_ReadResp));
      const u_int limit = static_cast<u_int>(parms.requestSize);
      ViStatus status = call(
          vxi11::kDeviceRead, xdrProc(xdr_Device_ReadParms), &parms,
          [&](const std::uint8_t* data, std::size_t size) {
            return vxi11::decodeReadResp(data, size, limit, &reply.value);
          },
          reply, deadline);
      if (status != VI_SUCCESS) return status;
      const auto& resp = reply.value;
      const ViUInt32 take = resp.data.data_len;
      if (take > 0) std::memcpy(buffer + filled, resp.data.data_val, take);
      filled += take;
      if (got) *got = filled;
      if (resp.error != vxi11::kNoError) {
        if (resp.error == vxi11::kIoTimeout) answerMayBeStale_ = true;
        return statusOfDeviceError(resp.error);
      }
      if (resp.reason & vxi11::kReasonEnd) return VI_SUCCESS;
      if (resp.reason & vxi11::kReasonTermChar) return VI_SUCCESS_TERM_CHAR;
      if (filled == count) return VI_SUCCESS_MAX_CNT;
      if (SteadyClock::now() >= deadline) {
        answerMayBeStale_ = true;
        return VI_ERROR_TMO;
      }
    }
  }

  ViStatus clear(Timeout timeout) override { return deviceClear(callDeadline(timeout), timeout); }

  ViStatus controlRen(ViUInt16 mode) override {
    std::uint32_t procedure;
    switch (mode) {
      case VI_GPIB_REN_DEASSERT:
      case VI_GPIB_REN_DEASSERT_GTL:
      case VI_GPIB_REN_ADDRESS_GTL:
        procedure = vxi11::kDeviceLocal;
        break;
      case VI_GPIB_REN_ASSERT:
      case VI_GPIB_REN_ASSERT_ADDRESS:
        procedure = vxi11::kDeviceRemote;
        break;
      default:
        return VI_ERROR_NSUP_OPER;
    }
    return generic(procedure, kDefaultOpenTimeout, callDeadline(kDefaultOpenTimeout));
  }

  ViStatus readStatusByte(ViUInt16* status, Timeout timeout) override {
    const auto deadline = callDeadline(timeout);
    Device_GenericParms parms = genericParms(deadline, timeout);
    Decoded<Device_ReadStbResp> reply(xdrProc(xdr_Device_ReadStbResp));
    ViStatus rc =
        call(vxi11::kDeviceReadStb, xdrProc(xdr_Device_GenericParms), &parms, reply, deadline);
    if (rc != VI_SUCCESS) return rc;
    if (reply.value.error != vxi11::kNoError) return statusOfDeviceError(reply.value.error);
    if (status) *status = reply.value.stb;
    return VI_SUCCESS;
  }

  ViStatus assertTrigger(Timeout timeout) override {
    return generic(vxi11::kDeviceTrigger, timeout, callDeadline(timeout));
  }

  ViStatus lockDevice(Timeout timeout) override {
    const auto deadline = callDeadline(timeout);
    Device_LockParms parms{};
    parms.lid = link_;
    parms.flags = vxi11::kFlagWaitLock;
    parms.lock_timeout = ioTimeout(deadline, timeout);
    Decoded<Device_Error> reply(xdrProc(xdr_Device_Error));
    const ViStatus status =
        call(vxi11::kDeviceLock, xdrProc(xdr_Device_LockParms), &parms, reply, deadline);
    if (status != VI_SUCCESS) return status;
    // Another link kept its lock for all of lock_timeout: the lock was not had in time.
    if (reply.value.error == vxi11::kDeviceLockedByAnotherLink) return VI_ERROR_TMO;
    return statusOfDeviceError(reply.value.error);
  }

  ViStatus unlockDevice() override {
    Device_Link link = link_;
    Decoded<Device_Error> reply(xdrProc(xdr_Device_Error));
    const ViStatus status = call(vxi11::kDeviceUnlock, xdrProc(xdr_Device_Link), &link, reply,
                                 callDeadline(kDefaultOpenTimeout));
    if (status != VI_SUCCESS) return status;
    if (reply.value.error == vxi11::kNoLockHeldByThisLink) return VI_ERROR_SESN_NLOCKED;
    return statusOfDeviceError(reply.value.error);
  }

 private:
  // The deadline of a whole operation: the instrument's time-out plus the RPC margin.
  static SteadyClock::time_point callDeadline(Timeout timeout) {
    if (timeout.count() >= kInfiniteIoTimeout) return SteadyClock::time_point::max();
    return vxi11::deadlineAfter(std::max(timeout, Timeout::zero()) + kRpcMargin);
  }

  // The io_timeout to hand the instrument: what is left of the caller's time-out.
  static u_long ioTimeout(SteadyClock::time_point deadline, Timeout timeout) {
    if (deadline == SteadyClock::time_point::max()) return kInfiniteIoTimeout;
    auto left =
        std::chrono::duration_cast<Milliseconds>(deadline - SteadyClock::now()) - kRpcMargin;
    return static_cast<u_long>(std::clamp<long long>(left.count(), 0, timeout.count()));
  }

  template <typename T>
  ViStatus call(std::uint32_t procedure, xdrproc_t encode, void* parms, Decoded<T>& reply,
                SteadyClock::time_point deadline) {
    return call(
        procedure, encode, parms,
        [&](const std::uint8_t* data, std::size_t size) {
          return vxi11::decodeWith(reply.proc, data, size, &reply.value);
        },
        reply, deadline);
  }

  // The same with a decoder that bounds the lengths in the results.
  template <typename T>
  ViStatus call(std::uint32_t procedure, xdrproc_t encode, void* parms,
                const vxi11::BodyDecoder& decode, Decoded<T>& reply,
                SteadyClock::time_point deadline) {
    switch (core_->call(procedure, encode, parms, decode, deadline)) {
      case RpcClient::Status::Ok:
        reply.filled = true;
        return VI_SUCCESS;
      case RpcClient::Status::Timeout:
        answerMayBeStale_ = true;
        return VI_ERROR_TMO;
      case RpcClient::Status::ConnectionLost:
        return VI_ERROR_CONN_LOST;
      case RpcClient::Status::Rejected:
        if (core_->lastReply() == vxi11::ReplyResult::ProcedureUnavailable)
          return VI_ERROR_NSUP_OPER;
        // A reply that does not decode leaves the instrument's answer unread: the next
        // write clears the device first.
        if (core_->lastReply() == vxi11::ReplyResult::Malformed) answerMayBeStale_ = true;
        return VI_ERROR_IO;
    }
    return VI_ERROR_IO;
  }

  Device_GenericParms genericParms(SteadyClock::time_point deadline, Timeout timeout) const {
    Device_GenericParms parms{};
    parms.lid = link_;
    parms.flags = 0;
    parms.io_timeout = ioTimeout(deadline, timeout);
    parms.lock_timeout = parms.io_timeout;
    return parms;
  }

  ViStatus generic(std::uint32_t procedure, Timeout timeout, SteadyClock::time_point deadline) {
    Device_GenericParms parms = genericParms(deadline, timeout);
    Decoded<Device_Error> reply(xdrProc(xdr_Device_Error));
    ViStatus status = call(procedure, xdrProc(xdr_Device_GenericParms), &parms, reply, deadline);
    if (status != VI_SUCCESS) return status;
    return statusOfDeviceError(reply.value.error);
  }

  ViStatus deviceClear(SteadyClock::time_point deadline, Timeout timeout) {
    ViStatus status = generic(vxi11::kDeviceClear, timeout, deadline);
    if (status == VI_SUCCESS) answerMayBeStale_ = false;
    return status;
  }

  std::unique_ptr<RpcClient> core_;
  long link_;
  std::uint32_t writeChunk_;
  // Set when a reply may still be on its way (a read or write timed out): the next write
  // clears the device first.
  bool answerMayBeStale_ = false;
};

ViStatus statusOfLookup(vxi11::PortLookup::Result result) {
  return result == vxi11::PortLookup::Result::Found ? VI_SUCCESS : VI_ERROR_RSRC_NFOUND;
}

}  // namespace

std::unique_ptr<Transport> openVxi11Transport(const ResourceName& name,
                                              std::uint16_t portmapperPort,
                                              std::chrono::milliseconds timeout, ViStatus* status) {
  ViStatus ignored;
  if (!status) status = &ignored;
  if (name.interface != InterfaceType::Tcpip || name.resourceClass != ResourceClass::Instr ||
      name.host.empty()) {
    *status = VI_ERROR_INV_RSRC_NAME;
    return nullptr;
  }
  if (timeout <= Milliseconds::zero()) timeout = kDefaultOpenTimeout;
  const auto deadline = vxi11::deadlineAfter(timeout);

  auto lookup = vxi11::lookupTcpPort(name.host, portmapperPort, vxi11::kCoreProgram,
                                     vxi11::kCoreVersion, deadline);
  if (lookup.result != vxi11::PortLookup::Result::Found) {
    *status = statusOfLookup(lookup.result);
    return nullptr;
  }
  int fd = vxi11::connectTcp(name.host, lookup.port, deadline);
  if (fd < 0) {
    *status = VI_ERROR_RSRC_NFOUND;
    return nullptr;
  }
  auto core = std::make_unique<RpcClient>(fd, vxi11::kCoreProgram, vxi11::kCoreVersion);
  std::string device = name.lanDeviceName.empty() ? std::string("inst0") : name.lanDeviceName;
  Create_LinkParms parms{};
  parms.clientId = static_cast<long>(::getpid() & 0x7FFFFFFF);
  parms.lockDevice = FALSE;
  parms.lock_timeout = 0;
  parms.device = device.data();
  Decoded<Create_LinkResp> reply(xdrProc(xdr_Create_LinkResp));
  if (core->call(vxi11::kCreateLink, xdrProc(xdr_Create_LinkParms), &parms, reply.proc,
                 &reply.value, deadline) != RpcClient::Status::Ok) {
    *status = VI_ERROR_RSRC_NFOUND;
    return nullptr;
  }
  reply.filled = true;
  switch (reply.value.error) {
    case vxi11::kNoError:
      break;
    case vxi11::kDeviceLockedByAnotherLink:
      *status = VI_ERROR_RSRC_LOCKED;
      return nullptr;
    case vxi11::kOutOfResources:
      *status = VI_ERROR_ALLOC;
      return nullptr;
    default:
      *status = VI_ERROR_RSRC_NFOUND;
      return nullptr;
  }
  *status = VI_SUCCESS;
  return std::make_unique<Vxi11Transport>(std::move(core), reply.value.lid,
                                          static_cast<std::uint32_t>(reply.value.maxRecvSize));
}

}  // namespace visa
