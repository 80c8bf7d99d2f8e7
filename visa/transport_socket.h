#pragma once
// Raw SCPI socket (TCPIP[board]::host::port::SOCKET).
//
// A raw socket has no END indicator, so the line feed that ends every SCPI answer plays its
// part: a read ends with VI_SUCCESS after the first line feed, with VI_SUCCESS_MAX_CNT when
// the count is filled before it (the rest stays for the next read). Device clear has no
// message on a raw socket either: clear() closes the connection and connects again, which
// also guarantees that an answer still in flight from before can never be read as the answer
// to a later query.

#include <cstdint>
#include <memory>
#include <string>

#include "visa/transport.h"

namespace visa {

class SocketTransport final : public Transport {
 public:
  // Connects to host:port within `connectTimeout`; null with `*status` set
  // (VI_ERROR_RSRC_NFOUND for an unknown host or refused connection, VI_ERROR_TMO when the
  // host does not answer in time).
  static std::unique_ptr<SocketTransport> open(const std::string& host, std::uint16_t port,
                                               Timeout connectTimeout, ViStatus* status,
                                               std::string* error = nullptr);
  ~SocketTransport() override;

  ViStatus write(const ViByte* data, ViUInt32 count, ViUInt32* written, Timeout timeout) override;
  ViStatus read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) override;
  ViStatus clear(Timeout timeout) override;

 private:
  SocketTransport(std::string host, std::uint16_t port, Timeout connectTimeout);
  ViStatus connect(Timeout timeout, std::string* error);
  void disconnect();

  std::string host_;
  std::uint16_t port_;
  Timeout connectTimeout_;
  int fd_ = -1;
  bool lost_ = false;  // the peer closed or reset the connection
  std::string input_;  // bytes received but not yet read
};

}  // namespace visa
