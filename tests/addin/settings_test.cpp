// The add-in's settings file, language list and texts, and the stop-time points.

#include <gtest/gtest.h>

#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include "addin_rig.h"
#include "support/recording_visa.h"

namespace {

using addintest::AddinRig;
using testsupport::RecordingVisa;

TEST(AddinSettings, MissingFileIsReportedOnEveryCallWhichThenDoesNothing) {
  RecordingVisa visa;
  AddinRig rig(visa);
  std::filesystem::remove(rig.folder.iniPath());

  EXPECT_EQ(rig.app.GetINI(), "");
  EXPECT_EQ(rig.app.LoadSetting("Interval", "1000"), "");
  rig.app.SaveSetting("Interval", "500");
  EXPECT_EQ(rig.app.GetLanguageCount(), 0);
  EXPECT_EQ(rig.app.GetIdText("1"), "");
  ASSERT_EQ(rig.ui.shown.size(), 5u);
  for (const auto& m : rig.ui.shown) {
    EXPECT_EQ(m.text, "Loss of important files, please re-install the application.");
    EXPECT_EQ(m.caption, "ORVALENT V38XX Tallyway");
  }
  EXPECT_FALSE(std::filesystem::exists(rig.folder.iniPath())) << "nothing may create the file";
}

TEST(AddinSettings, NoDataFolderAtAllSaysSo) {
  RecordingVisa visa;
  testsupport::ScriptedInteraction ui;
  testsupport::ManualClock clock;
  addintest::ManualTimer timer;
  addin::Application app({visa, ui, clock, timer, {[] { return std::optional<std::string>(); }}});
  EXPECT_EQ(app.GetINI(), "");
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "The folder does not exist.");
}

TEST(AddinSettings, SaveAndLoadKeepTheRestOfTheFileAndIgnoreLetterCase) {
  RecordingVisa visa;
  AddinRig rig(visa);
  rig.folder.install(
      "; comment kept\n[Information]\nLanguage=English(U.S)\nMaxLimit=12.5\n"
      "[English(U.S)]\n1=About\n");
  EXPECT_EQ(rig.app.GetINI(), rig.folder.iniPath());
  rig.app.SaveSetting("Interval", "250");
  rig.app.SaveSetting("maxlimit", "13");
  EXPECT_EQ(rig.app.LoadSetting("INTERVAL", "x"), "250");
  EXPECT_EQ(rig.app.LoadSetting("MaxLimit", "x"), "13");
  EXPECT_EQ(rig.app.LoadSetting("Missing", "default"), "default");
  const std::string text = rig.folder.read();
  EXPECT_NE(text.find("; comment kept"), std::string::npos);
  EXPECT_NE(text.find("1 = About"), std::string::npos);
  EXPECT_TRUE(rig.ui.shown.empty());
}

TEST(AddinSettings, ValuesAreCutTo255BytesWithoutSplittingACharacter) {
  RecordingVisa visa;
  AddinRig rig(visa);
  std::string longText(254, 'x');
  longText += "\xE4\xB8\xAD\xE6\x96\x87";  // two CJK characters, 3 bytes each
  rig.app.SaveSetting("Title", longText);
  const std::string back = rig.app.LoadSetting("Title", "");
  EXPECT_EQ(back, std::string(254, 'x'));
}

TEST(AddinSettings, StartTimerSavesTheRunSettingsAsTrimmedText) {
  RecordingVisa visa;
  AddinRig rig(visa);
  rig.app.SetNumberOfReading(25);
  rig.app.SetBegin(9);  // no timer starts for an unknown mode: only the settings matter here
  rig.app.SetTerimnatingUpon(1);
  rig.app.SetStopTime("1", "2", "3", 500);
  rig.app.AddChart(0, true);
  rig.app.StartTimer(250);
  const auto load = [&](const char* key) { return rig.app.LoadSetting(key, "?"); };
  EXPECT_EQ(load("ReadPoints"), "25");
  EXPECT_EQ(load("Begin"), "9");
  EXPECT_EQ(load("Terminating"), "1");
  EXPECT_EQ(load("Add_Chart"), "0");
  EXPECT_EQ(load("In_Sheet"), "True");
  EXPECT_EQ(load("Interval"), "250");
  EXPECT_EQ(load("StopTime_HH"), "1");
  EXPECT_EQ(load("StopTime_NN"), "2");
  EXPECT_EQ(load("StopTime_SS"), "3");
  EXPECT_EQ(load("NumPoints"), "100") << "NumPoints is only written when the window is set";
}

TEST(AddinLanguages, ListComesFromInformationLanguage) {
  RecordingVisa visa;
  AddinRig rig(visa);
  rig.folder.install(
      "[Information]\nLanguage=English(U.S),Chinese(Traditional)\n"
      "[English(U.S)]\n7=Find\n[Chinese(Traditional)]\n7=搜尋\n");
  EXPECT_EQ(rig.app.GetLanguageCount(), 1);
  EXPECT_EQ(rig.app.GetLanguage(1), "Chinese(Traditional)");
  EXPECT_EQ(rig.app.GetIdText("7"), "Find");
  rig.app.SetLanguage(1);
  EXPECT_EQ(rig.app.GetIdText("7"), "搜尋");
  EXPECT_EQ(rig.app.GetIdText("999"), "999") << "a missing text yields its id";
  EXPECT_THROW(rig.app.GetLanguage(2), addin::SubscriptOutOfRange);
  EXPECT_THROW(rig.app.SetLanguage(-1), addin::SubscriptOutOfRange);

  rig.folder.install("[Information]\n");
  EXPECT_EQ(rig.app.GetLanguageCount(), 0) << "default: English(U.S) alone";
  EXPECT_EQ(rig.app.GetLanguage(0), "English(U.S)");
}

