// Recording a run: preparing the chosen database at Run Start (create, overwrite question,
// Setting Mode on No), the start date, one row per reading, and every way it can fail.

#include "records/recorder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>

#include "core/clock.h"
#include "measure/texts.h"
#include "records/database.h"
#include "records_fixture.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"

namespace {

namespace fs = std::filesystem;
using core::Answer;
using records::RecordingSelection;
using recordstest::localTimeT;
using recordstest::sqlRows;
using recordstest::sqlValue;
using recordstest::StartDirectory;
using Rows = std::vector<std::vector<std::string>>;

const std::string kQuestion3 =
    "The Database 3 has been used,choose Yes to overwrite it or\n choose No to select other "
    "Database to save data.";

class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() { clock.set(localTimeT(2011, 11, 10, 9, 6, 32)); }

  RecordingSelection selecting(int n) {
    RecordingSelection s;
    s.save = true;
    s.database = n;
    s.foundInstruments = 1;
    return s;
  }

  // Records `readings` into database n through a recorder of its own (answering Yes).
  void record(int n, std::initializer_list<const char*> readings) {
    testsupport::ScriptedInteraction yes;
    records::Recorder r(yes, texts, clock);
    RecordingSelection s = selecting(n);
    r.prepare(s, {});
    ASSERT_TRUE(r.recording());
    for (const char* text : readings) ASSERT_TRUE(r.append(text, nullptr));
    r.close();
  }

  long long rowCount(int n) {
    return std::stoll(sqlValue(dir.path(n), "SELECT count(*) FROM read"));
  }

  StartDirectory dir;
  testsupport::ScriptedInteraction ui;
  testsupport::ManualClock clock;
  measure::Texts texts;
  records::Recorder recorder{ui, texts, clock};
};

TEST_F(RecorderTest, UnusedDatabaseIsCreatedDatedAndReceivesOneRowPerReading) {
  RecordingSelection s = selecting(2);
  recorder.prepare(s, [] { FAIL() << "no dialog for an unused database"; });
  EXPECT_TRUE(ui.shown.empty());
  ASSERT_TRUE(recorder.recording());
  EXPECT_EQ(recorder.database(), 2);
  EXPECT_FALSE(s.databaseUsed);
  EXPECT_EQ(sqlRows(dir.path(2), "SELECT r_date FROM read_date"), (Rows{{"2011-11-10 09:06:32"}}));

  std::string error;
  EXPECT_TRUE(recorder.append("+1.00000012345E+007\n", &error));
  clock.advance(std::chrono::seconds(1));
  EXPECT_TRUE(recorder.append("-2.5E-003\n", &error));
  EXPECT_EQ(sqlRows(dir.path(2), "SELECT read_value, read_time FROM read ORDER BY rowid"),
            (Rows{{"10000001.2345", "09:06:32"}, {"-0.0025", "09:06:33"}}))
      << "each reading is committed as it is appended";
  recorder.close();
  EXPECT_FALSE(recorder.recording());
  EXPECT_EQ(recorder.database(), 0);
  recorder.close();  // harmless twice
}

TEST_F(RecorderTest, StoredValuesGoThroughThirtyDecimals) {
  RecordingSelection s = selecting(1);
  recorder.prepare(s, {});
  for (const char* text : {"1.5e-31", "10000000.123"}) ASSERT_TRUE(recorder.append(text, nullptr));
  recorder.close();

  records::Database db;
  records::openReadingDatabase(db, dir.path(1));
  records::Recordset rs = db.openRecordset(records::Query::readings());
  EXPECT_EQ(rs.getFieldValue("read_value").toDouble(), 0.0);
  rs.moveNext();
  EXPECT_EQ(rs.getFieldValue("read_value").toDouble(), 10000000.123);
}

TEST_F(RecorderTest, ReadTimeIsTheTimeOfDayOnly) {
  RecordingSelection s = selecting(1);
  recorder.prepare(s, {});
  clock.set(localTimeT(2013, 2, 27, 13, 5, 9));
  ASSERT_TRUE(recorder.append("1", nullptr));
  recorder.close();
  EXPECT_EQ(sqlRows(dir.path(1), "SELECT read_time, typeof(read_time) FROM read"),
            (Rows{{"13:05:09", "text"}}));
  EXPECT_EQ(sqlValue(dir.path(1), "SELECT time(read_time) FROM read"), "13:05:09")
      << "the engine reads it as a time";
}

