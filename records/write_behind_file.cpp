#include "records/write_behind_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace records {

namespace {

constexpr size_t kMostWaiting = 2;
// Block and file offsets of unbuffered writes must be multiples of the device's block size.
constexpr size_t kAlignment = 4096;

// Writes all of `size` bytes; false on an error (a full disk, a file size limit).
bool writeAll(int fd, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool setDirect(int fd, bool on) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

}  // namespace

void WriteBehindFile::FreeBlock::operator()(char* p) const { std::free(p); }

WriteBehindFile::WriteBehindFile(std::string path, long long directAfter)
    : path_(std::move(path)), directAfter_(directAfter) {
  // A new file, or one that replaces a regular file, is written under a name of its own
  // beside it and takes the chosen name only when it is complete: a cancelled or failed
  // export keeps the file that was there. A link or a device is written in place.
  struct stat existing {};
  const bool exists = ::lstat(path_.c_str(), &existing) == 0;
  if (!exists || S_ISREG(existing.st_mode)) {
    std::string pattern = path_ + ".part-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ >= 0) {
      partial_ = pattern;
      mode_t mode = existing.st_mode & 07777;
      if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
      }
      ::fchmod(fd_, mode);
    }
  }
  // A folder that takes no new names, but a file in it that may be written.
  if (fd_ < 0) fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return;
  block_.reset(static_cast<char*>(std::aligned_alloc(kAlignment, kBlock)));
  if (!block_) {
    ::close(std::exchange(fd_, -1));
    dropPartial();
    return;
  }
  struct stat st {};
  directAllowed_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
  thread_ = std::thread([this] { run(); });
}

void WriteBehindFile::dropPartial() {
  if (!partial_.empty()) std::remove(std::exchange(partial_, std::string()).c_str());
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

long long WriteBehindFile::directBytes() const {
  const std::lock_guard lock(mutex_);
  return directBytes_;
}

bool WriteBehindFile::writeBlock(size_t size) {
  if (!direct_ && directAllowed_ && size == kBlock && offset_ >= directAfter_ &&
      offset_ % static_cast<long long>(kAlignment) == 0) {
    direct_ = setDirect(fd_, true);
    directAllowed_ = direct_;
  }
  if (direct_ && size == kBlock) {
    const ssize_t n = ::write(fd_, block_.get(), size);
    if (n == static_cast<ssize_t>(size)) {
      offset_ += static_cast<long long>(size);
      const std::lock_guard lock(mutex_);
      directBytes_ += static_cast<long long>(size);
      return true;
    }
    // A file system that takes the flag but not the writes (or a short write at the end
    // of the disk): the rest goes through the page cache.
    setDirect(fd_, false);
    direct_ = directAllowed_ = false;
    if (n < 0 && errno != EINVAL && errno != EINTR) return false;
    const size_t done = n > 0 ? static_cast<size_t>(n) : 0;
    offset_ += static_cast<long long>(done);
    if (!writeAll(fd_, block_.get() + done, size - done)) return false;
    offset_ += static_cast<long long>(size - done);
    return true;
  }
  if (direct_) {
    // The last, partial block.
    setDirect(fd_, false);
    direct_ = false;
  }
  if (!writeAll(fd_, block_.get(), size)) return false;
  offset_ += static_cast<long long>(size);
  return true;
}

bool WriteBehindFile::put(const std::string& text) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t n = std::min(text.size() - at, kBlock - used_);
    std::memcpy(block_.get() + used_, text.data() + at, n);
    used_ += n;
    at += n;
    if (used_ == kBlock) {
      if (!writeBlock(kBlock)) return false;
      used_ = 0;
    }
  }
  return true;
}

void WriteBehindFile::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return ending_ || !waiting_.empty(); });
    if (waiting_.empty()) {
      // Ending: what is left of the last block.
      const bool skip = failed_ || used_ == 0;
      lock.unlock();
      const bool ok = skip || writeBlock(used_);
      lock.lock();
      if (!ok) failed_ = true;
      return;
    }
    std::string chunk = std::move(waiting_.front());
    waiting_.pop_front();
    const bool skip = failed_;
    lock.unlock();
    const bool ok = skip || put(chunk);
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
      failed_ = true;  // nothing more is written
    }
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool WriteBehindFile::close() {
  if (fd_ < 0) return false;
  stop(false);
  const bool closed = ::close(std::exchange(fd_, -1)) == 0;
  if (!closed || failed_) {
    dropPartial();
    return false;
  }
  if (partial_.empty()) return true;
  if (std::rename(partial_.c_str(), path_.c_str()) != 0) {
    dropPartial();
    return false;
  }
  partial_.clear();
  return true;
}

void WriteBehindFile::discard() {
  if (!partial_.empty()) {
    // Not complete yet: the file under its own name goes, the chosen name is untouched.
    if (fd_ >= 0) {
      stop(true);
      ::close(std::exchange(fd_, -1));
    }
    dropPartial();
    return;
  }
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
