// viFindRsrc search expressions: the first line is the expression, the rest a resource name to
// match; compiling and matching never fail, whatever the input, and an expression that does
// not compile says why.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "visa/search_expression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\n');
  const std::string_view expression = input.substr(0, split);
  const std::string_view name =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
  visa::SearchExpression compiled;
  std::string why;
  if (visa::SearchExpression::compile(expression, &compiled, &why) != VI_SUCCESS) {
    if (why.empty()) std::abort();
    return 0;
  }
  compiled.matches(name);
  for (const char* known : {"USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR", "GPIB0::22::INSTR",
                            "TCPIP0::127.0.0.1::inst0::INSTR", "TCPIP0::[::1]::5025::SOCKET"})
    compiled.matches(known);
  bool matched = false;
  if (visa::matchSearchExpression(expression, name, &matched) != VI_SUCCESS) std::abort();
  return 0;
}
