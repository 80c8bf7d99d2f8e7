#include "visa/vxi11/rpc_message.h"

namespace visa::vxi11 {

namespace {

constexpr std::uint32_t kCall = 0;
constexpr std::uint32_t kReply = 1;
constexpr std::uint32_t kRpcVersion = 2;
constexpr std::uint32_t kMsgAccepted = 0;
constexpr std::uint32_t kMsgDenied = 1;
constexpr std::uint32_t kRpcMismatch = 0;
constexpr std::uint32_t kAuthNone = 0;
constexpr std::uint32_t kMaxAuthBytes = 400;

// An XDR memory stream over a byte vector, destroyed with the object.
class MemoryXdr {
 public:
  MemoryXdr(std::uint8_t* data, std::size_t size, xdr_op op) {
    xdrmem_create(&xdr_, reinterpret_cast<char*>(data), static_cast<u_int>(size), op);
  }
  ~MemoryXdr() { xdr_destroy(&xdr_); }
  XDR* get() { return &xdr_; }
  bool put(std::uint32_t value) { return xdr_u_int32_t(&xdr_, &value); }
  bool get(std::uint32_t* value) { return xdr_u_int32_t(&xdr_, value); }
  // Skips an opaque authentication body (length word, then the padded bytes).
  bool skipAuthBody() {
    std::uint32_t length = 0;
    if (!get(&length) || length > kMaxAuthBytes) return false;
    return xdr_setpos(&xdr_, xdr_getpos(&xdr_) + ((length + 3) & ~3u));
  }

