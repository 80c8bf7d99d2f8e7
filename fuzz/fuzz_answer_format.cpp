// The three value formatters on any answer text, for every model code and function code the
// front panel uses (and any other function code).

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "reading/value_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the model and the function (or, past the known codes, takes the next
  // four bytes as the function code); the rest is the text.
  static const char* const kModels[] = {"0", "3800", "3820"};
  static const int kFunctions[] = {0, 10, 11, 12, 13, 14, 2, 31, 32, 33};
  if (size < 1) return 0;
  const std::uint8_t pick = data[0];
  ++data, --size;
  const char* model = kModels[pick % 3];
  int function = kFunctions[(pick / 3) % 10];
  if (pick >= 240 && size >= sizeof function) {
    std::memcpy(&function, data, sizeof function);
    data += sizeof function;
    size -= sizeof function;
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  reading::FormatCurrent(text, model, function);
  reading::FormatMaxMin(text, model, function);
  reading::FormatStdev(text, model, function);
  return 0;
}