TEST(AddinLanguages, ShippedFileListsThreeLanguagesEachWithTheSameTextIds) {
  RecordingVisa visa;
  AddinRig rig(visa);
  ASSERT_EQ(rig.app.GetLanguageCount(), 2);
  std::vector<std::string> names;
  for (int i = 0; i <= 2; ++i) names.push_back(rig.app.GetLanguage(i));
  EXPECT_EQ(names, (std::vector<std::string>{"English(U.S)", "Chinese(Traditional)",
                                             "Chinese(Simplify)"}));
  // Every id the English section has is translated in both Chinese sections.
  CSimpleIniA ini;
  ini.SetUnicode(true);
  ini.SetMultiLine(true);
  ASSERT_GE(ini.LoadFile(rig.folder.iniPath().c_str()), 0);
  CSimpleIniA::TNamesDepend keys;
  ini.GetAllKeys("English(U.S)", keys);
  ASSERT_FALSE(keys.empty());
  for (const auto& key : keys)
    for (const char* section : {"Chinese(Traditional)", "Chinese(Simplify)"}) {
      const char* v = ini.GetValue(section, key.pItem, nullptr);
      EXPECT_TRUE(v && *v) << section << " lacks text " << key.pItem;
    }
}

struct StopTimeCase {
  const char* h;
  const char* n;
  const char* s;
  std::int32_t interval;
  const char* version;
  long rows;
  std::int32_t points;
};

TEST(AddinStopTime, PointsFromTheStopTimeAndInterval) {
  const StopTimeCase cases[] = {
      {"1", "0", "0", 1000, "7.4", 1048576, 3600},
      {"1", "0", "0", 10, "11.0", 65536, 65536},    // capped to the old row limit
      {"1", "0", "0", 10, "7.4", 1048576, 360000},  // Calc's large grid
      {"0", "0", "30", 100, "7.4", 1048576, 300},
      {"0", "1", "0.5", 1000, "7.4", 1048576, 60},  // 0.5 s rounds to even: 0
      {"0", "1", "1.5", 1000, "7.4", 1048576, 62},
      {"100", "0", "0", 3000, "7.4", 1048576, 120000},
      {"500", "0", "0", 1, "7.4", 1048576, 1048576},  // capped to the large grid
      {"0", "0", "1", 3, "7.4", 1048576, 333},
  };
  for (const auto& c : cases) {
    RecordingVisa visa;
    AddinRig rig(visa);
    rig.calc->versionText = c.version;
    rig.calc->rows = c.rows;
    rig.app.SetApp(rig.calc);
    rig.app.SetStopTime(c.h, c.n, c.s, c.interval);
    EXPECT_EQ(rig.app.maxPoints(), c.points) << c.h << ":" << c.n << ":" << c.s << " every "
                                             << c.interval << " ms, version " << c.version;
  }
}

TEST(AddinStopTime, IntervalOfZeroOrBelowIsRefusedAndOverflowIsRaised) {
  RecordingVisa visa;
  AddinRig rig(visa);
  rig.app.SetStopTime("0", "0", "10", 1000);
  ASSERT_EQ(rig.app.maxPoints(), 10);
  for (std::int32_t interval : {0, -5}) {
    rig.ui.shown.clear();
    rig.app.SetStopTime("1", "0", "0", interval);
    EXPECT_EQ(rig.app.maxPoints(), 10) << "a refused stop time changes nothing";
    ASSERT_EQ(rig.ui.shown.size(), 1u);
    EXPECT_EQ(rig.ui.shown[0].caption, "ORVALENT V38XX Tallyway");
  }
  EXPECT_THROW(rig.app.SetStopTime("547", "0", "0", 1000), addin::OverflowError);
  EXPECT_THROW(rig.app.SetStopTime("0", "547", "0", 1000), addin::OverflowError);
  EXPECT_THROW(rig.app.SetStopTime("40000", "0", "0", 1000), addin::OverflowError);
}

TEST(AddinRunSettings, StartDateTimeFromText) {
  RecordingVisa visa;
  AddinRig rig(visa);
  rig.app.SetAtTime("2026/12/08 10:30:00");
  EXPECT_DOUBLE_EQ(rig.app.startDateTime(), 46364 + 10.5 / 24);
  rig.app.SetAtTime("2026-12-08 10:30");
  EXPECT_DOUBLE_EQ(rig.app.startDateTime(), 46364 + 10.5 / 24);
  for (const char* bad :
       {"", "tomorrow", "2026/02/30 10:00:00", "2026/12/08 25:00:00", "2026/12/08 10:00:00 junk"})
    EXPECT_THROW(rig.app.SetAtTime(bad), addin::TypeMismatch) << bad;
}

TEST(AddinIndexes, DeviceAndAddressTablesRaiseTheSubscriptError) {
  RecordingVisa visa;
  AddinRig rig(visa);
  EXPECT_NO_THROW(rig.app.FindTCPIPDevice(255, "TCPIP::127.0.0.1::INSTR"));
  EXPECT_THROW(rig.app.FindTCPIPDevice(256, "x"), addin::SubscriptOutOfRange);
  EXPECT_THROW(rig.app.FindTCPIPDevice(-1, "x"), addin::SubscriptOutOfRange);
  EXPECT_NO_THROW(rig.app.GetIDN(0));
  EXPECT_EQ(rig.app.IIDNSesn, 0u) << "an empty row has no session";
  EXPECT_THROW(rig.app.GetIDN(256), addin::SubscriptOutOfRange);
}

}  // namespace
