#pragma once
// ONC RPC version 2 call and reply messages (the header fields around the XDR-encoded
// arguments and results), encoded into and decoded from whole records. The arguments and
// results themselves go through XDR routines (rpcgen's or libtirpc's).

#include <rpc/types.h>
#include <rpc/xdr.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace visa::vxi11 {

// An XDR routine of any signature (rpcgen's take a typed pointer) as the generic xdrproc_t.
template <typename Proc>
xdrproc_t xdrProc(Proc proc) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(proc));
}

// The portmapper (program 100000, version 2) and the procedures clients use.
inline constexpr std::uint32_t kPortmapProgram = 100000;
inline constexpr std::uint32_t kPortmapVersion = 2;
inline constexpr std::uint32_t kPortmapProcNull = 0;
inline constexpr std::uint32_t kPortmapProcSet = 1;
inline constexpr std::uint32_t kPortmapProcUnset = 2;
inline constexpr std::uint32_t kPortmapProcGetPort = 3;
inline constexpr std::uint32_t kPortmapProcDump = 4;
inline constexpr std::uint32_t kIpProtoTcp = 6;
inline constexpr std::uint32_t kIpProtoUdp = 17;

// accept_stat of an accepted reply.
enum class AcceptStat : std::uint32_t {
  Success = 0,
  ProgramUnavailable = 1,
  ProgramMismatch = 2,
  ProcedureUnavailable = 3,
  GarbageArguments = 4,
  SystemError = 5,
};

struct CallHeader {
  std::uint32_t xid = 0;
  std::uint32_t program = 0;
  std::uint32_t version = 0;
  std::uint32_t procedure = 0;
};

// A call with AUTH_NONE credentials followed by `args` encoded with `encodeArgs`.
// False when the arguments cannot be encoded.
bool encodeCall(const CallHeader& header, xdrproc_t encodeArgs, const void* args,
                std::vector<std::uint8_t>& out);

enum class ReplyResult {
  Ok,
  ProgramUnavailable,
  VersionMismatch,
  ProcedureUnavailable,
  GarbageArguments,
  SystemError,
  Denied,     // MSG_DENIED: RPC version mismatch or authentication refused
  Malformed,  // not a reply, or results that do not decode
};

// The transaction id every message starts with; false for a record shorter than that.
bool messageXid(const std::vector<std::uint8_t>& record, std::uint32_t* xid);

// Decodes a reply; on ReplyResult::Ok `results` holds the decoded results, which the caller
// releases with xdr_free(decodeResults, results).
ReplyResult decodeReply(const std::vector<std::uint8_t>& record, xdrproc_t decodeResults,
                        void* results);

// Decodes the arguments or results of a message from the bytes that hold them (`size` bytes
// from `data`); false when they do not decode. For messages with variable-length fields,
// whose lengths must be checked before anything is allocated (bounded_xdr.h).
using BodyDecoder = std::function<bool(const std::uint8_t* data, std::size_t size)>;
// Decodes `size` bytes from `data` with an XDR routine; releases what it allocated on failure.
bool decodeWith(xdrproc_t proc, const std::uint8_t* data, std::size_t size, void* value);
// The same as above with a body decoder, which owns what it decoded.
ReplyResult decodeReply(const std::vector<std::uint8_t>& record, const BodyDecoder& decodeResults);

enum class CallCheck {
  Ok,
  NotACall,            // a reply or garbage: no answer is possible
  RpcVersionMismatch,  // answer with encodeRpcMismatch
};

// Decodes the header of a call; `argsOffset` is where its arguments start.
CallCheck decodeCallHeader(const std::vector<std::uint8_t>& record, CallHeader* header,
                           std::size_t* argsOffset);
// Decodes a call's arguments; on success release them with xdr_free(decodeArgs, args).
bool decodeArguments(const std::vector<std::uint8_t>& record, std::size_t argsOffset,
                     xdrproc_t decodeArgs, void* args);
bool decodeArguments(const std::vector<std::uint8_t>& record, std::size_t argsOffset,
                     const BodyDecoder& decodeArgs);

// An accepted, successful reply carrying `results`.
std::vector<std::uint8_t> encodeReply(std::uint32_t xid, xdrproc_t encodeResults,
                                      const void* results);
// An accepted reply with an error status; `low`/`high` are the supported versions and are
// only sent with AcceptStat::ProgramMismatch.
std::vector<std::uint8_t> encodeErrorReply(std::uint32_t xid, AcceptStat status,
                                           std::uint32_t low = 0, std::uint32_t high = 0);
// A denied reply to a call of another RPC protocol version than 2.
std::vector<std::uint8_t> encodeRpcMismatch(std::uint32_t xid);

}  // namespace visa::vxi11
