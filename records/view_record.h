#pragma once
// The View Record dialog as plain logic: the recorded databases, the count, maximum, minimum
// and average of the chosen one, its readings 10,000 to a page, the readings between two
// limits, the export of a whole database to a CSV file, and deletion. A thin Qt dialog shows
// view() and forwards the user's actions here.
//
// Large recordings stay quick: the summary of a database is read once when it is chosen,
// a page is found by its row ids (not by walking to it), and the export streams row by row.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/database_files.h"
#include "records/value.h"

namespace core {
class Interaction;
}
namespace measure {
class Texts;
}

namespace records {

inline constexpr int kPageRows = 10000;
inline constexpr const char* kRecordViewFolderCaption = "RecordView Database folder check";
inline constexpr const char* kCsvFilter = "CSV Files(*.CSV)|*.CSV||";
inline constexpr const char* kCsvCompletedText = "Output to CSV completed.";
inline constexpr const char* kSaveAsErrorText = "Save As Error.";
inline constexpr const char* kSaveAsErrorCaption = "Error";

// The list entry of database n: "Database %d            ( %s )" with the start date; the
// words "Database %d" in the window's language with `texts`.
std::string viewRecordEntry(int n, const DateTime& start);
std::string viewRecordEntry(const measure::Texts& texts, int n, const DateTime& start);

// The database number of a list entry: the first number in it (in English the characters at
// positions 9 and 10, as the entries of both record dialogs are spaced for; the first
// number also in a language whose word for "Database" is longer or shorter).
int entryDatabaseNumber(std::string_view entry);

// A statistic as shown: "%.22f" with trailing "0" and then trailing "." removed (5 → 5,
// 0.25 → 0.25, 100 → 100).
std::string statisticText(double value);

// The range list for `count` records: " %d - %d " for every full page of 10,000 and a last
// entry for the remainder when there is one (so 20,000 ends with " 10001 - 20000 " and no
// record gives no entry: a range never names an empty page).
std::vector<std::string> rangeEntries(long long count);

// printf "%.<decimals>f" of `value` (exact, independent of the locale).
std::string fixedText(double value, int decimals);
// A reading in a page: "%.30f" cut to 23 characters; in a search result cut to 22.
std::string pageValueText(double value);
std::string searchValueText(double value);
// A reading time: "%H:%M:%S" in a page, "%H : %M : %S" in a search result and the CSV file.
std::string pageTimeText(const std::optional<DateTime>& time);
std::string spacedTimeText(const std::optional<DateTime>& time);

// The first line of a CSV export: "Time,Value, ,DateTime : " and the entry from its "(" on.
std::string csvHeader(std::string_view entry);
// One CSV line: the time in double quotes, a comma, the value with "%.30f", CR LF.
std::string csvLine(const std::optional<DateTime>& time, double value);
// The file name of an export: the name as typed, with ".csv" appended unless it already
// ends in ".csv" in any letter case.
std::string csvFileName(std::string_view typedName);

// The message for a database file that could not be read (damaged, locked, ...).
std::string readFailureText(const measure::Texts& texts, int n, const DatabaseError& error);

// The grid's font and column widths for the display's pixel density.
struct GridLayout {
  std::string face = "Arial";
  int pointSize = 12;
  int weight = 400;
  std::array<int, 3> columnTwips{1000, 3050, 1600};
  friend bool operator==(const GridLayout&, const GridLayout&) = default;
};
// The 120 dots-per-inch layout when both densities are 120, else the 96 one.
GridLayout gridLayout(int dpiX, int dpiY);

// One grid row below the header: the page-relative number, the reading and its time.
struct GridRow {
  std::string number;
  std::string value;
  std::string time;
  friend bool operator==(const GridRow&, const GridRow&) = default;
};

// Everything the dialog shows.
struct ViewRecordView {
  std::string title;
  std::string databaseListLabel;
  std::string refreshText;  // the text buttons, hidden; the image buttons carry their commands
  std::string deleteText;
  std::string exportText;
  std::string contentsGroup;
  std::string countLabel;
  std::string maxLabel;
  std::string minLabel;
  std::string avgLabel;
  std::string filterGroup;
  std::string hiLabel;
  std::string loLabel;
  std::string rangeLabel;
  std::string searchText;
  std::string exitText;
  std::string refreshTooltip = "Refresh Database list ...";
  std::string deleteTooltip = "Delete Database ...";
  std::string exportTooltip = "Output record to CSV format ...";
  std::string exitTooltip = "Exit ...";
  std::string readingHeader = "Reading";
  std::string timeHeader = "Time";
  GridLayout grid;

  std::vector<std::string> entries;
  int currentEntry = -1;
  std::string countText = "0";
  std::string maxText = "0";
  std::string minText = "0";
  std::string avgText = "0";
  bool limitsEnabled = false;  // the HI and LO fields
  bool deleteEnabled = false;
  bool exportEnabled = false;
  std::string hiText;
  std::string loText;
  std::vector<std::string> ranges;
  int currentRange = -1;
  // The chosen database's stored run settings (records/run_info.h), one item a line.
  std::string runSettingsLabel;
  std::string runSettings;
  // Grid rows including the header row; `rows` holds the rows below it.
  int gridRows = 1;
  std::vector<GridRow> rows;
};

class ViewRecord {
 public:
  ViewRecord(core::Interaction& ui, const measure::Texts& texts);

  // The opening steps: texts, the database folder, the layout for the display's density,
  // the database list (with its folder message), the grid's placeholder row, statistics 0.
  void open(int dpiX, int dpiY);
  const ViewRecordView& view() const { return view_; }
  const std::string& folder() const { return folder_; }

  // A database chosen in the list: its statistics, the range list and the first page.
  void chooseDatabase(int index);
  // A page chosen in the range list.
  void chooseRange(int index);
  void setHiText(std::string text) { view_.hiText = std::move(text); }
  void setLoText(std::string text) { view_.loText = std::move(text); }
  // The readings between HI and LO (both included), at most 10,000 of them.
  void search();
  // Asks for a file name and writes the chosen database to it.
  void exportCsv();
  // Asks, then deletes the chosen database's file and removes its entry.
  void deleteChosen();
  // Fills the database list again; no database is chosen afterwards.
  void refresh();

 private:
  // What the pages and the export need of the chosen database, read once.
  struct Summary {
    long long count = 0;  // stored values (the statistics' count)
    ReadingRows rows;
  };
  struct Chosen {
    int number = 0;
    std::optional<Summary> summary;  // none while its file was missing
  };

  void fillList();
  const Summary& summaryOf(Database& db);
  void showPage(int index);
  bool chosenFileExists() const;
  void engineFailure(int n, const DatabaseError& error);

  core::Interaction& ui_;
  const measure::Texts& texts_;
  ViewRecordView view_;
  std::string folder_;
  std::optional<Chosen> chosen_;
};

}  // namespace records
