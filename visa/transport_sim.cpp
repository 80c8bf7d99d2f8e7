#include "visa/transport_sim.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "sim/counter.h"
#include "visa/deadline.h"

namespace visa {

namespace {
constexpr Transport::Timeout kInterruptCheck{20};
}  // namespace

ViStatus SimTransport::write(const ViByte* data, ViUInt32 count, ViUInt32* written,
                             Timeout timeout) {
  counter_.write(std::string_view(reinterpret_cast<const char*>(data), count));
  if (written) *written = count;
  return VI_SUCCESS;
}

ViStatus SimTransport::read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) {
  if (got) *got = 0;
  if (pending_.empty()) {
    const Deadline deadline(timeout);
    while (true) {
      // Short waits, so that a device clear from another thread ends the read soon.
      if (interrupted()) return VI_ERROR_ABORT;
      const auto wait = std::min<Timeout>(deadline.remaining(), kInterruptCheck);
      sim::ReadResult r = counter_.read(wait);
      if (r.status == sim::ReadResult::Status::Ok) {
        pending_ = std::move(r.data);
        break;
      }
      if (r.status == sim::ReadResult::Status::ConnectionLost) return VI_ERROR_CONN_LOST;
      if (deadline.expired()) return VI_ERROR_TMO;
    }
  }
  const size_t n = std::min<size_t>(count, pending_.size());
  std::memcpy(buffer, pending_.data(), n);
  pending_.erase(0, n);
  if (got) *got = static_cast<ViUInt32>(n);
  return pending_.empty() ? VI_SUCCESS : VI_SUCCESS_MAX_CNT;
}

ViStatus SimTransport::clear(Timeout timeout) {
  counter_.clear();
  pending_.clear();
  return VI_SUCCESS;
}

ViStatus SimTransport::controlRen(ViUInt16 mode) {
  // The modes that end in go-to-local return the counter to local; the others only address
  // it or assert REN, which it shows by staying remote.
  if (mode == VI_GPIB_REN_DEASSERT_GTL || mode == VI_GPIB_REN_ADDRESS_GTL ||
      mode == VI_GPIB_REN_DEASSERT)
    counter_.goToLocal();
  return VI_SUCCESS;
}

}  // namespace visa
