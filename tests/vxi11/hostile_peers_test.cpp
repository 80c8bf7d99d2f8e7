// VXI-11 with a peer that lies about lengths: crafted records whose length words claim far more
// than the record holds, or more than the call allows, on the server (v38xx-sim's core channel)
// and on the client (our VISA transport against a faulty instrument).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sim/counter.h"
#include "sim/vxi11/portmap_server.h"
#include "sim/vxi11/rpc_tcp_service.h"
#include "sim/vxi11/vxi11_server.h"
#include "visa/vxi11/bounded_xdr.h"
#include "visa/vxi11/record_stream.h"
#include "visa/vxi11/rpc_message.h"
#include "visa/vxi11/vxi11_protocol.h"
#include "visa/vxi11/vxi11_rpc.h"
#include "visa/vxi11/vxi11_transport.h"

namespace {

namespace rpc = visa::vxi11;
using visa::vxi11::xdrProc;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// The most virtual memory this process has ever mapped (VmPeak): a large allocation shows
// here even when nothing of it is touched and it is freed at once.
long long peakVirtualKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long long value = 0;
  while (status >> key) {
    if (key == "VmPeak:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 16, '\n');
  }
  return -1;
}

constexpr long long kAllowedGrowthKiB = 512 * 1024;  // far below the 4 GiB a length word asks

void put(Bytes& out, std::uint32_t word) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(word >> shift));
}

// An ONC RPC call header with AUTH_NONE (40 bytes).
Bytes callHeader(std::uint32_t xid, std::uint32_t procedure) {
  Bytes b;
  for (std::uint32_t w :
       {xid, 0u, 2u, rpc::kCoreProgram, rpc::kCoreVersion, procedure, 0u, 0u, 0u, 0u})
    put(b, w);
  return b;
}

// An accepted, successful reply header (24 bytes).
Bytes replyHeader(std::uint32_t xid) {
  Bytes b;
  for (std::uint32_t w : {xid, 1u, 0u, 0u, 0u, 0u}) put(b, w);
  return b;
}

rpc::ReplyResult roundTrip(rpc::RecordStream& stream, const Bytes& call) {
  EXPECT_EQ(stream.send(call, rpc::deadlineAfter(5s)), rpc::IoResult::Ok);
  Bytes reply;
  EXPECT_EQ(stream.receive(reply, rpc::deadlineAfter(5s)), rpc::IoResult::Ok);
  return rpc::decodeReply(reply, nullptr, nullptr);
}

class Vxi11ServerUnderAttack : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<sim::Vxi11Server>(counter);
    std::string error;
    ASSERT_TRUE(server->start(&error)) << error;
    const int fd = rpc::connectTcp("127.0.0.1", server->port(), rpc::deadlineAfter(5s));
    ASSERT_GE(fd, 0);
    stream = std::make_unique<rpc::RecordStream>(fd);
  }

  sim::Counter counter;
  std::unique_ptr<sim::Vxi11Server> server;
  std::unique_ptr<rpc::RecordStream> stream;
};

// Each crafted call is answered GARBAGE_ARGS without an allocation of what its length word
// claims, and the connection goes on serving.
TEST_F(Vxi11ServerUnderAttack, LengthWordsBeyondTheRecordOrTheLimitAreGarbageArguments) {
  struct Case {
    const char* name;
    std::uint32_t procedure;
    std::vector<std::uint32_t> fixedFields;  // before the length word
    std::uint32_t length;
  };
  const std::vector<Case> cases = {
      {"device_write claiming 4 GiB in a 64-byte record",
       rpc::kDeviceWrite,
       {1, 1000, 0, 8},
       0xFFFFFFFFu},
      {"device_write claiming 2 GiB", rpc::kDeviceWrite, {1, 1000, 0, 8}, 0x80000000u},
      {"device_write beyond maxRecvSize", rpc::kDeviceWrite, {1, 1000, 0, 8}, (1u << 20) + 4},
      {"create_link with a 4 GiB device name", rpc::kCreateLink, {1, 0, 0}, 0xFFFFFFF0u},
      {"device_docmd claiming 4 GiB", rpc::kDeviceDocmd, {1, 0, 1000, 0, 1, 0, 1}, 0xFFFFFFFFu},
  };
  std::uint32_t xid = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes call = callHeader(++xid, c.procedure);
    for (std::uint32_t w : c.fixedFields) put(call, w);
    put(call, c.length);
    while (call.size() < 64) call.push_back('A');
    const long long before = peakVirtualKiB();
    EXPECT_EQ(roundTrip(*stream, call), rpc::ReplyResult::GarbageArguments);
    EXPECT_LT(peakVirtualKiB() - before, kAllowedGrowthKiB);
  }
  EXPECT_EQ(roundTrip(*stream, callHeader(++xid, 0)), rpc::ReplyResult::Ok)
      << "the connection still serves";
}

