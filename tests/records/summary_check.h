#pragma once
// Checks a file's reading summary against the rows themselves, computed here independently
// of the triggers and of the summary's own build: one pass in stored order for the count, row
// ids, minimum, maximum and an exact average, and the pyramid's blocks from the same values.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "records/chart_pyramid.h"
#include "records/database.h"
#include "records/reading_summary.h"

namespace summarycheck {

inline void expectExact(const std::string& path) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  struct Closer {
    sqlite3* db;
    ~Closer() { sqlite3_close(db); }
  } closer{db};
  const auto query = [&](const char* sql, const std::function<void(sqlite3_stmt*)>& row) {
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    while (sqlite3_step(st) == SQLITE_ROW) row(st);
    sqlite3_finalize(st);
  };

  std::vector<long long> rowIds;
  std::vector<double> values;
  query("SELECT rowid, read_value FROM read ORDER BY rowid", [&](sqlite3_stmt* st) {
    rowIds.push_back(sqlite3_column_int64(st, 0));
    values.push_back(sqlite3_column_double(st, 1));
  });
  const long long n = static_cast<long long>(values.size());

  // The summary row covers the complete blocks of 64; the readings after them are read
  // from the table whenever the summary is read.
  const long long kept = n / records::kPyramidBlocks[0] * records::kPyramidBlocks[0];
  bool found = false;
  query(
      "SELECT format, state, row_count, first_row, last_row, value_sum, value_comp, value_min, "
      "value_max FROM read_summary WHERE id = 1",
      [&](sqlite3_stmt* st) {
        found = true;
        EXPECT_EQ(sqlite3_column_int64(st, 0), records::kSummaryFormat);
        EXPECT_EQ(sqlite3_column_int64(st, 1), 0) << "summary not current";
        EXPECT_EQ(sqlite3_column_int64(st, 2), kept) << "readings summarised";
        if (kept == 0) {
          EXPECT_EQ(sqlite3_column_type(st, 4), SQLITE_NULL);
          return;
        }
        EXPECT_EQ(sqlite3_column_int64(st, 3), rowIds.front());
        EXPECT_EQ(sqlite3_column_int64(st, 4), rowIds[static_cast<size_t>(kept - 1)]);
        long double exact = 0;
        double lo = values[0], hi = values[0];
        for (long long i = 0; i < kept; ++i) {
          const double v = values[static_cast<size_t>(i)];
          exact += v;
          lo = std::min(lo, v);
          hi = std::max(hi, v);
        }
        EXPECT_EQ(sqlite3_column_double(st, 7), lo) << "minimum";
        EXPECT_EQ(sqlite3_column_double(st, 8), hi) << "maximum";
        const double sum = sqlite3_column_double(st, 5) + sqlite3_column_double(st, 6);
        const double expected = static_cast<double>(exact);
        if (std::isfinite(expected)) {
          EXPECT_NEAR(sum, expected, std::fabs(expected) * 1e-15) << "sum";
        }
      });
  EXPECT_TRUE(found) << "no summary row";

  // What a reader makes of it: every reading, the unfinished block's from the table.
  {
    records::Database file;
    records::OpenOptions options;
    options.allowReadOnly = true;
    file.open(path, records::readingSchema(), options);
    const std::optional<records::ReadingSummary> all = records::currentSummary(file);
    ASSERT_TRUE(all) << "the summary does not agree with the table";
    EXPECT_EQ(all->rowCount, n);
    if (n > 0) {
      EXPECT_EQ(all->firstRowId, rowIds.front());
      EXPECT_EQ(all->lastRowId, rowIds.back());
      EXPECT_EQ(all->minimum, *std::min_element(values.begin(), values.end()));
      EXPECT_EQ(all->maximum, *std::max_element(values.begin(), values.end()));
      long double exact = 0;
      for (double v : values) exact += v;
      const double average = static_cast<double>(exact / n);
      if (std::isfinite(average)) {
        EXPECT_NEAR(*all->average(), average, std::fabs(average) * 1e-15) << "average";
      }
    }
  }

  const records::MemoryPyramid pyramid(values);
  for (int level = 1; level <= records::kPyramidLevels; ++level) {
    const long long size = records::kPyramidBlocks[static_cast<size_t>(level - 1)];
    const std::vector<records::MinMax>& blocks = pyramid.level(level);
    long long stored = 0;
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT block, first_row, min_value, max_value FROM read_pyramid "
                                 "WHERE level = ?1 ORDER BY block",
                                 -1, &st, nullptr),
              SQLITE_OK);
    sqlite3_bind_int(st, 1, level);
    while (sqlite3_step(st) == SQLITE_ROW) {
      const long long b = sqlite3_column_int64(st, 0);
      ASSERT_EQ(b, stored) << "level " << level << ": blocks out of order or missing";
      ASSERT_LT(b, static_cast<long long>(blocks.size())) << "level " << level << ": extra block";
      EXPECT_EQ(sqlite3_column_int64(st, 1), rowIds[static_cast<size_t>(b * size)])
          << "level " << level << " block " << b;
      EXPECT_EQ(sqlite3_column_double(st, 2), blocks[static_cast<size_t>(b)].low)
          << "level " << level << " block " << b;
      EXPECT_EQ(sqlite3_column_double(st, 3), blocks[static_cast<size_t>(b)].high)
          << "level " << level << " block " << b;
      ++stored;
    }
    sqlite3_finalize(st);
    EXPECT_EQ(stored, n / size) << "level " << level;
  }
}

}  // namespace summarycheck
