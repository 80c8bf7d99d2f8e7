#include "sim/vxi11/portmap_server.h"

#include <poll.h>
#include <rpc/rpc.h>

#include <rpc/pmap_prot.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "sim/vxi11/rpc_tcp_service.h"
#include "visa/vxi11/rpc_message.h"

namespace sim {

namespace {

namespace rpc = visa::vxi11;
using visa::vxi11::xdrProc;

constexpr std::uint32_t kPortmapVersion = rpc::kPortmapVersion;
constexpr int kStartAttempts = 20;

}  // namespace

PortmapServer::PortmapServer(std::vector<Mapping> mappings) : mappings_(std::move(mappings)) {}

PortmapServer::~PortmapServer() { stop(); }

bool PortmapServer::start(const std::string& address, std::uint16_t port, std::string* error) {
  if (tcp_) return true;
  // TCP and UDP share one port number; with port 0 the TCP port is picked first and UDP
  // follows it, trying again in the rare case that number is taken for UDP.
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    auto tcp =
        std::make_unique<RpcTcpService>([this](std::uint64_t, const std::vector<std::uint8_t>& call,
                                               std::vector<std::uint8_t>& reply) {
          reply = answer(call);
          return true;
        });
    if (!tcp->start(address, port, error)) return false;
    std::uint16_t udpPort = 0;
    udpFd_ = bindSocket(address, tcp->port(), SOCK_DGRAM, &udpPort, error);
    if (udpFd_ < 0) {
      tcp->stop();
      if (port != 0) return false;
      continue;
    }
    port_ = tcp->port();
    tcp_ = std::move(tcp);
    break;
  }
  if (!tcp_) return false;
  mappings_.push_back({rpc::kPortmapProgram, kPortmapVersion, rpc::kIpProtoTcp, port_});
  mappings_.push_back({rpc::kPortmapProgram, kPortmapVersion, rpc::kIpProtoUdp, port_});
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  udpThread_ = std::thread([this] { udpLoop(); });
  return true;
}

void PortmapServer::stop() {
  if (!tcp_) return;
  tcp_->stop();
  std::uint64_t one = 1;
  [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
  if (udpThread_.joinable()) udpThread_.join();
  ::close(udpFd_);
  ::close(wakeFd_);
  udpFd_ = wakeFd_ = -1;
  tcp_.reset();
  mappings_.resize(mappings_.size() - 2);
  port_ = 0;
}

void PortmapServer::udpLoop() {
  std::vector<std::uint8_t> datagram(65536);
  pollfd fds[2] = {{udpFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  for (;;) {
    int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno != EINTR) return;
    if (fds[1].revents & POLLIN) return;
    if (!(fds[0].revents & POLLIN)) continue;
    sockaddr_storage from{};
    socklen_t fromLength = sizeof from;
    datagram.resize(65536);
    ssize_t n = ::recvfrom(udpFd_, datagram.data(), datagram.size(), MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n <= 0) continue;
    datagram.resize(static_cast<std::size_t>(n));
    auto reply = answer(datagram);
    if (!reply.empty()) {
      ::sendto(udpFd_, reply.data(), reply.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from),
               fromLength);
    }
  }
}

std::vector<std::uint8_t> PortmapServer::answer(const std::vector<std::uint8_t>& call) const {
  rpc::CallHeader header;
  std::size_t argsOffset = 0;
  switch (rpc::decodeCallHeader(call, &header, &argsOffset)) {
    case rpc::CallCheck::Ok:
      break;
    case rpc::CallCheck::RpcVersionMismatch:
      return rpc::encodeRpcMismatch(header.xid);
    case rpc::CallCheck::NotACall:
      return {};
  }
  if (header.program != rpc::kPortmapProgram) {
    return rpc::encodeErrorReply(header.xid, rpc::AcceptStat::ProgramUnavailable);
  }
  if (header.version != kPortmapVersion) {
    return rpc::encodeErrorReply(header.xid, rpc::AcceptStat::ProgramMismatch, kPortmapVersion,
                                 kPortmapVersion);
  }
  switch (header.procedure) {
    case rpc::kPortmapProcNull:
      return rpc::encodeReply(header.xid, nullptr, nullptr);
    case rpc::kPortmapProcGetPort: {
      pmap query{};
      if (!rpc::decodeArguments(call, argsOffset, xdrProc(xdr_pmap), &query)) {
        return rpc::encodeErrorReply(header.xid, rpc::AcceptStat::GarbageArguments);
      }
      // The port of the program on that protocol, preferring the asked version but, like
      // rpcbind, settling for another version of the same program.
      u_long port = 0;
      for (const auto& m : mappings_) {
        if (m.program != query.pm_prog || m.protocol != query.pm_prot) continue;
        if (m.version == query.pm_vers) {
          port = m.port;
          break;
        }
        if (port == 0) port = m.port;
      }
      return rpc::encodeReply(header.xid, xdrProc(xdr_u_long), &port);
    }
    case rpc::kPortmapProcDump: {
      std::vector<pmaplist> list(mappings_.size());
      for (std::size_t i = 0; i < mappings_.size(); ++i) {
        list[i].pml_map = {mappings_[i].program, mappings_[i].version, mappings_[i].protocol,
                           mappings_[i].port};
        list[i].pml_next = i + 1 < list.size() ? &list[i + 1] : nullptr;
      }
      pmaplist* head = list.empty() ? nullptr : list.data();
      return rpc::encodeReply(header.xid, xdrProc(xdr_pmaplist), &head);
    }
    case rpc::kPortmapProcSet:
    case rpc::kPortmapProcUnset: {
      bool_t refused = FALSE;
      return rpc::encodeReply(header.xid, xdrProc(xdr_bool), &refused);
    }
    default:
      return rpc::encodeErrorReply(header.xid, rpc::AcceptStat::ProcedureUnavailable);
  }
}

}  // namespace sim
