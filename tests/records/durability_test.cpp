// A recording process killed at full speed loses no reading whose append had returned.

#include <gtest/gtest.h>

#include "core/clock.h"
#include "measure/texts.h"
#include "records/recorder.h"
#include "records_fixture.h"
#include "summary_check.h"
#include "support/scripted_interaction.h"

namespace {

using recordstest::sqlRows;
using recordstest::sqlValue;

TEST(RecordingDurability, KilledRecorderKeepsEveryReportedReadingAndAnIntactFile) {
  recordstest::StartDirectory dir;
  const std::string path = dir.path(7);
  // The child records readings 1, 2, 3, ... as fast as it can and reports each one whose
  // append returned true.
  recordstest::Child child([&](int out) {
    testsupport::ScriptedInteraction ui;
    measure::Texts texts;
    core::SystemClock clock;
    records::Recorder recorder(ui, texts, clock);
    records::RecordingSelection selection;
    selection.save = true;
    selection.database = 7;
    recorder.prepare(selection, {});
    for (long long i = 1;; ++i) {
      std::string error;
      if (!recorder.append(std::to_string(i) + ".25", &error)) {
        recordstest::writeLine(out, "error " + error);
        return;
      }
      recordstest::writeLine(out, std::to_string(i));
    }
  });

  std::string line;
  long long reported = 0;
  // Past several blocks of the pyramid's first two levels, killed at an arbitrary reading.
  while (reported < 5000 && child.readLine(&line)) reported = std::stoll(line);
  ASSERT_EQ(reported, 5000) << line;
  child.kill(SIGKILL);
  // Reports written before the kill landed are promises too.
  while (child.readLine(&line)) reported = std::stoll(line);
  const int status = child.wait();
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  ASSERT_TRUE(recordstest::fs::exists(path + "-wal")) << "killed with its log still open";
  EXPECT_EQ(sqlValue(path, "PRAGMA integrity_check"), "ok");
  const long long rows = std::stoll(sqlValue(path, "SELECT count(*) FROM read"));
  // A reading committed just before the kill may not have been reported yet.
  EXPECT_GE(rows, reported);
  EXPECT_LE(rows, reported + 1);
  // Rows are exactly the readings in order: none lost, none repeated.
  EXPECT_EQ(sqlValue(path, "SELECT count(*) FROM read WHERE read_value <> rowid + 0.25"), "0");
  EXPECT_EQ(sqlRows(path, "SELECT count(*) FROM read_date").at(0).at(0), "1");
  // The summary and its pyramid went into the same commits as the readings: they describe
  // exactly the rows that survived, without being built again.
  summarycheck::expectExact(path);
}

}  // namespace
