// The Stability dialog's logic: the recorded databases, tau0 from the stored settings or
// entered, the messages for what is missing, the table and the CSV export.

#include "stability/stability_session.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "measure/texts.h"
#include "records/recorder.h"
#include "simulated_run.h"
#include "support/start_directory.h"

namespace {

using stability::Statistic;

// A database recorded by the recorder alone (no settings stored), with a start date.
void recordWithoutSettings(int n, int readings) {
  testsupport::ScriptedInteraction ui;
  testsupport::ManualClock clock;
  measure::Texts texts;
  records::Recorder r(ui, texts, clock);
  records::RecordingSelection s;
  s.save = true;
  s.database = n;
  s.foundInstruments = 1;
  r.prepare(s, {});
  for (int i = 0; i < readings; ++i) {
    r.append("+1.00000000" + std::to_string(1000 + (i * 7919) % 997) + "E+007\n", nullptr);
  }
  r.close();
}

class StabilitySessionTest : public ::testing::Test {
 protected:
  testsupport::StartDirectory dir;
  testsupport::ScriptedInteraction ui;
  measure::Texts texts{std::string(V38XX_BUILD_DIR) + "/share/v38xx/CTR_TOOLV38XX.ini"};
};

TEST_F(StabilitySessionTest, StoredSettingsGiveTau0AndComputeFillsTheTable) {
  ASSERT_TRUE(stabilitytest::recordSimulatedRun(2, 200, 3).empty());  // "1000 ms"
  recordWithoutSettings(6, 100);
  stability::StabilitySession s(ui, texts);
  s.open();
  ASSERT_EQ(s.view().entries.size(), 2u);
  EXPECT_EQ(s.view().entries[0].rfind("Database 2", 0), 0u);

  s.chooseDatabase(0);
  EXPECT_EQ(s.view().tau0Text, "1");
  EXPECT_FALSE(s.view().tau0Editable);
  EXPECT_EQ(s.view().tau0Note, "from the stored Read Speed");
  s.edit().statistics = {true, true, true, true, true, true, true};
  s.edit().tauSetIndex = 2;  // decade
  s.compute();
  ASSERT_TRUE(ui.shown.empty()) << ui.shown[0].text;
  // 200 readings, 201 points: 1, 2, 4, 10, 20, 40, 100 for ADEV/OADEV/TOTDEV, to 40 (HDEV,
  // OHDEV: 66) and to 40 (MDEV, TDEV: 67).
  EXPECT_EQ(s.view().rows.size(), 3u * 7 + 4u * 6);
  EXPECT_EQ(s.view().rows.size(), s.view().points.size());
  EXPECT_EQ(s.view().rows[0][0], "ADEV");
  EXPECT_EQ(s.view().rows[0][1], "1");
  EXPECT_EQ(s.view().summary.rfind("Readings: 200    Gaps: 0", 0), 0u) << s.view().summary;
  EXPECT_TRUE(s.view().exportEnabled);

  ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "result"});
  s.exportCsv();
  std::ifstream in(dir.root() + "/result.csv");
  std::string header, first;
  std::getline(in, header);
  std::getline(in, first);
  EXPECT_NE(header.find("tau0=1s(run_info)"), std::string::npos) << header;
  EXPECT_NE(header.find("stat,tau,n,sigma,lo,hi,noise"), std::string::npos) << header;
  EXPECT_EQ(first.rfind("adev,1,", 0), 0u) << first;
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Output to CSV completed.");

  // A file recorded before the settings were kept: tau0 is the user's to enter.
  s.chooseDatabase(1);
  EXPECT_TRUE(s.view().tau0Editable);
  EXPECT_TRUE(s.view().rows.empty());
  s.edit().tau0Text = "";
  s.compute();
  EXPECT_EQ(ui.shown.back().text, "Please enter tau0, the time between readings, in seconds.");
  s.edit().tau0Text = "0.5";
  s.edit().statistics = {};
  s.compute();
  EXPECT_EQ(ui.shown.back().text, "Please choose at least one statistic.");
  s.edit().statistics[1] = true;
  s.edit().nominalText = "-3";
  s.compute();
  EXPECT_EQ(ui.shown.back().text,
            "Please enter a positive nominal value, or leave it empty to use the mean.");
  s.edit().nominalText = "";
  s.compute();
  EXPECT_FALSE(s.view().rows.empty());
  EXPECT_EQ(s.view().points[0].tau, 0.5);
}

TEST_F(StabilitySessionTest, NoiseNamesFollowTheLanguage) {
  texts.setLanguage("Chinese(Traditional)");
  stability::StabilitySession s(ui, texts);
  EXPECT_EQ(s.noiseText(0), "白頻率雜訊");
  texts.setLanguage("Chinese(Simplify)");
  EXPECT_EQ(s.noiseText(-2), "随机游走频率噪声");
  texts.setLanguage("English(U.S)");
  EXPECT_EQ(s.noiseText(2), "White PM");
  EXPECT_EQ(s.noiseText(5), "");
}

}  // namespace
