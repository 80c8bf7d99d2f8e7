#include "records/view_record.h"

#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include "core/interaction.h"
#include "core/text_format.h"
#include "measure/text_catalog.h"
#include "measure/texts.h"
#include "records/database.h"
#include "records/decimal_text.h"
#include "records/failure_text.h"
#include "records/long_operation.h"
#include "records/reading_summary.h"
#include "records/run_info.h"
#include "records/write_behind_file.h"

namespace records {

namespace {

// The process's current directory, put back when the export ends however it ends.
class DirectoryKeeper {
 public:
  DirectoryKeeper() : path_(currentDirectory()) {}
  ~DirectoryKeeper() {
    // Should the folder have gone meanwhile, the next folder lookup reports it.
    if (!path_.empty() && ::chdir(path_.c_str()) != 0) return;
  }
  DirectoryKeeper(const DirectoryKeeper&) = delete;
  DirectoryKeeper& operator=(const DirectoryKeeper&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The export's text goes to its file a chunk of this size at a time.
constexpr size_t kCsvChunk = 1 << 20;

void appendTwoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + (v / 10) % 10);
  out += static_cast<char>('0' + v % 10);
}

void appendTime(std::string& out, const std::optional<DateTime>& time, std::string_view separator) {
  if (!time) return;
  appendTwoDigits(out, time->hour);
  out += separator;
  appendTwoDigits(out, time->minute);
  out += separator;
  appendTwoDigits(out, time->second);
}

void appendCsvLine(std::string& out, const std::optional<DateTime>& time, double value) {
  out += '"';
  appendTime(out, time, " : ");
  out += std::string_view("\",");
  appendFixed(out, value, 30);
  out += std::string_view("\r\n");
}

std::string cut(std::string text, size_t length) {
  if (text.size() > length) text.resize(length);
  return text;
}

}  // namespace

std::string viewRecordEntry(int n, const DateTime& start) {
  return viewRecordEntry(measure::Texts(), n, start);
}

std::string viewRecordEntry(const measure::Texts& texts, int n, const DateTime& start) {
  return measure::fillIn(texts.get("1165"), {std::to_string(n)}) + "            ( " +
         startDateText(start) + " )";
}

int entryDatabaseNumber(std::string_view entry) {
  const size_t digit = entry.find_first_of("0123456789");
  if (digit == std::string_view::npos) return 0;
  return static_cast<int>(core::leadingInteger(entry.substr(digit, 2)));
}

std::string statisticText(double value) {
  std::string text = fixedText(value, 22);
  while (!text.empty() && text.back() == '0') text.pop_back();
  while (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

std::vector<std::string> rangeEntries(long long count) {
  std::vector<std::string> ranges;
  long long first = 1;
  for (long long full = count / kPageRows; full > 0; --full) {
    ranges.push_back(core::format(" %lld - %lld ", first, first + kPageRows - 1));
    first += kPageRows;
  }
  if (first <= count) ranges.push_back(core::format(" %lld - %lld ", first, count));
  return ranges;
}

std::string fixedText(double value, int decimals) {
  std::string out;
  appendFixed(out, value, decimals);
  return out;
}

std::string pageValueText(double value) { return cut(fixedText(value, 30), 23); }
std::string searchValueText(double value) { return cut(fixedText(value, 30), 22); }

std::string pageTimeText(const std::optional<DateTime>& time) {
  std::string out;
  appendTime(out, time, ":");
  return out;
}

std::string spacedTimeText(const std::optional<DateTime>& time) {
  std::string out;
  appendTime(out, time, " : ");
  return out;
}

std::string csvHeader(std::string_view entry) {
  const size_t open = entry.find('(');
  std::string header = "Time,Value, ,DateTime : ";
  header += open == std::string_view::npos ? entry : entry.substr(open);
  return header + "\r\n";
}

std::string csvLine(const std::optional<DateTime>& time, double value) {
  std::string line;
  appendCsvLine(line, time, value);
  return line;
}

// The typed name with ".csv" appended, unless it already ends in ".csv" in any letter case:
// a user who types "data.csv" expects data.csv, not data.csv.csv.
std::string csvFileName(std::string_view typedName) {
  std::string name(typedName);
  const std::string extension = ".csv";
  bool hasExtension = name.size() >= extension.size();
  for (size_t i = 0; hasExtension && i < extension.size(); ++i) {
    const char c = name[name.size() - extension.size() + i];
    hasExtension = std::tolower(static_cast<unsigned char>(c)) == extension[i];
  }
  if (!hasExtension) name += extension;
  return name;
}

std::string readFailureText(const measure::Texts& texts, int n, const DatabaseError& error) {
  return databaseFailureMessage(texts, DatabaseAction::Read, n, error);
}

GridLayout gridLayout(int dpiX, int dpiY) {
  GridLayout layout;
  if (dpiX == 120 && dpiY == 120) {
    layout.pointSize = 10;
    layout.columnTwips = {800, 2900, 1500};
  }
  return layout;
}

// ---- ViewRecord --------------------------------------------------------------------------

ViewRecord::ViewRecord(core::Interaction& ui, const measure::Texts& texts)
    : ui_(ui), texts_(texts) {}

void ViewRecord::open(int dpiX, int dpiY) {
  view_ = ViewRecordView{};
  chosen_.reset();
  const measure::Texts& t = texts_;
  view_.title = t.get("711");
  view_.databaseListLabel = t.get("712");
  view_.refreshText = t.get("713");
  view_.deleteText = t.get("714");
  view_.exportText = t.get("715");
  view_.contentsGroup = t.get("716");
  view_.countLabel = t.get("717");
  view_.maxLabel = t.get("718");
  view_.minLabel = t.get("719");
  view_.avgLabel = t.get("720");
  view_.filterGroup = t.get("721");
  view_.hiLabel = t.get("722");
  view_.loLabel = t.get("723");
  view_.rangeLabel = t.get("724");
  view_.searchText = t.get("725");
  view_.exitText = t.get("726");
  view_.refreshTooltip = t.get("1168");
  view_.deleteTooltip = t.get("1169");
  view_.exportTooltip = t.get("1170");
  view_.exitTooltip = t.get("753") + " ...";
  view_.readingHeader = t.get("1176");
  view_.timeHeader = t.get("602");
  view_.runSettingsLabel = t.get("1231");
  folder_ = databaseFolderFor(currentDirectory());
  view_.grid = gridLayout(dpiX, dpiY);
  fillList();
  view_.gridRows = 2;
  view_.rows = {{"", "_________________________", "____________________"}};
}

void ViewRecord::fillList() {
  if (!enterDatabaseFolder(ui_, folder_, texts_.get("1184"), texts_.get("1181"))) return;
  view_.entries.clear();
  view_.currentEntry = -1;
  for (int n = 1; n <= kDatabaseCount; ++n) {
    if (!isDatabaseUsed(folder_, n)) continue;
    try {
      if (const auto start = readStartDate(databasePath(folder_, n))) {
        view_.entries.push_back(viewRecordEntry(texts_, n, *start));
      }
    } catch (const DatabaseError& e) {
      engineFailure(n, e);
    }
  }
}

void ViewRecord::refresh() {
  fillList();
  view_.currentEntry = -1;
  chosen_.reset();
  view_.deleteEnabled = false;
  view_.exportEnabled = false;
}

bool ViewRecord::chosenFileExists() const {
  return chosen_ && isDatabaseNumber(chosen_->number) && isDatabaseUsed(folder_, chosen_->number);
}

void ViewRecord::engineFailure(int n, const DatabaseError& error) {
  ui_.message(readFailureText(texts_, n, error), std::string(measure::kAppTitle),
              core::Icon::Error);
}

void ViewRecord::chooseDatabase(int index) {
  if (index < 0 || index >= static_cast<int>(view_.entries.size())) return;
  view_.currentEntry = index;
  view_.limitsEnabled = true;
  view_.deleteEnabled = true;
  view_.exportEnabled = true;
  chosen_ = Chosen{entryDatabaseNumber(view_.entries[index]), std::nullopt};

  const core::WaitCursor wait(ui_);
  if (!chosenFileExists()) return;
  view_.runSettings = runSettingsText(databasePath(folder_, chosen_->number), texts_);
  try {
    Database db;
    openReadingDatabase(db, databasePath(folder_, chosen_->number), lookingOnly());
    // From the file's summary at once; a file without one is read with a progress window
    // (and given a summary for next time where it can be written).
    const Summary* summary = summaryOf(db);
    if (!summary) {
      // Cancelled: nothing of this database is shown, nor anything of the one before.
      for (std::string* text : {&view_.countText, &view_.maxText, &view_.minText, &view_.avgText}) {
        text->assign(1, '0');
      }
      view_.ranges.clear();
      view_.currentRange = -1;
      view_.rows.clear();
      view_.gridRows = 1;
      return;
    }
    // An empty table has no maximum, minimum or average: they show as 0.
    const auto statistic = [](const std::optional<double>& value) {
      return value ? statisticText(*value) : std::string("0");
    };
    const ReadingStatistics& stats = summary->statistics;
    view_.countText = core::format("%lld", stats.count);
    view_.maxText = statistic(stats.maximum);
    view_.minText = statistic(stats.minimum);
    view_.avgText = statistic(stats.average);
  } catch (const DatabaseError& e) {
    engineFailure(chosen_->number, e);
    return;
  }
  view_.ranges = rangeEntries(chosen_->summary->count);
  view_.currentRange = view_.ranges.empty() ? -1 : 0;
  showPage(0);
}

const ViewRecord::Summary* ViewRecord::summaryOf(Database& db) {
  if (!chosen_->summary) {
    LongOperation reading(ui_, texts_, kReadingText, chosen_->number);
    const std::optional<DatabaseOverview> overview = readOverview(db, reading.reporter());
    if (!overview) return nullptr;
    chosen_->summary = Summary{overview->statistics.count, overview->rows, overview->statistics};
  }
  return &*chosen_->summary;
}

void ViewRecord::chooseRange(int index) {
  if (index < 0 || index >= static_cast<int>(view_.ranges.size())) return;
  view_.currentRange = index;
  showPage(index);
}

void ViewRecord::showPage(int index) {
  const core::WaitCursor wait(ui_);
  if (!chosenFileExists()) return;
  std::vector<GridRow> rows;
  try {
    Database db;
    openReadingDatabase(db, databasePath(folder_, chosen_->number), lookingOnly());
    const Summary* summary = summaryOf(db);
    if (!summary) return;
    // The page starts at a row id found by arithmetic (or, in a file whose row ids have
    // gaps, through the summary's blocks or by an ordered walk).
    const auto first = rowIdAt(db, summary->rows, static_cast<long long>(index) * kPageRows);
    if (first) {
      ForwardCursor page = db.openForwardOnly(Query::readingsFromRow(*first));
      rows.reserve(kPageRows);
      for (int i = 1; i <= kPageRows && page.next(); ++i) {
        rows.push_back({core::format("%d", i), pageValueText(page.number(0)),
                        pageTimeText(DateTime::parse(page.text(1)))});
      }
    }
  } catch (const DatabaseError& e) {
    engineFailure(chosen_->number, e);
    return;
  }
  view_.rows = std::move(rows);
  view_.gridRows = static_cast<int>(view_.rows.size()) + 1;
}

void ViewRecord::search() {
  if (!chosen_ || view_.currentEntry < 0) return;
  const core::WaitCursor wait(ui_);
  const std::string title(measure::kAppTitle);
  if (view_.hiText.empty() || view_.loText.empty()) {
    ui_.message(texts_.get("729"), title, core::Icon::Exclamation);
    return;
  }
  const double hi = core::leadingDouble(view_.hiText);
  const double lo = core::leadingDouble(view_.loText);
  if (!chosenFileExists()) return;
  if (hi < lo) {
    view_.rows.clear();
    view_.gridRows = 1;
    ui_.message(texts_.get("730"), title, core::Icon::Exclamation);
    return;
  }
  std::vector<GridRow> rows;
  bool more = false;
  try {
    Database db;
    openReadingDatabase(db, databasePath(folder_, chosen_->number), lookingOnly());
    LongOperation searching(ui_, texts_, kSearchingText, chosen_->number);
    const auto found = [&](double value, std::string_view time) {
      if (rows.size() == kPageRows) {
        more = true;
        return false;
      }
      rows.push_back({core::format("%d", static_cast<int>(rows.size()) + 1), searchValueText(value),
                      spacedTimeText(DateTime::parse(time))});
      return true;
    };
    // A cancelled search leaves the grid as it was.
    if (!findReadings(db, hi, lo, found, searching.reporter())) return;
  } catch (const DatabaseError& e) {
    engineFailure(chosen_->number, e);
    return;
  }
  view_.rows = std::move(rows);
  view_.gridRows = static_cast<int>(view_.rows.size()) + 1;
  if (more) ui_.message(texts_.get("731"), title, core::Icon::None);
}

void ViewRecord::exportCsv() {
  if (!chosen_ || view_.currentEntry < 0) return;
  const DirectoryKeeper keeper;
  core::SaveFileRequest request;
  request.filter = kCsvFilter;
  request.initialDirectory = keeper.path();
  const std::optional<core::SaveFileChoice> choice = ui_.saveFile(request);
  if (!choice) return;
  const core::WaitCursor wait(ui_);

  std::string path = csvFileName(choice->name);
  if (!choice->directory.empty()) path = choice->directory + "/" + path;
  // A cancelled or failed export leaves no half-written file behind (discard()).
  WriteBehindFile file(path);
  if (!file.isOpen()) {
    ui_.message(texts_.get("1178"), texts_.get("1179"), core::Icon::None);
    return;
  }
  std::string chunk = csvHeader(view_.entries[view_.currentEntry]);
  bool written = file.write(chunk);
  if (!chosenFileExists()) return;

  const std::string title(measure::kAppTitle);
  try {
    Database db;
    openReadingDatabase(db, databasePath(folder_, chosen_->number), lookingOnly());
    LongOperation exporting(ui_, texts_, kExportingText, chosen_->number);
    // The count was read when the database was chosen; the rows stream from the first one.
    const Summary* summary = summaryOf(db);
    if (!summary) {
      file.discard();
      return;
    }
    const long long lines = summary->count;
    ForwardCursor readings = db.openForwardOnly(Query::readingsFromRow(summary->rows.firstRowId));
    if (!readings.next()) {
      ui_.message(texts_.get("727"), title, core::Icon::Exclamation);
      return;
    }
    chunk.reserve(kCsvChunk + 512);
    long long done = 0;
    do {
      appendCsvLine(chunk, DateTime::parse(readings.text(1)), readings.number(0));
      if (chunk.size() >= kCsvChunk) {
        // Written by the file's own thread while the next chunk is made.
        if (!(written = written && file.write(chunk))) break;
        chunk.reserve(kCsvChunk + 512);
        if (!exporting.report(done, lines)) {
          file.discard();
          return;
        }
      }
    } while (++done < lines && readings.next());
    written = written && file.write(chunk);
  } catch (const DatabaseError& e) {
    file.discard();
    engineFailure(chosen_->number, e);
    return;
  }
  // A file that could not be written in full (a full disk) is not reported as completed.
  if (!written || !file.close()) {
    file.discard();
    ui_.message(texts_.get("1178"), texts_.get("1179"), core::Icon::None);
    return;
  }
  ui_.message(texts_.get("1177"), title, core::Icon::Information);
}

void ViewRecord::deleteChosen() {
  if (!chosen_ || view_.currentEntry < 0) return;
  if (ui_.message(texts_.get("728"), std::string(measure::kAppTitle), core::Icon::Question,
                  core::Buttons::YesNo) != core::Answer::Yes) {
    return;
  }
  const int n = entryDatabaseNumber(view_.entries[view_.currentEntry]);
  if (isDatabaseNumber(n)) {
    try {
      deleteDatabase(folder_, n);
    } catch (const DatabaseError& e) {
      ui_.message(databaseFailureMessage(texts_, DatabaseAction::Delete, n, e),
                  std::string(measure::kAppTitle), core::Icon::Error);
      return;
    }
  }
  view_.entries.erase(view_.entries.begin() + view_.currentEntry);
  view_.currentEntry = -1;
  chosen_.reset();
  view_.deleteEnabled = false;
  view_.exportEnabled = false;
}

}  // namespace records
