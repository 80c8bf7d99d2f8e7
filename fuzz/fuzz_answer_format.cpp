// The three value formatters on any answer text, for every model code and function code the
// front panel uses (and one from the input).

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "reading/value_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int fromInput = 0;
  if (size >= sizeof fromInput) {
    std::memcpy(&fromInput, data, sizeof fromInput);
    data += sizeof fromInput;
    size -= sizeof fromInput;
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const char* model : {"0", "3800", "3820"}) {
    for (int function : {0, 10, 11, 12, 13, 14, 2, 31, 32, 33, fromInput}) {
      reading::FormatCurrent(text, model, function);
      reading::FormatMaxMin(text, model, function);
      reading::FormatStdev(text, model, function);
    }
  }
  return 0;
}
