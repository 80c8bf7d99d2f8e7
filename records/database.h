#pragma once
// A thin, typed layer over SQLite offering the data-access operations the reading database
// needs: create a database with its tables and fields, open and close it, open a record set
// on one of a fixed set of queries, move through it, read field values, add and edit rows.
// All SQL text lives in database.cpp; callers name a Query and field names only.
//
// Every file is opened in write-ahead-log mode; each update outside an explicit transaction
// is committed by itself, so a reading reported stored survives a killed process.

#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "records/value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace records {

// What went wrong, in terms a user can act on.
enum class FailureKind {
  NotADatabase,  // damaged, or not a reading database
  Busy,          // locked by another program
  DiskFull,      // no space left, or the file size limit reached
  ReadOnly,      // the file or its folder cannot be written
  NotFound,      // the file or its folder does not exist
  Io,            // any other disk error
  Other,
};

class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(FailureKind kind, std::string detail, int engineCode = 0);
  FailureKind kind() const { return kind_; }
  int engineCode() const { return engineCode_; }
  const std::string& detail() const { return detail_; }

 private:
  FailureKind kind_;
  std::string detail_;
  int engineCode_;
};

// The reason of a failure in words for a message box ("the disk is full").
std::string failureReason(const DatabaseError& error);

// The error for engine result `rc` on `db` while doing `what`, with its kind diagnosed.
DatabaseError engineFailure(sqlite3* db, int rc, const std::string& what);

// Field types of the schema (the data-access engine's codes 7 and 8).
enum class FieldType { Double = 7, DateTime = 8 };

struct FieldDef {
  std::string name;
  FieldType type;
  int size = 20;  // declared size; the engine keeps values whole regardless
};

struct TableDef {
  std::string name;
  std::vector<FieldDef> fields;
};

// A fixed query a record set can be opened on. Only the factories below make one.
class Query {
 public:
  // Every reading, in the order stored: read_value, read_time. Rows can be added.
  static Query readings();
  // The recording's start date: r_date (at most one row). Rows can be added and edited.
  static Query startDate();
  // One row: avg_num, sum_num (the count), max_num, min_num of read_value.
  static Query readingStatistics();
  // Readings with lo <= read_value <= hi, in the order stored. Both bounds go through the
  // same 30-decimal rounding as the stored values.
  static Query readingsBetween(double hi, double lo);
  // Every reading paired with the start date: read_value, read_time, r_date.
  static Query readingsWithStartDate();

  // Queries that find readings by row id. Rows are only ever appended, so the row ids of a
  // file run in the order the readings were stored.
  // How the rows are numbered: first_row, last_row (null when empty), row_count.
  static Query readingRowSpan();
  // The row id of the reading at 0-based `position` in stored order: row_id.
  static Query readingRowIdAt(long long position);
  // The readings from row id `firstRow` on, in stored order: read_value, read_time.
  static Query readingsFromRow(long long firstRow);
  // The values alone from row id `firstRow` on, in stored order: read_value.
  static Query readingValuesFromRow(long long firstRow);
  // The reading of row id `row` paired with the start date: read_value, read_time, r_date.
  static Query readingWithStartDateAt(long long row);
  // The number of stored values: sum_num (count of read_value).
  static Query readingCount();

  // The table rows can be added to or edited in; empty for read-only queries.
  const std::string& table() const { return table_; }

 private:
  friend class Recordset;
  friend class ForwardCursor;
  Query(std::string sql, std::string table, std::vector<double> parameters = {});
  std::string sql_;
  std::string table_;
  std::vector<double> parameters_;
};

enum class Synchronous {
  Normal,  // commits survive a killed process; the last ones may be lost on power failure
  Full,    // every commit is flushed to the disk before it returns
};

struct OpenOptions {
  Synchronous synchronous = Synchronous::Normal;
  int busyTimeoutMs = 2000;  // how long to wait for another program's lock
};

class Recordset;
class ForwardCursor;

