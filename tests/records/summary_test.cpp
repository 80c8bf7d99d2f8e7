// The summary kept with the readings: the triggers keep it exact through appends by the
// recorder, by plain SQL and by the sqlite3 program; what they cannot follow marks it stale
// and the next opening builds it again; files without one get one where they can be written,
// and read-only files are left as they are.

#include "records/reading_summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "core/clock.h"
#include "measure/texts.h"
#include "records/database.h"
#include "records/recorder.h"
#include "records_fixture.h"
#include "summary_check.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"

namespace {

using records::Database;
using records::DatabaseOverview;
using recordstest::sqlExec;
using recordstest::sqlValue;
using recordstest::StartDirectory;

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Appends `values` with plain SQL in one transaction (as another tool would).
void insertValues(const std::string& path, const std::vector<double>& values) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  ASSERT_EQ(
      sqlite3_prepare_v2(db, "INSERT INTO read (read_value, read_time) VALUES (?1, '12:00:00')", -1,
                         &insert, nullptr),
      SQLITE_OK);
  for (double v : values) {
    sqlite3_bind_double(insert, 1, v);
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  EXPECT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

// A reading database as older programs and other tools make it: the two tables only.
void makeOlderFile(const std::string& path) {
  sqlExec(path,
          "PRAGMA journal_mode=WAL; CREATE TABLE read (read_value REAL, read_time DATETIME);"
          "CREATE TABLE read_date (r_date DATETIME);");
}

std::optional<DatabaseOverview> overview(const std::string& path,
                                         const records::ProgressFn& progress = {}) {
  Database db;
  records::openReadingDatabase(db, path, records::lookingOnly());
  return records::readOverview(
      db, progress ? progress : [](long long, long long) { return true; });
}

std::vector<double> noise(size_t n, unsigned seed, double level = 1e7) {
  std::mt19937 random(seed);
  std::normal_distribution<double> d(0, 1);
  std::vector<double> values;
  for (size_t i = 0; i < n; ++i) values.push_back(level + d(random) * 0.25);
  return values;
}

class SummaryTest : public ::testing::Test {
 protected:
  StartDirectory dir;
  std::string path = dir.path(2);
};

TEST_F(SummaryTest, NewFileStartsWithAnEmptyCurrentSummary) {
  records::createDatabase(path);
  EXPECT_EQ(sqlValue(path, "SELECT state || ',' || row_count FROM read_summary"), "0,0");
  const auto o = overview(path);
  ASSERT_TRUE(o);
  EXPECT_TRUE(o->summarised);
  EXPECT_EQ(o->statistics.count, 0);
  EXPECT_FALSE(o->statistics.average || o->statistics.maximum || o->statistics.minimum);
  summarycheck::expectExact(path);
}

TEST_F(SummaryTest, TriggersFollowEveryWayOfAppending) {
  records::createDatabase(path);
  // The recorder, one committed row per reading, across several pyramid blocks.
  {
    testsupport::ScriptedInteraction ui;
    measure::Texts texts;
    testsupport::ManualClock clock;
    records::Recorder recorder(ui, texts, clock);
    records::RecordingSelection selection;
    selection.save = true;
    selection.database = 2;
    ui.answers.push_back(core::Answer::No);  // keep the file, append to it
    recorder.prepare(selection, [] {});
    ASSERT_TRUE(recorder.recording());
    std::string error;
    for (int i = 0; i < 1500; ++i) {
      ASSERT_TRUE(recorder.append(std::to_string(10000000.0 + (i % 97) * 0.125), &error)) << error;
    }
    recorder.close();
  }
  summarycheck::expectExact(path);
  // Plain SQL in large transactions: enough for the levels of 16,384 and 262,144 readings.
  insertValues(path, noise(20000, 1));
  summarycheck::expectExact(path);
  insertValues(path, noise(250000, 2, -3.5));  // 270,000 in all
  summarycheck::expectExact(path);
  EXPECT_EQ(sqlValue(path, "SELECT count(*) FROM read_pyramid WHERE level = 4"), "1");
  // The sqlite3 program, where it is installed.
  const bool withProgram = std::system("command -v sqlite3 >/dev/null 2>&1") == 0;
  if (withProgram) {
    const std::string command =
        "sqlite3 '" + path + "' \"INSERT INTO read VALUES (1e300, '13:00:00'), (-2, '13:00:01')\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    summarycheck::expectExact(path);
  }
  const auto o = overview(path);
  ASSERT_TRUE(o && o->summarised);
  EXPECT_EQ(o->statistics.count, std::stoll(sqlValue(path, "SELECT count(*) FROM read")));
  if (withProgram) {
    EXPECT_EQ(*o->statistics.maximum, 1e300);
  }
}

TEST_F(SummaryTest, AverageIsCompensatedAndIndependentOfTheWayItWasKept) {
  // Readings where a plain running sum loses digits: a large offset with small steps.
  std::vector<double> values;
  long double exact = 0;
  for (int i = 0; i < 100000; ++i) {
    values.push_back(1e9 + 0.001 * (i % 1000));
    exact += values.back();
  }
  records::createDatabase(path);
  insertValues(path, values);
  const auto byTriggers = overview(path);
  ASSERT_TRUE(byTriggers && byTriggers->summarised);
  const double expected = static_cast<double>(exact / values.size());
  EXPECT_DOUBLE_EQ(*byTriggers->statistics.average, expected);
  // Built again from the rows, the same digits.
  sqlExec(path, "UPDATE read_summary SET state = 1");
  const auto byBuild = overview(path);
  ASSERT_TRUE(byBuild && byBuild->summarised);
  EXPECT_DOUBLE_EQ(*byBuild->statistics.average, *byTriggers->statistics.average);
  summarycheck::expectExact(path);
}

TEST_F(SummaryTest, ChangesTheTriggersCannotFollowAreRebuiltAtTheNextOpening) {
  struct Case {
    const char* name;
    const char* sql;
    long long rowsAfter;
  };
  const Case cases[] = {
      {"a reading deleted in the middle", "DELETE FROM read WHERE rowid = 500", 3999},
      {"the last readings deleted", "DELETE FROM read WHERE rowid > 3900", 3900},
      {"every reading deleted", "DELETE FROM read", 0},
      {"a reading edited", "UPDATE read SET read_value = 1e9 WHERE rowid = 77", 4000},
      {"a reading stored before the first row id",
       "INSERT INTO read (rowid, read_value, read_time) VALUES (0, 5, '12:00:00')", 4001},
      {"a trigger dropped by another tool", "DROP TRIGGER read_summary_update", 4000},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(path);
    records::createDatabase(path);
    insertValues(path, noise(4000, 3));
    sqlExec(path, c.sql);
    EXPECT_NE(sqlValue(path, "SELECT state FROM read_summary") +
                  sqlValue(path, "SELECT count(*) FROM sqlite_master WHERE type = 'trigger'"),
              "04")
        << c.name << ": still looks current";
    const auto o = overview(path);
    ASSERT_TRUE(o) << c.name;
    EXPECT_TRUE(o->summarised) << c.name;
    EXPECT_EQ(o->statistics.count, c.rowsAfter) << c.name;
    EXPECT_EQ(sqlValue(path, "SELECT state FROM read_summary"), "0") << c.name;
    summarycheck::expectExact(path);
    // And the triggers follow again from there.
    insertValues(path, noise(100, 4));
    summarycheck::expectExact(path);
  }
}

TEST_F(SummaryTest, FileWithoutASummaryOpensWithProgressAndGetsOne) {
  // As an older program or another tool made it: the two tables only.
  makeOlderFile(path);
  insertValues(path, noise(300000, 5));
  long long reports = 0;
  const auto o = overview(path, [&](long long done, long long total) {
    EXPECT_GE(done, 0);
    EXPECT_LE(done, total);
    ++reports;
    return true;
  });
  ASSERT_TRUE(o);
  EXPECT_GT(reports, 3);  // the pass over the rows reported how far it got
  EXPECT_TRUE(o->summarised);
  EXPECT_EQ(o->statistics.count, 300000);
  summarycheck::expectExact(path);
  // The next opening reads the summary only.
  reports = 0;
  const auto again = overview(path, [&](long long, long long) { return ++reports, true; });
  ASSERT_TRUE(again);
  EXPECT_EQ(reports, 0);
  EXPECT_EQ(again->statistics.average, o->statistics.average);
}

TEST_F(SummaryTest, CancelledOpeningWritesNothing) {
  makeOlderFile(path);
  insertValues(path, noise(200000, 6));
  int reports = 0;
  EXPECT_FALSE(overview(path, [&](long long, long long) { return ++reports < 2; }));
  EXPECT_EQ(sqlValue(path, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'read_summ%'"), "0");
}

TEST_F(SummaryTest, ReadingsThatAreNotNumbersFallBackToTheEnginesAggregates) {
  records::createDatabase(path);
  std::vector<double> values(100);
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i);
  insertValues(path, values);
  // Another tool stores a missing value in the first block of 64.
  sqlExec(path, "UPDATE read_summary SET state = 1");
  sqlExec(path, "DELETE FROM read WHERE rowid > 0");
  sqlExec(path,
          "UPDATE read_summary SET state = 0, row_count = 0, first_row = NULL, "
          "last_row = NULL, value_sum = 0.0, value_comp = 0.0; DELETE FROM read_pyramid");
  std::string sql = "BEGIN;";
  for (int i = 0; i < 100; ++i) {
    sql += i == 10 ? "INSERT INTO read VALUES (NULL, '12:00:00');"
                   : "INSERT INTO read VALUES (" + std::to_string(i) + ", '12:00:00');";
  }
  sqlExec(path, sql + "COMMIT;");
  EXPECT_EQ(sqlValue(path, "SELECT state FROM read_summary"), "2");
  for (int opening = 0; opening < 2; ++opening) {
    const auto o = overview(path);
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->summarised);
    EXPECT_EQ(o->statistics.count, 99);  // count(read_value) skips the null
    EXPECT_DOUBLE_EQ(*o->statistics.average, (4950.0 - 10.0) / 99);
    EXPECT_EQ(*o->statistics.maximum, 99);
    EXPECT_EQ(o->rows.count, 100);
  }
  // Deleting the odd reading makes the summary worth keeping again.
  sqlExec(path, "DELETE FROM read WHERE read_value IS NULL");
  const auto o = overview(path);
  ASSERT_TRUE(o);
  EXPECT_TRUE(o->summarised);
  summarycheck::expectExact(path);
  // Text in the unfinished block: not a number either, found when the summary is read; the
  // summary is then marked not kept until that reading goes.
  sqlExec(path, "INSERT INTO read VALUES ('abc', '12:00:00')");
  const auto withText = overview(path);
  ASSERT_TRUE(withText);
  EXPECT_FALSE(withText->summarised);
  EXPECT_EQ(withText->rows.count, 100);
  EXPECT_EQ(sqlValue(path, "SELECT state FROM read_summary"), "2");
  sqlExec(path, "DELETE FROM read WHERE typeof(read_value) = 'text'");
  ASSERT_TRUE(overview(path)->summarised);
  summarycheck::expectExact(path);
}

TEST_F(SummaryTest, ChangesToTheUnfinishedBlockNeedNoBuild) {
  records::createDatabase(path);
  insertValues(path, noise(1000, 11));  // 15 blocks of 64 and 40 readings after them
  struct Case {
    const char* name;
    const char* sql;
  };
  const Case cases[] = {
      {"the last reading deleted", "DELETE FROM read WHERE rowid = 1000"},
      {"a reading after the blocks edited", "UPDATE read SET read_value = -5 WHERE rowid = 970"},
      {"readings with row ids far apart",
       "INSERT INTO read (rowid, read_value, read_time) VALUES (5000, 1, '12:00:00'), "
       "(5001, 2, '12:00:00')"},
  };
  for (const Case& c : cases) {
    sqlExec(path, c.sql);
    EXPECT_EQ(sqlValue(path, "SELECT state FROM read_summary"), "0") << c.name;
    summarycheck::expectExact(path);
  }
  // The gap in the row ids does not confuse the blocks that follow.
  insertValues(path, noise(200, 12));
  summarycheck::expectExact(path);
}

TEST_F(SummaryTest, ReadOnlyFileOpensAndIsLeftUnchanged) {
  // An older file (no summary) that cannot be written: in a read-only folder, or itself
  // read-only in a folder that can be written. Neither the file nor the folder changes.
  struct Case {
    const char* name;
    bool wholeFolder;
  };
  const Case cases[] = {{"read-only folder", true}, {"read-only file", false}};
  for (const Case& c : cases) {
    std::filesystem::remove(path);
    makeOlderFile(path);
    insertValues(path, noise(5000, 7));
    sqlExec(
        path,
        "INSERT INTO read_date VALUES ('2011-11-10 09:06:32'); PRAGMA wal_checkpoint(TRUNCATE)");
    std::filesystem::remove(path + "-wal");
    std::filesystem::remove(path + "-shm");
    const std::string before = fileBytes(path);
    recordstest::Child child([&](int out) {
      const bool readOnly = c.wholeFolder ? recordstest::makeFolderReadOnlyInChild(dir.dbFolder())
                                          : recordstest::makeFileReadOnlyInChild(path);
      if (!readOnly) {
        recordstest::writeLine(out, "skip");
        return;
      }
      for (int opening = 0; opening < 2; ++opening) {
        const auto o = overview(path);
        recordstest::writeLine(
            out, o ? std::to_string(o->statistics.count) + " " + std::to_string(o->summarised)
                   : "cancelled");
      }
      recordstest::writeLine(out, records::readStartDate(path) ? "dated" : "undated");
    });
    const auto lines = child.readAll();
    child.wait();
    recordstest::restoreFolder(dir.dbFolder());
    recordstest::restoreFile(path);
    ASSERT_FALSE(lines.empty()) << c.name;
    if (lines[0] == "skip") GTEST_SKIP() << c.name << ": cannot be arranged here";
    EXPECT_EQ(lines, (std::vector<std::string>{"5000 0", "5000 0", "dated"})) << c.name;
    EXPECT_EQ(fileBytes(path), before) << c.name;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.dbFolder())) {
      files.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(files, std::vector<std::string>{"DBfile_DB2.db"})
        << c.name << ": files left beside it";
  }
}

TEST_F(SummaryTest, RowsAreFoundByPositionInFilesWithGaps) {
  records::createDatabase(path);
  insertValues(path, noise(3000, 8));
  // Every third reading gone: row ids with gaps, then the summary built again.
  sqlExec(path, "DELETE FROM read WHERE rowid % 3 = 0");
  ASSERT_TRUE(overview(path)->summarised);
  const auto rowIds = recordstest::sqlRows(path, "SELECT rowid FROM read ORDER BY rowid");
  Database db;
  records::openReadingDatabase(db, path);
  const records::ReadingRows rows = records::readingRows(db);
  ASSERT_FALSE(rows.contiguous());
  for (long long position : {0LL, 1LL, 63LL, 64LL, 65LL, 1000LL, 1919LL, 1983LL, 1999LL}) {
    EXPECT_EQ(records::rowIdAt(db, rows, position),
              std::stoll(rowIds.at(static_cast<size_t>(position)).at(0)))
        << position;
  }
  EXPECT_EQ(records::rowIdAt(db, rows, 2000), std::nullopt);
}

TEST_F(SummaryTest, SearchThroughThePyramidFindsWhatAFullScanFinds) {
  records::createDatabase(path);
  std::vector<double> values = noise(50000, 9);
  for (size_t i = 0; i < values.size(); i += 4999) values[i] = 42.5;  // rare matches
  insertValues(path, values);
  const auto search = [&](double hi, double lo, bool summarised) {
    if (!summarised) sqlExec(path, "UPDATE read_summary SET state = 1");
    Database db;
    records::openReadingDatabase(db, path, records::lookingOnly());
    std::vector<double> found;
    records::findReadings(
        db, hi, lo,
        [&](double v, std::string_view time) {
          EXPECT_EQ(time, "12:00:00");
          found.push_back(v);
          return true;
        },
        [](long long, long long) { return true; });
    return found;
  };
  struct Case {
    const char* name;
    double hi, lo;
  };
  const Case cases[] = {
      {"rare value", 42.5, 42.5},
      {"a band of the noise", 1e7 + 0.3, 1e7 + 0.1},
      {"nothing", 5, 4},
      {"everything", 1e8, 0},
  };
  for (const Case& c : cases) {
    const auto pruned = search(c.hi, c.lo, true);
    const auto scanned = search(c.hi, c.lo, false);
    ASSERT_TRUE(overview(path)->summarised);  // built again for the next case
    std::vector<double> expected;
    for (double v : values) {
      if (v <= c.hi && v >= c.lo) expected.push_back(v);
    }
    EXPECT_EQ(pruned, expected) << c.name;
    EXPECT_EQ(scanned, expected) << c.name;
  }
}

}  // namespace
