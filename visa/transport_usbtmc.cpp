#include "visa/transport_usbtmc.h"

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/text_format.h"

namespace visa {

namespace fs = std::filesystem;

namespace {

std::string readLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

bool readHex(const fs::path& file, unsigned max, unsigned* value) {
  const std::string text = readLine(file);
  if (text.empty() || text.size() > 8) return false;
  unsigned v = 0;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    v = v * 16 +
        static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                  ? c - '0'
                                  : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  if (v > max) return false;
  *value = v;
  return true;
}

// A serial number usable inside a resource name: printable, without blanks or "::".
std::string resourceSerial(std::string serial) {
  for (char& c : serial) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F || c == ':') c = '_';
  }
  return serial.empty() ? std::string("NOSERIAL") : serial;
}

ViStatus errnoStatus(int err) {
  switch (err) {
    case ETIMEDOUT:
      return VI_ERROR_TMO;
    case ENODEV:
    case ESHUTDOWN:
    case EPIPE:
    case ENXIO:
      return VI_ERROR_CONN_LOST;
    default:
      return VI_ERROR_IO;
  }
}

}  // namespace

std::string UsbtmcDevice::resourceName() const {
  std::string name = core::format("USB0::0x%04X::0x%04X::", vendorId, productId) + serial;
  if (interfaceNumber != 0) name += "::" + std::to_string(interfaceNumber);
  return name + "::INSTR";
}

bool UsbtmcDevice::matches(const ResourceName& name) const {
  if (name.interface != InterfaceType::Usb) return false;
  if (name.vendorId != vendorId || name.productId != productId) return false;
  if (name.usbInterface >= 0 && name.usbInterface != interfaceNumber) return false;
  if (name.serial.size() != serial.size()) return false;
  for (size_t i = 0; i < serial.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(serial[i])) !=
        std::tolower(static_cast<unsigned char>(name.serial[i])))
      return false;
  }
  return true;
}

std::vector<UsbtmcDevice> listUsbtmcDevices(const std::string& sysfsDir,
                                            const std::string& deviceDir) {
  std::vector<UsbtmcDevice> devices;
  std::error_code ec;
  fs::directory_iterator it(sysfsDir, ec);
  if (ec) return devices;
  for (const auto& entry : it) {
    const std::string node = entry.path().filename().string();
    if (node.rfind("usbtmc", 0) != 0) continue;
    const fs::path intf = fs::canonical(entry.path() / "device", ec);
    if (ec) continue;
    const fs::path usbDevice = intf.parent_path();
    unsigned vendor = 0, product = 0, number = 0;
    if (!readHex(usbDevice / "idVendor", 0xFFFF, &vendor) ||
        !readHex(usbDevice / "idProduct", 0xFFFF, &product))
      continue;
    if (!readHex(intf / "bInterfaceNumber", 0xFF, &number)) number = 0;
    UsbtmcDevice d;
    d.devicePath = (fs::path(deviceDir) / node).string();
    d.vendorId = static_cast<std::uint16_t>(vendor);
    d.productId = static_cast<std::uint16_t>(product);
    d.serial = resourceSerial(readLine(usbDevice / "serial"));
    d.interfaceNumber = static_cast<int>(number);
    devices.push_back(std::move(d));
  }
  std::sort(devices.begin(), devices.end(), [](const UsbtmcDevice& a, const UsbtmcDevice& b) {
    return a.devicePath < b.devicePath;
  });
  return devices;
}

std::unique_ptr<UsbtmcTransport> UsbtmcTransport::open(const std::string& devicePath,
                                                       ViStatus* status, std::string* error) {
  const int fd = ::open(devicePath.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    if (status)
      *status = (err == EACCES || err == EPERM || err == EBUSY) ? VI_ERROR_RSRC_BUSY
                                                                : VI_ERROR_RSRC_NFOUND;
    if (error) {
      *error = "cannot open " + devicePath + ": " + std::strerror(err);
      if (err == EACCES || err == EPERM)
        *error += " (give your user access to the device node, e.g. with a udev rule)";
    }
    return nullptr;
  }
  if (status) *status = VI_SUCCESS;
  return std::unique_ptr<UsbtmcTransport>(new UsbtmcTransport(fd));
}

UsbtmcTransport::~UsbtmcTransport() {
  if (fd_ >= 0) ::close(fd_);
}