TEST_F(RecorderTest, StartingTwiceKeepsOneStartDateHoldingTheLaterStart) {
  RecordingSelection s = selecting(4);
  recorder.prepare(s, {});
  ASSERT_TRUE(recorder.append("1", nullptr));
  recorder.close();

  clock.set(localTimeT(2011, 11, 12, 17, 45, 0));
  ui.answers = {Answer::No};
  recorder.prepare(s, [] {});  // No, and the dialog keeps database 4
  ASSERT_TRUE(recorder.recording());
  ASSERT_TRUE(recorder.append("2", nullptr));
  recorder.close();
  EXPECT_EQ(sqlRows(dir.path(4), "SELECT r_date FROM read_date"), (Rows{{"2011-11-12 17:45:00"}}));
  EXPECT_EQ(sqlRows(dir.path(4), "SELECT read_value FROM read ORDER BY rowid"),
            (Rows{{"1.0"}, {"2.0"}}))
      << "keeping the database appends after its rows";
}

TEST_F(RecorderTest, OverwriteQuestionYesReplacesTheEarlierRowsAtTheFirstReading) {
  record(3, {"1", "2", "3"});
  RecordingSelection s = selecting(3);
  s.databaseUsed = true;
  ui.answers = {Answer::Yes};
  recorder.prepare(s, [] { FAIL() << "Yes does not open the dialog"; });
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, kQuestion3);
  EXPECT_EQ(ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::Information);
  EXPECT_EQ(ui.shown[0].buttons, core::Buttons::YesNo);
  EXPECT_FALSE(s.databaseUsed);
  ASSERT_TRUE(recorder.recording());
  EXPECT_EQ(rowCount(3), 3) << "the old recording stays until the new one has a reading";
  ASSERT_TRUE(recorder.append("7", nullptr));
  EXPECT_EQ(rowCount(3), 1);
  ASSERT_TRUE(recorder.append("8", nullptr));
  recorder.close();
  EXPECT_EQ(rowCount(3), 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.dbFolder()), fs::directory_iterator{}), 1)
      << "nothing but DBfile_DB3.db is left in the folder";
}

TEST_F(RecorderTest, AnOverwritingRunWithoutAReadingKeepsTheOldRecording) {
  record(3, {"1", "2", "3"});
  RecordingSelection s = selecting(3);
  ui.answers = {Answer::Yes};
  recorder.prepare(s, {});
  ASSERT_TRUE(recorder.recording());
  EXPECT_EQ(rowCount(3), 3) << "while the new one waits for its first reading";
  recorder.close();  // the run stopped before its first reading: a dropped link
  EXPECT_EQ(rowCount(3), 3);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.dbFolder()), fs::directory_iterator{}), 1)
      << "the new file is gone";
  // The next run's Yes starts again from the old recording.
  ui.answers = {Answer::Yes};
  recorder.prepare(s, {});
  ASSERT_TRUE(recorder.append("9", nullptr));
  EXPECT_EQ(rowCount(3), 1);
}

