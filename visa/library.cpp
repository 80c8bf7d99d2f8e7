#include "visa/library.h"

#include <cstdlib>

#include "visa/builtin_library.h"
#include "visa/resource_file.h"
#include "visa/system_library.h"

namespace visa {

std::unique_ptr<Library> openDefaultLibrary(std::string* warning) {
  return openDefaultLibrary(ResourceFileLocations::fromEnvironment(), warning);
}

std::unique_ptr<Library> openDefaultLibrary(const ResourceFileLocations& locations,
                                            std::string* warning) {
  const ResourceFile file = ResourceFile::find(locations);
  std::vector<std::string> warnings = file.warnings;
  const char* fromEnvironment = std::getenv("V38XX_VISA_LIBRARY");
  const std::string vendor =
      fromEnvironment && *fromEnvironment ? std::string(fromEnvironment) : file.libraryPath;
  std::unique_ptr<Library> library;
  if (!vendor.empty()) {
    std::string error;
    library = SystemLibrary::load(vendor, &error);
    if (!library)
      warnings.push_back("The VISA library " + vendor + " cannot be used (" + error +
                         "); the builtin VISA is used instead.");
  }
  if (!library) library = makeBuiltinLibrary(file.builtin);
  if (warning) {
    warning->clear();
    for (const auto& w : warnings) *warning += (warning->empty() ? "" : "\n") + w;
  }
  return library;
}

}  // namespace visa
