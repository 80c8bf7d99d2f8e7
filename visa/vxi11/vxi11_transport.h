#pragma once
// VXI-11 instrument sessions (TCPIP[board]::host[::lan device name]::INSTR): the core channel
// of an instrument found through the portmapper, one link per session.

#include <chrono>
#include <cstdint>
#include <memory>

#include "visa/resource_name.h"
#include "visa/transport.h"
#include "visa/visa_types.h"

namespace visa {

// Asks the portmapper at host:portmapperPort (111 for every real instrument) for the core
// channel, connects to it and creates a link to the resource's LAN device name ("inst0" when
// none is given). `timeout` bounds the whole opening (a zero or negative one means 5 s).
// On failure returns null with *status VI_ERROR_INV_RSRC_NAME (not a TCPIP INSTR name),
// VI_ERROR_RSRC_NFOUND (no host, no portmapper, no core channel, unknown device name),
// VI_ERROR_RSRC_LOCKED or VI_ERROR_ALLOC; VI_SUCCESS otherwise.
//
// The transport's reads, writes and clears pass their time-out to the instrument as io_timeout
// and wait for the reply that long plus a margin. After a read or write timed out, the next
// write first clears the device, so that a query never receives the late answer of the one
// before it.
std::unique_ptr<visa::Transport> openVxi11Transport(const visa::ResourceName& name,
                                                    std::uint16_t portmapperPort,
                                                    std::chrono::milliseconds timeout,
                                                    ViStatus* status);

}  // namespace visa
