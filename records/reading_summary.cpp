#include "records/reading_summary.h"

#include <sqlite3.h>

#include <cmath>
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

std::string triggersSql() {
  // Each reading: the count, row ids, the sum with its Neumaier compensation (the same
  // steps as the build below), minimum and maximum. A reading that is not a number, or one
  // stored before the last row id, ends the summary's currency.
  std::string sql =
      "CREATE TRIGGER read_summary_insert AFTER INSERT ON read BEGIN "
      "UPDATE read_summary SET "
      "state = CASE WHEN typeof(NEW.read_value) NOT IN ('real', 'integer') THEN 2 "
      "WHEN row_count > 0 AND NEW.rowid <= last_row THEN 1 ELSE 0 END, "
      "row_count = row_count + 1, "
      "first_row = CASE WHEN row_count = 0 THEN NEW.rowid ELSE first_row END, "
      "last_row = NEW.rowid, "
      "value_sum = value_sum + NEW.read_value, "
      "value_comp = value_comp + CASE WHEN abs(value_sum) >= abs(NEW.read_value) "
      "THEN (value_sum - (value_sum + NEW.read_value)) + NEW.read_value "
      "ELSE (NEW.read_value - (value_sum + NEW.read_value)) + value_sum END, "
      "value_min = CASE WHEN row_count = 0 THEN NEW.read_value "
      "ELSE min(value_min, NEW.read_value) END, "
      "value_max = CASE WHEN row_count = 0 THEN NEW.read_value "
      "ELSE max(value_max, NEW.read_value) END "
      "WHERE id = 1 AND state = 0; END;";
  // Each completed block: level 1 from its 64 readings (the last 64 rows, as readings are
  // only appended while the summary is current), each further level from the 16 blocks of
  // the level below that it is made of.
  sql +=
      "CREATE TRIGGER read_summary_blocks AFTER UPDATE OF row_count ON read_summary "
      "WHEN NEW.state = 0 AND NEW.row_count % 64 = 0 BEGIN "
      "INSERT INTO read_pyramid (level, block, first_row, min_value, max_value) "
      "SELECT 1, NEW.row_count / 64 - 1, min(rowid), min(read_value), max(read_value) "
      "FROM (SELECT rowid, read_value FROM read ORDER BY rowid DESC LIMIT 64);";
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
  // Anything else done to the readings: build again at the next opening.
  for (const char* event : {"DELETE", "UPDATE"}) {
    sql += core::format(
        "CREATE TRIGGER read_summary_%s AFTER %s ON read BEGIN "
        "UPDATE read_summary SET state = 1 WHERE id = 1 AND state <> 1; END;",
        core::toLower(event).c_str(), event);
  }
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

// The summary row as stored (any state); nullopt when there is none.
std::optional<ReadingSummary> storedSummary(sqlite3* db) {
  if (!hasSummaryTable(db)) return std::nullopt;
  Statement st(db,
               "SELECT format, state, row_count, first_row, last_row, value_sum, value_comp, "
               "value_min, value_max FROM read_summary WHERE id = 1");
  if (!st.step() || st.integer(0) != kSummaryFormat) return std::nullopt;
  ReadingSummary s;
  const long long state = st.integer(1);
  s.state = state == 0   ? SummaryState::Current
            : state == 2 ? SummaryState::NotKept
                         : SummaryState::Stale;
  s.rowCount = st.integer(2);
  s.firstRowId = st.integer(3);
  s.lastRowId = st.integer(4);
  s.sum = st.real(5);
  s.compensation = st.real(6);
  s.minimum = st.real(7);
  s.maximum = st.real(8);
  st.reset();
  return s;
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

// The summary still describes table `read`: the same first and last row id (a rebuild of
// the table by another tool renumbers them) and its last complete block in the pyramid.
bool agreesWithTable(sqlite3* db, const ReadingSummary& s) {
  Statement span(db, kRowIdSpanSql);
  if (!span.step()) return false;
  const bool empty = span.isNull(0);
  const bool sameRows =
      s.rowCount == 0 ? empty
                      : !empty && span.integer(0) == s.firstRowId && span.integer(1) == s.lastRowId;
  span.reset();
  if (!sameRows) return false;
  if (s.rowCount < kPyramidBlocks[0]) return true;
  Statement block(db, "SELECT count(*) FROM read_pyramid WHERE level = 1 AND block = ?1");
  block.bind(1, s.rowCount / kPyramidBlocks[0] - 1);
  const bool found = block.step() && block.integer(0) == 1;
  block.reset();
  return found;
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
// seen every reading stored.
class SummaryScan {
 public:
  // False when the reading is not a number (the summary cannot be kept).
  bool add(long long rowId, int type, double value) {
    if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) return false;
    if (summary_.rowCount == 0) {
      summary_.firstRowId = rowId;
      summary_.minimum = summary_.maximum = value;
    } else {
      summary_.minimum = std::min(summary_.minimum, value);
      summary_.maximum = std::max(summary_.maximum, value);
    }
    summary_.lastRowId = rowId;
    // Neumaier's compensated sum, in the very steps of the insert trigger.
    const double sum = summary_.sum;
    const double total = sum + value;
    summary_.compensation +=
        std::fabs(sum) >= std::fabs(value) ? (sum - total) + value : (value - total) + sum;
    summary_.sum = total;
    if (summary_.rowCount % kPyramidBlocks[0] == 0) open_ = Block{rowId, MinMax{}};
    open_.range.add(value);
    ++summary_.rowCount;
    if (summary_.rowCount % kPyramidBlocks[0] == 0) levels_[0].push_back(open_);
    return true;
  }

  // The levels above the first, each block made of the 16 below it.
  void finish() {
    for (size_t k = 1; k < levels_.size(); ++k) {
      const size_t fan = static_cast<size_t>(kPyramidBlocks[k] / kPyramidBlocks[k - 1]);
      const std::vector<Block>& below = levels_[k - 1];
      for (size_t b = 0; (b + 1) * fan <= below.size(); ++b) {
        Block block{below[b * fan].firstRow, MinMax{}};
        for (size_t i = 0; i < fan; ++i) block.range.add(below[b * fan + i].range);
        levels_[k].push_back(block);
      }
    }
  }

  const ReadingSummary& summary() const { return summary_; }

  // Replaces whatever summary the file has with this one, its pyramid and the triggers.
  void store(sqlite3* db) const {
    std::string drop;
    for (const char* name : kTriggerNames) drop += core::format("DROP TRIGGER IF EXISTS %s;", name);
    drop += "DROP TABLE IF EXISTS read_pyramid; DROP TABLE IF EXISTS read_summary;";
    exec(db, drop + tablesSql(), "storing the summary");
    Statement insert(db,
                     "INSERT INTO read_pyramid (level, block, first_row, min_value, max_value) "
                     "VALUES (?1, ?2, ?3, ?4, ?5)");
    for (size_t k = 0; k < levels_.size(); ++k) {
      for (size_t b = 0; b < levels_[k].size(); ++b) {
        const Block& block = levels_[k][b];
        insert.bind(1, static_cast<long long>(k + 1))
            .bind(2, static_cast<long long>(b))
            .bind(3, block.firstRow)
            .bind(4, block.range.low)
            .bind(5, block.range.high)
            .step();
      }
    }
    Statement row(db,
                  "INSERT INTO read_summary (id, format, state, row_count, first_row, last_row, "
                  "value_sum, value_comp, value_min, value_max) "
                  "VALUES (1, ?1, 0, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    const ReadingSummary& s = summary_;
    row.bind(1, static_cast<long long>(kSummaryFormat)).bind(2, s.rowCount);
    if (s.rowCount > 0) {
      row.bind(3, s.firstRowId).bind(4, s.lastRowId).bind(7, s.minimum).bind(8, s.maximum);
    }
    row.bind(5, s.sum).bind(6, s.compensation).step();
    exec(db, triggersSql(), "storing the summary");
  }

 private:
  struct Block {
    long long firstRow = 0;
    MinMax range;
  };
  ReadingSummary summary_;
  Block open_;
  std::vector<std::vector<Block>> levels_ = std::vector<std::vector<Block>>(kPyramidBlocks.size());
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

// A summary marked "not kept", so that the next opening goes to the aggregates at once.
void storeNotKept(sqlite3* db) {
  std::string sql;
  for (const char* name : kTriggerNames) sql += core::format("DROP TRIGGER IF EXISTS %s;", name);
  sql += "DROP TABLE IF EXISTS read_pyramid; DROP TABLE IF EXISTS read_summary;" + tablesSql() +
         core::format(
             "INSERT INTO read_summary (id, format, state, row_count) "
             "VALUES (1, %d, 2, 0);",
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
  if (rowCount <= 0) return std::nullopt;
  const double total = std::isfinite(sum) ? sum + compensation : sum;
  if (std::isnan(total)) return std::nullopt;
  return total / static_cast<double>(rowCount);
}

std::optional<ReadingSummary> currentSummary(Database& db) {
  sqlite3* h = db.handle();
  const std::optional<ReadingSummary> s = storedSummary(h);
  if (!s || s->state != SummaryState::Current || !hasTriggers(h) || !agreesWithTable(h, *s)) {
    return std::nullopt;
  }
  return s;
}

std::optional<DatabaseOverview> readOverview(Database& db, const ProgressFn& progress) {
  sqlite3* h = db.handle();
  Snapshot snapshot(h);
  if (const std::optional<ReadingSummary> s = currentSummary(db)) {
    return DatabaseOverview{statisticsOf(*s), s->rows(), true};
  }
  const std::optional<ReadingSummary> stored = storedSummary(h);
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

  SummaryScan scan;
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
  const bool writable = !db.isReadOnly();
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
  scan.finish();
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
