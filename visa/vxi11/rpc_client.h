#pragma once
// The client end of one ONC RPC program over TCP: sends calls, waits for the reply with the
// same transaction id and drops late replies of calls that timed out before.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "visa/vxi11/record_stream.h"
#include "visa/vxi11/rpc_message.h"

namespace visa::vxi11 {

class RpcClient {
 public:
  enum class Status {
    Ok,
    Timeout,         // no reply before the deadline; the connection stays usable
    ConnectionLost,  // the connection dropped; every later call fails the same way
    Rejected,        // the server answered with an RPC error (see lastReply())
  };

  // Takes ownership of a connected socket.
  RpcClient(int fd, std::uint32_t program, std::uint32_t version);

  // Calls `procedure`; on Status::Ok `results` holds the decoded results, to be released with
  // xdr_free(decodeResults, results).
  Status call(std::uint32_t procedure, xdrproc_t encodeArgs, const void* args,
              xdrproc_t decodeResults, void* results, SteadyClock::time_point deadline);
  // The same with a decoder that checks the lengths of the results (bounded_xdr.h). Results
  // that do not decode make Status::Rejected with lastReply() ReplyResult::Malformed.
  Status call(std::uint32_t procedure, xdrproc_t encodeArgs, const void* args,
              const BodyDecoder& decodeResults, SteadyClock::time_point deadline);

  bool connected() const { return stream_.isOpen(); }
  ReplyResult lastReply() const { return lastReply_; }
  void disconnect() { stream_.close(); }

 private:
  RecordStream stream_;
  std::uint32_t program_;
  std::uint32_t version_;
  std::uint32_t nextXid_;
  std::vector<std::uint8_t> out_;
  std::vector<std::uint8_t> in_;
  ReplyResult lastReply_ = ReplyResult::Ok;
};

// Asks the portmapper at host:portmapperPort (over TCP) for the TCP port of a program.
struct PortLookup {
  enum class Result { Found, NotRegistered, Unreachable, Timeout, Failed };
  Result result = Result::Failed;
  std::uint16_t port = 0;
  std::string error;  // what went wrong, for anything but Found
};
PortLookup lookupTcpPort(const std::string& host, std::uint16_t portmapperPort,
                         std::uint32_t program, std::uint32_t version,
                         SteadyClock::time_point deadline);

}  // namespace visa::vxi11
