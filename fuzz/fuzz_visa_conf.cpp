// The resource file visa.conf as the user may write it (or as a broken editor leaves it):
// loading never fails, and every LAN resource it accepts is a TCPIP name that parses.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "input_file.h"
#include "visa/resource_file.h"
#include "visa/resource_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::writeInputFile("visa.conf", data, size);
  const visa::ResourceFile file = visa::ResourceFile::load(path);
  for (const std::string& name : file.builtin.lanResources) {
    const visa::ParseResult parsed = visa::parseResourceName(name);
    if (!parsed.name || parsed.name->interface != visa::InterfaceType::Tcpip) std::abort();
  }
  if (file.builtin.vxi11PortmapperPort == 0) std::abort();
  return 0;
}
