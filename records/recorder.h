#pragma once
// Recording one run into a numbered reading database: prepared at Run Start (with the
// overwrite question and, when declined, the Setting Mode dialog), one row appended per
// reading and committed by itself, closed at Run Stop.

#include <functional>
#include <memory>
#include <string>

#include "records/recording_selection.h"
#include "records/run_info.h"

namespace core {
class Clock;
class Interaction;
}  // namespace core
namespace measure {
class Texts;
}

namespace records {

struct OpenOptions;

class Recorder {
 public:
  Recorder(core::Interaction& ui, const measure::Texts& texts, core::Clock& clock);
  ~Recorder();

  // Prepares database `selection.database` for recording when `selection.save` is set:
  // locates the database folder, creates the file or asks whether to overwrite it; on No
  // runs `showSettingMode` (which may change the selection) and continues with the new
  // choice; sets `selection.databaseUsed` as the rules say; starts the recording (start
  // date written, ready to append) unless the procedure stopped.
  // When nothing can be recorded although Save is on (database folder missing, no database
  // chosen, the file damaged, locked, read-only or the disk full) the user has been told
  // why and `selection.databaseUsed` is set, so that Run Start stops the run.
  void prepare(RecordingSelection& selection, const std::function<void()>& showSettingMode);

  // True between a successful prepare and close.
  bool recording() const;

  // Stores one reading (the instrument's answer text) with the current local time of day,
  // committed by itself. False when it could not be stored; `error` then says why in words
  // for the user (e.g. the disk is full) and the recording is closed.
  bool append(const std::string& answerText, std::string* error);

  // Stores the run's settings with the readings (table run_info), describing the readings
  // appended from now on. False when nothing is being recorded or the row could not be
  // written; `error` then says why (recording goes on: the readings matter more).
  bool storeRunInfo(const RunInfo& info, std::string* error);

  // Closes the recording (Run Stop). Harmless when nothing is open.
  void close();

  // The number of the database being recorded into; 0 when none.
  int database() const;

  // How the recording database is opened (durability of each commit, lock wait).
  void setOpenOptions(const OpenOptions& options);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace records
