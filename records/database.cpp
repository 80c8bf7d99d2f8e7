#include "records/database.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace records {

namespace {

constexpr const char* kCreatingSuffix = ".creating";

FailureKind kindFromErrno(int err, FailureKind otherwise) {
  switch (err) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return FailureKind::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return FailureKind::ReadOnly;
    case ENOENT:
    case ENOTDIR:
      return FailureKind::NotFound;
    default:
      return otherwise;
  }
}

// The engine does not always say why a write failed (a file size limit gives a plain I/O
// error) nor which file it could not open; the file's folder and the process's limits do.
FailureKind diagnose(FailureKind kind, int rc, const char* filename) {
  if (!filename || !*filename) return kind;
  std::string folder(filename);
  const size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash + 1);
  const int primary = rc & 0xff;
  if ((kind == FailureKind::NotFound || kind == FailureKind::Io) &&
      (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR) &&
      ::access(folder.c_str(), W_OK) != 0 && (errno == EROFS || errno == EACCES)) {
    return FailureKind::ReadOnly;
  }
  const bool writeFailed =
      rc == SQLITE_IOERR_WRITE || rc == SQLITE_IOERR_TRUNCATE || rc == SQLITE_IOERR_SHMSIZE;
  if (kind == FailureKind::Io && writeFailed) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      return FailureKind::DiskFull;
    }
    struct statvfs fsInfo {};
    if (::statvfs(folder.c_str(), &fsInfo) == 0 &&
        static_cast<unsigned long long>(fsInfo.f_bavail) * fsInfo.f_frsize < 1024 * 1024) {
      return FailureKind::DiskFull;
    }
  }
  return kind;
}

DatabaseError engineError(sqlite3* db, int rc, const std::string& what,
                          const std::string& path = {}) {
  const int err = db ? sqlite3_system_errno(db) : 0;
  std::string detail = what + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  FailureKind kind = FailureKind::Other;
  switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
      kind = FailureKind::NotADatabase;
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      kind = FailureKind::Busy;
      break;
    case SQLITE_FULL:
      kind = FailureKind::DiskFull;
      break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      kind = FailureKind::ReadOnly;
      break;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
      kind = kindFromErrno(err, FailureKind::Io);
      break;
    default:
      break;
  }
  const char* filename = !path.empty() ? path.c_str()
                         : db          ? sqlite3_db_filename(db, "main")
                                       : nullptr;
  kind = diagnose(kind, rc, filename);
  return DatabaseError(kind, std::move(detail), rc);
}

// A file name as an SQLite URI ("file:" with '%', '?' and '#' escaped).
std::string fileUri(const std::string& path) {
  std::string uri = "file:";
  for (char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      static constexpr char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[(static_cast<unsigned char>(c) >> 4) & 0xf];
      uri += kHex[static_cast<unsigned char>(c) & 0xf];
    } else {
      uri += c;
    }
  }
  return uri;
}

// A connection is used by one thread at a time (the one that opened it), so the engine
// need not lock it around every call: a 100-million-row export makes 300 million of them.
constexpr int kOneThread = SQLITE_OPEN_NOMUTEX;

// Whether this user may write the file and make files beside it (its log and log index).
bool canWriteBeside(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  return ::access(path.c_str(), W_OK) == 0 && ::access(folder.c_str(), W_OK) == 0;
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Removes a file; a file that is not there counts as removed.
void removeFile(const std::string& path) {
  if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
    const int err = errno;
    throw DatabaseError(kindFromErrno(err, FailureKind::Io),
                        "cannot remove " + path + ": " + std::strerror(err));
  }
}

// The engine's side files of a database: its write-ahead log, the log's index and a
// rollback journal. A stale log left beside a new file would be replayed into it, so they
// go with the file.
void removeSideFiles(const std::string& path) {
  for (const char* suffix : {"-wal", "-shm", "-journal"}) removeFile(path + suffix);
}

