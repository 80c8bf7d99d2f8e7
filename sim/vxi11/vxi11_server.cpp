#include "sim/vxi11/vxi11_server.h"

#include <rpc/pmap_clnt.h>
#include <rpc/rpc.h>

#include <strings.h>
#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>

#include "sim/counter.h"
#include "sim/vxi11/portmap_server.h"
#include "sim/vxi11/rpc_tcp_service.h"
#include "visa/vxi11/bounded_xdr.h"
#include "visa/vxi11/record_stream.h"
#include "visa/vxi11/rpc_message.h"
#include "visa/vxi11/vxi11_protocol.h"
#include "visa/vxi11/vxi11_rpc.h"

namespace sim {

namespace {

namespace rpc = visa::vxi11;
using visa::vxi11::xdrProc;
using Milliseconds = std::chrono::milliseconds;

// What one device_write may carry; clients split longer messages.
constexpr std::uint32_t kMaxRecvSize = 1u << 20;

// A message still unfinished past this size is dropped (out of resources).
constexpr std::size_t kMaxMessage = 16u << 20;
// The longest call record read whole: longer ones end the connection. A device_write longer
// than maxRecvSize, up to this, is read and answered GARBAGE_ARGS.
constexpr std::size_t kMaxCallRecord = kMaxMessage + 4096;
// The largest piece of an answer one device_read returns, whatever was asked.
constexpr std::uint32_t kMaxReadChunk = 1u << 20;
// How often a waiting device_read looks whether the server is stopping.
constexpr Milliseconds kWaitSlice{50};

bool isDeviceName(const char* name) { return name && ::strcasecmp(name, "inst0") == 0; }

}  // namespace

struct Vxi11Server::Impl {
  // One VXI-11 link: a link of the counter of its own, so that its answers come back to it
  // alone, as on an instrument that keeps an output queue per link.
  struct Link {
    std::uint64_t connection = 0;
    Counter::LinkId counterLink = Counter::kDefaultLink;
    std::string input;   // fragments of a message written without END so far
    std::string answer;  // the rest of an answer that a read left unread
  };

  Impl(Counter& c, Vxi11Options o) : counter(c), options(std::move(o)) {}

  Counter& counter;
  Vxi11Options options;
  std::unique_ptr<RpcTcpService> core;
  std::unique_ptr<PortmapServer> portmap;
  bool registered = false;

  std::mutex mutex;
  std::condition_variable lockReleased;
  std::map<long, Link> links;
  long nextLink = 1;
  long lockHolder = 0;  // the link holding the device lock, 0 for none

  bool handle(std::uint64_t connection, const std::vector<std::uint8_t>& call,
              std::vector<std::uint8_t>& reply);
  void connectionClosed(std::uint64_t connection);

  // Decodes the arguments of a call, runs `body` on them and encodes its result. Arguments
  // that do not decode are answered with GARBAGE_ARGS.
  template <typename Args, typename Result, typename Body>
  std::vector<std::uint8_t> serve(const std::vector<std::uint8_t>& call, std::size_t offset,
                                  std::uint32_t xid, xdrproc_t decodeArgs, xdrproc_t encodeResult,
                                  Body&& body) {
    return serveBounded<Args, Result>(
        call, offset, xid,
        [&](const std::uint8_t* data, std::size_t size, Args* args) {
          return rpc::decodeWith(decodeArgs, data, size, args);
        },
        decodeArgs, encodeResult, std::forward<Body>(body));
  }

  // The same for arguments with variable-length fields, decoded by `decode` (bounded_xdr.h)
  // and released with `freeArgs`.
  template <typename Args, typename Result, typename Decode, typename Body>
  std::vector<std::uint8_t> serveBounded(const std::vector<std::uint8_t>& call, std::size_t offset,
                                         std::uint32_t xid, Decode&& decode, xdrproc_t freeArgs,
                                         xdrproc_t encodeResult, Body&& body) {
    Args args{};
    if (!rpc::decodeArguments(call, offset, [&](const std::uint8_t* data, std::size_t size) {
          return decode(data, size, &args);
        })) {
      return rpc::encodeErrorReply(xid, rpc::AcceptStat::GarbageArguments);
    }
    Result result = body(args);
    auto reply = rpc::encodeReply(xid, encodeResult, &result);
    xdr_free(freeArgs, reinterpret_cast<char*>(&args));
    return reply;
  }

