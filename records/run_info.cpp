#include "records/run_info.h"

#include <sqlite3.h>

#include "measure/texts.h"
#include "records/database_files.h"

namespace records {

namespace {

// One statement, finalised however the caller leaves.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql, const char* what) : db_(db), what_(what) {
    const int rc = sqlite3_prepare_v2(db, sql, -1, &st_, nullptr);
    if (rc != SQLITE_OK) throw engineFailure(db, rc, what);
  }
  ~Statement() { sqlite3_finalize(st_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* get() const { return st_; }
  void text(int index, const std::string& value) {
    sqlite3_bind_text(st_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  }
  // SQLITE_ROW or SQLITE_DONE; anything else throws.
  int step() {
    const int rc = sqlite3_step(st_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw engineFailure(db_, rc, what_);
    return rc;
  }
  std::string columnText(int column) const {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st_, column));
    return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(st_, column))) : "";
  }

 private:
  sqlite3* db_;
  const char* what_;
  sqlite3_stmt* st_ = nullptr;
};

sqlite3* connection(Database& db) {
  if (!db.handle()) throw DatabaseError(FailureKind::Other, "no database is open");
  return db.handle();
}

bool hasTable(sqlite3* db) {
  Statement st(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'run_info'",
               "reading the run's settings");
  return st.step() == SQLITE_ROW;
}

}  // namespace

std::string runSettingsText(const std::string& path, const measure::Texts& texts) {
  std::optional<RunInfo> info;
  try {
    info = lastRunInfo(path);
  } catch (const DatabaseError&) {
    return "";
  }
  if (!info) return texts.get("1239");
  std::string out;
  const auto item = [&](const char* key, const std::string& value) {
    out += texts.get(key) + " " + value + "\n";
  };
  item("1232", info->model);
  item("1233", info->identification + (info->resource.empty() ? "" : "  (" + info->resource + ")"));
  item("1234", info->functionName);
  item("1235", std::to_string(info->readSpeedMs) + " ms");
  item("1236", info->started.sqlText());
  item("1237", info->programVersion);
  out += texts.get("1238") + "\n" + info->program;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string modelName(const std::string& modelCode) {
  if (modelCode == "3800") return "V3800A";
  if (modelCode == "3820") return "V3820A";
  return modelCode;
}

RunInfo writeRunInfo(Database& db, RunInfo info) {
  sqlite3* c = connection(db);
  const char* what = "storing the run's settings";
  char* message = nullptr;
  const int rc = sqlite3_exec(c,
                              "CREATE TABLE IF NOT EXISTS run_info (first_row INTEGER, model TEXT, "
                              "identification TEXT, resource TEXT, function_code INTEGER, "
                              "function_name TEXT, read_speed_ms INTEGER, program TEXT, "
                              "r_start DATETIME, program_version TEXT)",
                              nullptr, nullptr, &message);
  sqlite3_free(message);
  if (rc != SQLITE_OK) throw engineFailure(c, rc, what);
  {
    // Row ids of `read` are only ever appended: the next reading gets the largest plus one.
    Statement next(c, "SELECT ifnull(max(rowid), 0) + 1 FROM read", what);
    next.step();
    info.firstRow = sqlite3_column_int64(next.get(), 0);
  }
  Statement insert(c,
                   "INSERT INTO run_info (first_row, model, identification, resource, "
                   "function_code, function_name, read_speed_ms, program, r_start, "
                   "program_version) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
                   what);
  sqlite3_bind_int64(insert.get(), 1, info.firstRow);
  insert.text(2, info.model);
  insert.text(3, info.identification);
  insert.text(4, info.resource);
  sqlite3_bind_int(insert.get(), 5, info.functionCode);
  insert.text(6, info.functionName);
  sqlite3_bind_int(insert.get(), 7, info.readSpeedMs);
  insert.text(8, info.program);
  insert.text(9, info.started.sqlText());
  insert.text(10, info.programVersion);
  insert.step();
  return info;
}

std::vector<RunInfo> readRunInfo(Database& db) {
  sqlite3* c = connection(db);
  std::vector<RunInfo> rows;
  if (!hasTable(c)) return rows;
  Statement st(c,
               "SELECT first_row, model, identification, resource, function_code, "
               "function_name, read_speed_ms, program, r_start, program_version FROM run_info "
               "ORDER BY rowid",
               "reading the run's settings");
  while (st.step() == SQLITE_ROW) {
    RunInfo r;
    r.firstRow = sqlite3_column_int64(st.get(), 0);
    r.model = st.columnText(1);
    r.identification = st.columnText(2);
    r.resource = st.columnText(3);
    r.functionCode = sqlite3_column_int(st.get(), 4);
    r.functionName = st.columnText(5);
    r.readSpeedMs = sqlite3_column_int(st.get(), 6);
    r.program = st.columnText(7);
    r.started = DateTime::parse(st.columnText(8)).value_or(DateTime{});
    r.programVersion = st.columnText(9);
    rows.push_back(std::move(r));
  }
  return rows;
}

std::optional<RunInfo> lastRunInfo(const std::string& path) {
  Database db;
  openReadingDatabase(db, path);
  std::vector<RunInfo> rows = readRunInfo(db);
  if (rows.empty()) return std::nullopt;
  return rows.back();
}

}  // namespace records
