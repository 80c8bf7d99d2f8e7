// The resource file visa.conf as the user may write it (or as a broken editor leaves it):
// loading never fails, and every LAN resource it accepts is a TCPIP name that parses.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "visa/resource_file.h"
#include "visa/resource_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/v38xx-fuzz-visa-" +
           std::to_string(::getpid()) + ".conf";
  }();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const visa::ResourceFile file = visa::ResourceFile::load(path);
  for (const std::string& name : file.builtin.lanResources) {
    const visa::ParseResult parsed = visa::parseResourceName(name);
    if (!parsed.name || parsed.name->interface != visa::InterfaceType::Tcpip) std::abort();
  }
  if (file.builtin.vxi11PortmapperPort == 0) std::abort();
  return 0;
}