  // Waits until `link` may use the device: no other link holds the lock, or it is released
  // within lock_timeout when the caller asked to wait. Called with `lock` held.
  long acquireAccess(std::unique_lock<std::mutex>& lock, long link, long flags,
                     u_long lockTimeout) {
    auto free = [&] { return lockHolder == 0 || lockHolder == link; };
    if (free()) return rpc::kNoError;
    if (!(flags & rpc::kFlagWaitLock)) return rpc::kDeviceLockedByAnotherLink;
    if (!lockReleased.wait_for(lock, waitFor(lockTimeout), free)) {
      return rpc::kDeviceLockedByAnotherLink;
    }
    return rpc::kNoError;
  }

  // A wait the client asked for, within the server's limit.
  Milliseconds waitFor(u_long requested) const {
    return std::min<Milliseconds>(Milliseconds(requested), options.maxWait);
  }
  bool stopping() const { return core && core->stopping(); }

  Create_LinkResp createLink(std::uint64_t connection, const Create_LinkParms& p);
  Device_WriteResp write(const Device_WriteParms& p);
  Device_ReadResp read(const Device_ReadParms& p, std::string& storage, bool* dropLink);
  Device_Error generic(std::uint32_t procedure, const Device_GenericParms& p);
  Device_Error lock(const Device_LockParms& p);
  Device_Error unlock(long link);
  Device_Error destroy(long link);
};

Create_LinkResp Vxi11Server::Impl::createLink(std::uint64_t connection, const Create_LinkParms& p) {
  Create_LinkResp resp{};
  resp.abortPort = 0;
  resp.maxRecvSize = kMaxRecvSize;
  if (!isDeviceName(p.device)) {
    resp.error = rpc::kDeviceNotAccessible;
    return resp;
  }
  std::unique_lock lock(mutex);
  const long id = nextLink++;
  if (p.lockDevice) {
    resp.error = acquireAccess(lock, id, rpc::kFlagWaitLock, p.lock_timeout);
    if (resp.error != rpc::kNoError) return resp;
    lockHolder = id;
  }
  links[id].connection = connection;
  links[id].counterLink = counter.openLink();
  resp.lid = id;
  resp.error = rpc::kNoError;
  return resp;
}

Device_WriteResp Vxi11Server::Impl::write(const Device_WriteParms& p) {
  Device_WriteResp resp{};
  std::string message;
  Counter::LinkId counterLink = Counter::kDefaultLink;
  {
    std::unique_lock lock(mutex);
    auto it = links.find(p.lid);
    if (it == links.end()) {
      resp.error = rpc::kInvalidLinkIdentifier;
      return resp;
    }
    resp.error = acquireAccess(lock, p.lid, p.flags, p.lock_timeout);
    if (resp.error != rpc::kNoError) return resp;
    it = links.find(p.lid);  // the wait may have let the link go
    if (it == links.end()) {
      resp.error = rpc::kInvalidLinkIdentifier;
      return resp;
    }
    Link& link = it->second;
    counterLink = link.counterLink;
    if (link.input.size() + p.data.data_len > kMaxMessage) {
      link.input.clear();
      lock.unlock();
      counter.reportInputOverrun();
      resp.error = rpc::kOutOfResources;
      return resp;
    }
    link.input.append(p.data.data_val, p.data.data_len);
    resp.size = p.data.data_len;
    if (!(p.flags & rpc::kFlagEnd)) return resp;
    message.swap(link.input);
    // A new message makes whatever remained of an older answer obsolete.
    link.answer.clear();
  }
  counter.write(counterLink, message);
  resp.error = rpc::kNoError;
  return resp;
}

Device_ReadResp Vxi11Server::Impl::read(const Device_ReadParms& p, std::string& storage,
                                        bool* dropLink) {
  Device_ReadResp resp{};
  if (p.requestSize == 0) {
    resp.error = rpc::kParameterError;
    return resp;
  }
  std::string answer;
  Counter::LinkId counterLink = Counter::kDefaultLink;
  {
    std::unique_lock lock(mutex);
    if (!links.count(p.lid)) {
      resp.error = rpc::kInvalidLinkIdentifier;
      return resp;
    }
    resp.error = acquireAccess(lock, p.lid, p.flags, p.lock_timeout);
    if (resp.error != rpc::kNoError) return resp;
    auto it = links.find(p.lid);
    if (it == links.end()) {
      resp.error = rpc::kInvalidLinkIdentifier;
      return resp;
    }
    answer.swap(it->second.answer);
    counterLink = it->second.counterLink;
  }
  if (answer.empty()) {
    // Wait for the counter's next answer, in slices so that a stopping server ends the wait.
    const auto deadline = rpc::deadlineAfter(waitFor(p.io_timeout));
    for (;;) {
      auto left = std::chrono::duration_cast<Milliseconds>(deadline - rpc::SteadyClock::now());
      ReadResult r = counter.read(counterLink, std::clamp(left, Milliseconds::zero(), kWaitSlice));
      if (r.status == ReadResult::Status::Ok) {
        answer = std::move(r.data);
        break;
      }
      if (r.status == ReadResult::Status::ConnectionLost) {
        *dropLink = true;
        return resp;
      }
      if (stopping() || left <= kWaitSlice) {
        resp.error = rpc::kIoTimeout;
        return resp;
      }
    }
  }
  // Hand out at most requestSize bytes; with a termination character enabled, stop after it.
  std::size_t count = std::min<std::size_t>({answer.size(), p.requestSize, kMaxReadChunk});
  resp.reason = 0;
  if (p.flags & rpc::kFlagTermCharSet) {
    auto at = answer.find(static_cast<char>(p.termChar));
    if (at != std::string::npos && at < count) {
      count = at + 1;
      resp.reason |= rpc::kReasonTermChar;
    }
  }
  if (count == answer.size()) resp.reason |= rpc::kReasonEnd;
  if (count == p.requestSize) resp.reason |= rpc::kReasonRequestCount;
  storage = answer.substr(0, count);
  if (count < answer.size()) {
    std::lock_guard lock(mutex);
    auto it = links.find(p.lid);
    if (it != links.end()) it->second.answer = answer.substr(count);
  }
  resp.error = rpc::kNoError;
  resp.data.data_len = static_cast<u_int>(storage.size());
  resp.data.data_val = storage.data();
  return resp;
}

Device_Error Vxi11Server::Impl::generic(std::uint32_t procedure, const Device_GenericParms& p) {
  Device_Error resp{};
  Counter::LinkId counterLink = Counter::kDefaultLink;
  {
    std::unique_lock lock(mutex);
    if (!links.count(p.lid)) {
      resp.error = rpc::kInvalidLinkIdentifier;
      return resp;
    }
    resp.error = acquireAccess(lock, p.lid, p.flags, p.lock_timeout);
    if (resp.error != rpc::kNoError) return resp;
    auto it = links.find(p.lid);
    if (it == links.end()) {
      resp.error = rpc::kInvalidLinkIdentifier;
      return resp;
    }
    counterLink = it->second.counterLink;
    if (procedure == rpc::kDeviceClear) {
      // The device clear of one link: its own partial message and answers; other links'
      // exchanges go on.
      it->second.input.clear();
      it->second.answer.clear();
    }
  }
  switch (procedure) {
    case rpc::kDeviceClear:
      counter.clear(counterLink);
      break;
    case rpc::kDeviceLocal:
      counter.goToLocal();
      break;
    case rpc::kDeviceRemote:
      // The counter goes remote with the next message it receives.
      break;
    default:
      resp.error = rpc::kOperationNotSupported;
      return resp;
  }
  resp.error = rpc::kNoError;
  return resp;
}

Device_Error Vxi11Server::Impl::lock(const Device_LockParms& p) {
  Device_Error resp{};
  std::unique_lock guard(mutex);
  if (!links.count(p.lid)) {
    resp.error = rpc::kInvalidLinkIdentifier;
    return resp;
  }
  resp.error = acquireAccess(guard, p.lid, p.flags, p.lock_timeout);
  if (resp.error == rpc::kNoError) {
    if (!links.count(p.lid)) {
      resp.error = rpc::kInvalidLinkIdentifier;
      return resp;
    }
    lockHolder = p.lid;
  }
  return resp;
}

Device_Error Vxi11Server::Impl::unlock(long link) {
  Device_Error resp{};
  std::lock_guard guard(mutex);
  if (!links.count(link)) {
    resp.error = rpc::kInvalidLinkIdentifier;
  } else if (lockHolder != link) {
    resp.error = rpc::kNoLockHeldByThisLink;
  } else {
    lockHolder = 0;
    lockReleased.notify_all();
    resp.error = rpc::kNoError;
  }
  return resp;
}

Device_Error Vxi11Server::Impl::destroy(long link) {
  Device_Error resp{};
  std::lock_guard guard(mutex);
  const auto it = links.find(link);
  if (it == links.end()) {
    resp.error = rpc::kInvalidLinkIdentifier;
    return resp;
  }
  counter.closeLink(it->second.counterLink);
  links.erase(it);
  if (lockHolder == link) {
    lockHolder = 0;
    lockReleased.notify_all();
  }
  resp.error = rpc::kNoError;
  return resp;
}

void Vxi11Server::Impl::connectionClosed(std::uint64_t connection) {
  // Links live as long as the connection that created them.
  std::lock_guard guard(mutex);
  for (auto it = links.begin(); it != links.end();) {
    if (it->second.connection != connection) {
      ++it;
      continue;
    }
    if (lockHolder == it->first) {
      lockHolder = 0;
      lockReleased.notify_all();
    }
    counter.closeLink(it->second.counterLink);
    it = links.erase(it);
  }
}

bool Vxi11Server::Impl::handle(std::uint64_t connection, const std::vector<std::uint8_t>& call,
                               std::vector<std::uint8_t>& reply) {
  rpc::CallHeader h;
  std::size_t offset = 0;
  switch (rpc::decodeCallHeader(call, &h, &offset)) {
    case rpc::CallCheck::Ok:
      break;
    case rpc::CallCheck::RpcVersionMismatch:
      reply = rpc::encodeRpcMismatch(h.xid);
      return true;
    case rpc::CallCheck::NotACall:
      return false;
  }
  if (h.program != rpc::kCoreProgram) {
    reply = rpc::encodeErrorReply(h.xid, rpc::AcceptStat::ProgramUnavailable);
    return true;
  }
  if (h.version != rpc::kCoreVersion) {
    reply = rpc::encodeErrorReply(h.xid, rpc::AcceptStat::ProgramMismatch, rpc::kCoreVersion,
                                  rpc::kCoreVersion);
    return true;
  }
  const auto unsupported = [](auto&) {
    Device_Error e{};
    e.error = rpc::kOperationNotSupported;
    return e;
  };
  switch (h.procedure) {
    case 0:  // NULL: clients use it to check that the server is there
      reply = rpc::encodeReply(h.xid, nullptr, nullptr);
      return true;
    case rpc::kCreateLink:
      reply = serveBounded<Create_LinkParms, Create_LinkResp>(
          call, offset, h.xid, rpc::decodeCreateLinkParms, xdrProc(xdr_Create_LinkParms),
          xdrProc(xdr_Create_LinkResp),
          [&](const Create_LinkParms& p) { return createLink(connection, p); });
      return true;
    case rpc::kDeviceWrite:
      // Never more than the maxRecvSize the link was given.
      reply = serveBounded<Device_WriteParms, Device_WriteResp>(
          call, offset, h.xid,
          [](const std::uint8_t* data, std::size_t size, Device_WriteParms* p) {
            return rpc::decodeWriteParms(data, size, kMaxRecvSize, p);
          },
          xdrProc(xdr_Device_WriteParms), xdrProc(xdr_Device_WriteResp),
          [&](const Device_WriteParms& p) { return write(p); });
      return true;
    case rpc::kDeviceRead: {
      std::string storage;
      bool dropLink = false;
      reply = serve<Device_ReadParms, Device_ReadResp>(
          call, offset, h.xid, xdrProc(xdr_Device_ReadParms), xdrProc(xdr_Device_ReadResp),
          [&](const Device_ReadParms& p) { return read(p, storage, &dropLink); });
      return !dropLink;
    }
    case rpc::kDeviceReadStb: {
      reply = serve<Device_GenericParms, Device_ReadStbResp>(
          call, offset, h.xid, xdrProc(xdr_Device_GenericParms), xdrProc(xdr_Device_ReadStbResp),
          [](const Device_GenericParms&) {
            Device_ReadStbResp r{};
            r.error = rpc::kOperationNotSupported;
            return r;
          });
      return true;
    }
    case rpc::kDeviceTrigger:
    case rpc::kDeviceClear:
    case rpc::kDeviceRemote:
    case rpc::kDeviceLocal:
      reply = serve<Device_GenericParms, Device_Error>(
          call, offset, h.xid, xdrProc(xdr_Device_GenericParms), xdrProc(xdr_Device_Error),
          [&](const Device_GenericParms& p) { return generic(h.procedure, p); });
      return true;
    case rpc::kDeviceLock:
      reply = serve<Device_LockParms, Device_Error>(
          call, offset, h.xid, xdrProc(xdr_Device_LockParms), xdrProc(xdr_Device_Error),
          [&](const Device_LockParms& p) { return lock(p); });
      return true;
    case rpc::kDeviceUnlock:
      reply = serve<Device_Link, Device_Error>(call, offset, h.xid, xdrProc(xdr_Device_Link),
                                               xdrProc(xdr_Device_Error),
                                               [&](const Device_Link& l) { return unlock(l); });
      return true;
    case rpc::kDestroyLink:
      reply = serve<Device_Link, Device_Error>(call, offset, h.xid, xdrProc(xdr_Device_Link),
                                               xdrProc(xdr_Device_Error),
                                               [&](const Device_Link& l) { return destroy(l); });
      return true;
    case rpc::kDeviceEnableSrq:
      reply = serve<Device_EnableSrqParms, Device_Error>(call, offset, h.xid,
                                                         xdrProc(xdr_Device_EnableSrqParms),
                                                         xdrProc(xdr_Device_Error), unsupported);
      return true;
    case rpc::kDeviceDocmd:
      reply = serveBounded<Device_DocmdParms, Device_DocmdResp>(
          call, offset, h.xid,
          [](const std::uint8_t* data, std::size_t size, Device_DocmdParms* p) {
            return rpc::decodeDocmdParms(data, size, kMaxRecvSize, p);
          },
          xdrProc(xdr_Device_DocmdParms), xdrProc(xdr_Device_DocmdResp),
          [](const Device_DocmdParms&) {
            Device_DocmdResp r{};
            r.error = rpc::kOperationNotSupported;
            return r;
          });
      return true;
    case rpc::kCreateIntrChan:
      reply = serve<Device_RemoteFunc, Device_Error>(call, offset, h.xid,
                                                     xdrProc(xdr_Device_RemoteFunc),
                                                     xdrProc(xdr_Device_Error), unsupported);
      return true;
    case rpc::kDestroyIntrChan: {
      Device_Error e{};
      e.error = rpc::kOperationNotSupported;
      reply = rpc::encodeReply(h.xid, xdrProc(xdr_Device_Error), &e);
      return true;
    }
    default:
      reply = rpc::encodeErrorReply(h.xid, rpc::AcceptStat::ProcedureUnavailable);
      return true;
  }
}

Vxi11Server::Vxi11Server(Counter& counter, Vxi11Options options)
    : impl_(std::make_unique<Impl>(counter, std::move(options))) {}

Vxi11Server::~Vxi11Server() { stop(); }

bool Vxi11Server::start(std::string* error) {
  Impl& d = *impl_;
  if (d.core) return true;
  d.core = std::make_unique<RpcTcpService>(
      [&d](std::uint64_t connection, const std::vector<std::uint8_t>& call,
           std::vector<std::uint8_t>& reply) { return d.handle(connection, call, reply); },
      [&d](std::uint64_t connection) { d.connectionClosed(connection); }, kMaxCallRecord);
  if (!d.core->start(d.options.bindAddress, d.options.port, error)) {
    d.core.reset();
    return false;
  }
  switch (d.options.portmap) {
    case Vxi11Options::Portmap::None:
      break;
    case Vxi11Options::Portmap::Serve: {
      d.portmap = std::make_unique<PortmapServer>(std::vector<PortmapServer::Mapping>{
          {rpc::kCoreProgram, rpc::kCoreVersion, rpc::kIpProtoTcp, d.core->port()}});
      if (!d.portmap->start(d.options.bindAddress, d.options.portmapPort, error)) {
        d.portmap.reset();
        stop();
        return false;
      }
      break;
    }
    case Vxi11Options::Portmap::Register:
      // Replace a registration that an earlier server left behind, then register ours.
      pmap_unset(rpc::kCoreProgram, rpc::kCoreVersion);
      if (!pmap_set(rpc::kCoreProgram, rpc::kCoreVersion, IPPROTO_TCP, d.core->port())) {
        if (error) {
          *error = "cannot register the VXI-11 core channel with rpcbind (is rpcbind -w running?)";
        }
        stop();
        return false;
      }
      d.registered = true;
      break;
  }
  return true;
}

void Vxi11Server::stop() {
  Impl& d = *impl_;
  if (d.registered) {
    pmap_unset(rpc::kCoreProgram, rpc::kCoreVersion);
    d.registered = false;
  }
  if (d.portmap) {
    d.portmap->stop();
    d.portmap.reset();
  }
  if (d.core) {
    d.core->stop();
    d.core.reset();
  }
  std::lock_guard guard(d.mutex);
  for (const auto& [id, link] : d.links) d.counter.closeLink(link.counterLink);
  d.links.clear();
  d.lockHolder = 0;
}

std::vector<std::uint8_t> Vxi11Server::answer(std::uint64_t connection,
                                              const std::vector<std::uint8_t>& call) {
  std::vector<std::uint8_t> reply;
  impl_->handle(connection, call, reply);
  return reply;
}

void Vxi11Server::connectionClosed(std::uint64_t connection) {
  impl_->connectionClosed(connection);
}

std::uint16_t Vxi11Server::port() const { return impl_->core ? impl_->core->port() : 0; }

std::uint16_t Vxi11Server::portmapPort() const {
  return impl_->portmap ? impl_->portmap->port() : 0;
}

}  // namespace sim