 private:
  XDR xdr_;
};

std::size_t encodedSize(xdrproc_t proc, const void* data) {
  return proc ? xdr_sizeof(proc, const_cast<void*>(data)) : 0;
}

void replyHeader(MemoryXdr& x, std::uint32_t xid) {
  x.put(xid);
  x.put(kReply);
  x.put(kMsgAccepted);
  x.put(kAuthNone);  // verifier
  x.put(0);
}

}  // namespace

bool decodeWith(xdrproc_t proc, const std::uint8_t* data, std::size_t size, void* value) {
  MemoryXdr x(const_cast<std::uint8_t*>(data), size, XDR_DECODE);
  if (proc(x.get(), value, 0)) return true;
  xdr_free(proc, static_cast<char*>(value));
  return false;
}

bool encodeCall(const CallHeader& header, xdrproc_t encodeArgs, const void* args,
                std::vector<std::uint8_t>& out) {
  out.assign(40 + encodedSize(encodeArgs, args), 0);
  MemoryXdr x(out.data(), out.size(), XDR_ENCODE);
  bool ok = x.put(header.xid) && x.put(kCall) && x.put(kRpcVersion) && x.put(header.program) &&
            x.put(header.version) && x.put(header.procedure) && x.put(kAuthNone) && x.put(0) &&
            x.put(kAuthNone) && x.put(0);
  if (ok && encodeArgs) ok = encodeArgs(x.get(), const_cast<void*>(args), 0);
  if (ok) out.resize(xdr_getpos(x.get()));
  return ok;
}

bool messageXid(const std::vector<std::uint8_t>& record, std::uint32_t* xid) {
  if (record.size() < 4) return false;
  *xid = (std::uint32_t{record[0]} << 24) | (std::uint32_t{record[1]} << 16) |
         (std::uint32_t{record[2]} << 8) | std::uint32_t{record[3]};
  return true;
}

ReplyResult decodeReply(const std::vector<std::uint8_t>& record, const BodyDecoder& decodeResults) {
  MemoryXdr x(const_cast<std::uint8_t*>(record.data()), record.size(), XDR_DECODE);
  std::uint32_t xid, type, replyStat;
  if (!x.get(&xid) || !x.get(&type) || type != kReply || !x.get(&replyStat)) {
    return ReplyResult::Malformed;
  }
  if (replyStat == kMsgDenied) return ReplyResult::Denied;
  if (replyStat != kMsgAccepted) return ReplyResult::Malformed;
  std::uint32_t verifierFlavor, acceptStat;
  if (!x.get(&verifierFlavor) || !x.skipAuthBody() || !x.get(&acceptStat)) {
    return ReplyResult::Malformed;
  }
  switch (static_cast<AcceptStat>(acceptStat)) {
    case AcceptStat::Success: {
      const std::size_t offset = xdr_getpos(x.get());
      if (offset > record.size()) return ReplyResult::Malformed;
      if (decodeResults && !decodeResults(record.data() + offset, record.size() - offset))
        return ReplyResult::Malformed;
      return ReplyResult::Ok;
    }
    case AcceptStat::ProgramUnavailable:
      return ReplyResult::ProgramUnavailable;
    case AcceptStat::ProgramMismatch:
      return ReplyResult::VersionMismatch;
    case AcceptStat::ProcedureUnavailable:
      return ReplyResult::ProcedureUnavailable;
    case AcceptStat::GarbageArguments:
      return ReplyResult::GarbageArguments;
    case AcceptStat::SystemError:
      return ReplyResult::SystemError;
  }
  return ReplyResult::Malformed;
}

ReplyResult decodeReply(const std::vector<std::uint8_t>& record, xdrproc_t decodeResults,
                        void* results) {
  if (!decodeResults) return decodeReply(record, BodyDecoder{});
  return decodeReply(record, [&](const std::uint8_t* data, std::size_t size) {
    return decodeWith(decodeResults, data, size, results);
  });
}

CallCheck decodeCallHeader(const std::vector<std::uint8_t>& record, CallHeader* header,
                           std::size_t* argsOffset) {
  MemoryXdr x(const_cast<std::uint8_t*>(record.data()), record.size(), XDR_DECODE);
  std::uint32_t type, rpcVersion, flavor;
  if (!x.get(&header->xid) || !x.get(&type) || type != kCall || !x.get(&rpcVersion)) {
    return CallCheck::NotACall;
  }
  if (rpcVersion != kRpcVersion) return CallCheck::RpcVersionMismatch;
  if (!x.get(&header->program) || !x.get(&header->version) || !x.get(&header->procedure) ||
      !x.get(&flavor) || !x.skipAuthBody() || !x.get(&flavor) || !x.skipAuthBody()) {
    return CallCheck::NotACall;
  }
  *argsOffset = xdr_getpos(x.get());
  return CallCheck::Ok;
}

bool decodeArguments(const std::vector<std::uint8_t>& record, std::size_t argsOffset,
                     xdrproc_t decodeArgs, void* args) {
  if (argsOffset > record.size()) return false;
  return decodeWith(decodeArgs, record.data() + argsOffset, record.size() - argsOffset, args);
}

bool decodeArguments(const std::vector<std::uint8_t>& record, std::size_t argsOffset,
                     const BodyDecoder& decodeArgs) {
  if (argsOffset > record.size()) return false;
  return decodeArgs(record.data() + argsOffset, record.size() - argsOffset);
}

std::vector<std::uint8_t> encodeReply(std::uint32_t xid, xdrproc_t encodeResults,
                                      const void* results) {
  std::vector<std::uint8_t> out(24 + encodedSize(encodeResults, results));
  MemoryXdr x(out.data(), out.size(), XDR_ENCODE);
  replyHeader(x, xid);
  x.put(static_cast<std::uint32_t>(AcceptStat::Success));
  if (encodeResults && !encodeResults(x.get(), const_cast<void*>(results), 0)) {
    return encodeErrorReply(xid, AcceptStat::SystemError);
  }
  out.resize(xdr_getpos(x.get()));
  return out;
}

std::vector<std::uint8_t> encodeErrorReply(std::uint32_t xid, AcceptStat status, std::uint32_t low,
                                           std::uint32_t high) {
  std::vector<std::uint8_t> out(32);
  MemoryXdr x(out.data(), out.size(), XDR_ENCODE);
  replyHeader(x, xid);
  x.put(static_cast<std::uint32_t>(status));
  if (status == AcceptStat::ProgramMismatch) {
    x.put(low);
    x.put(high);
  }
  out.resize(xdr_getpos(x.get()));
  return out;
}

std::vector<std::uint8_t> encodeRpcMismatch(std::uint32_t xid) {
  std::vector<std::uint8_t> out(24);
  MemoryXdr x(out.data(), out.size(), XDR_ENCODE);
  x.put(xid);
  x.put(kReply);
  x.put(kMsgDenied);
  x.put(kRpcMismatch);
  x.put(kRpcVersion);
  x.put(kRpcVersion);
  return out;
}

}  // namespace visa::vxi11