std::string quoted(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

const char* declaredType(FieldType type) { return type == FieldType::Double ? "REAL" : "DATETIME"; }

void exec(sqlite3* db, const std::string& sql, const std::string& what) {
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throw engineError(db, rc, what);
}

// Runs a statement that returns one text value (a pragma's answer).
std::string queryText(sqlite3* db, const std::string& sql, const std::string& what) {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  if (rc != SQLITE_OK) throw engineError(db, rc, what);
  std::string out;
  rc = sqlite3_step(st);
  if (rc == SQLITE_ROW) {
    if (const auto* t = sqlite3_column_text(st, 0)) out = reinterpret_cast<const char*>(t);
  } else if (rc != SQLITE_DONE) {
    const DatabaseError e = engineError(db, rc, what);
    sqlite3_finalize(st);
    throw e;
  }
  sqlite3_finalize(st);
  return out;
}

std::vector<std::string> columnsOf(sqlite3* db, const std::string& table) {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1)", -1, &st, nullptr);
  if (rc != SQLITE_OK) throw engineError(db, rc, "reading the table layout");
  sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  std::vector<std::string> names;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) throw engineError(db, rc, "reading the table layout");
  return names;
}

Value columnValue(sqlite3_stmt* st, int column) {
  switch (sqlite3_column_type(st, column)) {
    case SQLITE_INTEGER:
      return Value(static_cast<long long>(sqlite3_column_int64(st, column)));
    case SQLITE_FLOAT:
      return Value(sqlite3_column_double(st, column));
    case SQLITE_NULL:
      return Value();
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
      return Value::text(text ? std::string(text, sqlite3_column_bytes(st, column)) : "");
    }
  }
}

void bindValue(sqlite3_stmt* st, int index, const Value& value) {
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          sqlite3_bind_null(st, index);
        } else if constexpr (std::is_same_v<T, double>) {
          sqlite3_bind_double(st, index, v);
        } else if constexpr (std::is_same_v<T, long long>) {
          sqlite3_bind_int64(st, index, v);
        } else {
          sqlite3_bind_text(st, index, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        }
      },
      value.data());
}

}  // namespace

DatabaseError::DatabaseError(FailureKind kind, std::string detail, int engineCode)
    : std::runtime_error(detail),
      kind_(kind),
      detail_(std::move(detail)),
      engineCode_(engineCode) {}

std::string failureReason(const DatabaseError& error) {
  switch (error.kind()) {
    case FailureKind::NotADatabase:
      return "the file is damaged or is not a reading database";
    case FailureKind::Busy:
      return "the file is in use by another program";
    case FailureKind::DiskFull:
      return "the disk is full or the file has reached its size limit";
    case FailureKind::ReadOnly:
      return "the database folder or file is read-only";
    case FailureKind::NotFound:
      return "the file or its folder does not exist";
    case FailureKind::Io:
      return "a disk error occurred (" + error.detail() + ")";
    case FailureKind::Other:
      break;
  }
  return error.detail();
}

DatabaseError engineFailure(sqlite3* db, int rc, const std::string& what) {
  return engineError(db, rc, what);
}

// ---- Query -------------------------------------------------------------------------------

Query::Query(std::string sql, std::string table, std::vector<double> parameters)
    : sql_(std::move(sql)), table_(std::move(table)), parameters_(std::move(parameters)) {}

// Updatable queries carry the row id first (hidden from the fields) so that an edit can
// name its row; every query lists its rows in the order they were stored.
Query Query::readings() {
  return Query("SELECT rowid, read_value, read_time FROM read ORDER BY rowid", "read");
}

Query Query::startDate() {
  return Query("SELECT rowid, r_date FROM read_date ORDER BY rowid", "read_date");
}

Query Query::readingStatistics() {
  return Query(
      "SELECT avg(read_value) AS avg_num, count(read_value) AS sum_num, "
      "max(read_value) AS max_num, min(read_value) AS min_num FROM read",
      "");
}

Query Query::readingsBetween(double hi, double lo) {
  return Query(
      "SELECT read_value, read_time FROM read WHERE read_value <= ?1 AND read_value >= ?2 "
      "ORDER BY rowid",
      "", {fixed30RoundTrip(hi), fixed30RoundTrip(lo)});
}

