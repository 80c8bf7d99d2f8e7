// Our VXI-11 client's side: a reply record from a faulty or hostile instrument, decoded as the
// result of each call the client makes (the first byte picks which, the next two the size a
// device_read asked for). Nothing is allocated beyond what the record holds and the call allows.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "visa/vxi11/bounded_xdr.h"
#include "visa/vxi11/rpc_message.h"
#include "visa/vxi11/vxi11_rpc.h"

namespace {

namespace rpc = visa::vxi11;

template <typename T>
void decodeAs(const std::vector<std::uint8_t>& record, xdrproc_t proc) {
  T value{};
  if (rpc::decodeReply(record, proc, &value) == rpc::ReplyResult::Ok)
    xdr_free(proc, reinterpret_cast<char*>(&value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint8_t which = data[0];
  const u_int requestSize = (u_int{data[1]} << 8) | data[2];
  const std::vector<std::uint8_t> record(data + 3, data + size);
  std::uint32_t xid = 0;
  rpc::messageXid(record, &xid);
  switch (which % 7) {
    case 0: {
      Device_ReadResp resp{};
      const auto result = rpc::decodeReply(record, [&](const std::uint8_t* d, std::size_t n) {
        return rpc::decodeReadResp(d, n, requestSize, &resp);
      });
      if (result == rpc::ReplyResult::Ok) {
        if (resp.data.data_len > requestSize) std::abort();
        xdr_free(rpc::xdrProc(xdr_Device_ReadResp), reinterpret_cast<char*>(&resp));
      }
      break;
    }
    case 1:
      decodeAs<Create_LinkResp>(record, rpc::xdrProc(xdr_Create_LinkResp));
      break;
    case 2:
      decodeAs<Device_WriteResp>(record, rpc::xdrProc(xdr_Device_WriteResp));
      break;
    case 3:
      decodeAs<Device_ReadStbResp>(record, rpc::xdrProc(xdr_Device_ReadStbResp));
      break;
    case 4:
      decodeAs<Device_Error>(record, rpc::xdrProc(xdr_Device_Error));
      break;
    case 5:
      decodeAs<u_long>(record, rpc::xdrProc(xdr_u_long));  // the portmapper's GETPORT
      break;
    default:
      rpc::decodeReply(record, nullptr, nullptr);
      break;
  }
  return 0;
}
