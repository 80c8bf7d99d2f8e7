#include "visa/vxi11/rpc_message.h"

#include <rpc/rpc.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <thread>

#include "visa/vxi11/rpc_client.h"
#include "visa/vxi11/vxi11_protocol.h"
#include "visa/vxi11/vxi11_rpc.h"

namespace {

namespace rpc = visa::vxi11;
using visa::vxi11::xdrProc;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t word(const Bytes& b, std::size_t index) {
  return (std::uint32_t{b[4 * index]} << 24) | (std::uint32_t{b[4 * index + 1]} << 16) |
         (std::uint32_t{b[4 * index + 2]} << 8) | b[4 * index + 3];
}

void putWord(Bytes& b, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    b.push_back(static_cast<std::uint8_t>(value >> shift));
}

TEST(RpcMessage, CallCarriesTheStandardHeaderAndItsArguments) {
  std::string payload = "*IDN?\n";
  Device_WriteParms parms{};
  parms.lid = 7;
  parms.io_timeout = 1500;
  parms.flags = rpc::kFlagEnd;
  parms.data.data_len = static_cast<u_int>(payload.size());
  parms.data.data_val = payload.data();
  Bytes call;
  ASSERT_TRUE(rpc::encodeCall({0x12345678, rpc::kCoreProgram, rpc::kCoreVersion, rpc::kDeviceWrite},
                              xdrProc(xdr_Device_WriteParms), &parms, call));
  // xid, CALL, RPC version 2, program, version, procedure, AUTH_NONE credentials and verifier.
  const std::uint32_t header[] = {0x12345678, 0, 2, 0x0607AF, 1, 11, 0, 0, 0, 0};
  for (std::size_t i = 0; i < std::size(header); ++i) EXPECT_EQ(word(call, i), header[i]) << i;
  // lid, io_timeout, lock_timeout, flags, then the opaque data padded to a multiple of 4.
  EXPECT_EQ(call.size(), 40u + 16u + 4u + 8u);
  EXPECT_EQ(word(call, 13), 8u);

  rpc::CallHeader decoded;
  std::size_t offset = 0;
  ASSERT_EQ(rpc::decodeCallHeader(call, &decoded, &offset), rpc::CallCheck::Ok);
  EXPECT_EQ(decoded.xid, 0x12345678u);
  EXPECT_EQ(decoded.procedure, rpc::kDeviceWrite);
  Device_WriteParms back{};
  ASSERT_TRUE(rpc::decodeArguments(call, offset, xdrProc(xdr_Device_WriteParms), &back));
  EXPECT_EQ(back.lid, 7);
  EXPECT_EQ(back.flags, rpc::kFlagEnd);
  EXPECT_EQ(std::string(back.data.data_val, back.data.data_len), payload);
  xdr_free(xdrProc(xdr_Device_WriteParms), reinterpret_cast<char*>(&back));
}

TEST(RpcMessage, CallHeaderChecksTellWhatToAnswer) {
  auto header = [](std::uint32_t type, std::uint32_t rpcVersion, std::uint32_t credFlavor,
                   std::uint32_t credLength) {
    Bytes b;
    for (std::uint32_t w : {1u, type, rpcVersion, 100000u, 2u, 3u, credFlavor, credLength}) {
      putWord(b, w);
    }
    for (std::uint32_t i = 0; i < (credLength + 3) / 4; ++i) putWord(b, 0xAAAAAAAA);
    putWord(b, 0);  // verifier AUTH_NONE
    putWord(b, 0);
    putWord(b, 0x0607AF);  // first argument word
    return b;
  };
  struct Case {
    const char* name;
    Bytes record;
    rpc::CallCheck expected;
  } cases[] = {
      {"AUTH_NONE call", header(0, 2, 0, 0), rpc::CallCheck::Ok},
      {"AUTH_UNIX credentials are skipped", header(0, 2, 1, 22), rpc::CallCheck::Ok},
      {"RPC version 3 needs a mismatch reply", header(0, 3, 0, 0),
       rpc::CallCheck::RpcVersionMismatch},
      {"a reply is not a call", header(1, 2, 0, 0), rpc::CallCheck::NotACall},
      {"credentials longer than 400 bytes", header(0, 2, 1, 404), rpc::CallCheck::NotACall},
      {"cut short", Bytes{0, 0, 0, 1, 0, 0}, rpc::CallCheck::NotACall},
  };
  for (const auto& c : cases) {
    rpc::CallHeader h;
    std::size_t offset = 0;
    EXPECT_EQ(rpc::decodeCallHeader(c.record, &h, &offset), c.expected) << c.name;
    if (c.expected == rpc::CallCheck::Ok) {
      EXPECT_EQ(word(c.record, offset / 4), 0x0607AFu) << c.name;
    }
  }
}

TEST(RpcMessage, ReplyOutcomesAreTellable) {
  Device_Error ok{};
  ok.error = rpc::kIoTimeout;
  const Bytes success = rpc::encodeReply(9, xdrProc(xdr_Device_Error), &ok);
  struct Case {
    const char* name;
    Bytes reply;
    rpc::ReplyResult expected;
  } cases[] = {
      {"success", success, rpc::ReplyResult::Ok},
      {"program unavailable", rpc::encodeErrorReply(9, rpc::AcceptStat::ProgramUnavailable),
       rpc::ReplyResult::ProgramUnavailable},
      {"version mismatch", rpc::encodeErrorReply(9, rpc::AcceptStat::ProgramMismatch, 1, 1),
       rpc::ReplyResult::VersionMismatch},
      {"procedure unavailable", rpc::encodeErrorReply(9, rpc::AcceptStat::ProcedureUnavailable),
       rpc::ReplyResult::ProcedureUnavailable},
      {"garbage arguments", rpc::encodeErrorReply(9, rpc::AcceptStat::GarbageArguments),
       rpc::ReplyResult::GarbageArguments},
      {"denied", rpc::encodeRpcMismatch(9), rpc::ReplyResult::Denied},
      {"results cut short", Bytes(success.begin(), success.end() - 2), rpc::ReplyResult::Malformed},
  };
  for (const auto& c : cases) {
    Device_Error decoded{};
    EXPECT_EQ(rpc::decodeReply(c.reply, xdrProc(xdr_Device_Error), &decoded), c.expected) << c.name;
    std::uint32_t xid = 0;
    EXPECT_TRUE(rpc::messageXid(c.reply, &xid));
    EXPECT_EQ(xid, 9u) << c.name;
    if (c.expected == rpc::ReplyResult::Ok) {
      EXPECT_EQ(decoded.error, rpc::kIoTimeout);
    }
  }
}

// An RPC server end on a socket pair that answers from a script.
class ScriptedPeer {
 public:
  ScriptedPeer() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    clientFd = fds[0];
    stream = std::make_unique<rpc::RecordStream>(fds[1]);
  }
  // Receives one call and returns its xid.
  std::uint32_t receiveCall() {
    Bytes call;
    EXPECT_EQ(stream->receive(call, rpc::deadlineAfter(std::chrono::seconds(5))),
              rpc::IoResult::Ok);
    rpc::CallHeader h;
    std::size_t offset;
    EXPECT_EQ(rpc::decodeCallHeader(call, &h, &offset), rpc::CallCheck::Ok);
    return h.xid;
  }
  void reply(std::uint32_t xid, long error) {
    Device_Error e{};
    e.error = error;
    stream->send(rpc::encodeReply(xid, xdrProc(xdr_Device_Error), &e),
                 rpc::deadlineAfter(std::chrono::seconds(5)));
  }
  int clientFd = -1;
  std::unique_ptr<rpc::RecordStream> stream;
};

