#pragma once
// A scratch start directory for the reading-database tests: a fresh folder whose path holds
// no "DB" (so the folder rule appends "/DB"), optionally with its DB folder, made the process's
// current directory; the previous current directory comes back and the folder goes away at
// the end, even when a test made the DB folder read-only.

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "records/database_files.h"

namespace testsupport {

class StartDirectory {
 public:
  explicit StartDirectory(bool withDbFolder = true) {
    namespace fs = std::filesystem;
    previous_ = fs::current_path();
    for (;;) {
      std::string pattern = (fs::temp_directory_path() / "v38xx-start-XXXXXX").string();
      if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
      if (pattern.find("DB") == std::string::npos) {
        root_ = pattern;
        break;
      }
      fs::remove(pattern);
    }
    if (withDbFolder) fs::create_directory(dbFolder());
    fs::current_path(root_);
  }
  ~StartDirectory() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::permissions(dbFolder(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }
  StartDirectory(const StartDirectory&) = delete;
  StartDirectory& operator=(const StartDirectory&) = delete;

  const std::string& root() const { return root_; }
  std::string dbFolder() const { return root_ + "/DB"; }
  std::string path(int n) const { return records::databasePath(dbFolder(), n); }

 private:
  std::string root_;
  std::filesystem::path previous_;
};

}  // namespace testsupport
