#pragma once
// A file written by a thread of its own while the caller prepares the next chunk. Exporting
// 100 million readings spends about as long in the kernel putting the text into the file as
// in reading and formatting the rows; with the two side by side the export takes the longer
// of them rather than their sum. At most two chunks wait to be written, so memory stays flat
// however large the file grows.
//
// The text goes out in blocks of 4 MiB. Past the first gigabyte of a regular file the blocks
// are written around the page cache (O_DIRECT), where the file system allows it: by then a
// file of several gigabytes only fills the memory with pages waiting for the disk, and the
// kernel's copy into them cost as much processor time as the formatting. Smaller files are
// written as any program writes them.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace records {

class WriteBehindFile {
 public:
  static constexpr size_t kBlock = size_t{4} << 20;
  static constexpr long long kDirectAfter = 1LL << 30;

  // Writes `path`: a new file or one replacing a regular file is written as
  // "<path>.part-XXXXXX" beside it and takes its name at close(), so the file that was there
  // stays until the new one is complete; a link or a device is written in place (emptied, as
  // opening it for writing does). See isOpen(). Blocks after the first `directAfter` bytes go
  // around the page cache.
  explicit WriteBehindFile(std::string path, long long directAfter = kDirectAfter);
  // Writes what is still waiting and closes the file (as close(), without its answer).
  ~WriteBehindFile();
  WriteBehindFile(const WriteBehindFile&) = delete;
  WriteBehindFile& operator=(const WriteBehindFile&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  // Hands `chunk` over to be written after the chunks before it; waits while two are
  // waiting already. `chunk` comes back empty, holding the storage of a chunk written
  // earlier for reuse. False once a write has failed (a full disk): nothing more is written.
  bool write(std::string& chunk);
  // Waits until every chunk is written, closes the file and gives it its name; true when
  // all of them reached it (otherwise the file that was there is kept).
  bool close();
  // Stops writing and removes what was written, so that an export cancelled or failed
  // leaves no half-written file: before close() the file that was there is kept; written in
  // place or after close(), a regular file is removed (through a link, the file the link
  // names); a device chosen as the file (/dev/null) is only closed.
  void discard();
  // Bytes written around the page cache so far (for tests).
  long long directBytes() const;

 private:
  struct FreeBlock {
    void operator()(char* p) const;
  };

  void run();
  void stop(bool dropWaiting);
  void dropPartial();
  // The writing thread's own: the text into blocks, full blocks into the file.
  bool put(const std::string& text);
  bool writeBlock(size_t size);

  std::string path_;
  std::string partial_;  // the file's own name until it is complete; empty when in place
  int fd_ = -1;
  long long directAfter_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> waiting_;
  std::vector<std::string> spare_;
  bool ending_ = false;  // no more chunks come
  bool failed_ = false;
  // Used by the writing thread only.
  std::unique_ptr<char, FreeBlock> block_;
  size_t used_ = 0;
  long long offset_ = 0;
  bool directAllowed_ = false;  // a regular file: worth a try
  bool direct_ = false;
  long long directBytes_ = 0;
  std::thread thread_;
};

}  // namespace records
