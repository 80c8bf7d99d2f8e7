#pragma once
// The NBS14 1000-point frequency data set of NIST Special Publication 1065: n0 = 1234567890,
// n[i+1] = 16807 n[i] mod 2147483647, the values n0 .. n999 each divided by 2147483647.

#include <cstdint>
#include <vector>

namespace stabilitytest {

inline std::vector<std::uint64_t> nbs14Integers(int count) {
  std::vector<std::uint64_t> out;
  std::uint64_t v = 1234567890;
  for (int i = 0; i < count; ++i) {
    out.push_back(v);
    v = (16807 * v) % 2147483647;
  }
  return out;
}

inline std::vector<double> nbs14(int count = 1000) {
  std::vector<double> out;
  out.reserve(count + 1);
  for (std::uint64_t v : nbs14Integers(count)) out.push_back(static_cast<double>(v) / 2147483647.0);
  return out;
}

}  // namespace stabilitytest