TEST_F(RecorderTest, OverwriteQuestionNoFollowsTheSettingModeChoice) {
  struct Case {
    const char* name;
    int chosen;       // the database chosen in the dialog
    bool saveAfter;   // the Save box when the dialog closed
    bool usedBefore;  // the chosen database already has a file
    int recordsInto;  // 0: nothing opened
    bool usedFlag;
  };
  const Case cases[] = {
      {"another unused database is created and recorded", 4, true, false, 4, false},
      {"another used database sets the flag and opens nothing", 4, true, true, 0, true},
      {"the same database is kept and appended to", 3, true, false, 3, false},
      {"Save cleared in the dialog opens nothing", 4, false, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    records::deleteDatabase(dir.dbFolder(), 3);
    records::deleteDatabase(dir.dbFolder(), 4);
    record(3, {"1", "2"});
    if (c.usedBefore) record(4, {"5"});
    ui.shown.clear();
    ui.answers = {Answer::No};
    RecordingSelection s = selecting(3);
    int dialogs = 0;
    recorder.prepare(s, [&] {
      ++dialogs;
      s.database = c.chosen;
      s.save = c.saveAfter;
    });
    EXPECT_EQ(dialogs, 1);
    ASSERT_EQ(ui.shown.size(), 1u) << "only the question";
    EXPECT_EQ(recorder.recording(), c.recordsInto != 0);
    EXPECT_EQ(recorder.database(), c.recordsInto);
    EXPECT_EQ(s.databaseUsed, c.usedFlag);
    EXPECT_EQ(rowCount(3), 2) << "the declined database keeps its rows";
    if (c.usedBefore) {
      EXPECT_EQ(rowCount(4), 1) << "the used one is left alone";
    }
    if (recorder.recording()) {
      ASSERT_TRUE(recorder.append("9", nullptr));
      EXPECT_EQ(rowCount(c.recordsInto), c.recordsInto == 3 ? 3 : 1);
    } else if (!c.usedBefore) {
      EXPECT_FALSE(records::isDatabaseUsed(dir.dbFolder(), 4)) << "nothing created";
    }
    recorder.close();
  }
}

TEST_F(RecorderTest, SaveOffPreparesNothing) {
  RecordingSelection s = selecting(2);
  s.save = false;
  recorder.prepare(s, {});
  EXPECT_FALSE(recorder.recording());
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_TRUE(fs::is_empty(dir.dbFolder()));
  std::string error;
  EXPECT_FALSE(recorder.append("1", &error));
  EXPECT_EQ(error, "No database is open for recording.");
}

TEST_F(RecorderTest, NoDatabaseChosenIsRefusedWithoutMakingAFile) {
  for (int n : {0, 11}) {
    ui.shown.clear();
    RecordingSelection s = selecting(n);
    recorder.prepare(s, {});
    EXPECT_FALSE(recorder.recording()) << n;
    EXPECT_TRUE(s.databaseUsed) << n << ": the run is stopped";
    ASSERT_EQ(ui.shown.size(), 1u) << n;
    EXPECT_EQ(ui.shown[0].text, "Please select a Database.");
    EXPECT_TRUE(fs::is_empty(dir.dbFolder())) << n;
  }
}

TEST_F(RecorderTest, MissingDatabaseFolderShowsTheFolderMessageAndStopsTheRun) {
  fs::remove(dir.dbFolder());
  RecordingSelection s = selecting(2);
  recorder.prepare(s, {});
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Database working folder not found.");
  EXPECT_EQ(ui.shown[0].caption, "Database folder check");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::None);
  EXPECT_FALSE(recorder.recording());
  EXPECT_TRUE(s.databaseUsed);
  EXPECT_TRUE(fs::is_empty(dir.root()));
}

// The file of database 3 is damaged or locked: the user is told which and why, and the run
// is stopped; answering Yes replaces a damaged file with a good one.
TEST_F(RecorderTest, DamagedFileIsReportedOrOverwritten) {
  std::ofstream(dir.path(3)) << "not a database, just text that happens to sit here\n";
  RecordingSelection s = selecting(3);
  ui.answers = {Answer::No};
  recorder.prepare(s, [] {});
  EXPECT_FALSE(recorder.recording());
  EXPECT_TRUE(s.databaseUsed);
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_EQ(ui.shown[1].text,
            "The Database 3 could not be opened for recording: the file is damaged or is not a "
            "reading database.");
  EXPECT_EQ(ui.shown[1].caption, "V38XX_AP");
  EXPECT_EQ(ui.shown[1].icon, core::Icon::Error);

  ui.shown.clear();
  ui.answers = {Answer::Yes};
  s.databaseUsed = false;
  recorder.prepare(s, {});
  EXPECT_TRUE(recorder.recording());
  EXPECT_FALSE(s.databaseUsed);
  EXPECT_EQ(ui.shown.size(), 1u);
}

