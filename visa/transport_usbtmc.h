#pragma once
// USBTMC instruments through the Linux kernel driver: /dev/usbtmc<N>, with vendor id,
// product id, serial number and interface number read from sysfs. The driver frames each
// write as one message with EOM on its last transfer and reports EOM of the answer through
// USBTMC_IOCTL_MSG_IN_ATTR; device clear is the driver's INITIATE_CLEAR sequence.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "visa/resource_name.h"
#include "visa/transport.h"

namespace visa {

struct UsbtmcDevice {
  std::string devicePath;  // "/dev/usbtmc0"
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string serial;
  int interfaceNumber = 0;

  // "USB0::0x2B7A::0x0ED8::<serial>::INSTR" ("::<interface>" before "::INSTR" when not 0).
  std::string resourceName() const;
  // Whether `name` (a parsed USB resource name) designates this device.
  bool matches(const ResourceName& name) const;
};

// The USBTMC devices that the kernel driver has bound, from `<sysfsDir>/usbtmc*`
// (normally /sys/class/usbmisc), with their device nodes under `deviceDir` (normally /dev).
// Missing directories give an empty list.
std::vector<UsbtmcDevice> listUsbtmcDevices(const std::string& sysfsDir,
                                            const std::string& deviceDir);

class UsbtmcTransport final : public Transport {
 public:
  // Opens the device node; null with `*status` set (VI_ERROR_RSRC_BUSY when access is denied,
  // VI_ERROR_RSRC_NFOUND when the node is gone) and `*error` saying why.
  static std::unique_ptr<UsbtmcTransport> open(const std::string& devicePath, ViStatus* status,
                                               std::string* error);
  ~UsbtmcTransport() override;

  ViStatus write(const ViByte* data, ViUInt32 count, ViUInt32* written, Timeout timeout) override;
  ViStatus read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) override;
  ViStatus clear(Timeout timeout) override;
  ViStatus controlRen(ViUInt16 mode) override;
  ViStatus readStatusByte(ViUInt16* status, Timeout timeout) override;
  ViStatus assertTrigger(Timeout timeout) override;

 private:
  explicit UsbtmcTransport(int fd) : fd_(fd) {}
  void setTimeout(Timeout timeout);

  int fd_;
  std::uint32_t driverTimeoutMs_ = 0;  // 0: not set yet
};

}  // namespace visa
