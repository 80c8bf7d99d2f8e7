#include "records/database_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "core/interaction.h"
#include "core/text_format.h"

namespace records {

std::span<const TableDef> readingSchema() {
  static const std::vector<TableDef> schema = {
      {"read", {{"read_value", FieldType::Double}, {"read_time", FieldType::DateTime}}},
      {"read_date", {{"r_date", FieldType::DateTime}}},
  };
  return schema;
}

bool isDatabaseNumber(int n) { return n >= 1 && n <= kDatabaseCount; }

std::string databaseFolderFor(std::string_view currentDirectory) {
  std::string folder(currentDirectory);
  if (folder.find("DB") == std::string::npos) folder += "/DB";
  return folder;
}

std::string currentDirectory() {
  std::string path;
  if (char* cwd = ::getcwd(nullptr, 0)) {
    path = cwd;
    std::free(cwd);
  }
  return path;
}

bool enterDatabaseFolder(core::Interaction& ui, const std::string& folder,
                         const std::string& caption, const std::string& message) {
  if (!folder.empty() && ::chdir(folder.c_str()) == 0) return true;
  ui.message(message, caption, core::Icon::None);
  return false;
}

std::optional<std::string> locateDatabaseFolder(core::Interaction& ui, const std::string& caption,
                                                const std::string& message) {
  const std::string cwd = currentDirectory();
  std::string folder = cwd.empty() ? std::string() : databaseFolderFor(cwd);
  if (!enterDatabaseFolder(ui, folder, caption, message)) return std::nullopt;
  return folder;
}

std::string databasePath(const std::string& folder, int n) {
  if (!isDatabaseNumber(n)) {
    throw std::invalid_argument(core::format("no reading database has the number %d", n));
  }
  return core::format("%s/DBfile_DB%d.db", folder.c_str(), n);
}

bool isDatabaseUsed(const std::string& folder, int n) {
  struct stat st {};
  return ::stat(databasePath(folder, n).c_str(), &st) == 0;
}

void createDatabase(const std::string& path) { Database::create(path, readingSchema()); }

void deleteDatabase(const std::string& folder, int n) {
  const std::string path = databasePath(folder, n);
  // The log goes first: a log left behind without its file would be replayed into the
  // next database made under this number.
  for (const std::string& file : {path + "-wal", path + "-shm", path + "-journal", path}) {
    if (std::remove(file.c_str()) != 0 && errno != ENOENT) {
      const int err = errno;
      const FailureKind kind =
          (err == EACCES || err == EPERM || err == EROFS) ? FailureKind::ReadOnly : FailureKind::Io;
      throw DatabaseError(kind, "cannot delete " + file + ": " + std::strerror(err));
    }
  }
}

void openReadingDatabase(Database& db, const std::string& path, const OpenOptions& options) {
  db.open(path, readingSchema(), options);
}

std::optional<DateTime> readStartDate(const std::string& path) {
  Database db;
  openReadingDatabase(db, path);
  Recordset rs = db.openRecordset(Query::startDate());
  std::optional<DateTime> start;
  if (!rs.isEOF()) start = rs.getFieldValue("r_date").toDateTime();
  rs.close();
  db.close();
  return start;
}

ReadingRows readingRows(Database& db) {
  ForwardCursor span = db.openForwardOnly(Query::readingRowSpan());
  ReadingRows rows;
  if (span.next()) {
    rows.firstRowId = span.integer(0);
    rows.lastRowId = span.integer(1);
    rows.count = span.integer(2);
  }
  return rows;
}

std::optional<long long> readingRowIdAt(Database& db, const ReadingRows& rows, long long position) {
  if (position < 0 || position >= rows.count) return std::nullopt;
  if (rows.contiguous()) return rows.firstRowId + position;
  ForwardCursor at = db.openForwardOnly(Query::readingRowIdAt(position));
  if (!at.next()) return std::nullopt;
  return at.integer(0);
}

}  // namespace records