// A faulty or hostile instrument: answers create_link and device_write as it should and every
// device_read with the record the test sets.
class FaultyInstrument {
 public:
  FaultyInstrument()
      : core_([this](std::uint64_t, const Bytes& call, Bytes& reply) {
          return answer(call, reply);
        }) {
    std::string error;
    EXPECT_TRUE(core_.start("127.0.0.1", 0, &error)) << error;
    portmap_ = std::make_unique<sim::PortmapServer>(std::vector<sim::PortmapServer::Mapping>{
        {rpc::kCoreProgram, rpc::kCoreVersion, rpc::kIpProtoTcp, core_.port()}});
    EXPECT_TRUE(portmap_->start("127.0.0.1", 0, &error)) << error;
  }

  std::uint16_t portmapPort() const { return portmap_->port(); }

  // The device_read results after the reply header: error, reason, then `body` as is.
  void readResultsAre(std::vector<std::uint32_t> words, std::string tail = "") {
    readWords_ = std::move(words);
    readTail_ = std::move(tail);
  }
  std::uint32_t lastRequestSize() const { return lastRequestSize_; }

 private:
  bool answer(const Bytes& call, Bytes& reply) {
    rpc::CallHeader h;
    std::size_t offset = 0;
    if (rpc::decodeCallHeader(call, &h, &offset) != rpc::CallCheck::Ok) return false;
    switch (h.procedure) {
      case rpc::kCreateLink: {
        Create_LinkResp r{};
        r.lid = 7;
        r.maxRecvSize = 4096;
        reply = rpc::encodeReply(h.xid, xdrProc(xdr_Create_LinkResp), &r);
        return true;
      }
      case rpc::kDeviceWrite: {
        Device_WriteParms p{};
        EXPECT_TRUE(rpc::decodeWriteParms(call.data() + offset, call.size() - offset, 4096, &p));
        Device_WriteResp r{};
        r.size = p.data.data_len;
        xdr_free(xdrProc(xdr_Device_WriteParms), reinterpret_cast<char*>(&p));
        reply = rpc::encodeReply(h.xid, xdrProc(xdr_Device_WriteResp), &r);
        return true;
      }
      case rpc::kDeviceRead: {
        Device_ReadParms p{};
        EXPECT_TRUE(rpc::decodeArguments(call, offset, xdrProc(xdr_Device_ReadParms), &p));
        lastRequestSize_ = static_cast<std::uint32_t>(p.requestSize);
        reply = replyHeader(h.xid);
        for (std::uint32_t w : readWords_) put(reply, w);
        reply.insert(reply.end(), readTail_.begin(), readTail_.end());
        return true;
      }
      default: {
        Device_Error e{};
        reply = rpc::encodeReply(h.xid, xdrProc(xdr_Device_Error), &e);
        return true;
      }
    }
  }

  sim::RpcTcpService core_;
  std::unique_ptr<sim::PortmapServer> portmap_;
  std::vector<std::uint32_t> readWords_;
  std::string readTail_;
  std::uint32_t lastRequestSize_ = 0;
};

visa::ResourceName localInstrument() {
  visa::ResourceName name;
  name.interface = visa::InterfaceType::Tcpip;
  name.resourceClass = visa::ResourceClass::Instr;
  name.host = "127.0.0.1";
  return name;
}

struct ReadOutcome {
  ViStatus status;
  std::string text;
};

