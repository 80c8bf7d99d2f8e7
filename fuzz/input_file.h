#pragma once
// For the targets whose code reads a file: the input is written to one file of this process
// in $TMPDIR (run-fuzzers.sh points it at /dev/shm), replaced for every input.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace fuzz {

// Writes the input to "<TMPDIR>/v38xx-fuzz-<pid>-<name>" and returns that path.
inline const std::string& writeInputFile(const char* name, const std::uint8_t* data,
                                         std::size_t size) {
  static const std::string dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp");
  }();
  static std::string path;
  path = dir + "/v38xx-fuzz-" + std::to_string(::getpid()) + "-" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

}  // namespace fuzz
