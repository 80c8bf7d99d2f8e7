#include "stability/recording.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "records/database.h"
#include "records/database_files.h"

namespace stability {

namespace {

constexpr int kPeriodFunction = 11;

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

Recording loadRecording(const std::string& path) {
  Recording out;
  records::Database db;
  records::openReadingDatabase(db, path);
  const std::vector<records::RunInfo> settings = records::readRunInfo(db);
  out.settingsRows = settings.size();
  long long from = 1;
  if (!settings.empty()) {
    out.runInfo = settings.back();
    from = settings.back().firstRow;
  }
  const records::ReadingRows rows = records::readingRows(db);
  out.values.reserve(static_cast<std::size_t>(rows.count) + 1);  // room for the phase point
  records::ForwardCursor cursor = db.openForwardOnly(records::Query::readingValuesFromRow(from));
  while (cursor.next()) {
    out.values.push_back(cursor.isNull(0) ? std::nan("") : cursor.number(0));
  }
  if (!out.values.empty()) {
    out.firstRow = std::max(from, rows.firstRowId);
    out.lastRow = rows.lastRowId;
  }
  return out;
}

bool looksLikeDatabase(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char header[16] = {};
  in.read(header, sizeof header);
  return in.gcount() == sizeof header && std::memcmp(header, "SQLite format 3", 16) == 0;
}

std::optional<double> recordedTau0(const Recording& recording) {
  if (!recording.runInfo || recording.runInfo->readSpeedMs <= 0) return std::nullopt;
  return recording.runInfo->readSpeedMs / 1000.0;
}

InputKind recordedInputKind(const Recording& recording) {
  return recording.runInfo && recording.runInfo->functionCode == kPeriodFunction
             ? InputKind::Period
             : InputKind::Frequency;
}

std::string defaultDatabaseFolder() {
  const std::string here = records::databaseFolderFor(records::currentDirectory());
  if (isDirectory(here)) return here;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::string data = xdg && *xdg ? xdg : std::string(home ? home : "") + "/.local/share";
  return data + "/v38xx/DB";
}

}  // namespace stability
