// The export's file, written by a thread of its own: everything handed over arrives in
// order, failures are reported, and a discarded file is gone.

#include "records/write_behind_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "records_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class WriteBehindFileTest : public ::testing::Test {
 protected:
  recordstest::StartDirectory dir;
  std::string path = dir.root() + "/out.csv";
};

TEST_F(WriteBehindFileTest, ChunksArriveWholeAndInOrder) {
  struct Case {
    const char* name;
    std::vector<size_t> sizes;
  };
  const Case cases[] = {
      {"nothing", {}},
      {"one empty chunk", {0}},
      {"small chunks", {1, 2, 3, 0, 5}},
      {"chunks larger than a pipe or page", {1 << 20, 3 << 19, 17, 1 << 21}},
      {"many chunks", std::vector<size_t>(300, 4099)},
      {"several blocks and a tail", {(size_t{9} << 20) + 1, 3, size_t{4} << 20, 4095}},
  };
  // Through the page cache, and around it from the first block on (where the file system
  // allows it; the last, partial block always goes through it).
  for (const long long directAfter : {records::WriteBehindFile::kDirectAfter, 0LL}) {
    const std::string way = directAfter > 0 ? "" : ", around the page cache";
    for (const Case& c : cases) {
      if (fs::exists(path)) std::ofstream(path) << "an earlier file, longer than some cases";
      std::string expected;
      long long direct = 0;
      {
        records::WriteBehindFile file(path, directAfter);
        ASSERT_TRUE(file.isOpen()) << c.name;
        for (size_t i = 0; i < c.sizes.size(); ++i) {
          std::string chunk;
          for (size_t k = 0; k < c.sizes[i]; ++k) chunk += static_cast<char>('a' + (i + k) % 26);
          expected += chunk;
          ASSERT_TRUE(file.write(chunk)) << c.name << way;
          EXPECT_TRUE(chunk.empty()) << c.name << way << ": a chunk came back with text";
        }
        ASSERT_TRUE(file.close()) << c.name << way;
        direct = file.directBytes();
      }
      EXPECT_EQ(contents(path), expected) << c.name << way;
      // Only whole blocks past the limit go around the cache.
      EXPECT_LE(direct, directAfter > 0 ? 0 : static_cast<long long>(expected.size()))
          << c.name << way;
      EXPECT_EQ(direct % static_cast<long long>(records::WriteBehindFile::kBlock), 0)
          << c.name << way;
      if (directAfter == 0 && expected.size() >= 2 * records::WriteBehindFile::kBlock) {
        RecordProperty(std::string("direct bytes, ") + c.name, std::to_string(direct));
      }
    }
  }
  // Left to its destructor, the file is complete too.
  {
    records::WriteBehindFile file(path);
    std::string chunk = "header\r\n";
    ASSERT_TRUE(file.write(chunk));
  }
  EXPECT_EQ(contents(path), "header\r\n");
}

// The names in the test's folder that start with "out.csv", to see that no partial file is
// left behind.
std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().rfind("out.csv", 0) == 0) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(WriteBehindFileTest, AnExportOverAnExistingFileKeepsItUntilTheNewOneIsComplete) {
  const auto writeOld = [&] {
    std::ofstream(path, std::ios::binary) << "earlier export\n";
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  };
  const auto big = [] { return std::string(1 << 18, 'n'); };

  // Cancelled half way: the earlier file is there as it was, and nothing else.
  writeOld();
  {
    records::WriteBehindFile file(path);
    ASSERT_TRUE(file.isOpen());
    for (int i = 0; i < 8; ++i) {
      std::string chunk = big();
      ASSERT_TRUE(file.write(chunk));
    }
    file.discard();
  }
  EXPECT_EQ(contents(path), "earlier export\n");
  EXPECT_EQ(namesIn(dir.root()), std::vector<std::string>{"out.csv"});

  // Completed: the new text under the chosen name, with the earlier file's permissions.
  {
    records::WriteBehindFile file(path);
    std::string chunk = "new export\n";
    ASSERT_TRUE(file.write(chunk));
    EXPECT_EQ(contents(path), "earlier export\n") << "replaced before it was complete";
    ASSERT_TRUE(file.close());
  }
  EXPECT_EQ(contents(path), "new export\n");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(namesIn(dir.root()), std::vector<std::string>{"out.csv"});

  // A new file gets the permissions any new file of the user gets, not the private ones of
  // a temporary file.
  fs::remove(path);
  {
    records::WriteBehindFile file(path);
    std::string chunk = "x";
    ASSERT_TRUE(file.write(chunk));
    ASSERT_TRUE(file.close());
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(static_cast<mode_t>(fs::status(path).permissions() & fs::perms::all), 0666 & ~mask);
}

TEST_F(WriteBehindFileTest, FailuresAreReportedAndDiscardLeavesNothing) {
  // A device that is always full: the failure comes back from a later write or the close.
  {
    records::WriteBehindFile file("/dev/full");
    ASSERT_TRUE(file.isOpen());
    bool ok = true;
    for (int i = 0; i < 10 && ok; ++i) {
      std::string chunk(1 << 16, 'x');
      ok = file.write(chunk);
    }
    EXPECT_FALSE(ok && file.close());
    file.discard();  // a device is never removed
  }
  EXPECT_TRUE(fs::exists("/dev/full"));

  // A folder that does not exist: no file, nothing written.
  {
    records::WriteBehindFile file(dir.root() + "/no such folder/out.csv");
    EXPECT_FALSE(file.isOpen());
    std::string chunk = "x";
    EXPECT_FALSE(file.write(chunk));
    EXPECT_FALSE(file.close());
  }

  struct Case {
    const char* name;
    bool throughLink;
    bool closedFirst;
  };
  const Case cases[] = {
      {"while writing", false, false},
      {"after a close", false, true},
      {"through a link: the file it names", true, false},
  };
  for (const Case& c : cases) {
    fs::remove(path);
    const std::string target = dir.root() + "/target.csv";
    fs::remove(target);
    if (c.throughLink) fs::create_symlink(target, path);
    records::WriteBehindFile file(path);
    ASSERT_TRUE(file.isOpen()) << c.name;
    for (int i = 0; i < 20; ++i) {
      std::string chunk(1 << 18, 'y');
      ASSERT_TRUE(file.write(chunk)) << c.name;
    }
    if (c.closedFirst) {
      ASSERT_TRUE(file.close()) << c.name;
    }
    file.discard();
    EXPECT_FALSE(fs::exists(c.throughLink ? target : path)) << c.name;
    std::string chunk = "late";
    EXPECT_FALSE(file.write(chunk)) << c.name << ": written after discard";
  }

  // /dev/null chosen as the file: closed, never removed.
  {
    const std::string link = dir.root() + "/null.csv";
    fs::create_symlink("/dev/null", link);
    records::WriteBehindFile file(link);
    std::string chunk = "x";
    ASSERT_TRUE(file.write(chunk));
    file.discard();
    EXPECT_TRUE(fs::exists("/dev/null"));
  }
}

}  // namespace
