// USBTMC discovery from a sysfs tree laid out as the kernel does it, built in a temporary
// folder: names, decimal-to-hexadecimal ids, serial numbers, interface numbers, and which
// device node a resource name opens.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "visa/builtin_library.h"
#include "visa/transport_usbtmc.h"

namespace {

namespace fs = std::filesystem;

class FakeSysfs {
 public:
  FakeSysfs() {
    root_ = fs::temp_directory_path() /
            ("v38xx-usbtmc-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    fs::create_directories(root_ / "class" / "usbmisc");
    fs::create_directories(root_ / "dev");
  }
  ~FakeSysfs() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // One USB device with one USBTMC interface bound as /dev/usbtmc<minor>.
  void add(int minor, const std::string& vendor, const std::string& product,
           const std::string* serial, int interfaceNumber) {
    const fs::path device = root_ / "devices" / ("1-" + std::to_string(minor));
    const fs::path intf =
        device / ("1-" + std::to_string(minor) + ":1." + std::to_string(interfaceNumber));
    fs::create_directories(intf);
    write(device / "idVendor", vendor + "\n");
    write(device / "idProduct", product + "\n");
    if (serial) write(device / "serial", *serial + "\n");
    char number[8];
    std::snprintf(number, sizeof number, "%02x\n", interfaceNumber);
    write(intf / "bInterfaceNumber", number);
    const fs::path node = root_ / "class" / "usbmisc" / ("usbtmc" + std::to_string(minor));
    fs::create_directories(node);
    fs::create_directory_symlink(intf, node / "device");
    write(root_ / "dev" / ("usbtmc" + std::to_string(minor)), "");
  }

  std::string sysfs() const { return (root_ / "class" / "usbmisc").string(); }
  std::string dev() const { return (root_ / "dev").string(); }
  std::string contentOf(const std::string& node) const {
    std::ifstream in(root_ / "dev" / node);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  static void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }
  static inline int counter_ = 0;
  fs::path root_;
};

TEST(UsbtmcListing, ReadsIdsSerialAndInterfaceFromSysfs) {
  FakeSysfs sysfs;
  const std::string serial1 = "SN00012345";
  const std::string serial2 = "MY 12:34";
  sysfs.add(0, "2b7a", "0ed8", &serial1, 0);
  sysfs.add(1, "2B7A", "0eec", &serial2, 2);
  sysfs.add(2, "0957", "1907", nullptr, 0);
  sysfs.add(3, "zzzz", "0001", &serial1, 0);  // unreadable ids: skipped

  const auto devices = visa::listUsbtmcDevices(sysfs.sysfs(), sysfs.dev());
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0].resourceName(), "USB0::0x2B7A::0x0ED8::SN00012345::INSTR");
  EXPECT_EQ(devices[0].devicePath, sysfs.dev() + "/usbtmc0");
  EXPECT_EQ(devices[1].resourceName(), "USB0::0x2B7A::0x0EEC::MY_12_34::2::INSTR");
  EXPECT_EQ(devices[2].resourceName(), "USB0::0x0957::0x1907::NOSERIAL::INSTR");
}

TEST(UsbtmcListing, MissingSysfsGivesNoDevices) {
  EXPECT_TRUE(visa::listUsbtmcDevices("/nonexistent/v38xx/usbmisc", "/dev").empty());
}

TEST(UsbtmcListing, BuiltinLibraryFindsAndOpensTheMatchingNode) {
  FakeSysfs sysfs;
  const std::string serialA = "SN00012345";
  const std::string serialB = "SN00099999";
  sysfs.add(0, "2b7a", "0ed8", &serialA, 0);
  sysfs.add(1, "2b7a", "0ed8", &serialB, 0);
  visa::BuiltinOptions o;
  o.simulate = false;
  o.usbtmcSysfsDir = sysfs.sysfs();
  o.deviceDir = sysfs.dev();
  o.gpibLibrary = "libv38xx-test-no-such-gpib.so.0";
  visa::BuiltinLibrary lib(o);
  ViSession rm = VI_NULL;
  ASSERT_EQ(lib.viOpenDefaultRM(&rm), VI_SUCCESS);

  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  char name[VI_FIND_BUFLEN];
  ASSERT_EQ(lib.viFindRsrc(rm, "USB[0-9]*::0x2B7A::0x0ED8::?*INSTR", &list, &count, name),
            VI_SUCCESS);
  EXPECT_EQ(count, 2u);
  EXPECT_STREQ(name, "USB0::0x2B7A::0x0ED8::SN00012345::INSTR");

  // The decimal spelling and the upper-case prefix name the same device as the listing.
  ViSession s = VI_NULL;
  ASSERT_EQ(lib.viOpen(rm, "USB0::11130::3800::SN00099999::INSTR", VI_NO_LOCK, 0, &s), VI_SUCCESS);
  const std::string query = "*IDN?\n";
  ViUInt32 written = 0;
  EXPECT_EQ(lib.viWrite(s, reinterpret_cast<const ViByte*>(query.data()), 6, &written), VI_SUCCESS);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(sysfs.contentOf("usbtmc1"), query);
  EXPECT_EQ(sysfs.contentOf("usbtmc0"), "");

  ViSession other = VI_NULL;
  EXPECT_EQ(lib.viOpen(rm, "USB0::0X2B7A::0X0ED8::SN00012345::INSTR", VI_NO_LOCK, 0, &other),
            VI_SUCCESS);
  EXPECT_EQ(lib.viOpen(rm, "USB0::0x2B7A::0x0EEC::SN00012345::INSTR", VI_NO_LOCK, 0, &other),
            VI_ERROR_RSRC_NFOUND);
}

}  // namespace
