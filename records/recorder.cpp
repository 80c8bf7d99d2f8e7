#include "records/recorder.h"

#include "core/clock.h"
#include "core/interaction.h"
#include "core/text_format.h"
#include "measure/texts.h"
#include "records/database.h"
#include "records/database_files.h"
#include "records/value.h"

namespace records {

namespace {

const char* const kOverwriteQuestion =
    "The Database %d has been used,choose Yes to overwrite it or\n choose No to select other "
    "Database to save data.";

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

  void closeRecording() {
    if (readings) readings->close();
    readings.reset();
    db.close();
    number = 0;
  }

  // An engine failure while preparing: the user is told which database and why, and the
  // database-used flag stops the run at the end of Run Start, as for a database in use.
  void fail(RecordingSelection& selection, int n, const std::string& doing,
            const DatabaseError& error) {
    closeRecording();
    ui.message(core::format("The Database %d could not be %s: %s.", n, doing.c_str(),
                            failureReason(error).c_str()),
               std::string(measure::kAppTitle), core::Icon::Error);
    selection.databaseUsed = true;
  }

  // Writes the start date (one row in read_date, replaced on every start) and opens the
  // readings for appending.
  void startRecording(const std::string& path, int n) {
    const DateTime start = DateTime::fromTm(clock.localNow());
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

  const std::optional<std::string> folder = locateDatabaseFolder(d.ui, kFolderCheckCaption);
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
  const char* doing = "created";
  try {
    if (!isDatabaseUsed(*folder, n)) {
      createDatabase(path);
    } else if (d.ui.message(core::format(kOverwriteQuestion, n), title, core::Icon::Information,
                            core::Buttons::YesNo) == core::Answer::Yes) {
      doing = "overwritten";
      deleteDatabase(*folder, n);
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
    if (!selection.save) return;
    doing = "opened for recording";
    d.startRecording(path, n);
  } catch (const DatabaseError& e) {
    d.fail(selection, n, doing, e);
  }
}

bool Recorder::recording() const { return impl_->readings.has_value(); }

bool Recorder::append(const std::string& answerText, std::string* error) {
  Impl& d = *impl_;
  if (!d.readings) {
    if (error) *error = "No database is open for recording.";
    return false;
  }
  const double value = storedReadingValue(answerText);
  const DateTime time = DateTime::timeOfDay(d.clock.localNow());
  try {
    d.readings->addNew();
    d.readings->setFieldValue("read_value", Value(value));
    d.readings->setFieldValue("read_time", Value(time));
    d.readings->update();
    return true;
  } catch (const DatabaseError& e) {
    if (error) {
      *error = core::format("The reading could not be stored in Database %d: %s.", d.number,
                            failureReason(e).c_str());
    }
    d.closeRecording();
    return false;
  }
}

bool Recorder::storeRunInfo(const RunInfo& info, std::string* error) {
  Impl& d = *impl_;
  if (!d.readings) {
    if (error) *error = "No database is open for recording.";
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
