// The simulated counter's VXI-11 server as a client library no one here wrote sees it:
// libtirpc's own TCP client calls the core channel procedure by procedure.

#include <arpa/inet.h>
#include <rpc/rpc.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/counter.h"
#include "sim/vxi11/vxi11_server.h"
#include "visa/vxi11/rpc_message.h"
#include "visa/vxi11/vxi11_protocol.h"
#include "visa/vxi11/vxi11_rpc.h"

namespace {

namespace rpc = visa::vxi11;
using visa::vxi11::xdrProc;
using namespace std::chrono_literals;

// One libtirpc client connection to the core channel.
class CoreClient {
 public:
  explicit CoreClient(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int sock = RPC_ANYSOCK;
    client_ = clnttcp_create(&address, rpc::kCoreProgram, rpc::kCoreVersion, &sock, 0, 0);
  }
  ~CoreClient() {
    if (client_) clnt_destroy(client_);
  }
  bool ok() const { return client_ != nullptr; }
  void close() {
    clnt_destroy(client_);
    client_ = nullptr;
  }

  template <typename Args, typename Result>
  clnt_stat call(std::uint32_t procedure, xdrproc_t encode, Args& args, xdrproc_t decode,
                 Result& result) {
    timeval wait{10, 0};
    return clnt_call(client_, procedure, encode, reinterpret_cast<char*>(&args), decode,
                     reinterpret_cast<char*>(&result), wait);
  }

  Create_LinkResp createLink(const char* device, bool lock = false) {
    Create_LinkParms p{};
    p.clientId = 1;
    p.lockDevice = lock;
    p.lock_timeout = 0;
    p.device = const_cast<char*>(device);
    Create_LinkResp r{};
    EXPECT_EQ(
        call(rpc::kCreateLink, xdrProc(xdr_Create_LinkParms), p, xdrProc(xdr_Create_LinkResp), r),
        RPC_SUCCESS);
    return r;
  }

  long write(long lid, const std::string& data, long flags = rpc::kFlagEnd,
             u_long lockTimeout = 0) {
    Device_WriteParms p{};
    p.lid = lid;
    p.io_timeout = 1000;
    p.lock_timeout = lockTimeout;
    p.flags = flags;
    p.data.data_len = static_cast<u_int>(data.size());
    p.data.data_val = const_cast<char*>(data.data());
    Device_WriteResp r{};
    EXPECT_EQ(call(rpc::kDeviceWrite, xdrProc(xdr_Device_WriteParms), p,
                   xdrProc(xdr_Device_WriteResp), r),
              RPC_SUCCESS);
    if (r.error == rpc::kNoError) {
      EXPECT_EQ(r.size, data.size());
    }
    return r.error;
  }

  struct ReadResult {
    long error;
    long reason;
    std::string data;
  };
  ReadResult read(long lid, u_long requestSize, u_long ioTimeout = 2000, long flags = 0,
                  char termChar = 0) {
    Device_ReadParms p{};
    p.lid = lid;
    p.requestSize = requestSize;
    p.io_timeout = ioTimeout;
    p.flags = flags;
    p.termChar = termChar;
    Device_ReadResp r{};
    EXPECT_EQ(
        call(rpc::kDeviceRead, xdrProc(xdr_Device_ReadParms), p, xdrProc(xdr_Device_ReadResp), r),
        RPC_SUCCESS);
    ReadResult result{r.error, r.reason, std::string(r.data.data_val, r.data.data_len)};
    xdr_free(xdrProc(xdr_Device_ReadResp), reinterpret_cast<char*>(&r));
    return result;
  }

  long lock(long lid, long flags = 0, u_long lockTimeout = 0) {
    Device_LockParms p{lid, flags, lockTimeout};
    Device_Error r{};
    EXPECT_EQ(
        call(rpc::kDeviceLock, xdrProc(xdr_Device_LockParms), p, xdrProc(xdr_Device_Error), r),
        RPC_SUCCESS);
    return r.error;
  }

  long onLink(std::uint32_t procedure, long lid) {
    Device_Link link = lid;
    Device_Error r{};
    EXPECT_EQ(call(procedure, xdrProc(xdr_Device_Link), link, xdrProc(xdr_Device_Error), r),
              RPC_SUCCESS);
    return r.error;
  }

