#include "records/write_behind_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace records {

namespace {

constexpr size_t kMostWaiting = 2;

// Writes all of `text`; false on an error (a full disk, a file size limit).
bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

WriteBehindFile::WriteBehindFile(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ >= 0) thread_ = std::thread([this] { run(); });
}

WriteBehindFile::~WriteBehindFile() { close(); }

bool WriteBehindFile::write(std::string& chunk) {
  std::unique_lock lock(mutex_);
  if (fd_ < 0 || ending_) return false;
  changed_.wait(lock, [&] { return failed_ || waiting_.size() < kMostWaiting; });
  if (failed_) return false;
  waiting_.push_back(std::move(chunk));
  chunk.clear();
  if (!spare_.empty()) {
    chunk = std::move(spare_.back());
    spare_.pop_back();
  }
  changed_.notify_all();
  return true;
}

void WriteBehindFile::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return ending_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // ending, and everything is written
    std::string chunk = std::move(waiting_.front());
    waiting_.pop_front();
    const bool skip = failed_;
    lock.unlock();
    const bool ok = skip || writeAll(fd_, chunk);
    chunk.clear();
    lock.lock();
    if (!ok) failed_ = true;
    if (spare_.size() < kMostWaiting) spare_.push_back(std::move(chunk));
    changed_.notify_all();
  }
}

void WriteBehindFile::stop(bool dropWaiting) {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
    if (dropWaiting) {
      waiting_.clear();
      failed_ = true;  // a chunk being written is the last one
    }
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool WriteBehindFile::close() {
  if (fd_ < 0) return false;
  stop(false);
  const bool closed = ::close(std::exchange(fd_, -1)) == 0;
  return closed && !failed_;
}

void WriteBehindFile::discard() {
  struct stat st {};
  const bool regular = ::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  if (fd_ >= 0) {
    stop(true);
    ::close(std::exchange(fd_, -1));
  }
  if (!regular) return;
  char* target = ::realpath(path_.c_str(), nullptr);
  std::remove(target ? target : path_.c_str());
  std::free(target);
}

}  // namespace records