TEST_F(RecorderTest, FileLockedByAnotherProgramIsReported) {
  record(3, {"1"});
  const std::string path = dir.path(3);
  recordstest::Child holder([&](int out) {
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    sqlite3_exec(raw, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
    recordstest::writeLine(out, "locked");
    ::pause();
  });
  std::string line;
  ASSERT_TRUE(holder.readLine(&line));
  recorder.setOpenOptions({records::Synchronous::Normal, 50});
  RecordingSelection s = selecting(3);
  ui.answers = {Answer::No};
  recorder.prepare(s, [] {});
  EXPECT_FALSE(recorder.recording());
  EXPECT_TRUE(s.databaseUsed);
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_EQ(ui.shown[1].text,
            "The Database 3 could not be opened for recording: the file is in use by another "
            "program.");
}

TEST_F(RecorderTest, ReadOnlyFolderIsReportedAndNothingIsLost) {
  record(3, {"1", "2"});
  recordstest::Child child([&](int out) {
    if (!recordstest::makeFolderReadOnlyInChild(dir.dbFolder())) {
      recordstest::writeLine(out, "skip");
      return;
    }
    struct Case {
      int database;
      Answer answer;
    };
    for (const Case c : {Case{5, Answer::Yes}, Case{3, Answer::Yes}, Case{3, Answer::No}}) {
      testsupport::ScriptedInteraction childUi;
      childUi.answers = {c.answer};
      records::Recorder r(childUi, texts, clock);
      RecordingSelection s = selecting(c.database);
      r.prepare(s, [] {});
      recordstest::writeLine(out, std::string(r.recording() ? "recording" : "stopped") +
                                      (s.databaseUsed ? " used|" : " unused|") +
                                      childUi.shown.back().text);
    }
  });
  const auto lines = child.readAll();
  recordstest::restoreFolder(dir.dbFolder());
  ASSERT_FALSE(lines.empty());
  if (lines[0] == "skip") GTEST_SKIP() << "cannot make a read-only folder here";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "stopped used|The Database 5 could not be created: the database folder "
                       "or file is read-only.",
                       "stopped used|The Database 3 could not be overwritten: the database "
                       "folder or file is read-only.",
                       "stopped used|The Database 3 could not be opened for recording: the "
                       "database folder or file is read-only.",
                   }));
  EXPECT_EQ(rowCount(3), 2);
  EXPECT_FALSE(records::isDatabaseUsed(dir.dbFolder(), 5));
}

// Appending until the disk is full: the append that fails says so, the recording closes,
// and every reading whose append succeeded is in the file.
TEST_F(RecorderTest, FullDiskStopsTheRecordingWithoutLosingStoredReadings) {
  struct Case {
    const char* name;
    bool tmpfs;  // a tiny file system; otherwise a file size limit
  };
  for (const Case c : {Case{"file size limit", false}, Case{"full file system", true}}) {
    SCOPED_TRACE(c.name);
    const std::string folder = dir.root() + (c.tmpfs ? "/small" : "/limited");
    fs::create_directory(folder);
    const std::string path = folder + "/DB/DBfile_DB1.db";
    recordstest::Child child([&](int out) {
      if (c.tmpfs && !recordstest::mountSmallTmpfsInChild(folder, 96 * 1024)) {
        recordstest::writeLine(out, "skip");
        return;
      }
      fs::create_directory(folder + "/DB");
      fs::current_path(folder);
      if (!c.tmpfs) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{96 * 1024, 96 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      testsupport::ScriptedInteraction childUi;
      core::SystemClock wallClock;
      records::Recorder r(childUi, texts, wallClock);
      RecordingSelection s = selecting(1);
      r.prepare(s, {});
      if (!r.recording()) {
        recordstest::writeLine(out, "not recording: " + childUi.shown.back().text);
        return;
      }
      std::string error;
      long long stored = 0;
      while (stored < 100000 && r.append(std::to_string(stored + 1), &error)) ++stored;
      recordstest::writeLine(out, std::to_string(stored));
      recordstest::writeLine(out, error);
      recordstest::writeLine(out, r.recording() ? "still recording" : "closed");
      r.close();
      // Check the file from the same place (a tiny file system goes with this process).
      recordstest::writeLine(out, sqlValue(path, "SELECT count(*) FROM read"));
      recordstest::writeLine(out, sqlValue(path, "PRAGMA integrity_check"));
    });
    const auto lines = child.readAll();
    ASSERT_FALSE(lines.empty());
    if (lines[0] == "skip") {
      std::cout << "[  SKIPPED ] " << c.name << ": mounting a file system is not permitted\n";
      continue;
    }
    ASSERT_EQ(lines.size(), 5u) << lines[0];
    const long long stored = std::stoll(lines[0]);
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, 100000) << "the limit was reached";
    EXPECT_EQ(lines[1],
              "The reading could not be stored in Database 1: the disk is full or the file has "
              "reached its size limit.");
    EXPECT_EQ(lines[2], "closed");
    EXPECT_EQ(lines[3], std::to_string(stored)) << "every stored reading is in the file";
    EXPECT_EQ(lines[4], "ok");
    if (!c.tmpfs) {
      EXPECT_EQ(sqlValue(path, "SELECT count(*) FROM read"), std::to_string(stored));
      EXPECT_EQ(sqlValue(path, "SELECT max(read_value) FROM read"), std::to_string(stored) + ".0");
      EXPECT_EQ(sqlValue(path, "PRAGMA integrity_check"), "ok");
    }
  }
}

}  // namespace
