#pragma once
// Reading databases for the record dialogs' tests and benchmarks: a scratch start directory
// with its "DB" folder, and files written straight through SQLite (one transaction), so the
// dialogs are checked against data that their own code did not write.

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "records/database_files.h"
#include "tests/support/start_directory.h"

namespace viewtest {

namespace fs = std::filesystem;

using testsupport::StartDirectory;

// Runs SQL on a file directly.
inline void sqlExec(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + path);
  }
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(sql + ": " + message);
}

// The first column of the first row of a query, as text ("" when there is none).
inline std::string sqlValue(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string out;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0)) {
      out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

// The time of day `second` seconds after midnight (wrapping at a day), as stored.
inline std::string timeOfDayText(long long second) {
  second %= 86400;
  char text[16];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", second / 3600, second / 60 % 60,
                second % 60);
  return text;
}

// Creates database file `path` holding `count` readings, value(i) stored at the time of day
// firstSecond + i, and the start date `startDate` ("YYYY-MM-DD HH:MM:SS"; empty: none).
// All rows go in one transaction.
inline void writeReadings(const std::string& path, long long count,
                          const std::function<double(long long)>& value,
                          const std::string& startDate = "2011-11-10 09:06:32",
                          long long firstSecond = 9 * 3600 + 6 * 60 + 32) {
  records::createDatabase(path);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + path);
  }
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO read (read_value, read_time) VALUES (?1, ?2)", -1, &insert,
                     nullptr);
  for (long long i = 0; i < count; ++i) {
    const std::string time = timeOfDayText(firstSecond + i);
    sqlite3_bind_double(insert, 1, value(i));
    sqlite3_bind_text(insert, 2, time.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  if (!startDate.empty()) {
    const std::string sql = "INSERT INTO read_date (r_date) VALUES ('" + startDate + "')";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  }
  char* error = nullptr;
  const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("writing " + path + ": " + message);
}

// Takes the reading summary out of a file, as files of older programs and other tools are.
inline void dropSummary(const std::string& path) {
  sqlExec(path,
          "DROP TRIGGER read_summary_insert; DROP TRIGGER read_summary_blocks;"
          "DROP TRIGGER read_summary_delete; DROP TRIGGER read_summary_update;"
          "DROP TABLE read_pyramid; DROP TABLE read_summary;");
}

inline void writeValues(const std::string& path, const std::vector<double>& values,
                        const std::string& startDate = "2011-11-10 09:06:32") {
  writeReadings(
      path, static_cast<long long>(values.size()),
      [&](long long i) { return values[static_cast<size_t>(i)]; }, startDate);
}

}  // namespace viewtest