class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Creates a new database file at `path` with `tables` (in order, fields in order, no
  // keys or indexes). The file appears complete or not at all. Fails when it exists.
  static void create(const std::string& path, std::span<const TableDef> tables);

  // Opens an existing database (not exclusive, for reading and writing) and checks that it
  // holds `expectedTables`. Throws DatabaseError.
  void open(const std::string& path, std::span<const TableDef> expectedTables,
            const OpenOptions& options = {});
  void close();
  bool isOpen() const { return db_ != nullptr; }
  const std::string& path() const { return path_; }

  // Groups several updates into one commit.
  void beginTrans();
  void commitTrans();
  void rollback();

  // Record sets still open are closed with their database.
  Recordset openRecordset(const Query& query);
  // A forward-only pass over `query`, for streaming many rows.
  ForwardCursor openForwardOnly(const Query& query);

  // The engine connection, for the modules that keep tables of their own beside the readings
  // (records/run_info.cpp); nullptr while closed.
  sqlite3* handle() const { return db_; }

 private:
  friend class Recordset;
  sqlite3* db_ = nullptr;
  std::string path_;
  std::vector<Recordset*> recordsets_;
};

// A record set over a fixed query, like a dynaset: positioned on the first row after
// opening, moved by position, with the current row's fields readable by name. On an
// updatable query AddNew/Edit, SetFieldValue and Update write one row.
//
// The query runs lazily and is reset before any write, so an open record set never holds
// back a commit.
class Recordset {
 public:
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;
  ~Recordset();

  bool isOpen() const { return statement_ != nullptr; }
  void close();

  // Rows the query returns in all (runs a count over the query).
  long long recordCount();
  bool isEOF();
  void moveFirst();
  void moveNext();
  void moveLast();
  // Moves `rows` forward (or back) from the current row; past the end gives EOF.
  void move(long long rows);
  // The 0-based position of the current row.
  long long position() const { return position_; }

  int fieldCount() const { return static_cast<int>(fieldNames_.size()); }
  const std::vector<std::string>& fieldNames() const { return fieldNames_; }
  // The value of a field of the current row. Throws std::out_of_range for an unknown name
  // and DatabaseError at EOF.
  Value getFieldValue(std::string_view field);

  void addNew();
  void edit();
  void setFieldValue(std::string_view field, const Value& value);
  // Writes the new or edited row (committed at once unless a transaction is open).
  void update();
  void cancelUpdate();

 private:
  friend class Database;
  Recordset(Database& owner, const Query& query);
  enum class Pending { None, AddNew, Edit };

  int fieldIndex(std::string_view field) const;
  void requireOpen() const;
  void beginPending(Pending kind);
  void ensureRow();
  void runFrom(long long position);
  void step();
  void resetQuery();

  Database* owner_ = nullptr;
  Query query_;
  sqlite3_stmt* statement_ = nullptr;
  std::vector<std::string> fieldNames_;
  long long position_ = 0;
  bool running_ = false;  // the statement is stepped up to position_
  bool cached_ = false;   // current_ and eof_ describe position_
  bool eof_ = false;
  long long currentRowId_ = 0;
  std::vector<Value> current_;
  Pending pending_ = Pending::None;
  std::vector<Value> edits_;
  std::vector<bool> edited_;
  sqlite3_stmt* insert_ = nullptr;
};

// A forward-only pass over a fixed query (like the engine's forward-only snapshot): each row
// is read in place, without copies or positioning, so that millions of readings stream at
// the engine's own pace. Columns are numbered from 0 in the order the query lists its fields.
// The cursor keeps the file readable on its own; close it (or let it go) before writing.
class ForwardCursor {
 public:
  ForwardCursor(ForwardCursor&& other) noexcept;
  ForwardCursor& operator=(ForwardCursor&& other) noexcept;
  ~ForwardCursor();

  // Moves to the next row (the first one on the first call); false at the end. Throws
  // DatabaseError when the file cannot be read.
  bool next();
  int columnCount() const { return columns_; }
  bool isNull(int column) const;
  // The column as a double (null as 0).
  double number(int column) const;
  // The column as a 64-bit integer (null as 0).
  long long integer(int column) const;
  // The column as text, valid until the next move.
  std::string_view text(int column) const;
  void close();

 private:
  friend class Database;
  ForwardCursor(sqlite3* db, const Query& query);
  sqlite3_stmt* statement_ = nullptr;
  int first_ = 0;  // hidden leading row id of updatable queries
  int columns_ = 0;
};

}  // namespace records
