// Resource names: the parser never fails on any input, and every name it accepts comes back
// from canonical() (what viParseRsrcEx and VI_ATTR_RSRC_NAME return) as a name that parses
// again to the same resource and is its own canonical form.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "visa/resource_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const visa::ParseResult first = visa::parseResourceName(text);
  if (!first.name) {
    if (first.error.empty()) std::abort();
    return 0;
  }
  const std::string canonical = first.name->canonical();
  const visa::ParseResult second = visa::parseResourceName(canonical);
  if (!second.name || !(*second.name == *first.name)) std::abort();
  if (second.name->canonical() != canonical) std::abort();
  return 0;
}
