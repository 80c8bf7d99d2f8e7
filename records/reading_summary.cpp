#include "records/reading_summary.h"

#include <sqlite3.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "core/text_format.h"
#include "records/chart_pyramid.h"
#include "records/database.h"
#include "records/value.h"

namespace records {

namespace {

// The first and last row id; each sub-query is answered from the table's tree alone (a
// single statement asking for both would read every row).
constexpr const char* kRowIdSpanSql =
    "SELECT (SELECT min(rowid) FROM read), (SELECT max(rowid) FROM read)";

constexpr const char* kTriggerNames[] = {"read_summary_insert", "read_summary_blocks",
                                         "read_summary_delete", "read_summary_update"};

// ---- The SQL kept in the file --------------------------------------------------------------
// Written for old engines too (no UPSERT, no HAVING without GROUP BY): any SQLite that can
// read the readings must be able to read the schema and run the triggers.

std::string tablesSql() {
  return "CREATE TABLE read_summary (id INTEGER PRIMARY KEY, format INTEGER NOT NULL, "
         "state INTEGER NOT NULL, row_count INTEGER NOT NULL, first_row INTEGER, "
         "last_row INTEGER, value_sum REAL, value_comp REAL, value_min REAL, value_max REAL);"
         "CREATE TABLE read_pyramid (level INTEGER NOT NULL, block INTEGER NOT NULL, "
         "first_row INTEGER NOT NULL, min_value REAL, max_value REAL, "
         "PRIMARY KEY (level, block)) WITHOUT ROWID;";
}

// Below every row id: where the readings after the summarised ones start in an empty summary.
constexpr const char* kBeforeAllRows = "-9223372036854775808";

std::string triggersSql() {
  const long long block = kPyramidBlocks[0];
  // The readings after the summarised ones, the first `block` of them: the block a reading
  // has just completed.
  const std::string next = core::format(
      "(SELECT rowid, read_value FROM read WHERE rowid > coalesce(read_summary.last_row, %s) "
      "ORDER BY rowid LIMIT %lld)",
      kBeforeAllRows, block);
  const std::string sum = "(SELECT sum(read_value) FROM " + next + ")";
  // A reading is added to the summary with the block of 64 it completes, so that the
  // readings of an unfinished block cost a look at the summary and no write: the stored
  // summary and its pyramid change once in 64 readings, in the transaction of the reading
  // that completes the block. Readers add the unfinished block's readings from `read`.
  // The count of those readings is taken only when the row ids say a block may be complete.
  // A reading stored before the summarised ones ends the summary's currency; a block with
  // a reading that is not a number marks it "not kept".
  std::string sql = core::format(
      "CREATE TRIGGER read_summary_insert AFTER INSERT ON read "
      "WHEN EXISTS (SELECT 1 FROM read_summary s WHERE s.id = 1 AND s.state = 0 AND "
      "(NEW.rowid <= s.last_row OR (coalesce(NEW.rowid - s.last_row >= %lld, 1) AND "
      "(SELECT count(*) FROM read WHERE rowid > coalesce(s.last_row, %s)) >= %lld))) BEGIN "
      "UPDATE read_summary SET state = 1 WHERE id = 1 AND NEW.rowid <= last_row; ",
      block, kBeforeAllRows, block);
  // The block goes into the summary: Neumaier's compensated sum of the block sums (the same
  // steps as the build below), the minimum, the maximum and the row ids.
  sql += "UPDATE read_summary SET state = CASE WHEN (SELECT count(*) FROM " + next +
         " WHERE typeof(read_value) NOT IN ('real', 'integer')) > 0 THEN 2 ELSE 0 END, " +
         core::format("row_count = row_count + %lld, ", block) +
         "first_row = coalesce(first_row, (SELECT min(rowid) FROM " + next + ")), " +
         "last_row = (SELECT max(rowid) FROM " + next + "), " + "value_sum = value_sum + " + sum +
         ", " + "value_comp = value_comp + CASE WHEN abs(value_sum) >= abs(" + sum +
         ") THEN (value_sum - (value_sum + " + sum + ")) + " + sum + " ELSE (" + sum +
         " - (value_sum + " + sum + ")) + value_sum END, " +
         "value_min = CASE WHEN row_count = 0 THEN (SELECT min(read_value) FROM " + next +
         ") ELSE min(value_min, (SELECT min(read_value) FROM " + next + ")) END, " +
         "value_max = CASE WHEN row_count = 0 THEN (SELECT max(read_value) FROM " + next +
         ") ELSE max(value_max, (SELECT max(read_value) FROM " + next + ")) END " +
         "WHERE id = 1 AND state = 0; END;";
  // Each block added: its row in level 1, and each further level's block it completes, made
  // of the 16 blocks of the level below.
  sql += core::format(
      "CREATE TRIGGER read_summary_blocks AFTER UPDATE OF row_count ON read_summary "
      "WHEN NEW.state = 0 AND NEW.row_count > OLD.row_count BEGIN "
      "INSERT INTO read_pyramid (level, block, first_row, min_value, max_value) "
      "SELECT 1, NEW.row_count / %lld - 1, min(rowid), min(read_value), max(read_value) "
      "FROM read WHERE rowid > coalesce(OLD.last_row, %s) AND rowid <= NEW.last_row;",
      block, kBeforeAllRows);
  for (size_t k = 1; k < kPyramidBlocks.size(); ++k) {
    const long long size = kPyramidBlocks[k];
    const long long below = kPyramidBlocks[k - 1];
    sql += core::format(
        "INSERT INTO read_pyramid (level, block, first_row, min_value, max_value) "
        "SELECT %zu, NEW.row_count / %lld - 1, min(first_row), min(min_value), "
        "max(max_value) FROM read_pyramid WHERE NEW.row_count %% %lld = 0 AND level = %zu "
        "AND block >= NEW.row_count / %lld - %lld GROUP BY level;",
        k + 1, size, size, k, below, size / below);
  }
  sql += "END;";
  // A summarised reading deleted or changed: build again at the next opening. Changes to
  // the unfinished block need nothing: readers take it from `read` as it is.
  sql +=
      "CREATE TRIGGER read_summary_delete AFTER DELETE ON read BEGIN "
      "UPDATE read_summary SET state = 1 WHERE id = 1 AND state <> 1 AND OLD.rowid <= last_row; "
      "END;"
      "CREATE TRIGGER read_summary_update AFTER UPDATE ON read BEGIN "
      "UPDATE read_summary SET state = 1 WHERE id = 1 AND state <> 1 AND "
      "(OLD.rowid <= last_row OR NEW.rowid <= last_row); END;";
  return sql;
}

// A prepared statement of the summary's own.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db, sql, -1, &st_, nullptr);
    if (rc != SQLITE_OK) throw engineFailure(db, rc, "reading the summary");
  }
  ~Statement() { sqlite3_finalize(st_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, long long value) {
    sqlite3_bind_int64(st_, index, value);
    return *this;
  }
  Statement& bind(int index, double value) {
    sqlite3_bind_double(st_, index, value);  // NaN goes in as null
    return *this;
  }
  // The next row; false at the end (the statement is then ready to run again).
  bool step() {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    sqlite3_reset(st_);
    if (rc != SQLITE_DONE) throw engineFailure(db_, rc, "reading the summary");
    return false;
  }
  void reset() { sqlite3_reset(st_); }
  int type(int column) const { return sqlite3_column_type(st_, column); }
  bool isNull(int column) const { return type(column) == SQLITE_NULL; }
  long long integer(int column) const { return sqlite3_column_int64(st_, column); }
  double number(int column) const { return sqlite3_column_double(st_, column); }
  sqlite3_stmt* raw() const { return st_; }
  // Null as NaN, so that a sum that stopped being a number stays one.
  double real(int column) const {
    return isNull(column) ? std::nan("") : sqlite3_column_double(st_, column);
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* st_ = nullptr;
};

void exec(sqlite3* db, const std::string& sql, const char* what) {
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throw engineFailure(db, rc, what);
}

bool hasSummaryTable(sqlite3* db) {
  Statement st(db,
               "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = "
               "'read_summary'");
  const bool found = st.step() && st.integer(0) > 0;
  st.reset();
  return found;
}

// The summary row as stored: the readings up to `lastRow`, in complete blocks of 64.
struct Stored {
  SummaryState state = SummaryState::Current;
  long long rows = 0;
  std::optional<long long> firstRow;
  std::optional<long long> lastRow;
  double sum = 0;
  double compensation = 0;
  double minimum = 0;
  double maximum = 0;
};

// The summary row (any state); nullopt when there is none.
std::optional<Stored> storedSummary(sqlite3* db) {
  if (!hasSummaryTable(db)) return std::nullopt;
  Statement st(db,
               "SELECT format, state, row_count, first_row, last_row, value_sum, value_comp, "
               "value_min, value_max FROM read_summary WHERE id = 1");
  if (!st.step() || st.integer(0) != kSummaryFormat) return std::nullopt;
  Stored s;
  const long long state = st.integer(1);
  s.state = state == 0   ? SummaryState::Current
            : state == 2 ? SummaryState::NotKept
                         : SummaryState::Stale;
  s.rows = st.integer(2);
  if (!st.isNull(3)) s.firstRow = st.integer(3);
  if (!st.isNull(4)) s.lastRow = st.integer(4);
  s.sum = st.real(5);
  s.compensation = st.real(6);
  s.minimum = st.real(7);
  s.maximum = st.real(8);
  st.reset();
  return s;
}

// The readings after the summarised ones: the block not yet complete.
struct Tail {
  long long count = 0;
  long long firstRow = 0;
  long long lastRow = 0;
  double sum = 0;  // added in stored order, as SQLite's sum() adds a block
  MinMax range;
  bool numbers = true;

  void add(long long rowId, int type, double value) {
    if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) numbers = false;
    if (count++ == 0) firstRow = rowId;
    lastRow = rowId;
    sum += value;
    range.add(value);
  }
};

// Reads the readings after `lastRow`, up to one more than a block holds.
Tail tailAfter(sqlite3* db, const std::optional<long long>& lastRow) {
  Statement st(db, "SELECT rowid, read_value FROM read WHERE rowid > ?1 ORDER BY rowid LIMIT ?2");
  st.bind(1, lastRow ? *lastRow : std::numeric_limits<long long>::min())
      .bind(2, kPyramidBlocks[0] + 1);
  Tail tail;
  while (st.step()) tail.add(st.integer(0), st.type(1), st.number(1));
  return tail;
}

// Everything: the summarised readings and the ones after them.
ReadingSummary combined(const Stored& s, const Tail& tail) {
  ReadingSummary out;
  out.state = s.state;
  out.rowCount = s.rows + tail.count;
  out.firstRowId = s.rows > 0 && s.firstRow ? *s.firstRow : tail.firstRow;
  out.lastRowId = tail.count > 0 ? tail.lastRow : s.lastRow.value_or(0);
  const double kept = std::isfinite(s.sum) ? s.sum + s.compensation : s.sum;
  out.total = s.rows > 0 ? kept + tail.sum : tail.sum;
  MinMax range = tail.range;
  if (s.rows > 0) {
    range.add(s.minimum);
    range.add(s.maximum);
  }
  out.minimum = range.low;
  out.maximum = range.high;
  return out;
}

// The triggers are all there (a tool may have dropped one, and then nothing follows).
bool hasTriggers(sqlite3* db) {
  Statement st(db,
               "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name IN "
               "('read_summary_insert', 'read_summary_blocks', 'read_summary_delete', "
               "'read_summary_update')");
  const bool all = st.step() && st.integer(0) == static_cast<long long>(std::size(kTriggerNames));
  st.reset();
  return all;
}

// The summary still describes table `read`: fewer than a block of readings after the
// summarised ones, all of them numbers; the same first row id and a reading at the last
// summarised one (a rebuild of the table by another tool renumbers them); the last complete
// block in the pyramid.
bool agreesWithTable(sqlite3* db, const Stored& s, const Tail& tail) {
  const long long block = kPyramidBlocks[0];
  if (tail.count >= block || !tail.numbers || s.rows % block != 0) return false;
  if (s.rows == 0) return !s.lastRow;
  if (!s.firstRow || !s.lastRow) return false;
  Statement rows(db,
                 "SELECT (SELECT min(rowid) FROM read), (SELECT max(rowid) FROM read "
                 "WHERE rowid <= ?1), (SELECT count(*) FROM read_pyramid WHERE level = 1 AND "
                 "block = ?2)");
  rows.bind(1, *s.lastRow).bind(2, s.rows / block - 1);
  const bool agrees = rows.step() && !rows.isNull(0) && rows.integer(0) == *s.firstRow &&
                      !rows.isNull(1) && rows.integer(1) == *s.lastRow && rows.integer(2) == 1;
  rows.reset();
  return agrees;
}

bool contiguous(const ReadingRows& rows) {
  // Row ids may be anything a tool stored; the difference is taken without overflow.
  return rows.count == 0 ||
         static_cast<__int128>(rows.lastRowId) - rows.firstRowId + 1 == rows.count;
}

// Finds readings by position in a file with a current summary.
class RowLocator {
 public:
  RowLocator(sqlite3* db, const ReadingRows& rows)
      : db_(db), rows_(rows), gapless_(contiguous(rows)) {}

