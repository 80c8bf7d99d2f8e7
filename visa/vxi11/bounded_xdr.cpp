#include "visa/vxi11/bounded_xdr.h"

#include <rpc/xdr.h>

namespace visa::vxi11 {

namespace {

// A decoding XDR stream over `size` bytes, destroyed with the object.
class Decoder {
 public:
  Decoder(const std::uint8_t* data, std::size_t size) : size_(size) {
    xdrmem_create(&xdr_, reinterpret_cast<char*>(const_cast<std::uint8_t*>(data)),
                  static_cast<u_int>(size), XDR_DECODE);
  }
  ~Decoder() { xdr_destroy(&xdr_); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
  XDR* get() { return &xdr_; }

  // True when the length word at the current position is at most `limit` and the field it
  // announces (padded to four bytes) lies within the record. The position does not move.
  bool nextLengthFits(u_int limit) {
    const u_int start = xdr_getpos(&xdr_);
    u_int length = 0;
    if (!xdr_u_int(&xdr_, &length)) return false;
    xdr_setpos(&xdr_, start);
    const std::size_t padded = (static_cast<std::size_t>(length) + 3) & ~std::size_t{3};
    return length <= limit && start + 4 + padded <= size_;
  }

  bool bytes(u_int limit, char** value, u_int* length) {
    return nextLengthFits(limit) && xdr_bytes(&xdr_, value, length, limit);
  }
  bool string(u_int limit, char** value) {
    return nextLengthFits(limit) && xdr_string(&xdr_, value, limit);
  }

 private:
  XDR xdr_;
  std::size_t size_;
};

// Releases what a failed decode allocated and reports the failure.
template <typename T, typename Proc>
bool refuse(Proc proc, T* out) {
  xdr_free(reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(proc)),
           reinterpret_cast<char*>(out));
  *out = T{};
  return false;
}

}  // namespace

bool decodeCreateLinkParms(const std::uint8_t* data, std::size_t size, Create_LinkParms* out) {
  *out = {};
  Decoder d(data, size);
  if (!xdr_long(d.get(), &out->clientId) || !xdr_bool(d.get(), &out->lockDevice) ||
      !xdr_u_long(d.get(), &out->lock_timeout) || !d.string(kMaxDeviceName, &out->device))
    return refuse(xdr_Create_LinkParms, out);
  return true;
}

bool decodeWriteParms(const std::uint8_t* data, std::size_t size, u_int maxData,
                      Device_WriteParms* out) {
  *out = {};
  Decoder d(data, size);
  if (!xdr_Device_Link(d.get(), &out->lid) || !xdr_u_long(d.get(), &out->io_timeout) ||
      !xdr_u_long(d.get(), &out->lock_timeout) || !xdr_Device_Flags(d.get(), &out->flags) ||
      !d.bytes(maxData, &out->data.data_val, &out->data.data_len))
    return refuse(xdr_Device_WriteParms, out);
  return true;
}

bool decodeDocmdParms(const std::uint8_t* data, std::size_t size, u_int maxData,
                      Device_DocmdParms* out) {
  *out = {};
  Decoder d(data, size);
  if (!xdr_Device_Link(d.get(), &out->lid) || !xdr_Device_Flags(d.get(), &out->flags) ||
      !xdr_u_long(d.get(), &out->io_timeout) || !xdr_u_long(d.get(), &out->lock_timeout) ||
      !xdr_long(d.get(), &out->cmd) || !xdr_bool(d.get(), &out->network_order) ||
      !xdr_long(d.get(), &out->datasize) ||
      !d.bytes(maxData, &out->data_in.data_in_val, &out->data_in.data_in_len))
    return refuse(xdr_Device_DocmdParms, out);
  return true;
}

bool decodeReadResp(const std::uint8_t* data, std::size_t size, u_int maxData,
                    Device_ReadResp* out) {
  *out = {};
  Decoder d(data, size);
  if (!xdr_Device_ErrorCode(d.get(), &out->error) || !xdr_long(d.get(), &out->reason) ||
      !d.bytes(maxData, &out->data.data_val, &out->data.data_len))
    return refuse(xdr_Device_ReadResp, out);
  return true;
}

}  // namespace visa::vxi11
