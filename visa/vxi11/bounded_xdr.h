#pragma once
// Decoders for the VXI-11 messages that carry variable-length fields (`opaque data<>`,
// `string device<>`). rpcgen's routines allocate whatever a length word claims before they
// look at the bytes, so a 64-byte record could ask for 4 GiB. These decoders check every
// length word against what the call allows and against what the record still holds, and
// refuse the message before anything is allocated. A refused message is a protocol error:
// the server answers it with GARBAGE_ARGS, the client reports VI_ERROR_IO.
//
// On success the caller releases the result with xdr_free and rpcgen's routine of the type
// (xdr_Device_WriteParms, ...); on failure nothing is left to release.

#include <cstddef>
#include <cstdint>

#include "visa/vxi11/vxi11_rpc.h"

namespace visa::vxi11 {

// The longest LAN device name a create_link may carry ("inst0", "gpib0,5", ...).
inline constexpr u_int kMaxDeviceName = 256;

// Arguments of create_link: the device name at most kMaxDeviceName bytes.
bool decodeCreateLinkParms(const std::uint8_t* data, std::size_t size, Create_LinkParms* out);
// Arguments of device_write: at most `maxData` bytes (the link's maxRecvSize).
bool decodeWriteParms(const std::uint8_t* data, std::size_t size, u_int maxData,
                      Device_WriteParms* out);
// Arguments of device_docmd: at most `maxData` bytes of data_in.
bool decodeDocmdParms(const std::uint8_t* data, std::size_t size, u_int maxData,
                      Device_DocmdParms* out);
// Results of device_read: at most `maxData` bytes (the requestSize of the call).
bool decodeReadResp(const std::uint8_t* data, std::size_t size, u_int maxData,
                    Device_ReadResp* out);

}  // namespace visa::vxi11
