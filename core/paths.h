#pragma once
// Where the programs find their data files: <dir of the executable>/../share/v38xx/<name>.
// The build tree has the same shape (bin/ and share/v38xx/), so a program runs from either.

#include <string>

namespace core {

// Directory of the running executable (from /proc/self/exe), without a trailing slash.
std::string executableDirectory();

// <executableDirectory()>/../share/v38xx/<name>, normalised.
std::string dataFilePath(const std::string& name);

}  // namespace core
