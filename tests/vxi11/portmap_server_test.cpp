#include "sim/vxi11/portmap_server.h"

#include <arpa/inet.h>
#include <rpc/rpc.h>

#include <rpc/pmap_prot.h>

#include <gtest/gtest.h>

#include "visa/vxi11/rpc_client.h"
#include "visa/vxi11/rpc_message.h"
#include "visa/vxi11/vxi11_protocol.h"

namespace {

namespace rpc = visa::vxi11;
using visa::vxi11::xdrProc;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kCorePort = 40123;

sim::PortmapServer makeServer() {
  return sim::PortmapServer({{rpc::kCoreProgram, rpc::kCoreVersion, rpc::kIpProtoTcp, kCorePort}});
}

u_long getPort(const sim::PortmapServer& server, pmap query) {
  Bytes call;
  EXPECT_TRUE(
      rpc::encodeCall({5, rpc::kPortmapProgram, rpc::kPortmapVersion, rpc::kPortmapProcGetPort},
                      xdrProc(xdr_pmap), &query, call));
  u_long port = 99999;
  EXPECT_EQ(rpc::decodeReply(server.answer(call), xdrProc(xdr_u_long), &port),
            rpc::ReplyResult::Ok);
  return port;
}

TEST(PortmapServer, GetPortAnswersFromItsTable) {
  auto server = makeServer();
  struct Case {
    const char* name;
    pmap query;
    u_long port;
  } cases[] = {
      {"core channel over TCP", {rpc::kCoreProgram, rpc::kCoreVersion, IPPROTO_TCP, 0}, kCorePort},
      {"another version of a known program", {rpc::kCoreProgram, 2, IPPROTO_TCP, 0}, kCorePort},
      {"core channel over UDP is not offered", {rpc::kCoreProgram, 1, IPPROTO_UDP, 0}, 0},
      {"unknown program", {100003, 3, IPPROTO_TCP, 0}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(getPort(server, c.query), c.port) << c.name;
}

TEST(PortmapServer, AnswersOtherCallsAsAPortmapperShould) {
  auto server = makeServer();
  auto call = [](std::uint32_t program, std::uint32_t version, std::uint32_t procedure) {
    Bytes bytes;
    EXPECT_TRUE(rpc::encodeCall({1, program, version, procedure}, nullptr, nullptr, bytes));
    return bytes;
  };
  struct Case {
    const char* name;
    Bytes call;
    rpc::ReplyResult expected;
  } cases[] = {
      {"NULL", call(rpc::kPortmapProgram, 2, rpc::kPortmapProcNull), rpc::ReplyResult::Ok},
      {"rpcbind version 4 is not spoken", call(rpc::kPortmapProgram, 4, 3),
       rpc::ReplyResult::VersionMismatch},
      {"another program", call(rpc::kCoreProgram, 1, 0), rpc::ReplyResult::ProgramUnavailable},
      {"unknown procedure", call(rpc::kPortmapProgram, 2, 9),
       rpc::ReplyResult::ProcedureUnavailable},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rpc::decodeReply(server.answer(c.call), nullptr, nullptr), c.expected) << c.name;
  }
  EXPECT_TRUE(server.answer(Bytes{1, 2}).empty()) << "garbage gets no answer";
}

// The portmapper as real clients see it: libtirpc's own client over UDP and TCP, and ours.
TEST(PortmapServer, ServesLibtirpcClientsOverUdpAndTcp) {
  auto server = makeServer();
  std::string error;
  ASSERT_TRUE(server.start("127.0.0.1", 0, &error)) << error;
  ASSERT_NE(server.port(), 0);

  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(server.port());
  timeval wait{5, 0};
  for (bool tcp : {false, true}) {
    int sock = RPC_ANYSOCK;
    CLIENT* client = tcp ? clnttcp_create(&address, PMAPPROG, PMAPVERS, &sock, 0, 0)
                         : clntudp_create(&address, PMAPPROG, PMAPVERS, timeval{1, 0}, &sock);
    ASSERT_NE(client, nullptr) << (tcp ? "tcp" : "udp");
    pmap query{rpc::kCoreProgram, rpc::kCoreVersion, IPPROTO_TCP, 0};
    u_long port = 0;
    EXPECT_EQ(
        clnt_call(client, PMAPPROC_GETPORT, xdrProc(xdr_pmap), reinterpret_cast<char*>(&query),
                  xdrProc(xdr_u_long), reinterpret_cast<char*>(&port), wait),
        RPC_SUCCESS);
    EXPECT_EQ(port, kCorePort) << (tcp ? "tcp" : "udp");

    pmaplist* list = nullptr;
    EXPECT_EQ(clnt_call(client, PMAPPROC_DUMP, xdrProc(xdr_void), nullptr, xdrProc(xdr_pmaplist),
                        reinterpret_cast<char*>(&list), wait),
              RPC_SUCCESS);
    int entries = 0;
    for (pmaplist* p = list; p; p = p->pml_next) ++entries;
    EXPECT_EQ(entries, 3) << "core channel, portmapper over TCP and over UDP";
    xdr_free(xdrProc(xdr_pmaplist), reinterpret_cast<char*>(&list));
    clnt_destroy(client);
  }

  auto lookup = rpc::lookupTcpPort("127.0.0.1", server.port(), rpc::kCoreProgram, rpc::kCoreVersion,
                                   rpc::deadlineAfter(std::chrono::seconds(5)));
  EXPECT_EQ(lookup.result, rpc::PortLookup::Result::Found) << lookup.error;
  EXPECT_EQ(lookup.port, kCorePort);
  lookup = rpc::lookupTcpPort("127.0.0.1", server.port(), 100003, 3,
                              rpc::deadlineAfter(std::chrono::seconds(5)));
  EXPECT_EQ(lookup.result, rpc::PortLookup::Result::NotRegistered);

  const std::uint16_t port = server.port();
  server.stop();
  lookup = rpc::lookupTcpPort("127.0.0.1", port, rpc::kCoreProgram, rpc::kCoreVersion,
                              rpc::deadlineAfter(std::chrono::seconds(5)));
  EXPECT_EQ(lookup.result, rpc::PortLookup::Result::Unreachable);
}

}  // namespace