  long generic(std::uint32_t procedure, long lid) {
    Device_GenericParms p{lid, 0, 0, 1000};
    if (procedure == rpc::kDeviceReadStb) {
      Device_ReadStbResp r{};
      EXPECT_EQ(
          call(procedure, xdrProc(xdr_Device_GenericParms), p, xdrProc(xdr_Device_ReadStbResp), r),
          RPC_SUCCESS);
      return r.error;
    }
    Device_Error r{};
    EXPECT_EQ(call(procedure, xdrProc(xdr_Device_GenericParms), p, xdrProc(xdr_Device_Error), r),
              RPC_SUCCESS);
    return r.error;
  }

  CLIENT* raw() { return client_; }

 private:
  CLIENT* client_ = nullptr;
};

class Vxi11CoreChannel : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<sim::Vxi11Server>(counter);
    std::string error;
    ASSERT_TRUE(server->start(&error)) << error;
    EXPECT_EQ(server->portmapPort(), 0) << "no portmapper unless asked";
    client = std::make_unique<CoreClient>(server->port());
    ASSERT_TRUE(client->ok());
    auto link = client->createLink("inst0");
    ASSERT_EQ(link.error, rpc::kNoError);
    EXPECT_GE(link.maxRecvSize, 1024u);
    lid = link.lid;
  }

  sim::Counter counter;
  std::unique_ptr<sim::Vxi11Server> server;
  std::unique_ptr<CoreClient> client;
  long lid = 0;
};

TEST_F(Vxi11CoreChannel, ReadStopsAtRequestSizeTerminationCharacterOrEnd) {
  const std::string idn = counter.identification() + "\n";
  const std::size_t comma = idn.find(',');
  ASSERT_EQ(client->write(lid, "*IDN?\n"), rpc::kNoError);
  auto first = client->read(lid, 5);
  EXPECT_EQ(first.error, rpc::kNoError);
  EXPECT_EQ(first.reason, rpc::kReasonRequestCount);
  EXPECT_EQ(first.data, idn.substr(0, 5));
  auto rest = client->read(lid, 4096);
  EXPECT_EQ(rest.reason, rpc::kReasonEnd);
  EXPECT_EQ(rest.data, idn.substr(5));

  ASSERT_EQ(client->write(lid, "*IDN?\n"), rpc::kNoError);
  auto upToComma = client->read(lid, 4096, 2000, rpc::kFlagTermCharSet, ',');
  EXPECT_EQ(upToComma.reason, rpc::kReasonTermChar);
  EXPECT_EQ(upToComma.data, idn.substr(0, comma + 1));
  auto exact = client->read(lid, static_cast<u_long>(idn.size() - comma - 1));
  EXPECT_EQ(exact.reason, rpc::kReasonEnd | rpc::kReasonRequestCount);
  EXPECT_EQ(exact.data, idn.substr(comma + 1));
}

TEST_F(Vxi11CoreChannel, MessageIsHandedOverAtItsEnd) {
  std::vector<std::string> received;
  counter.setCommandLog([&](std::string_view m) { received.emplace_back(m); });
  EXPECT_EQ(client->write(lid, "*ID", 0), rpc::kNoError);
  EXPECT_TRUE(received.empty());
  EXPECT_EQ(client->write(lid, "N?\n"), rpc::kNoError);
  counter.setCommandLog({});
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], "*IDN?\n");
  EXPECT_EQ(client->read(lid, 4096).data, counter.identification() + "\n");
}

TEST_F(Vxi11CoreChannel, OverlongMessageIsRefusedAndReported) {
  // Pieces of the link's maxRecvSize add up to a message past the 16 MiB the counter buffers.
  const std::string piece(1u << 20, ' ');
  for (int i = 0; i < 16; ++i) ASSERT_EQ(client->write(lid, piece, 0), rpc::kNoError) << i;
  EXPECT_EQ(client->write(lid, piece, 0), rpc::kOutOfResources);
  auto errors = counter.pendingErrors();
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.back().rfind("-363,", 0), 0u) << errors.back();
  EXPECT_EQ(client->write(lid, "*OPC?\n"), rpc::kNoError) << "the link goes on";
  EXPECT_EQ(client->read(lid, 100).data, "1\n");
}

