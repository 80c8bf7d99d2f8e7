#pragma once
// The ten numbered reading databases: where they live, what a file holds, when a number
// counts as used, and creating and deleting one.
//
// Database n (1 to 10) is the file DBfile_DB<n>.db in the database folder: the sub-folder
// "DB" of the process's current directory, or that directory itself when its path already
// contains "DB". A number is used when its file exists.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "records/database.h"
#include "records/value.h"

namespace core {
class Interaction;
}

namespace records {

inline constexpr int kDatabaseCount = 10;
inline constexpr const char* kFolderNotFoundText = "Database working folder not found.";
inline constexpr const char* kFolderCheckCaption = "Database folder check";  // at Run Start
inline constexpr const char* kDatabaseCheckCaption = "Database check";       // Setting Mode

// Table `read` (read_value, read_time) and table `read_date` (r_date), in this order.
std::span<const TableDef> readingSchema();

bool isDatabaseNumber(int n);

// The folder rule on a directory path: "/DB" appended unless "DB" occurs in it
// (case-sensitive).
std::string databaseFolderFor(std::string_view currentDirectory);

// The process's current directory ("" when it cannot be read).
std::string currentDirectory();

// Makes `folder` the process's current directory again; on failure shows `message` ("Database
// working folder not found." in the window's language) with `caption` and no icon, and
// returns false.
bool enterDatabaseFolder(core::Interaction& ui, const std::string& folder,
                         const std::string& caption,
                         const std::string& message = kFolderNotFoundText);

// Applies the folder rule to the process's current directory and makes the result the
// current directory. On failure shows `message` with `caption` and no icon, and returns
// nullopt.
std::optional<std::string> locateDatabaseFolder(core::Interaction& ui, const std::string& caption,
                                                const std::string& message = kFolderNotFoundText);

// "<folder>/DBfile_DB<n>.db". Throws std::invalid_argument unless n is 1 to 10, so that no
// file is ever made for another number.
std::string databasePath(const std::string& folder, int n);

bool isDatabaseUsed(const std::string& folder, int n);

// Creates database n's file with both tables empty. Throws DatabaseError (also when the
// file exists).
void createDatabase(const std::string& path);

// Deletes database n's file (and the engine's side files); the number becomes unused.
// Throws DatabaseError when the file cannot be removed.
void deleteDatabase(const std::string& folder, int n);

// Opens a reading database with the schema checked.
void openReadingDatabase(Database& db, const std::string& path, const OpenOptions& options = {});

// The start date of the recording in the file at `path`: nullopt when none was written.
// Throws DatabaseError when the file cannot be read.
std::optional<DateTime> readStartDate(const std::string& path);

// How the readings of an open file are numbered. Readings are only ever appended (a file is
// deleted or overwritten whole), so their row ids normally run from the first to the last
// without gaps, and the reading at a position is then found by arithmetic instead of a scan.
struct ReadingRows {
  long long count = 0;  // rows in table `read`
  long long firstRowId = 0;
  long long lastRowId = 0;
  // True when the row ids run from first to last without a gap. Computed without overflow:
  // a damaged or crafted file may hold any 64-bit row ids.
  bool contiguous() const {
    if (count <= 0) return count == 0;
    return lastRowId >= firstRowId && static_cast<unsigned long long>(lastRowId) -
                                              static_cast<unsigned long long>(firstRowId) ==
                                          static_cast<unsigned long long>(count - 1);
  }
};

ReadingRows readingRows(Database& db);

// The row id of the reading at 0-based `position` in stored order, or nullopt past the end.
// Arithmetic when the row ids run without gaps; otherwise an ordered walk to the position.
std::optional<long long> readingRowIdAt(Database& db, const ReadingRows& rows, long long position);

}  // namespace records