Query Query::readingsWithStartDate() {
  return Query("SELECT read_value, read_time, r_date FROM read, read_date ORDER BY read.rowid", "");
}

Query Query::readingRowSpan() {
  // Each sub-query is answered from the table's tree without reading the rows.
  return Query(
      "SELECT (SELECT min(rowid) FROM read) AS first_row, (SELECT max(rowid) FROM read) AS "
      "last_row, (SELECT count(*) FROM read) AS row_count",
      "");
}

Query Query::readingRowIdAt(long long position) {
  return Query("SELECT rowid AS row_id FROM read ORDER BY rowid LIMIT 1 OFFSET ?1", "",
               {static_cast<double>(position)});
}

Query Query::readingsFromRow(long long firstRow) {
  return Query("SELECT read_value, read_time FROM read WHERE rowid >= ?1 ORDER BY rowid", "",
               {static_cast<double>(firstRow)});
}

Query Query::readingValuesFromRow(long long firstRow) {
  return Query("SELECT read_value FROM read WHERE rowid >= ?1 ORDER BY rowid", "",
               {static_cast<double>(firstRow)});
}

Query Query::readingWithStartDateAt(long long row) {
  return Query(
      "SELECT read_value, read_time, r_date FROM read, read_date WHERE read.rowid = ?1 "
      "ORDER BY read_date.rowid",
      "", {static_cast<double>(row)});
}

Query Query::readingCount() { return Query("SELECT count(read_value) AS sum_num FROM read", ""); }

// ---- Database ----------------------------------------------------------------------------

Database::~Database() { close(); }

void Database::create(const std::string& path, std::span<const TableDef> tables,
                      std::string_view moreSql) {
  if (fileExists(path)) {
    throw DatabaseError(FailureKind::Other, "cannot create " + path + ": it already exists");
  }
  // Built under a temporary name and renamed when complete, so that a crash never leaves a
  // half-made database under the real name.
  const std::string building = path + kCreatingSuffix;
  removeSideFiles(building);
  removeFile(building);

  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(building.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  try {
    if (rc != SQLITE_OK) throw engineError(db, rc, "creating " + path, building);
    sqlite3_extended_result_codes(db, 1);
    if (queryText(db, "PRAGMA journal_mode=WAL", "creating " + path) != "wal") {
      throw DatabaseError(FailureKind::Io, "creating " + path + ": no write-ahead log");
    }
    std::string sql = "BEGIN;";
    for (const TableDef& table : tables) {
      sql += "CREATE TABLE " + quoted(table.name) + " (";
      for (size_t i = 0; i < table.fields.size(); ++i) {
        if (i) sql += ", ";
        sql += quoted(table.fields[i].name) + " " + declaredType(table.fields[i].type);
      }
      sql += ");";
    }
    sql += moreSql;
    sql += "COMMIT;";
    exec(db, sql, "creating " + path);
    rc = sqlite3_close(db);
    db = nullptr;
    if (rc != SQLITE_OK) throw engineError(nullptr, rc, "creating " + path);
    removeSideFiles(path);
    if (std::rename(building.c_str(), path.c_str()) != 0) {
      const int err = errno;
      throw DatabaseError(kindFromErrno(err, FailureKind::Io),
                          "creating " + path + ": " + std::strerror(err));
    }
  } catch (...) {
    if (db) sqlite3_close(db);
    std::remove(building.c_str());
    for (const char* suffix : {"-wal", "-shm"}) std::remove((building + suffix).c_str());
    throw;
  }
}

void Database::open(const std::string& path, std::span<const TableDef> expectedTables,
                    const OpenOptions& options) {
  close();
  if (!fileExists(path)) {
    throw DatabaseError(FailureKind::NotFound, "opening " + path + ": no such file");
  }
  sqlite3* db = nullptr;
  bool readOnly = false;
  try {
    // Looking only, a file that this user cannot write (or whose folder he cannot) is
    // opened read-only at once: the engine's own attempt would leave a log and its index
    // beside the file, where they may stop the file's owner from recording into it later.
    if (options.allowReadOnly && !canWriteBeside(path)) {
      db = openReadOnly(path, options);
      readOnly = true;
    } else {
      try {
        db = openWritable(path, options);
      } catch (const DatabaseError& e) {
        if (!options.allowReadOnly || e.kind() != FailureKind::ReadOnly) throw;
        db = openReadOnly(path, options);
        readOnly = true;
      }
    }
    for (const TableDef& table : expectedTables) {
      const std::vector<std::string> columns = columnsOf(db, table.name);
      for (const FieldDef& field : table.fields) {
        if (std::find(columns.begin(), columns.end(), field.name) == columns.end()) {
          throw DatabaseError(
              FailureKind::NotADatabase,
              "opening " + path + ": no field " + field.name + " in table " + table.name);
        }
      }
    }
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  db_ = db;
  path_ = path;
  readOnly_ = readOnly;
}

sqlite3* Database::openWritable(const std::string& path, const OpenOptions& options) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | kOneThread, nullptr);
  try {
    if (rc != SQLITE_OK) throw engineError(db, rc, "opening " + path, path);
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, options.busyTimeoutMs);
    // Reading the journal mode reads the file's header: a file that is not a database
    // fails here rather than at the first reading.
    const std::string mode = queryText(db, "PRAGMA journal_mode=WAL", "opening " + path);
    if (sqlite3_db_readonly(db, "main") == 1) {
      throw DatabaseError(FailureKind::ReadOnly, "opening " + path + ": read-only");
    }
    if (mode != "wal") {
      throw DatabaseError(FailureKind::Busy, "opening " + path + ": journal mode " + mode);
    }
    exec(db,
         options.synchronous == Synchronous::Full ? "PRAGMA synchronous=FULL"
                                                  : "PRAGMA synchronous=NORMAL",
         "opening " + path);
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  return db;
}

