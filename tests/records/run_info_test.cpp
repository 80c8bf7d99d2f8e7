// The run's settings beside the readings: table run_info, one row per Run Start, each naming
// the first reading it describes; files without the table keep working.

#include "records/run_info.h"

#include <gtest/gtest.h>

#include "core/clock.h"
#include "measure/texts.h"
#include "records/database_files.h"
#include "records/recorder.h"
#include "records_fixture.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"

namespace {

using recordstest::localTimeT;
using recordstest::sqlValue;
using recordstest::StartDirectory;

records::RunInfo settings(int readSpeedMs) {
  records::RunInfo info;
  info.model = "V3800A";
  info.identification = "V3800A--USBTMC--SIM3800A01";
  info.resource = "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR";
  info.functionCode = 0;
  info.functionName = "Freq";
  info.readSpeedMs = readSpeedMs;
  info.program = "FUNC 'FREQ 1'\nINIT:CONT ON\n";
  info.started = records::DateTime{2011, 11, 10, 9, 6, 32};
  info.programVersion = "1.1.2";
  return info;
}

class RunInfoTest : public ::testing::Test {
 protected:
  RunInfoTest() { clock.set(localTimeT(2011, 11, 10, 9, 6, 32)); }
  StartDirectory dir;
  testsupport::ManualClock clock;
  measure::Texts texts;
};

TEST_F(RunInfoTest, EachRowDescribesTheReadingsFromItsFirstRowOn) {
  testsupport::ScriptedInteraction ui;
  records::Recorder r(ui, texts, clock);
  records::RecordingSelection s;
  s.save = true;
  s.database = 4;
  s.foundInstruments = 1;
  r.prepare(s, {});
  ASSERT_TRUE(r.recording());
  std::string error;
  ASSERT_TRUE(r.storeRunInfo(settings(100), &error)) << error;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(r.append("+1.0E+007\n", nullptr));
  ASSERT_TRUE(r.storeRunInfo(settings(1000), &error)) << error;  // Read Speed changed
  ASSERT_TRUE(r.append("+1.0E+007\n", nullptr));
  r.close();

  records::Database db;
  records::openReadingDatabase(db, dir.path(4));
  const auto rows = records::readRunInfo(db);
  ASSERT_EQ(rows.size(), 2u);
  records::RunInfo first = settings(100);
  first.firstRow = 1;
  EXPECT_EQ(rows[0], first);
  EXPECT_EQ(rows[1].firstRow, 4);
  EXPECT_EQ(rows[1].readSpeedMs, 1000);
  db.close();
  EXPECT_EQ(records::lastRunInfo(dir.path(4))->readSpeedMs, 1000);
  // The readings and the start date are where they always were.
  EXPECT_EQ(sqlValue(dir.path(4), "SELECT count(*) FROM read"), "4");
  EXPECT_EQ(sqlValue(dir.path(4), "SELECT count(*) FROM read_date"), "1");
  EXPECT_EQ(sqlValue(dir.path(4), "SELECT read_speed_ms FROM run_info WHERE first_row = 1"), "100");
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(RunInfoTest, FilesWithoutTheTableHaveNoSettings) {
  records::createDatabase(dir.path(2));
  EXPECT_FALSE(records::lastRunInfo(dir.path(2)));
  records::Database db;
  records::openReadingDatabase(db, dir.path(2));
  EXPECT_TRUE(records::readRunInfo(db).empty());
}

TEST_F(RunInfoTest, NothingIsStoredWithoutARecording) {
  testsupport::ScriptedInteraction ui;
  records::Recorder r(ui, texts, clock);
  std::string error;
  EXPECT_FALSE(r.storeRunInfo(settings(100), &error));
  EXPECT_EQ(error, "No database is open for recording.");
  EXPECT_EQ(records::modelName("3800"), "V3800A");
  EXPECT_EQ(records::modelName("3820"), "V3820A");
  EXPECT_EQ(records::modelName("0"), "0");
}

}  // namespace