ReadOutcome readFrom(FaultyInstrument& instrument, ViUInt32 count) {
  ViStatus status = VI_ERROR_SYSTEM_ERROR;
  auto transport =
      visa::openVxi11Transport(localInstrument(), instrument.portmapPort(), 5s, &status);
  EXPECT_EQ(status, VI_SUCCESS);
  if (!transport) return {status, ""};
  const std::string query = "*IDN?\n";
  ViUInt32 written = 0;
  EXPECT_EQ(transport->write(reinterpret_cast<const ViByte*>(query.data()), query.size(), &written,
                             2000ms),
            VI_SUCCESS);
  std::vector<ViByte> buffer(count);
  ViUInt32 got = 0;
  ReadOutcome out;
  out.status = transport->read(buffer.data(), count, &got, 2000ms);
  out.text.assign(buffer.begin(), buffer.begin() + got);
  return out;
}

TEST(Vxi11ClientAgainstAFaultyInstrument, ReadReplyClaimingGigabytesIsAnErrorNotAnAllocation) {
  FaultyInstrument instrument;
  // error 0, reason END, data length 0xFFFFFFFF, then a few bytes: a 64-byte record in all.
  instrument.readResultsAre({0, rpc::kReasonEnd, 0xFFFFFFFFu}, std::string(28, 'x'));
  const long long before = peakVirtualKiB();
  const ReadOutcome r = readFrom(instrument, 128);
  EXPECT_EQ(r.status, VI_ERROR_IO);
  EXPECT_EQ(r.text, "");
  EXPECT_LT(peakVirtualKiB() - before, kAllowedGrowthKiB);
}

// An answer longer than the read asked for is never cut to fit and passed off as complete.
TEST(Vxi11ClientAgainstAFaultyInstrument, ReplyLongerThanRequestedIsReportedNotCut) {
  struct Case {
    const char* name;
    std::string data;
    ViUInt32 count;
    ViStatus status;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"longer than asked", "+1.23456789E+006\n", 4, VI_ERROR_IO, ""},
      {"exactly what was asked", "+1.2\n", 5, VI_SUCCESS, "+1.2\n"},
      {"shorter than asked", "+1.2\n", 64, VI_SUCCESS, "+1.2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FaultyInstrument instrument;
    std::string padded = c.data;
    padded.resize((padded.size() + 3) & ~std::size_t{3}, '\0');
    instrument.readResultsAre({0, rpc::kReasonEnd, static_cast<std::uint32_t>(c.data.size())},
                              padded);
    const ReadOutcome r = readFrom(instrument, c.count);
    EXPECT_EQ(instrument.lastRequestSize(), c.count);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.text, c.text);
  }
}

// The decoders themselves, on records cut anywhere: never more than the record holds.
TEST(BoundedXdr, EveryTruncationOfAValidMessageIsRefusedAndEveryWholeOneDecodes) {
  Device_WriteParms p{};
  p.lid = 3;
  p.io_timeout = 1000;
  p.flags = rpc::kFlagEnd;
  std::string text = "MEAS:FREQ?\n";
  p.data.data_len = static_cast<u_int>(text.size());
  p.data.data_val = text.data();
  Bytes call;
  ASSERT_TRUE(rpc::encodeCall({1, rpc::kCoreProgram, rpc::kCoreVersion, rpc::kDeviceWrite},
                              xdrProc(xdr_Device_WriteParms), &p, call));
  const std::size_t args = 40;
  for (std::size_t size = 0; size <= call.size() - args; ++size) {
    Device_WriteParms decoded{};
    const bool ok = rpc::decodeWriteParms(call.data() + args, size, 64, &decoded);
    EXPECT_EQ(ok, size == call.size() - args) << size;
    if (ok) {
      EXPECT_EQ(std::string(decoded.data.data_val, decoded.data.data_len), text);
      xdr_free(xdrProc(xdr_Device_WriteParms), reinterpret_cast<char*>(&decoded));
    }
  }
  Device_WriteParms decoded{};
  EXPECT_FALSE(rpc::decodeWriteParms(call.data() + args, call.size() - args, 10, &decoded))
      << "11 bytes where at most 10 are allowed";
}

}  // namespace