TEST(RpcClient, IgnoresRepliesOfOtherCalls) {
  ScriptedPeer peer;
  rpc::RpcClient client(peer.clientFd, rpc::kCoreProgram, rpc::kCoreVersion);
  std::thread server([&] {
    std::uint32_t xid = peer.receiveCall();
    peer.reply(xid - 1, rpc::kIoError);  // a late reply of an earlier call comes first
    peer.reply(xid, rpc::kNoError);
  });
  Device_Link link = 1;
  Device_Error result{};
  EXPECT_EQ(
      client.call(rpc::kDeviceUnlock, xdrProc(xdr_Device_Link), &link, xdrProc(xdr_Device_Error),
                  &result, rpc::deadlineAfter(std::chrono::seconds(5))),
      rpc::RpcClient::Status::Ok);
  EXPECT_EQ(result.error, rpc::kNoError);
  server.join();
}

TEST(RpcClient, LateReplyAfterATimeoutIsNotTakenForTheNextOne) {
  ScriptedPeer peer;
  rpc::RpcClient client(peer.clientFd, rpc::kCoreProgram, rpc::kCoreVersion);
  Device_Link link = 1;
  Device_Error result{};
  EXPECT_EQ(client.call(rpc::kDeviceUnlock, xdrProc(xdr_Device_Link), &link,
                        xdrProc(xdr_Device_Error), &result, rpc::SteadyClock::now()),
            rpc::RpcClient::Status::Timeout);
  std::uint32_t first = peer.receiveCall();
  peer.reply(first, rpc::kIoError);  // the late reply of the call that timed out
  std::thread server([&] { peer.reply(peer.receiveCall(), rpc::kNoLockHeldByThisLink); });
  EXPECT_EQ(
      client.call(rpc::kDeviceUnlock, xdrProc(xdr_Device_Link), &link, xdrProc(xdr_Device_Error),
                  &result, rpc::deadlineAfter(std::chrono::seconds(5))),
      rpc::RpcClient::Status::Ok);
  EXPECT_EQ(result.error, rpc::kNoLockHeldByThisLink);
  server.join();
}

TEST(RpcClient, ADroppedConnectionStaysLost) {
  ScriptedPeer peer;
  rpc::RpcClient client(peer.clientFd, rpc::kCoreProgram, rpc::kCoreVersion);
  std::thread server([&] {
    peer.receiveCall();
    peer.stream->close();
  });
  Device_Link link = 1;
  Device_Error result{};
  const auto deadline = rpc::deadlineAfter(std::chrono::seconds(5));
  EXPECT_EQ(client.call(rpc::kDeviceUnlock, xdrProc(xdr_Device_Link), &link,
                        xdrProc(xdr_Device_Error), &result, deadline),
            rpc::RpcClient::Status::ConnectionLost);
  server.join();
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(client.call(rpc::kDeviceUnlock, xdrProc(xdr_Device_Link), &link,
                        xdrProc(xdr_Device_Error), &result, deadline),
            rpc::RpcClient::Status::ConnectionLost);
}

}  // namespace
