// The portmapper that v38xx-sim serves: any call record gets a well-formed reply or none, and
// the reply decodes as our client decodes a GETPORT answer.

#include <cstdint>
#include <vector>

#include "sim/vxi11/portmap_server.h"
#include "visa/vxi11/rpc_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const sim::PortmapServer server({{0x0607AF, 1, 6, 40123}, {0x0607AF, 1, 17, 40124}});
  const std::vector<std::uint8_t> call(data, data + size);
  const std::vector<std::uint8_t> reply = server.answer(call);
  if (!reply.empty()) {
    u_long port = 0;
    visa::vxi11::decodeReply(reply, visa::vxi11::xdrProc(xdr_u_long), &port);
  }
  return 0;
}
