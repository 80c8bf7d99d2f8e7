// What storing one reading costs: the recorder's append with its own commit (as a run does
// it, in both durability modes), the same row work with the commits taken out, and the
// value and time conversion alone.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/clock.h"
#include "core/interaction.h"
#include "measure/texts.h"
#include "records/database.h"
#include "records/database_files.h"
#include "records/recorder.h"
#include "records/value.h"

namespace {

namespace fs = std::filesystem;

const char* const kAnswer = "+1.00000012345E+007\n";

class SilentInteraction : public core::Interaction {
 public:
  core::Answer message(const std::string&, const std::string&, core::Icon, core::Buttons) override {
    return core::Answer::Yes;
  }
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return std::nullopt;
  }
};

// A scratch start directory with its DB folder, on the same disk as the temporary files.
class Scratch {
 public:
  Scratch() {
    previous_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "v38xx-bench-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    fs::create_directory(root_ / "DB");
    fs::current_path(root_);
  }
  ~Scratch() {
    fs::current_path(previous_);
    fs::remove_all(root_);
  }
  std::string dbFolder() const { return (root_ / "DB").string(); }

 private:
  fs::path root_;
  fs::path previous_;
};

void BM_RecorderAppendCommitted(benchmark::State& state) {
  Scratch scratch;
  SilentInteraction ui;
  measure::Texts texts;
  core::SystemClock clock;
  records::Recorder recorder(ui, texts, clock);
  recorder.setOpenOptions(
      {state.range(0) ? records::Synchronous::Full : records::Synchronous::Normal});
  records::RecordingSelection selection;
  selection.save = true;
  selection.database = 1;
  recorder.prepare(selection, {});
  if (!recorder.recording()) {
    state.SkipWithError("the database could not be prepared");
    return;
  }
  std::string error;
  for (auto _ : state) {
    if (!recorder.append(kAnswer, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(state.range(0) ? "synchronous=FULL" : "synchronous=NORMAL");
}
BENCHMARK(BM_RecorderAppendCommitted)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same rows added inside one transaction: the row work without the per-row commit.
void BM_AppendRowWithoutCommit(benchmark::State& state) {
  Scratch scratch;
  const std::string path = records::databasePath(scratch.dbFolder(), 1);
  records::createDatabase(path);
  records::Database db;
  records::openReadingDatabase(db, path);
  records::Recordset rs = db.openRecordset(records::Query::readings());
  core::SystemClock clock;
  db.beginTrans();
  for (auto _ : state) {
    rs.addNew();
    rs.setFieldValue("read_value", records::Value(records::storedReadingValue(kAnswer)));
    rs.setFieldValue("read_time", records::Value(records::DateTime::timeOfDay(clock.localNow())));
    rs.update();
  }
  db.commitTrans();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendRowWithoutCommit)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The reading's value through 30 decimals and the local time of day.
void BM_StoredValueAndTime(benchmark::State& state) {
  core::SystemClock clock;
  for (auto _ : state) {
    benchmark::DoNotOptimize(records::storedReadingValue(kAnswer));
    benchmark::DoNotOptimize(records::DateTime::timeOfDay(clock.localNow()).sqlText());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoredValueAndTime)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