sqlite3* Database::openReadOnly(const std::string& path, const OpenOptions& options) {
  // Opens `name` read-only and reads the schema; the engine's result code.
  const auto attempt = [&](const std::string& name, sqlite3** db) {
    int rc = sqlite3_open_v2(name.c_str(), db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | kOneThread,
                             nullptr);
    if (rc != SQLITE_OK) return rc;
    sqlite3_extended_result_codes(*db, 1);
    sqlite3_busy_timeout(*db, options.busyTimeoutMs);
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(*db, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) rc = SQLITE_OK;
    sqlite3_finalize(st);
    return rc;
  };
  // A file in write-ahead-log mode needs its log and log index beside it, which the engine
  // would make even for reading (or fail to, in a read-only folder). Without a log there
  // is nothing beyond the file itself to read, so the file is opened as unchanging and
  // nothing is made beside it; a log left by a crash is never skipped.
  const bool logBeside = fileExists(path + "-wal") || fileExists(path + "-journal");
  sqlite3* db = nullptr;
  const int rc = attempt(logBeside ? path : fileUri(path) + "?immutable=1", &db);
  if (rc != SQLITE_OK) {
    const DatabaseError error = engineError(db, rc, "opening " + path, path);
    sqlite3_close(db);
    throw error;
  }
  return db;
}

void Database::close() {
  if (!db_) return;
  for (Recordset* rs : std::vector<Recordset*>(recordsets_)) rs->close();
  recordsets_.clear();
  // Statements still prepared keep the connection alive until they are finalised; the
  // file is then closed (and its log folded back) by the last of them.
  sqlite3_close_v2(db_);
  db_ = nullptr;
  path_.clear();
  readOnly_ = false;
}

void Database::beginTrans() { exec(db_, "BEGIN", "starting a transaction"); }
void Database::commitTrans() { exec(db_, "COMMIT", "committing"); }
void Database::rollback() { exec(db_, "ROLLBACK", "rolling back"); }

Recordset Database::openRecordset(const Query& query) {
  if (!db_) throw DatabaseError(FailureKind::Other, "no database is open");
  return Recordset(*this, query);
}

