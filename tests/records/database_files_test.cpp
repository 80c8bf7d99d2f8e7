// The database folder rule, the ten file names, the used/unused rule, creating and deleting.

#include <gtest/gtest.h>

#include <fstream>

#include "records/database_files.h"
#include "records_fixture.h"
#include "support/scripted_interaction.h"

namespace {

namespace fs = std::filesystem;
using recordstest::StartDirectory;

TEST(DatabaseFolderRule, DbAppendedUnlessThePathAlreadyContainsIt) {
  struct Case {
    const char* name;
    const char* start;
    const char* folder;
  };
  const Case cases[] = {
      {"plain start directory gets /DB", "/home/ann/Tools", "/home/ann/Tools/DB"},
      {"DB inside a name is the folder itself", "/data/MyDBData", "/data/MyDBData"},
      {"the DB folder itself is kept", "/home/ann/Tools/DB", "/home/ann/Tools/DB"},
      {"DB anywhere higher up is kept", "/srv/DBs/run", "/srv/DBs/run"},
      {"lower-case db does not count", "/home/ann/db", "/home/ann/db/DB"},
      {"D and B apart do not count", "/Data/Books", "/Data/Books/DB"},
  };
  for (const Case& c : cases) EXPECT_EQ(records::databaseFolderFor(c.start), c.folder) << c.name;
}

TEST(DatabaseFolderRule, StartDirectoryWithoutDbMovesIntoItsDbFolderAndStaysThere) {
  StartDirectory dir;
  testsupport::ScriptedInteraction ui;
  const auto folder = records::locateDatabaseFolder(ui, "Database folder check");
  ASSERT_TRUE(folder);
  EXPECT_EQ(*folder, dir.dbFolder());
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir.dbFolder()));
  // The current directory now contains "DB", so the next lookup keeps it.
  EXPECT_EQ(records::locateDatabaseFolder(ui, "Database check"), dir.dbFolder());
  EXPECT_TRUE(ui.shown.empty());
}

TEST(DatabaseFolderRule, StartDirectoryContainingDbIsTheFolderItself) {
  StartDirectory dir(false);
  const std::string data = dir.root() + "/MyDBData";
  fs::create_directory(data);
  fs::current_path(data);
  testsupport::ScriptedInteraction ui;
  EXPECT_EQ(records::locateDatabaseFolder(ui, "Database folder check"), data);
  EXPECT_TRUE(ui.shown.empty());
}

TEST(DatabaseFolderRule, MissingFolderIsReportedWithTheCallersCaptionAndNoIcon) {
  StartDirectory dir(false);
  testsupport::ScriptedInteraction ui;
  EXPECT_FALSE(records::locateDatabaseFolder(ui, "Database folder check"));
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Database working folder not found.");
  EXPECT_EQ(ui.shown[0].caption, "Database folder check");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::None);
  EXPECT_EQ(ui.shown[0].buttons, core::Buttons::Ok);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir.root())) << "the directory is unchanged";
  EXPECT_FALSE(fs::exists(dir.dbFolder())) << "the folder is never created";
}

TEST(DatabaseFiles, TenNumberedFileNamesAndNoOther) {
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(records::databasePath("/x/DB", n), "/x/DB/DBfile_DB" + std::to_string(n) + ".db");
  }
  for (int n : {0, 11, -1, 100}) {
    EXPECT_THROW(records::databasePath("/x/DB", n), std::invalid_argument) << n;
    EXPECT_THROW(records::isDatabaseUsed("/x/DB", n), std::invalid_argument) << n;
  }
}

TEST(DatabaseFiles, UsedWhenTheFileExistsAndUnusedAfterDeletion) {
  StartDirectory dir;
  EXPECT_FALSE(records::isDatabaseUsed(dir.dbFolder(), 3));
  records::createDatabase(dir.path(3));
  EXPECT_TRUE(records::isDatabaseUsed(dir.dbFolder(), 3));
  EXPECT_FALSE(records::isDatabaseUsed(dir.dbFolder(), 4));
  EXPECT_EQ(records::readStartDate(dir.path(3)), std::nullopt) << "created, never recorded";
  records::deleteDatabase(dir.dbFolder(), 3);
  EXPECT_FALSE(records::isDatabaseUsed(dir.dbFolder(), 3));
  EXPECT_TRUE(fs::is_empty(dir.dbFolder()));
}

TEST(DatabaseFiles, DeletingTakesALeftoverLogAlongSoANewFileStartsEmpty) {
  StartDirectory dir;
  const std::string path = dir.path(5);
  records::createDatabase(path);
  // A log left behind by a killed recording: rows that only it holds.
  recordstest::Child writer([&](int out) {
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    sqlite3_exec(raw, "INSERT INTO read VALUES (1.5, '10:00:00')", nullptr, nullptr, nullptr);
    recordstest::writeLine(out, "written");
    ::pause();
  });
  std::string line;
  ASSERT_TRUE(writer.readLine(&line));
  writer.kill(SIGKILL);
  writer.wait();
  ASSERT_TRUE(fs::exists(path + "-wal"));

  records::deleteDatabase(dir.dbFolder(), 5);
  EXPECT_FALSE(fs::exists(path + "-wal"));
  EXPECT_FALSE(fs::exists(path + "-shm"));
  records::createDatabase(path);
  EXPECT_EQ(recordstest::sqlValue(path, "SELECT count(*) FROM read"), "0");
  EXPECT_EQ(recordstest::sqlValue(path, "PRAGMA integrity_check"), "ok");
}

}  // namespace
