#include "visa/vxi11/rpc_client.h"

#include <rpc/pmap_prot.h>
#include <rpc/xdr.h>

#include <random>

namespace visa::vxi11 {

RpcClient::RpcClient(int fd, std::uint32_t program, std::uint32_t version)
    : stream_(fd), program_(program), version_(version), nextXid_(std::random_device{}()) {}

RpcClient::Status RpcClient::call(std::uint32_t procedure, xdrproc_t encodeArgs, const void* args,
                                  xdrproc_t decodeResults, void* results,
                                  SteadyClock::time_point deadline) {
  BodyDecoder decode;
  if (decodeResults) {
    decode = [&](const std::uint8_t* data, std::size_t size) {
      return decodeWith(decodeResults, data, size, results);
    };
  }
  return call(procedure, encodeArgs, args, decode, deadline);
}

RpcClient::Status RpcClient::call(std::uint32_t procedure, xdrproc_t encodeArgs, const void* args,
                                  const BodyDecoder& decodeResults,
                                  SteadyClock::time_point deadline) {
  if (!stream_.isOpen()) return Status::ConnectionLost;
  const CallHeader header{nextXid_++, program_, version_, procedure};
  if (!encodeCall(header, encodeArgs, args, out_)) {
    lastReply_ = ReplyResult::GarbageArguments;
    return Status::Rejected;
  }
  switch (stream_.send(out_, deadline)) {
    case IoResult::Ok:
      break;
    case IoResult::Timeout:
      // Part of the call may have gone out: the stream cannot carry another call safely.
      stream_.close();
      return Status::Timeout;
    default:
      stream_.close();
      return Status::ConnectionLost;
  }
  for (;;) {
    switch (stream_.receive(in_, deadline)) {
      case IoResult::Ok:
        break;
      case IoResult::Timeout:
        return Status::Timeout;
      default:
        stream_.close();
        return Status::ConnectionLost;
    }
    std::uint32_t xid = 0;
    if (!messageXid(in_, &xid) || xid != header.xid) continue;  // a late reply of an older call
    lastReply_ = decodeReply(in_, decodeResults);
    return lastReply_ == ReplyResult::Ok ? Status::Ok : Status::Rejected;
  }
}

PortLookup lookupTcpPort(const std::string& host, std::uint16_t portmapperPort,
                         std::uint32_t program, std::uint32_t version,
                         SteadyClock::time_point deadline) {
  PortLookup lookup;
  bool timedOut = false;
  int fd = connectTcp(host, portmapperPort, deadline, &timedOut, &lookup.error);
  if (fd < 0) {
    lookup.result = timedOut ? PortLookup::Result::Timeout : PortLookup::Result::Unreachable;
    lookup.error = "portmapper: " + lookup.error;
    return lookup;
  }
  RpcClient portmapper(fd, kPortmapProgram, kPortmapVersion);
  pmap query{program, version, kIpProtoTcp, 0};
  u_long port = 0;
  switch (portmapper.call(kPortmapProcGetPort, xdrProc(xdr_pmap), &query, xdrProc(xdr_u_long),
                          &port, deadline)) {
    case RpcClient::Status::Ok:
      break;
    case RpcClient::Status::Timeout:
      lookup.result = PortLookup::Result::Timeout;
      lookup.error = "portmapper on " + host + " did not answer in time";
      return lookup;
    case RpcClient::Status::ConnectionLost:
      lookup.result = PortLookup::Result::Unreachable;
      lookup.error = "portmapper on " + host + " closed the connection";
      return lookup;
    case RpcClient::Status::Rejected:
      lookup.result = PortLookup::Result::Failed;
      lookup.error = "portmapper on " + host + " refused the port query";
      return lookup;
  }
  if (port == 0 || port > 65535) {
    lookup.result = PortLookup::Result::NotRegistered;
    lookup.error = "program " + std::to_string(program) + " version " + std::to_string(version) +
                   " is not registered with the portmapper on " + host;
    return lookup;
  }
  lookup.result = PortLookup::Result::Found;
  lookup.port = static_cast<std::uint16_t>(port);
  return lookup;
}

}  // namespace visa::vxi11
