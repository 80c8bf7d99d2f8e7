// The SQLite layer: the file a new database is, moving through record sets, adding and
// editing rows, and the failures a user can meet (damaged, foreign or locked files).

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "records/database.h"
#include "records/database_files.h"
#include "records_fixture.h"

namespace {

using records::Database;
using records::DatabaseError;
using records::FailureKind;
using records::Query;
using records::Recordset;
using records::Value;
using recordstest::sqlRows;
using recordstest::sqlValue;
using recordstest::StartDirectory;

// Adds readings 1, 2, ..., n with a time of day each.
void addReadings(Database& db, int n) {
  Recordset rs = db.openRecordset(Query::readings());
  db.beginTrans();
  for (int i = 1; i <= n; ++i) {
    rs.addNew();
    rs.setFieldValue("read_value", Value(static_cast<double>(i)));
    rs.setFieldValue("read_time", Value(records::DateTime{0, 0, 0, 12, 0, i % 60}));
    rs.update();
  }
  db.commitTrans();
}

class DatabaseTest : public ::testing::Test {
 protected:
  StartDirectory dir;
  std::string path = dir.path(1);
};

TEST_F(DatabaseTest, NewFileHoldsBothTablesInOrderWithoutKeysAndLogsAhead) {
  records::createDatabase(path);
  // The two reading tables first; after them only the reading summary's own objects.
  EXPECT_EQ(sqlRows(path, "SELECT type, name FROM sqlite_master ORDER BY rowid LIMIT 2"),
            (std::vector<std::vector<std::string>>{{"table", "read"}, {"table", "read_date"}}));
  EXPECT_EQ(sqlRows(path,
                    "SELECT type, name FROM sqlite_master WHERE rowid > 2 AND type <> 'index' "
                    "ORDER BY rowid"),
            (std::vector<std::vector<std::string>>{{"table", "read_summary"},
                                                   {"table", "read_pyramid"},
                                                   {"trigger", "read_summary_insert"},
                                                   {"trigger", "read_summary_blocks"},
                                                   {"trigger", "read_summary_delete"},
                                                   {"trigger", "read_summary_update"}}));
  EXPECT_EQ(sqlRows(path, "SELECT name, type, pk FROM pragma_table_info('read')"),
            (std::vector<std::vector<std::string>>{{"read_value", "REAL", "0"},
                                                   {"read_time", "DATETIME", "0"}}));
  EXPECT_EQ(sqlRows(path, "SELECT name, type, pk FROM pragma_table_info('read_date')"),
            (std::vector<std::vector<std::string>>{{"r_date", "DATETIME", "0"}}));
  EXPECT_EQ(sqlValue(path, "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(sqlValue(path, "SELECT count(*) FROM read"), "0");
  EXPECT_EQ(sqlValue(path, "SELECT count(*) FROM read_date"), "0");
  EXPECT_FALSE(recordstest::fs::exists(path + ".creating"));
}

TEST_F(DatabaseTest, CreatingOverAnExistingFileFailsAndLeavesItAlone) {
  records::createDatabase(path);
  Database db;
  records::openReadingDatabase(db, path);
  addReadings(db, 3);
  db.close();
  EXPECT_THROW(records::createDatabase(path), DatabaseError);
  EXPECT_EQ(sqlValue(path, "SELECT count(*) FROM read"), "3");
}

TEST_F(DatabaseTest, RecordsetMovesByPositionLikeADynaset) {
  records::createDatabase(path);
  Database db;
  records::openReadingDatabase(db, path);
  addReadings(db, 25000);
  Recordset rs = db.openRecordset(Query::readings());
  EXPECT_EQ(rs.fieldNames(), (std::vector<std::string>{"read_value", "read_time"}));
  EXPECT_EQ(rs.recordCount(), 25000);

  struct Step {
    const char* name;
    std::function<void()> action;
    double value;  // 0: expect EOF
  };
  const Step steps[] = {
      {"opened on the first row", [] {}, 1},
      {"next row", [&] { rs.moveNext(); }, 2},
      {"short move walks forward", [&] { rs.move(10); }, 12},
      {"page of ten thousand from the first", [&] { rs.moveFirst(), rs.move(10000); }, 10001},
      {"third page", [&] { rs.moveFirst(), rs.move(20000); }, 20001},
      {"next after a long move", [&] { rs.moveNext(); }, 20002},
      {"back by three", [&] { rs.move(-3); }, 19999},
      {"last row", [&] { rs.moveLast(); }, 25000},
      {"past the last row", [&] { rs.moveNext(); }, 0},
      {"first again", [&] { rs.moveFirst(); }, 1},
      {"a move past the end", [&] { rs.move(30000); }, 0},
  };
  for (const Step& s : steps) {
    s.action();
    if (s.value == 0) {
      EXPECT_TRUE(rs.isEOF()) << s.name;
    } else {
      ASSERT_FALSE(rs.isEOF()) << s.name;
      EXPECT_EQ(rs.getFieldValue("read_value").toDouble(), s.value) << s.name;
    }
  }
}

TEST_F(DatabaseTest, EmptyTableIsAtEofAndAggregatesAreNull) {
  records::createDatabase(path);
  Database db;
  records::openReadingDatabase(db, path);
  Recordset readings = db.openRecordset(Query::readings());
  EXPECT_TRUE(readings.isEOF());
  EXPECT_EQ(readings.recordCount(), 0);
  EXPECT_THROW(readings.getFieldValue("read_value"), DatabaseError);
  Recordset stats = db.openRecordset(Query::readingStatistics());
  ASSERT_FALSE(stats.isEOF());
  EXPECT_EQ(stats.getFieldValue("sum_num").toInteger(), 0);
  EXPECT_TRUE(stats.getFieldValue("avg_num").isNull());
}

TEST_F(DatabaseTest, StatisticsAndInclusiveRangeSearch) {
  records::createDatabase(path);
  Database db;
  records::openReadingDatabase(db, path);
  Recordset add = db.openRecordset(Query::readings());
  for (double v : {5.0, 4.999999, 12.5, 5.0, -1.0, 5.000001}) {
    add.addNew();
    add.setFieldValue("read_value", Value(v));
    add.update();
  }
  Recordset stats = db.openRecordset(Query::readingStatistics());
  EXPECT_EQ(stats.getFieldValue("sum_num").toInteger(), 6);
  EXPECT_EQ(stats.getFieldValue("max_num").toDouble(), 12.5);
  EXPECT_EQ(stats.getFieldValue("min_num").toDouble(), -1.0);
  EXPECT_DOUBLE_EQ(stats.getFieldValue("avg_num").toDouble(), 31.5 / 6);

  Recordset equal = db.openRecordset(Query::readingsBetween(5, 5));
  EXPECT_EQ(equal.recordCount(), 2);
  for (; !equal.isEOF(); equal.moveNext()) {
    EXPECT_EQ(equal.getFieldValue("read_value").toDouble(), 5.0);
  }
  Recordset band = db.openRecordset(Query::readingsBetween(5.000001, 4.999999));
  EXPECT_EQ(band.recordCount(), 4);
  EXPECT_EQ(band.getFieldValue("read_value").toDouble(), 5.0) << "rows keep their stored order";
}

TEST_F(DatabaseTest, EditChangesTheCurrentRowOnly) {
  records::createDatabase(path);
  Database db;
  records::openReadingDatabase(db, path);
  addReadings(db, 3);
  Recordset rs = db.openRecordset(Query::readings());
  rs.moveNext();
  rs.edit();
  rs.setFieldValue("read_value", Value(42.0));
  rs.update();
  EXPECT_EQ(rs.getFieldValue("read_value").toDouble(), 42.0);
  db.close();
  EXPECT_EQ(sqlRows(path, "SELECT read_value FROM read ORDER BY rowid"),
            (std::vector<std::vector<std::string>>{{"1.0"}, {"42.0"}, {"3.0"}}));
}

TEST_F(DatabaseTest, AnOpenRecordsetHoldsBackNeitherTheCommitNorTheCheckpoint) {
  records::createDatabase(path);
  Database db;
  records::openReadingDatabase(db, path);
  addReadings(db, 3);
  Recordset rs = db.openRecordset(Query::readings());
  ASSERT_FALSE(rs.isEOF());  // the query is now running on row 1
  rs.addNew();
  rs.setFieldValue("read_value", Value(99.0));
  rs.update();
  // Another connection sees the row at once, and the log can be folded back into the file
  // completely: the query no longer holds a snapshot.
  EXPECT_EQ(sqlValue(path, "SELECT count(*) FROM read"), "4");
  EXPECT_EQ(sqlRows(path, "PRAGMA wal_checkpoint(TRUNCATE)"),
            (std::vector<std::vector<std::string>>{{"0", "0", "0"}}));
  rs.moveNext();
  EXPECT_EQ(rs.getFieldValue("read_value").toDouble(), 2.0) << "the position is kept";
}

TEST_F(DatabaseTest, ClosingTheDatabaseClosesItsRecordsets) {
  records::createDatabase(path);
  Database db;
  records::openReadingDatabase(db, path);
  Recordset rs = db.openRecordset(Query::readings());
  db.close();
  EXPECT_FALSE(rs.isOpen());
  EXPECT_THROW(rs.isEOF(), DatabaseError);
}

TEST_F(DatabaseTest, FilesThatAreNotReadingDatabasesAreRecognised) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    FailureKind kind;
  };
  const Case cases[] = {
      {"missing file", [](const std::string&) {}, FailureKind::NotFound},
      {"text file", [](const std::string& p) { std::ofstream(p) << std::string(5000, 'x'); },
       FailureKind::NotADatabase},
      {"empty file", [](const std::string& p) { std::ofstream{p}; }, FailureKind::NotADatabase},
      {"database of another program",
       [](const std::string& p) { recordstest::sqlExec(p, "CREATE TABLE other (x)"); },
       FailureKind::NotADatabase},
      {"table read without its fields",
       [](const std::string& p) {
         recordstest::sqlExec(p, "CREATE TABLE read (x); CREATE TABLE read_date (r_date)");
       },
       FailureKind::NotADatabase},
  };
  for (const Case& c : cases) {
    const std::string p = dir.dbFolder() + "/case.db";
    std::filesystem::remove(p);
    c.make(p);
    Database db;
    try {
      records::openReadingDatabase(db, p);
      ADD_FAILURE() << c.name << ": opened";
    } catch (const DatabaseError& e) {
      EXPECT_EQ(e.kind(), c.kind) << c.name << ": " << e.detail();
    }
    EXPECT_FALSE(db.isOpen()) << c.name;
  }
}

}  // namespace
