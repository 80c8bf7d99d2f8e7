#pragma once
// A file written by a thread of its own while the caller prepares the next chunk. Exporting
// 100 million readings spends about as long in the kernel copying the text into the file as
// in reading and formatting the rows; with the two side by side the export takes the longer
// of them rather than their sum. At most two chunks wait to be written, so memory stays flat
// however large the file grows.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace records {

class WriteBehindFile {
 public:
  // Creates `path`, or empties it when it exists (as opening it for writing does); see
  // isOpen().
  explicit WriteBehindFile(std::string path);
  // Writes what is still waiting and closes the file (as close(), without its answer).
  ~WriteBehindFile();
  WriteBehindFile(const WriteBehindFile&) = delete;
  WriteBehindFile& operator=(const WriteBehindFile&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  // Hands `chunk` over to be written after the chunks before it; waits while two are
  // waiting already. `chunk` comes back empty, holding the storage of a chunk written
  // earlier for reuse. False once a write has failed (a full disk): nothing more is written.
  bool write(std::string& chunk);
  // Waits until every chunk is written and closes the file; true when all of them reached
  // it.
  bool close();
  // Stops writing, closes the file and removes it when it is a regular file (through a
  // link, the file the link names), so that an export cancelled or failed leaves no
  // half-written file; a device chosen as the file (/dev/null) is only closed.
  void discard();

 private:
  void run();
  void stop(bool dropWaiting);

  std::string path_;
  int fd_ = -1;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> waiting_;
  std::vector<std::string> spare_;
  bool ending_ = false;  // no more chunks come
  bool failed_ = false;
  std::thread thread_;
};

}  // namespace records