void UsbtmcTransport::setTimeout(Timeout timeout) {
  // The driver accepts 100 ms at least; a day stands for "infinite".
  const auto ms = std::clamp<long long>(timeout.count(), 100, 24LL * 3600 * 1000);
  const auto value = static_cast<std::uint32_t>(ms);
  if (value == driverTimeoutMs_) return;
  std::uint32_t arg = value;
  if (::ioctl(fd_, USBTMC_IOCTL_SET_TIMEOUT, &arg) == 0) driverTimeoutMs_ = value;
}

ViStatus UsbtmcTransport::write(const ViByte* data, ViUInt32 count, ViUInt32* written,
                                Timeout timeout) {
  if (written) *written = 0;
  setTimeout(timeout);
  ViUInt32 sent = 0;
  while (sent < count) {
    const ssize_t n = ::write(fd_, data + sent, count - sent);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errnoStatus(errno);
    }
    sent += static_cast<ViUInt32>(n);
    if (written) *written = sent;
  }
  return VI_SUCCESS;
}

ViStatus UsbtmcTransport::read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) {
  if (got) *got = 0;
  if (count == 0) return VI_SUCCESS_MAX_CNT;
  setTimeout(timeout);
  ssize_t n;
  do {
    n = ::read(fd_, buffer, count);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errnoStatus(errno);
  if (got) *got = static_cast<ViUInt32>(n);
  // EOM of the last transfer ends the message; without it (or on drivers without the
  // attribute query) a full buffer means more may follow.
  std::uint8_t attributes = 0;
  if (::ioctl(fd_, USBTMC_IOCTL_MSG_IN_ATTR, &attributes) == 0 && (attributes & 0x01))
    return VI_SUCCESS;
  return static_cast<ViUInt32>(n) == count ? VI_SUCCESS_MAX_CNT : VI_SUCCESS;
}

ViStatus UsbtmcTransport::clear(Timeout timeout) {
  setTimeout(timeout);
  if (::ioctl(fd_, USBTMC_IOCTL_CLEAR) != 0) return errnoStatus(errno);
  return VI_SUCCESS;
}

ViStatus UsbtmcTransport::controlRen(ViUInt16 mode) {
  auto ren = [&](unsigned char on) { return ::ioctl(fd_, USBTMC488_IOCTL_REN_CONTROL, &on) == 0; };
  auto call = [&](unsigned long request) { return ::ioctl(fd_, request) == 0; };
  bool ok = true;
  switch (mode) {
    case VI_GPIB_REN_DEASSERT:
      ok = ren(0);
      break;
    case VI_GPIB_REN_ASSERT:
    case VI_GPIB_REN_ASSERT_ADDRESS:
      ok = ren(1);
      break;
    case VI_GPIB_REN_DEASSERT_GTL:
      ok = call(USBTMC488_IOCTL_GOTO_LOCAL) && ren(0);
      break;
    case VI_GPIB_REN_ASSERT_LLO:
    case VI_GPIB_REN_ASSERT_ADDRESS_LLO:
      ok = ren(1) && call(USBTMC488_IOCTL_LOCAL_LOCKOUT);
      break;
    case VI_GPIB_REN_ADDRESS_GTL:
      ok = call(USBTMC488_IOCTL_GOTO_LOCAL);
      break;
    default:
      return VI_ERROR_INV_MODE;
  }
  if (ok) return VI_SUCCESS;
  // Devices without the USB488 remote/local capability refuse these requests.
  return errno == ENODEV ? VI_ERROR_CONN_LOST : VI_ERROR_NSUP_OPER;
}

ViStatus UsbtmcTransport::readStatusByte(ViUInt16* status, Timeout timeout) {
  setTimeout(timeout);
  unsigned char stb = 0;
  if (::ioctl(fd_, USBTMC488_IOCTL_READ_STB, &stb) != 0)
    return errno == ENODEV ? VI_ERROR_CONN_LOST : VI_ERROR_NSUP_OPER;
  if (status) *status = stb;
  return VI_SUCCESS;
}

ViStatus UsbtmcTransport::assertTrigger(Timeout timeout) {
  setTimeout(timeout);
  if (::ioctl(fd_, USBTMC488_IOCTL_TRIGGER) != 0)
    return errno == ENODEV ? VI_ERROR_CONN_LOST : VI_ERROR_NSUP_OPER;
  return VI_SUCCESS;
}

}  // namespace visa
