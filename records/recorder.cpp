#include "records/recorder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/clock.h"
#include "core/interaction.h"
#include "core/text_format.h"
#include "measure/texts.h"
#include "records/database.h"
#include "records/database_files.h"
#include "records/failure_text.h"
#include "records/value.h"

namespace records {

namespace {

// An overwritten database is recorded beside the old file under this name until the first
// reading is stored; the old file is kept until then.
constexpr const char* kReplacementSuffix = ".replacing";

void removeWithSideFiles(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::error_code ec;
    std::filesystem::remove(path + suffix, ec);
  }
}

}  // namespace

struct Recorder::Impl {
  Impl(core::Interaction& u, const measure::Texts& t, core::Clock& c) : ui(u), texts(t), clock(c) {}

  core::Interaction& ui;
  const measure::Texts& texts;
  core::Clock& clock;
  OpenOptions options;
  Database db;
  std::optional<Recordset> readings;
  int number = 0;
  std::string recordingPath;  // the file being recorded into
  std::string replaces;       // the old file it takes the place of at the first reading

  void closeRecording() {
    if (readings) readings->close();
    readings.reset();
    db.close();
    number = 0;
    // No reading was stored: the old recording stays as it was.
    if (!replaces.empty()) removeWithSideFiles(recordingPath);
    replaces.clear();
    recordingPath.clear();
  }

  // The first reading of an overwriting run is stored: the new file (closed, so that its log
  // is folded in) takes the old one's place, and recording goes on in it.
  void takeThePlaceOfTheOldFile() {
    readings->close();
    readings.reset();
    db.close();
    for (const char* side : {"-wal", "-shm"}) std::remove((replaces + side).c_str());
    if (std::rename(recordingPath.c_str(), replaces.c_str()) != 0) {
      const int err = errno;
      throw DatabaseError(err == ENOSPC ? FailureKind::DiskFull : FailureKind::Io,
                          "replacing " + replaces + ": " + std::strerror(err));
    }
    recordingPath = replaces;
    replaces.clear();
    openReadingDatabase(db, recordingPath, options);
    readings.emplace(db.openRecordset(Query::readings()));
  }

  // An engine failure while preparing: the user is told which database and why, and the
  // database-used flag stops the run at the end of Run Start, as for a database in use.
  void fail(RecordingSelection& selection, int n, DatabaseAction doing,
            const DatabaseError& error) {
    closeRecording();
    ui.message(databaseFailureMessage(texts, doing, n, error), std::string(measure::kAppTitle),
               core::Icon::Error);
    selection.databaseUsed = true;
  }

  // Writes the start date (one row in read_date, replaced on every start) and opens the
  // readings for appending.
  void startRecording(const std::string& path, int n) {
    const DateTime start = DateTime::fromTm(clock.localNow());
    recordingPath = path;
    openReadingDatabase(db, path, options);
    Recordset dates = db.openRecordset(Query::startDate());
    if (!dates.isEOF()) {
      dates.edit();
    } else {
      dates.addNew();
    }
    dates.setFieldValue("r_date", Value(start));
    dates.update();
    dates.close();
    readings.emplace(db.openRecordset(Query::readings()));
    number = n;
  }
};

Recorder::Recorder(core::Interaction& ui, const measure::Texts& texts, core::Clock& clock)
    : impl_(std::make_unique<Impl>(ui, texts, clock)) {}

Recorder::~Recorder() = default;

void Recorder::setOpenOptions(const OpenOptions& options) { impl_->options = options; }

int Recorder::database() const { return impl_->number; }

void Recorder::prepare(RecordingSelection& selection,
                       const std::function<void()>& showSettingMode) {
  Impl& d = *impl_;
  d.closeRecording();
  if (!selection.save) return;

  const std::optional<std::string> folder =
      locateDatabaseFolder(d.ui, d.texts.get("1182"), d.texts.get("1181"));
  if (!folder) {
    // Nothing can be stored: stop the run rather than run with readings going nowhere.
    selection.databaseUsed = true;
    return;
  }
  const std::string title(measure::kAppTitle);
  int n = selection.database;
  if (!isDatabaseNumber(n)) {
    d.ui.message(d.texts.get("704"), title, core::Icon::Exclamation);
    selection.databaseUsed = true;
    return;
  }
  std::string path = databasePath(*folder, n);
  std::string replaces;
  DatabaseAction doing = DatabaseAction::Create;
  try {
    if (!isDatabaseUsed(*folder, n)) {
      createDatabase(path);
    } else if (d.ui.message(measure::fillIn(d.texts.get("1186"), {std::to_string(n)}), title,
                            core::Icon::Information, core::Buttons::YesNo) == core::Answer::Yes) {
      // The new recording is made beside the old one, which it replaces only once its first
      // reading is stored: a run that cannot start leaves the old recording as it was.
      doing = DatabaseAction::Overwrite;
      replaces = path;
      path += kReplacementSuffix;
      removeWithSideFiles(path);  // left by a run that ended abruptly
      createDatabase(path);
      selection.databaseUsed = false;
    } else {
      if (showSettingMode) showSettingMode();
      const int m = selection.database;
      if (selection.save && m != n) {
        if (!isDatabaseNumber(m)) {
          d.ui.message(d.texts.get("704"), title, core::Icon::Exclamation);
          selection.databaseUsed = true;
          return;
        }
        n = m;
        path = databasePath(*folder, n);
        if (isDatabaseUsed(*folder, n)) {
          selection.databaseUsed = true;
          return;
        }
        createDatabase(path);
      }
    }
    if (!selection.save) {
      if (!replaces.empty()) removeWithSideFiles(path);
      return;
    }
    if (replaces.empty()) doing = DatabaseAction::OpenForRecording;
    d.startRecording(path, n);
    d.replaces = replaces;
  } catch (const DatabaseError& e) {
    if (!replaces.empty()) removeWithSideFiles(path);
    d.fail(selection, n, doing, e);
  }
}

bool Recorder::recording() const { return impl_->readings.has_value(); }

bool Recorder::append(const std::string& answerText, std::string* error) {
  Impl& d = *impl_;
  if (!d.readings) {
    if (error) *error = d.texts.get("1199");
    return false;
  }
  const double value = storedReadingValue(answerText);
  const DateTime time = DateTime::timeOfDay(d.clock.localNow());
  try {
    d.readings->addNew();
    d.readings->setFieldValue("read_value", Value(value));
    d.readings->setFieldValue("read_time", Value(time));
    d.readings->update();
    if (!d.replaces.empty()) d.takeThePlaceOfTheOldFile();
    return true;
  } catch (const DatabaseError& e) {
    if (error) *error = databaseFailureMessage(d.texts, DatabaseAction::StoreReading, d.number, e);
    d.closeRecording();
    return false;
  }
}

bool Recorder::storeRunInfo(const RunInfo& info, std::string* error) {
  Impl& d = *impl_;
  if (!d.readings) {
    if (error) *error = d.texts.get("1199");
    return false;
  }
  try {
    writeRunInfo(d.db, info);
    return true;
  } catch (const DatabaseError& e) {
    if (error) {
      *error = core::format("The run's settings could not be stored in Database %d: %s.", d.number,
                            failureReason(e).c_str());
    }
    return false;
  }
}

void Recorder::close() { impl_->closeRecording(); }

}  // namespace records
