#pragma once
// Shared pieces of the reading-database tests: a scratch start directory (the process's
// current directory during a test), direct SQLite access to check files independently of
// the code under test, and a child process that reports back through a pipe.

#include <gtest/gtest.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "records/database_files.h"
#include "tests/support/start_directory.h"

namespace recordstest {

namespace fs = std::filesystem;

using testsupport::StartDirectory;

// The local calendar time of a date and time, independent of the time zone.
inline std::time_t localTimeT(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

// Rows of a query run on the file directly, every value as text ("NULL" for null).
inline std::vector<std::vector<std::string>> sqlRows(const std::string& path,
                                                     const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::vector<std::string>> rows;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    ADD_FAILURE() << "cannot open " << path;
    return rows;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    sqlite3_close(db);
    return rows;
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      const auto* t = sqlite3_column_text(st, i);
      row.push_back(t ? reinterpret_cast<const char*>(t) : "NULL");
    }
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

inline std::string sqlValue(const std::string& path, const std::string& sql) {
  const auto rows = sqlRows(path, sql);
  return rows.empty() || rows[0].empty() ? std::string("<no row>") : rows[0][0];
}

// Runs statements on the file directly (creating it when missing).
inline void sqlExec(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
            SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// A child process running `body` with the write end of a pipe; the parent reads what it
// writes. The child never returns into the test framework.
class Child {
 public:
  explicit Child(const std::function<void(int out)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::close(fds[0]);
      int code = 0;
      try {
        body(fds[1]);
      } catch (const std::exception& e) {
        const std::string line = std::string("exception: ") + e.what() + "\n";
        [[maybe_unused]] const ssize_t n = ::write(fds[1], line.data(), line.size());
        code = 1;
      }
      ::close(fds[1]);
      ::_exit(code);
    }
    ::close(fds[1]);
    in_ = fds[0];
  }
  ~Child() {
    if (in_ >= 0) ::close(in_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      wait();
    }
  }

  // The next line the child wrote (without its line feed); false at the end of its output.
  bool readLine(std::string* line) {
    line->clear();
    char c;
    for (;;) {
      const ssize_t n = ::read(in_, &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return !line->empty();
      if (c == '\n') return true;
      *line += c;
    }
  }
  std::vector<std::string> readAll() {
    std::vector<std::string> lines;
    std::string line;
    while (readLine(&line)) lines.push_back(line);
    return lines;
  }
  void kill(int signal) { ::kill(pid_, signal); }
  // The child's wait status.
  int wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
};

inline void writeLine(int fd, const std::string& text) {
  const std::string line = text + "\n";
  size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// In a child process run as root (whom permissions do not stop): a read-only bind mount of
// `path` (a folder or a file) onto itself, private to the child.
inline bool bindReadOnlyInChild(const std::string& path) {
  if (::unshare(CLONE_NEWNS) != 0) return false;
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  if (::mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
  return ::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// In a child process: makes `folder` read-only. A user without privileges gets a folder
// without write permission (the parent gives it back with restoreFolder); root, whom
// permissions do not stop, gets a read-only bind mount of it private to the child. False
// when neither can be arranged.
inline bool makeFolderReadOnlyInChild(const std::string& folder) {
  if (::geteuid() != 0) return ::chmod(folder.c_str(), 0555) == 0;
  return bindReadOnlyInChild(folder);
}

inline void restoreFolder(const std::string& folder) {
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
}

// In a child process: makes the file `path` read-only while its folder stays writable. A
// user without privileges gets a file without write permission (the parent gives it back
// with restoreFile); root gets a read-only bind mount of the file private to the child.
inline bool makeFileReadOnlyInChild(const std::string& path) {
  if (::geteuid() != 0) return ::chmod(path.c_str(), 0444) == 0;
  return bindReadOnlyInChild(path);
}

inline void restoreFile(const std::string& path) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
}

// In a child process: a private tmpfs of `bytes` mounted on `folder`. False when mounts are
// not permitted here.
inline bool mountSmallTmpfsInChild(const std::string& folder, size_t bytes) {
  if (::unshare(CLONE_NEWNS) != 0) return false;
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  const std::string options = "size=" + std::to_string(bytes);
  return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

}  // namespace recordstest
