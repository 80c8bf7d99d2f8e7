#pragma once
// GPIB through linux-gpib. Its library (libgpib.so.0) is loaded at run time when installed, so
// the product builds and runs without it: then the GPIB search finds nothing and opening a
// GPIB resource fails with VI_ERROR_LIBRARY_NFOUND and the reason.

#include <memory>
#include <string>
#include <vector>

#include "visa/resource_name.h"
#include "visa/transport.h"

namespace visa {

struct GpibApi;

// linux-gpib loaded from `libraryName` (dlopen search rules), or null with `*error` saying
// why. Loaded once per name and kept for the life of the process.
const GpibApi* loadGpibApi(const std::string& libraryName, std::string* error = nullptr);

// Instruments listening on the GPIB boards present (/dev/gpib<N> under `deviceDir`), as
// "GPIB<board>::<primary>[::<secondary>]::INSTR". Empty without linux-gpib.
std::vector<std::string> listGpibInstruments(const GpibApi& api, const std::string& deviceDir);

class GpibTransport final : public Transport {
 public:
  static std::unique_ptr<GpibTransport> open(const GpibApi& api, const ResourceName& name,
                                             Timeout timeout, ViStatus* status, std::string* error);
  ~GpibTransport() override;

  ViStatus write(const ViByte* data, ViUInt32 count, ViUInt32* written, Timeout timeout) override;
  ViStatus read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) override;
  ViStatus clear(Timeout timeout) override;
  ViStatus controlRen(ViUInt16 mode) override;
  ViStatus readStatusByte(ViUInt16* status, Timeout timeout) override;
  ViStatus assertTrigger(Timeout timeout) override;

 private:
  GpibTransport(const GpibApi& api, int device, int board)
      : api_(api), ud_(device), board_(board) {}
  void setTimeout(Timeout timeout);
  ViStatus failure() const;

  const GpibApi& api_;
  int ud_;
  int board_;
  int timeoutCode_ = -1;
};

}  // namespace visa