  bool gapless() const { return gapless_; }

  // The row id of the reading at `position` (inside the recording). The pyramid's first
  // level knows where every 64th reading is; the rest is a walk of at most 127 rows.
  long long rowId(long long position) {
    if (gapless_) return rows_.firstRowId + position;
    const long long size = kPyramidBlocks[0];
    const long long block = std::min(position / size, rows_.count / size - 1);
    long long from = rows_.firstRowId;
    long long offset = position;
    if (block >= 0) {
      if (!blockStart_) {
        blockStart_.emplace(db_,
                            "SELECT first_row FROM read_pyramid WHERE level = 1 AND block = ?1");
      }
      blockStart_->bind(1, block);
      if (blockStart_->step()) {
        from = blockStart_->integer(0);
        offset = position - block * size;
      }
      blockStart_->reset();
    }
    if (!walk_) {
      walk_.emplace(db_,
                    "SELECT rowid FROM read WHERE rowid >= ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
    }
    walk_->bind(1, from).bind(2, offset);
    const long long row = walk_->step() ? walk_->integer(0) : rows_.lastRowId;
    walk_->reset();
    return row;
  }

 private:
  sqlite3* db_;
  ReadingRows rows_;
  bool gapless_;
  std::optional<Statement> blockStart_;
  std::optional<Statement> walk_;
};

// The statistics of a summary.
ReadingStatistics statisticsOf(const ReadingSummary& s) {
  ReadingStatistics out;
  out.count = s.rowCount;
  if (s.rowCount > 0) {
    out.average = s.average();
    out.maximum = s.maximum;
    out.minimum = s.minimum;
  }
  return out;
}

// ---- Reading every row -------------------------------------------------------------------

// One pass over the readings in stored order: what the triggers would have kept, had they
// seen every reading stored. The pyramid's blocks go into a temporary table of the
// connection as they complete, so that the pass needs the same little memory at any size.
class SummaryScan {
 public:
  // `keepPyramid`: the blocks are to be stored (else only the statistics are wanted).
  SummaryScan(sqlite3* db, bool keepPyramid) : db_(db) {
    if (!keepPyramid) return;
    exec(db_,
         "CREATE TEMP TABLE IF NOT EXISTS summary_blocks (level INTEGER, block INTEGER, "
         "first_row INTEGER, min_value REAL, max_value REAL, PRIMARY KEY (level, block)) "
         "WITHOUT ROWID; DELETE FROM temp.summary_blocks;",
         "reading");
    insert_.emplace(db_, "INSERT INTO temp.summary_blocks VALUES (?1, ?2, ?3, ?4, ?5)");
  }