TEST_F(Vxi11CoreChannel, WriteLargerThanMaxRecvSizeIsGarbageArguments) {
  const std::string piece((1u << 20) + 1, ' ');
  Device_WriteParms p{};
  p.lid = lid;
  p.io_timeout = 1000;
  p.flags = rpc::kFlagEnd;
  p.data.data_len = static_cast<u_int>(piece.size());
  p.data.data_val = const_cast<char*>(piece.data());
  Device_WriteResp r{};
  EXPECT_EQ(client->call(rpc::kDeviceWrite, xdrProc(xdr_Device_WriteParms), p,
                         xdrProc(xdr_Device_WriteResp), r),
            RPC_CANTDECODEARGS);
  EXPECT_EQ(client->write(lid, "*OPC?\n"), rpc::kNoError) << "the link goes on";
  EXPECT_EQ(client->read(lid, 100).data, "1\n");
}

TEST_F(Vxi11CoreChannel, ReadWithoutAnAnswerTimesOutAfterIoTimeout) {
  const auto start = std::chrono::steady_clock::now();
  auto r = client->read(lid, 100, 300);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.error, rpc::kIoTimeout);
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 3000ms);
}

TEST_F(Vxi11CoreChannel, ErrorsNameTheProblem) {
  struct Case {
    const char* name;
    long error;
    long expected;
  } cases[] = {
      {"create_link to an unknown device", client->createLink("gpib0,5").error,
       rpc::kDeviceNotAccessible},
      {"write on an unknown link", client->write(lid + 100, "*IDN?\n"),
       rpc::kInvalidLinkIdentifier},
      {"read of zero bytes", client->read(lid, 0).error, rpc::kParameterError},
      {"unlock without a lock", client->onLink(rpc::kDeviceUnlock, lid),
       rpc::kNoLockHeldByThisLink},
      {"status byte is not offered", client->generic(rpc::kDeviceReadStb, lid),
       rpc::kOperationNotSupported},
      {"trigger is not offered", client->generic(rpc::kDeviceTrigger, lid),
       rpc::kOperationNotSupported},
      {"destroy an unknown link", client->onLink(rpc::kDestroyLink, lid + 100),
       rpc::kInvalidLinkIdentifier},
  };
  for (const auto& c : cases) EXPECT_EQ(c.error, c.expected) << c.name;
}

TEST_F(Vxi11CoreChannel, LockKeepsOtherLinksOut) {
  CoreClient other(server->port());
  const long otherLid = other.createLink("inst0").lid;
  ASSERT_EQ(client->lock(lid), rpc::kNoError);
  EXPECT_EQ(other.write(otherLid, "*CLS\n"), rpc::kDeviceLockedByAnotherLink);
  EXPECT_EQ(other.lock(otherLid, rpc::kFlagWaitLock, 100), rpc::kDeviceLockedByAnotherLink);
  EXPECT_EQ(other.onLink(rpc::kDeviceUnlock, otherLid), rpc::kNoLockHeldByThisLink);
  EXPECT_EQ(client->write(lid, "*CLS\n"), rpc::kNoError) << "the holder goes on";
  ASSERT_EQ(client->onLink(rpc::kDeviceUnlock, lid), rpc::kNoError);
  EXPECT_EQ(other.write(otherLid, "*CLS\n"), rpc::kNoError);

  // A lock ends with its link, and a link with its connection.
  ASSERT_EQ(client->lock(lid), rpc::kNoError);
  client->close();
  EXPECT_EQ(other.lock(otherLid, rpc::kFlagWaitLock, 2000), rpc::kNoError);
  EXPECT_EQ(other.onLink(rpc::kDestroyLink, otherLid), rpc::kNoError);
}

TEST_F(Vxi11CoreChannel, AnswersOtherVersionsAndProceduresAsRpcRequires) {
  CLIENT* raw = client->raw();
  timeval wait{5, 0};
  EXPECT_EQ(clnt_call(raw, 0, xdrProc(xdr_void), nullptr, xdrProc(xdr_void), nullptr, wait),
            RPC_SUCCESS)
      << "NULL procedure";
  EXPECT_EQ(clnt_call(raw, 21, xdrProc(xdr_void), nullptr, xdrProc(xdr_void), nullptr, wait),
            RPC_PROCUNAVAIL);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(server->port());
  int sock = RPC_ANYSOCK;
  CLIENT* v2 = clnttcp_create(&address, rpc::kCoreProgram, 2, &sock, 0, 0);
  ASSERT_NE(v2, nullptr);
  EXPECT_EQ(clnt_call(v2, 0, xdrProc(xdr_void), nullptr, xdrProc(xdr_void), nullptr, wait),
            RPC_PROGVERSMISMATCH);
  clnt_destroy(v2);
}

}  // namespace