ForwardCursor Database::openForwardOnly(const Query& query) {
  if (!db_) throw DatabaseError(FailureKind::Other, "no database is open");
  return ForwardCursor(db_, query);
}

// ---- ForwardCursor -----------------------------------------------------------------------

ForwardCursor::ForwardCursor(sqlite3* db, const Query& query) {
  const int rc = sqlite3_prepare_v2(db, query.sql_.c_str(), -1, &statement_, nullptr);
  if (rc != SQLITE_OK) throw engineError(db, rc, "opening a record set");
  for (size_t i = 0; i < query.parameters_.size(); ++i) {
    sqlite3_bind_double(statement_, static_cast<int>(i + 1), query.parameters_[i]);
  }
  first_ = query.table_.empty() ? 0 : 1;
  columns_ = sqlite3_column_count(statement_) - first_;
}

ForwardCursor::ForwardCursor(ForwardCursor&& other) noexcept { *this = std::move(other); }

ForwardCursor& ForwardCursor::operator=(ForwardCursor&& other) noexcept {
  if (this == &other) return *this;
  close();
  statement_ = std::exchange(other.statement_, nullptr);
  first_ = other.first_;
  columns_ = std::exchange(other.columns_, 0);
  return *this;
}

ForwardCursor::~ForwardCursor() { close(); }

void ForwardCursor::close() {
  if (statement_) sqlite3_finalize(statement_);
  statement_ = nullptr;
}

bool ForwardCursor::next() {
  if (!statement_) return false;
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) {
    // Lets go of the read snapshot at once.
    sqlite3_reset(statement_);
    return false;
  }
  const DatabaseError error = engineError(sqlite3_db_handle(statement_), rc, "reading");
  sqlite3_reset(statement_);
  throw error;
}

bool ForwardCursor::isNull(int column) const {
  return sqlite3_column_type(statement_, column + first_) == SQLITE_NULL;
}

double ForwardCursor::number(int column) const {
  return sqlite3_column_double(statement_, column + first_);
}

long long ForwardCursor::integer(int column) const {
  return sqlite3_column_int64(statement_, column + first_);
}

std::string_view ForwardCursor::text(int column) const {
  const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column + first_));
  if (!t) return {};
  return std::string_view(t,
                          static_cast<size_t>(sqlite3_column_bytes(statement_, column + first_)));
}

// ---- Recordset ---------------------------------------------------------------------------

Recordset::Recordset(Database& owner, const Query& query) : owner_(&owner), query_(query) {
  const std::string sql =
      query_.sql_ + " LIMIT -1 OFFSET ?" + std::to_string(query_.parameters_.size() + 1);
  const int rc = sqlite3_prepare_v2(owner.db_, sql.c_str(), -1, &statement_, nullptr);
  if (rc != SQLITE_OK) throw engineError(owner.db_, rc, "opening a record set");
  const int first = query_.table_.empty() ? 0 : 1;
  for (int i = first; i < sqlite3_column_count(statement_); ++i) {
    fieldNames_.emplace_back(sqlite3_column_name(statement_, i));
  }
  owner.recordsets_.push_back(this);
}

Recordset::Recordset(Recordset&& other) noexcept : query_(other.query_) {
  *this = std::move(other);
}

Recordset& Recordset::operator=(Recordset&& other) noexcept {
  if (this == &other) return *this;
  close();
  owner_ = std::exchange(other.owner_, nullptr);
  if (owner_) std::replace(owner_->recordsets_.begin(), owner_->recordsets_.end(), &other, this);
  query_ = std::move(other.query_);
  statement_ = std::exchange(other.statement_, nullptr);
  insert_ = std::exchange(other.insert_, nullptr);
  fieldNames_ = std::move(other.fieldNames_);
  position_ = other.position_;
  running_ = std::exchange(other.running_, false);
  cached_ = std::exchange(other.cached_, false);
  eof_ = other.eof_;
  currentRowId_ = other.currentRowId_;
  current_ = std::move(other.current_);
  pending_ = std::exchange(other.pending_, Pending::None);
  edits_ = std::move(other.edits_);
  edited_ = std::move(other.edited_);
  return *this;
}

