#pragma once
// The summary kept with the readings of a database file, so that a recording of 100 million
// readings opens, charts and exports without reading every row:
//   table read_summary  one row: how many readings it covers, their first and last row id,
//                       sum (with a compensation term), minimum and maximum, and a state;
//   table read_pyramid  the lowest and highest reading of every block of 64, 1,024, 16,384,
//                       262,144 and 4,194,304 readings, in stored order.
// Triggers on table `read` keep both, whichever program stores the readings: each reading
// that completes a block of 64 adds the block, in the same transaction. The readings of the
// unfinished block (at most 63) are read from `read` itself whenever the summary is read, so
// that the 63 readings in between cost no write. A change the triggers cannot follow exactly
// (a summarised reading deleted or edited, one stored before them) marks the summary stale;
// a reading that is not a number marks it "not kept". The next program that opens the file
// where it can write builds it again from the rows. Tables `read` and `read_date` are not
// touched.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "records/chart_pyramid.h"
#include "records/database_files.h"

namespace records {

// Block sizes of the pyramid's levels 1 to 5: 64 readings, then 16 times more per level.
inline constexpr std::array<long long, 5> kPyramidBlocks = {64, 1024, 16384, 262144, 4194304};
inline constexpr int kPyramidLevels = static_cast<int>(kPyramidBlocks.size());
inline constexpr int kSummaryFormat = 1;

enum class SummaryState {
  Current = 0,  // follows every reading stored
  Stale = 1,    // a reading was deleted, edited or stored out of order: build it again
  NotKept = 2,  // a reading is not a number (stored by another tool): the rows are read
};

// The SQL that adds an empty summary (tables, its row and the triggers) to a database whose
// table `read` is empty. Run by the creation of every new reading database.
std::string emptySummarySql();

// What a file's summary says of all its readings (the summarised ones and those of the
// unfinished block after them).
struct ReadingSummary {
  SummaryState state = SummaryState::Current;
  long long rowCount = 0;
  long long firstRowId = 0;
  long long lastRowId = 0;
  double total = 0;  // the sum of the readings (NaN once infinities of both signs met)
  double minimum = 0;
  double maximum = 0;

  ReadingRows rows() const { return {rowCount, firstRowId, lastRowId}; }
  // The average reading; nullopt for no readings or readings of both infinite signs.
  std::optional<double> average() const;
};

// The file's summary when it is there, current and agrees with the table; nullopt otherwise
// (none yet, stale, not kept, its triggers gone, or its row ids no longer those of `read`).
std::optional<ReadingSummary> currentSummary(Database& db);

// The statistics the record viewer shows: the count of stored values and their average,
// maximum and minimum (none of them for an empty table).
struct ReadingStatistics {
  long long count = 0;
  std::optional<double> average;
  std::optional<double> maximum;
  std::optional<double> minimum;
};

struct DatabaseOverview {
  ReadingStatistics statistics;
  ReadingRows rows;
  bool summarised = false;  // a current summary and pyramid are in the file
};

// Rows a long pass reads between two reports of how far it has got.
inline constexpr long long kProgressRows = 1 << 14;

// How far a long pass has got: `done` of `total` (0 when not known); false to cancel.
using ProgressFn = std::function<bool(long long done, long long total)>;

// What the record dialogs first need of a database: from its summary when current (a few
// small reads, whatever the file's size). Otherwise every row is read once, with `progress`
// told how far it got, and, when the file can be written, the summary is stored for the
// next time in one transaction (unless another program changed the file meanwhile).
// nullopt when cancelled; nothing is then written. Throws DatabaseError.
std::optional<DatabaseOverview> readOverview(Database& db, const ProgressFn& progress);

// Called for each reading found, in stored order, with its value and its time text; false
// to stop the search.
using MatchFn = std::function<bool(double value, std::string_view time)>;

// The readings with lo <= value <= hi (both bounds through the 30-decimal rounding of the
// stored values), in stored order. With a current summary only the blocks of 1,024 readings
// whose range meets the limits are read; otherwise every row, a stretch at a time. False
// when cancelled through `progress`. Throws DatabaseError.
bool findReadings(Database& db, double hi, double lo, const MatchFn& match,
                  const ProgressFn& progress);

// The row id of the reading at 0-based `position` in stored order, or nullopt past the end:
// arithmetic when the row ids run without gaps, through the pyramid's blocks when the file
// has a current summary, else an ordered walk.
std::optional<long long> rowIdAt(Database& db, const ReadingRows& rows, long long position);

// The pyramid of an open file whose summary is current, for drawing (see chart_pyramid.h).
class DatabasePyramid final : public PyramidSource {
 public:
  DatabasePyramid(Database& db, const ReadingRows& rows);
  ~DatabasePyramid() override;
  long long count() const override;
  MinMax blocks(int level, long long first, long long last) override;
  MinMax readings(long long first, long long last) override;
  double reading(long long position) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace records
