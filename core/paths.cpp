#include "core/paths.h"

#include <filesystem>
#include <system_error>

namespace core {

std::string executableDirectory() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}

std::string dataFilePath(const std::string& name) {
  const std::filesystem::path p =
      std::filesystem::path(executableDirectory()) / ".." / "share" / "v38xx" / name;
  return p.lexically_normal().string();
}

}  // namespace core