Recordset::~Recordset() { close(); }

void Recordset::close() {
  if (owner_) std::erase(owner_->recordsets_, this);
  owner_ = nullptr;
  if (statement_) sqlite3_finalize(statement_);
  if (insert_) sqlite3_finalize(insert_);
  statement_ = nullptr;
  insert_ = nullptr;
  running_ = false;
  cached_ = false;
  pending_ = Pending::None;
}

void Recordset::requireOpen() const {
  if (!statement_) throw DatabaseError(FailureKind::Other, "the record set is closed");
}

void Recordset::resetQuery() {
  if (statement_) sqlite3_reset(statement_);
  running_ = false;
}

void Recordset::runFrom(long long position) {
  requireOpen();
  sqlite3_reset(statement_);
  const int n = static_cast<int>(query_.parameters_.size());
  for (int i = 0; i < n; ++i) sqlite3_bind_double(statement_, i + 1, query_.parameters_[i]);
  sqlite3_bind_int64(statement_, n + 1, position);
  position_ = position;
  running_ = true;
  step();
}

void Recordset::step() {
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) {
    const int first = query_.table_.empty() ? 0 : 1;
    if (first) currentRowId_ = sqlite3_column_int64(statement_, 0);
    current_.clear();
    for (int i = first; i < sqlite3_column_count(statement_); ++i) {
      current_.push_back(columnValue(statement_, i));
    }
    eof_ = false;
    cached_ = true;
    return;
  }
  // Finished or failed: either way the statement lets go of its read snapshot.
  running_ = false;
  current_.clear();
  if (rc != SQLITE_DONE) {
    const DatabaseError error = engineError(owner_->db_, rc, "reading");
    sqlite3_reset(statement_);
    cached_ = false;
    throw error;
  }
  sqlite3_reset(statement_);
  eof_ = true;
  cached_ = true;
}

void Recordset::ensureRow() {
  requireOpen();
  if (!cached_) runFrom(position_);
}

long long Recordset::recordCount() {
  requireOpen();
  const std::string sql = "SELECT count(*) FROM (" + query_.sql_ + ")";
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(owner_->db_, sql.c_str(), -1, &st, nullptr);
  if (rc != SQLITE_OK) throw engineError(owner_->db_, rc, "counting");
  for (size_t i = 0; i < query_.parameters_.size(); ++i) {
    sqlite3_bind_double(st, static_cast<int>(i + 1), query_.parameters_[i]);
  }
  rc = sqlite3_step(st);
  if (rc != SQLITE_ROW) {
    const DatabaseError error = engineError(owner_->db_, rc, "counting");
    sqlite3_finalize(st);
    throw error;
  }
  const long long count = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  return count;
}

bool Recordset::isEOF() {
  ensureRow();
  return eof_;
}

void Recordset::moveFirst() { runFrom(0); }

void Recordset::moveNext() {
  ensureRow();
  if (eof_) return;
  if (running_) {
    ++position_;
    step();
  } else {
    runFrom(position_ + 1);
  }
}

void Recordset::moveLast() {
  const long long count = recordCount();
  runFrom(count > 0 ? count - 1 : 0);
}

void Recordset::move(long long rows) {
  ensureRow();
  const long long target = position_ + rows;
  if (target < 0) {
    resetQuery();
    position_ = 0;
    current_.clear();
    eof_ = true;
    cached_ = true;
    return;
  }
  // A short step forward walks the running query; anything else restarts it at the
  // target row, which the engine skips to without handing each row over.
  if (running_ && !eof_ && rows >= 0 && rows <= 64) {
    for (long long i = 0; i < rows && !eof_; ++i) {
      ++position_;
      step();
    }
    return;
  }
  runFrom(target);
}