  // False when the reading is not a number (the summary cannot be kept).
  bool add(long long rowId, int type, double value) {
    if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) return false;
    block_.add(rowId, type, value);
    addToPyramid(0, Block{rowId, value, value});
    if (block_.count < kPyramidBlocks[0]) return true;
    // A complete block goes into the summary as the insert trigger adds it: its sum
    // (added in stored order) into Neumaier's compensated sum, its extremes, its row ids.
    Stored& k = kept_;
    if (k.rows == 0) {
      k.firstRow = block_.firstRow;
      k.minimum = block_.range.low;
      k.maximum = block_.range.high;
    } else {
      k.minimum = std::min(k.minimum, block_.range.low);
      k.maximum = std::max(k.maximum, block_.range.high);
    }
    k.lastRow = block_.lastRow;
    k.rows += block_.count;
    const double sum = k.sum;
    const double total = sum + block_.sum;
    k.compensation += std::fabs(sum) >= std::fabs(block_.sum) ? (sum - total) + block_.sum
                                                              : (block_.sum - total) + sum;
    k.sum = total;
    block_ = Tail{};
    return true;
  }

  // All the readings: the summarised ones and the unfinished block after them.
  ReadingSummary summary() const { return combined(kept_, block_); }

  // Replaces whatever summary the file has with this one, its pyramid and the triggers.
  void store(sqlite3* db) const {
    std::string sql;
    for (const char* name : kTriggerNames) sql += core::format("DROP TRIGGER IF EXISTS %s;", name);
    sql += "DROP TABLE IF EXISTS read_pyramid; DROP TABLE IF EXISTS read_summary;" + tablesSql() +
           "INSERT INTO read_pyramid (level, block, first_row, min_value, max_value) "
           "SELECT level, block, first_row, min_value, max_value FROM temp.summary_blocks;";
    exec(db, sql, "storing the summary");
    Statement row(db,
                  "INSERT INTO read_summary (id, format, state, row_count, first_row, last_row, "
                  "value_sum, value_comp, value_min, value_max) "
                  "VALUES (1, ?1, 0, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    const Stored& k = kept_;
    row.bind(1, static_cast<long long>(kSummaryFormat)).bind(2, k.rows);
    if (k.rows > 0) {
      row.bind(3, *k.firstRow).bind(4, *k.lastRow).bind(7, k.minimum).bind(8, k.maximum);
    }
    row.bind(5, k.sum).bind(6, k.compensation).step();
    exec(db, triggersSql() + "DROP TABLE temp.summary_blocks;", "storing the summary");
  }

 private:
  struct Block {
    long long firstRow = 0;
    double low = 0;
    double high = 0;
  };
  struct Open {
    Block block;
    long long parts = 0;  // readings (level 1) or blocks of the level below in it so far
    long long done = 0;   // blocks of this level completed
  };

  // Adds a reading (level 0) or a completed block of the level below to the open block of
  // the next level; a block that is complete is stored and goes on to the level above.
  void addToPyramid(size_t level, const Block& part) {
    if (level >= open_.size() || !insert_) return;
    Open& o = open_[level];
    if (o.parts == 0) {
      o.block = part;
    } else {
      o.block.low = std::min(o.block.low, part.low);
      o.block.high = std::max(o.block.high, part.high);
    }
    const long long fan =
        level == 0 ? kPyramidBlocks[0] : kPyramidBlocks[level] / kPyramidBlocks[level - 1];
    if (++o.parts < fan) return;
    insert_->bind(1, static_cast<long long>(level + 1))
        .bind(2, o.done++)
        .bind(3, o.block.firstRow)
        .bind(4, o.block.low)
        .bind(5, o.block.high)
        .step();
    o.parts = 0;
    addToPyramid(level + 1, o.block);
  }

  sqlite3* db_;
  std::optional<Statement> insert_;
  Stored kept_;
  Tail block_;
  std::array<Open, kPyramidBlocks.size()> open_{};
};

// A read transaction for the length of a pass: the rows read and the summary written
// describe one state of the file. Rolled back unless committed.
class Snapshot {
 public:
  explicit Snapshot(sqlite3* db) : db_(db) { exec(db_, "BEGIN", "reading"); }
  ~Snapshot() {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;
  void commit() {
    exec(db_, "COMMIT", "storing the summary");
    open_ = false;
  }

 private:
  sqlite3* db_;
  bool open_ = true;
};

// The statistics by the engine's own aggregates, for readings that are not all numbers.
// `progress` is asked now and then (the total is not known); nullopt when cancelled.
std::optional<DatabaseOverview> aggregateOverview(Database& db, const ProgressFn& progress) {
  struct Asked {
    const ProgressFn* progress;
    long long calls = 0;
    bool cancelled = false;
  } asked{&progress};
  sqlite3_progress_handler(
      db.handle(), 1 << 20,
      [](void* data) {
        auto* a = static_cast<Asked*>(data);
        a->cancelled = !(*a->progress)(++a->calls, 0);
        return a->cancelled ? 1 : 0;
      },
      &asked);
  struct HandlerOff {
    sqlite3* db;
    ~HandlerOff() { sqlite3_progress_handler(db, 0, nullptr, nullptr); }
  } off{db.handle()};
  try {
    DatabaseOverview out;
    ForwardCursor stats = db.openForwardOnly(Query::readingStatistics());
    if (stats.next()) {
      out.statistics.count = stats.integer(1);
      if (!stats.isNull(0)) out.statistics.average = stats.number(0);
      if (!stats.isNull(2)) out.statistics.maximum = stats.number(2);
      if (!stats.isNull(3)) out.statistics.minimum = stats.number(3);
    }
    stats.close();
    out.rows = readingRows(db);
    return out;
  } catch (const DatabaseError&) {
    if (asked.cancelled) return std::nullopt;
    throw;
  }
}

// A summary marked "not kept", so that the next opening goes to the aggregates at once. Its
// last row is the table's, so that deleting or changing any reading (the odd one, perhaps)
// marks it stale and the next opening tries again.
void storeNotKept(sqlite3* db) {
  std::string sql;
  for (const char* name : kTriggerNames) sql += core::format("DROP TRIGGER IF EXISTS %s;", name);
  sql += "DROP TABLE IF EXISTS read_pyramid; DROP TABLE IF EXISTS read_summary;" + tablesSql() +
         core::format(
             "INSERT INTO read_summary (id, format, state, row_count, last_row) "
             "VALUES (1, %d, 2, 0, (SELECT max(rowid) FROM read));",
             kSummaryFormat) +
         triggersSql();
  exec(db, sql, "storing the summary");
}

// Whether an error while storing means only that the summary could not be stored this
// time (another program wrote meanwhile, the disk is full): the readings are not at fault.
bool onlyTheSummaryFailed(const DatabaseError& e) {
  switch (e.kind()) {
    case FailureKind::Busy:
    case FailureKind::DiskFull:
    case FailureKind::ReadOnly:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string emptySummarySql() {
  return tablesSql() +
         core::format(
             "INSERT INTO read_summary (id, format, state, row_count, value_sum, "
             "value_comp) VALUES (1, %d, 0, 0, 0.0, 0.0);",
             kSummaryFormat) +
         triggersSql();
}

std::optional<double> ReadingSummary::average() const {
  if (rowCount <= 0 || std::isnan(total)) return std::nullopt;
  return total / static_cast<double>(rowCount);
}

std::optional<ReadingSummary> currentSummary(Database& db) {
  sqlite3* h = db.handle();
  const std::optional<Stored> s = storedSummary(h);
  if (!s || s->state != SummaryState::Current || !hasTriggers(h)) return std::nullopt;
  const Tail tail = tailAfter(h, s->lastRow);
  if (!agreesWithTable(h, *s, tail)) return std::nullopt;
  return combined(*s, tail);
}

std::optional<DatabaseOverview> readOverview(Database& db, const ProgressFn& progress) {
  sqlite3* h = db.handle();
  Snapshot snapshot(h);
  if (const std::optional<ReadingSummary> s = currentSummary(db)) {
    return DatabaseOverview{statisticsOf(*s), s->rows(), true};
  }
  const std::optional<Stored> stored = storedSummary(h);
  if (stored && stored->state == SummaryState::NotKept && hasTriggers(h)) {
    return aggregateOverview(db, progress);
  }

  // How far the pass has got is told by row id, which needs no count of the rows.
  Statement span(h, kRowIdSpanSql);
  span.step();
  const long long first = span.integer(0);
  const double width = span.isNull(0) ? 1.0 : static_cast<double>(span.integer(1)) - first + 1;
  span.reset();
  constexpr long long kSteps = 1000000;

  const bool writable = !db.isReadOnly();
  SummaryScan scan(h, writable);
  bool numbers = true;
  {
    Statement rows(h, "SELECT rowid, read_value FROM read ORDER BY rowid");
    long long n = 0;
    while (rows.step()) {
      if (!scan.add(rows.integer(0), rows.type(1), rows.number(1))) {
        numbers = false;
        rows.reset();
        break;
      }
      if (++n % kProgressRows == 0 &&
          !progress(static_cast<long long>((rows.integer(0) - first) / width * kSteps), kSteps)) {
        return std::nullopt;
      }
    }
  }
  if (!numbers) {
    std::optional<DatabaseOverview> out = aggregateOverview(db, progress);
    if (out && writable) {
      try {
        storeNotKept(h);
        snapshot.commit();
      } catch (const DatabaseError& e) {
        if (!onlyTheSummaryFailed(e)) throw;
      }
    }
    return out;
  }
  DatabaseOverview out{statisticsOf(scan.summary()), scan.summary().rows(), false};
  if (writable) {
    // Written in the transaction the rows were read in: should another program have
    // stored a reading since, the engine refuses the write and the summary waits for the
    // next opening.
    try {
      scan.store(h);
      snapshot.commit();
      out.summarised = true;
    } catch (const DatabaseError& e) {
      if (!onlyTheSummaryFailed(e)) throw;
    }
  }
  return out;
}

bool findReadings(Database& db, double hi, double lo, const MatchFn& match,
                  const ProgressFn& progress) {
  hi = fixed30RoundTrip(hi);
  lo = fixed30RoundTrip(lo);
  sqlite3* h = db.handle();
  const Snapshot snapshot(h);
  // Runs `rows` (bound from parameter 3 on) and hands each reading to `match`; false when
  // the search is to stop.
  const auto matches = [&](Statement& rows) {
    rows.bind(3, hi).bind(4, lo);
    while (rows.step()) {
      const auto* time = reinterpret_cast<const char*>(sqlite3_column_text(rows.raw(), 1));
      const std::string_view text =
          time ? std::string_view(time, static_cast<size_t>(sqlite3_column_bytes(rows.raw(), 1)))
               : std::string_view();
      if (!match(rows.number(0), text)) {
        rows.reset();
        return false;
      }
    }
    return true;
  };

  if (const std::optional<ReadingSummary> s = currentSummary(db)) {
    RowLocator locator(h, s->rows());
    Statement rows(h, locator.gapless()
                          ? "SELECT read_value, read_time FROM read WHERE rowid BETWEEN ?1 AND "
                            "?1 + ?2 - 1 AND read_value <= ?3 AND read_value >= ?4 ORDER BY rowid"
                          : "SELECT v, t FROM (SELECT rowid AS r, read_value AS v, read_time AS t "
                            "FROM read WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2) "
                            "WHERE v <= ?3 AND v >= ?4 ORDER BY r");
    const long long size = kPyramidBlocks[1];
    const long long blocks = s->rowCount / size;
    Statement candidates(h,
                         "SELECT block, first_row FROM read_pyramid WHERE level = 2 AND "
                         "max_value >= ?1 AND min_value <= ?2 ORDER BY block");
    candidates.bind(1, lo).bind(2, hi);
    long long seen = 0;
    while (candidates.step()) {
      if (++seen % 64 == 0 && !progress(candidates.integer(0), blocks)) {
        candidates.reset();
        return false;
      }
      rows.bind(1, candidates.integer(1)).bind(2, size);
      if (!matches(rows)) {
        candidates.reset();
        return true;
      }
    }
    // The readings after the last complete block.
    if (blocks * size < s->rowCount) {
      rows.bind(1, locator.rowId(blocks * size)).bind(2, s->rowCount - blocks * size);
      matches(rows);
    }
    return true;
  }

  // Every row, a stretch of row ids at a time, so that the search can report and stop.
  Statement span(h, kRowIdSpanSql);
  span.step();
  if (span.isNull(0)) return true;
  const long long first = span.integer(0);
  const long long last = span.integer(1);
  span.reset();
  const __int128 width = static_cast<__int128>(last) - first + 1;
  const long long stretch = static_cast<long long>(std::max<__int128>(1 << 20, width / 1000));
  Statement rows(h,
                 "SELECT read_value, read_time FROM read WHERE rowid BETWEEN ?1 AND ?2 AND "
                 "read_value <= ?3 AND read_value >= ?4 ORDER BY rowid");
  for (__int128 from = first; from <= last; from += stretch) {
    const __int128 to = std::min<__int128>(from + stretch - 1, last);
    rows.bind(1, static_cast<long long>(from)).bind(2, static_cast<long long>(to));
    if (!matches(rows)) return true;
    if (!progress(static_cast<long long>((to - first + 1) * 1000 / width), 1000)) return false;
  }
  return true;
}

std::optional<long long> rowIdAt(Database& db, const ReadingRows& rows, long long position) {
  if (position < 0 || position >= rows.count) return std::nullopt;
  if (contiguous(rows)) return rows.firstRowId + position;
  if (!currentSummary(db)) return readingRowIdAt(db, rows, position);
  return RowLocator(db.handle(), rows).rowId(position);
}

// ---- DatabasePyramid ---------------------------------------------------------------------

struct DatabasePyramid::Impl {
  Impl(sqlite3* db, const ReadingRows& r)
      : rows(r),
        locator(db, r),
        blocks(db,
               "SELECT min(min_value), max(max_value) FROM read_pyramid "
               "WHERE level = ?1 AND block BETWEEN ?2 AND ?3"),
        span(db, locator.gapless() ? "SELECT min(read_value), max(read_value) FROM read "
                                     "WHERE rowid BETWEEN ?1 AND ?1 + ?2 - 1"
                                   : "SELECT min(v), max(v) FROM (SELECT read_value AS v FROM read "
                                     "WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2)"),
        one(db, "SELECT read_value FROM read WHERE rowid = ?1") {}

  static MinMax minMaxOf(Statement& st) {
    MinMax m;
    if (st.step() && !st.isNull(0)) {
      m.add(st.number(0));
      m.add(st.number(1));
    }
    st.reset();
    return m;
  }

  ReadingRows rows;
  RowLocator locator;
  Statement blocks, span, one;
};

DatabasePyramid::DatabasePyramid(Database& db, const ReadingRows& rows)
    : impl_(std::make_unique<Impl>(db.handle(), rows)) {}

DatabasePyramid::~DatabasePyramid() = default;

long long DatabasePyramid::count() const { return impl_->rows.count; }

MinMax DatabasePyramid::blocks(int level, long long first, long long last) {
  impl_->blocks.bind(1, static_cast<long long>(level)).bind(2, first).bind(3, last);
  return Impl::minMaxOf(impl_->blocks);
}

MinMax DatabasePyramid::readings(long long first, long long last) {
  impl_->span.bind(1, impl_->locator.rowId(first)).bind(2, last - first + 1);
  return Impl::minMaxOf(impl_->span);
}

double DatabasePyramid::reading(long long position) {
  impl_->one.bind(1, impl_->locator.rowId(position));
  const double value = impl_->one.step() ? impl_->one.number(0) : 0.0;
  impl_->one.reset();
  return value;
}

}  // namespace records