int Recordset::fieldIndex(std::string_view field) const {
  for (size_t i = 0; i < fieldNames_.size(); ++i) {
    if (fieldNames_[i] == field) return static_cast<int>(i);
  }
  throw std::out_of_range("no field " + std::string(field) + " in the record set");
}

Value Recordset::getFieldValue(std::string_view field) {
  const int i = fieldIndex(field);
  if (pending_ != Pending::None && edited_[i]) return edits_[i];
  ensureRow();
  if (eof_) throw DatabaseError(FailureKind::Other, "no current record");
  return current_[i];
}

void Recordset::beginPending(Pending kind) {
  requireOpen();
  if (query_.table_.empty()) {
    throw DatabaseError(FailureKind::Other, "the record set cannot be updated");
  }
  pending_ = kind;
  edits_.assign(fieldNames_.size(), Value());
  edited_.assign(fieldNames_.size(), false);
}

void Recordset::addNew() { beginPending(Pending::AddNew); }

void Recordset::edit() {
  ensureRow();
  if (eof_) throw DatabaseError(FailureKind::Other, "no current record to edit");
  beginPending(Pending::Edit);
  edits_ = current_;
}

void Recordset::setFieldValue(std::string_view field, const Value& value) {
  if (pending_ == Pending::None) {
    throw DatabaseError(FailureKind::Other, "set a field only after AddNew or Edit");
  }
  const int i = fieldIndex(field);
  edits_[i] = value;
  edited_[i] = true;
}

void Recordset::cancelUpdate() { pending_ = Pending::None; }

void Recordset::update() {
  if (pending_ == Pending::None) {
    throw DatabaseError(FailureKind::Other, "update without AddNew or Edit");
  }
  const Pending kind = std::exchange(pending_, Pending::None);
  // A query left running keeps its read snapshot, and while it lasts the log cannot be
  // folded back into the file: it would grow for the whole recording.
  resetQuery();
  sqlite3* db = owner_->db_;
  if (kind == Pending::AddNew) {
    if (!insert_) {
      std::string sql = "INSERT INTO " + quoted(query_.table_) + " (";
      std::string values;
      for (size_t i = 0; i < fieldNames_.size(); ++i) {
        sql += (i ? ", " : "") + quoted(fieldNames_[i]);
        values += (i ? ", ?" : "?") + std::to_string(i + 1);
      }
      sql += ") VALUES (" + values + ")";
      const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &insert_, nullptr);
      if (rc != SQLITE_OK) throw engineError(db, rc, "adding a row");
    }
    for (size_t i = 0; i < edits_.size(); ++i)
      bindValue(insert_, static_cast<int>(i + 1), edits_[i]);
    const int rc = sqlite3_step(insert_);
    if (rc != SQLITE_DONE) {
      const DatabaseError error = engineError(db, rc, "adding a row");
      sqlite3_reset(insert_);
      throw error;
    }
    sqlite3_reset(insert_);
    // A set that was empty now has a first row to find.
    if (eof_) cached_ = false;
    return;
  }
  std::string sql = "UPDATE " + quoted(query_.table_) + " SET ";
  int bound = 0;
  for (size_t i = 0; i < fieldNames_.size(); ++i) {
    if (!edited_[i]) continue;
    if (bound) sql += ", ";
    ++bound;
    sql += quoted(fieldNames_[i]) + " = ?" + std::to_string(bound);
  }
  if (bound == 0) return;
  sql += " WHERE rowid = ?" + std::to_string(bound + 1);
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  if (rc != SQLITE_OK) throw engineError(db, rc, "editing a row");
  int index = 0;
  for (size_t i = 0; i < fieldNames_.size(); ++i) {
    if (edited_[i]) bindValue(st, ++index, edits_[i]);
  }
  sqlite3_bind_int64(st, bound + 1, currentRowId_);
  rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) {
    const DatabaseError error = engineError(db, rc, "editing a row");
    sqlite3_finalize(st);
    throw error;
  }
  sqlite3_finalize(st);
  for (size_t i = 0; i < fieldNames_.size(); ++i) {
    if (edited_[i]) current_[i] = edits_[i];
  }
}

}  // namespace records
