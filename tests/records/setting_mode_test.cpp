// The Setting Mode dialog's logic: what it shows at opening, the Save box, the database
// choice, the colour, confirming and closing.

#include "records/setting_mode.h"

#include <gtest/gtest.h>

#include <fstream>

#include "measure/texts.h"
#include "records/recorder.h"
#include "records_fixture.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"

namespace {

namespace fs = std::filesystem;
using records::RecordingSelection;
using records::SettingMode;
using recordstest::StartDirectory;
using Entries = std::vector<std::string>;

const Entries kAllUnused = {"Database 1", "Database 2", "Database 3", "Database 4", "Database 5",
                            "Database 6", "Database 7", "Database 8", "Database 9", "Database 10"};

class SettingModeTest : public ::testing::Test {
 protected:
  SettingModeTest() { selection.foundInstruments = 1; }

  // Database n with a start date of 9:06:32 on 10 November 2011 (local time).
  void recordInto(int n) {
    testsupport::ScriptedInteraction yes;
    testsupport::ManualClock clock(recordstest::localTimeT(2011, 11, 10, 9, 6, 32));
    records::Recorder recorder(yes, texts, clock);
    RecordingSelection s;
    s.save = true;
    s.database = n;
    recorder.prepare(s, {});
    ASSERT_TRUE(recorder.recording());
    recorder.close();
    fs::current_path(dir.root());
  }

  StartDirectory dir;
  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  RecordingSelection selection;
  SettingMode dialog{selection, ui, texts};
};

TEST_F(SettingModeTest, ListShowsStartDatesOfRecordedDatabasesOnly) {
  records::createDatabase(dir.path(1));  // used, never recorded into
  recordInto(3);
  dialog.open(96, 96);
  EXPECT_EQ(dialog.view().entries,
            (Entries{"Database 1", "Database 2", "Database 3 ( 11 / 11 / 10 -- 09 : 06 : 32 )",
                     "Database 4", "Database 5", "Database 6", "Database 7", "Database 8",
                     "Database 9", "Database 10"}));
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_FALSE(selection.databaseUsed);
}

TEST_F(SettingModeTest, OpeningShowsTextsLayoutAndTheSavedChoice) {
  selection.save = true;
  selection.database = 2;
  selection.databaseUsed = true;
  selection.drawColor = {10, 20, 30};
  dialog.open(120, 120);
  const auto& v = dialog.view();
  EXPECT_EQ(v.title, "Setting Mode");
  EXPECT_EQ(v.drawColorLabel, "Draw Color");
  EXPECT_EQ(v.changeColorText, "Change Color");
  EXPECT_EQ(v.saveText, "Save");
  EXPECT_EQ(v.okText, "OK");
  EXPECT_EQ(v.hint,
            " - Click the Colorpad to set the draw color.\n - Select the Database to save the "
            "reading data\n    from device.");
  EXPECT_EQ(v.groupBox.caption, "Setting mode.");
  EXPECT_TRUE(v.saveChecked);
  EXPECT_TRUE(v.saveEnabled);
  EXPECT_TRUE(v.comboEnabled);
  EXPECT_EQ(v.currentEntry, 1);
  EXPECT_EQ(v.comboText, "Database 2");
  EXPECT_EQ(v.swatchColor, (core::Color{10, 20, 30}));
  EXPECT_EQ(dialog.numberAtOpening(), 2);
  EXPECT_FALSE(selection.databaseUsed) << "cleared at every opening";
}

TEST_F(SettingModeTest, NothingSelectedShowsThePromptAndADisabledCombo) {
  dialog.open(96, 96);
  EXPECT_FALSE(dialog.view().saveChecked);
  EXPECT_FALSE(dialog.view().comboEnabled);
  EXPECT_EQ(dialog.view().currentEntry, -1);
  EXPECT_EQ(dialog.view().comboText, "Please select a Database.");
  EXPECT_EQ(dialog.view().entries, kAllUnused);
}

TEST_F(SettingModeTest, LayoutFollowsThePixelDensity) {
  struct Case {
    const char* name;
    int dpiX, dpiY;
    records::SettingModeLayout layout;
  };
  const Case cases[] = {
      {"120 dpi both ways", 120, 120, {{410, 70}, {160, 190}, {220, 190}}},
      {"96 dpi", 96, 96, {{320, 50}, {130, 150}, {180, 150}}},
      {"120 dpi one way only", 120, 96, {{320, 50}, {130, 150}, {180, 150}}},
      {"144 dpi", 144, 144, {{320, 50}, {130, 150}, {180, 150}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(records::settingModeLayout(c.dpiX, c.dpiY), c.layout) << c.name;
  }
}

TEST_F(SettingModeTest, SaveBoxAndComboChangeTheSelectionAtOnce) {
  dialog.open(96, 96);
  dialog.setSaveChecked(true);
  EXPECT_TRUE(selection.save);
  EXPECT_TRUE(dialog.view().comboEnabled);
  dialog.selectEntry(4);
  EXPECT_EQ(selection.database, 5);
  EXPECT_EQ(dialog.view().comboText, "Database 5");
  dialog.selectEntry(10);  // no such entry
  EXPECT_EQ(selection.database, 5);
  dialog.setSaveChecked(false);
  EXPECT_FALSE(selection.save);
  EXPECT_FALSE(dialog.view().comboEnabled);
  dialog.selectEntry(2);  // a disabled combo does not change
  EXPECT_EQ(selection.database, 5);
  dialog.close();  // Escape keeps what was changed
  EXPECT_EQ(selection.database, 5);
  EXPECT_FALSE(selection.save);
}

TEST_F(SettingModeTest, TenthDatabaseIsAcceptedAsUnused) {
  dialog.open(96, 96);
  dialog.setSaveChecked(true);
  dialog.selectEntry(9);
  ASSERT_EQ(dialog.view().comboText.size(), 11u);
  EXPECT_TRUE(dialog.confirm());
  EXPECT_FALSE(dialog.isOpen());
  EXPECT_TRUE(selection.save);
  EXPECT_EQ(selection.database, 10);
  EXPECT_FALSE(selection.databaseUsed);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(SettingModeTest, ConfirmingRules) {
  records::createDatabase(dir.path(1));  // used, never recorded into
  recordInto(3);
  struct Case {
    const char* name;
    bool save;
    int entry;  // -1: none chosen
    bool closes;
    const char* message;  // "" for none
  };
  const Case cases[] = {
      {"Save without a choice asks for one", true, -1, false, "Please select a Database."},
      {"a recorded database is refused", true, 2, false,
       "The Database has been used,please select another one."},
      {"a created but unrecorded database is accepted", true, 0, true, ""},
      {"an unused database is accepted", true, 1, true, ""},
      {"Save cleared closes whatever the combo shows", false, 2, true, ""},
      {"Save cleared closes without a choice", false, -1, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    selection = RecordingSelection{};
    selection.foundInstruments = 1;
    selection.save = true;
    ui.shown.clear();
    dialog.open(96, 96);
    if (c.entry >= 0) dialog.selectEntry(c.entry);
    dialog.setSaveChecked(c.save);
    EXPECT_EQ(dialog.confirm(), c.closes);
    EXPECT_EQ(dialog.isOpen(), !c.closes);
    if (*c.message) {
      ASSERT_EQ(ui.shown.size(), 1u);
      EXPECT_EQ(ui.shown[0].text, c.message);
      EXPECT_EQ(ui.shown[0].caption, "V38XX_AP");
      EXPECT_EQ(ui.shown[0].icon, core::Icon::Exclamation);
    } else {
      EXPECT_TRUE(ui.shown.empty());
    }
    if (c.closes) {
      EXPECT_EQ(selection.save, c.save);
      if (c.save) {
        EXPECT_EQ(selection.database, c.entry + 1);
      }
    }
    dialog.close();
  }
}

TEST_F(SettingModeTest, EscapeOnTheRecordedDatabaseChosenBeforeSetsTheUsedFlag) {
  recordInto(3);
  struct Case {
    const char* name;
    int entryBeforeClosing;
    bool save;
    bool used;
  };
  const Case cases[] = {
      {"kept on the recorded database", 2, true, true},
      {"moved to another database", 4, true, false},
      {"Save cleared", 2, false, false},
  };
  for (const Case& c : cases) {
    selection.save = true;
    selection.database = 3;
    dialog.open(96, 96);
    dialog.selectEntry(c.entryBeforeClosing);
    dialog.setSaveChecked(c.save);
    dialog.close();
    EXPECT_EQ(selection.save, c.save) << c.name;
    EXPECT_EQ(selection.databaseUsed, c.used) << c.name;
  }
}

TEST_F(SettingModeTest, NoInstrumentFoundLeavesSaveDisabled) {
  selection.foundInstruments = 0;
  dialog.open(96, 96);
  EXPECT_FALSE(dialog.view().saveEnabled);
  dialog.setSaveChecked(true);
  EXPECT_FALSE(dialog.view().saveChecked);
  EXPECT_TRUE(dialog.confirm());
  EXPECT_FALSE(selection.save);
}

TEST_F(SettingModeTest, PickedColourAppliesEvenWhenTheDialogIsEscaped) {
  dialog.open(96, 96);
  ui.colors = {core::Color{255, 128, 0}, std::nullopt};
  dialog.changeColor();
  EXPECT_EQ(selection.drawColor, (core::Color{255, 128, 0}));
  EXPECT_EQ(dialog.view().swatchColor, (core::Color{255, 128, 0}));
  dialog.changeColor();  // cancelled: the colour stays
  EXPECT_EQ(selection.drawColor, (core::Color{255, 128, 0}));
  EXPECT_EQ(ui.colorRequests, (std::vector<core::Color>{{0, 0, 0}, {0, 0, 0}}))
      << "the picker starts from black";
  dialog.close();
  EXPECT_EQ(selection.drawColor, (core::Color{255, 128, 0}));
}

TEST_F(SettingModeTest, AllTenUsedIsAnnouncedAndFlagged) {
  for (int n = 1; n <= 10; ++n) records::createDatabase(dir.path(n));
  dialog.open(96, 96);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text,
            "All Databases have been used.Please open the \"View Record\" dialog\nand delete the "
            "used Databases first.");
  EXPECT_EQ(ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::Exclamation);
  EXPECT_TRUE(selection.databaseUsed);
}

TEST_F(SettingModeTest, MissingFolderGivesAnEmptyListAndNoSave) {
  fs::remove(dir.dbFolder());
  selection.save = true;
  selection.database = 4;
  dialog.open(96, 96);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Database working folder not found.");
  EXPECT_EQ(ui.shown[0].caption, "Database check");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::None);
  EXPECT_TRUE(dialog.view().entries.empty());
  EXPECT_FALSE(dialog.view().saveEnabled);
  EXPECT_EQ(dialog.view().comboText, "Please select a Database.");
  ui.shown.clear();
  EXPECT_FALSE(dialog.confirm()) << "no database can be chosen";
  ui.colors = {core::Color{1, 2, 3}};
  dialog.changeColor();
  EXPECT_EQ(selection.drawColor, (core::Color{1, 2, 3})) << "still usable for the colour";
}

TEST_F(SettingModeTest, DamagedFileIsListedAsUsedWithoutADate) {
  std::ofstream(dir.path(6)) << "garbage";
  dialog.open(96, 96);
  EXPECT_EQ(dialog.view().entries[5], "Database 6");
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(SettingModeTest, InChineseEveryTextIsTranslatedAndADatedEntryIsStillRefused) {
  recordInto(3);
  measure::Texts chinese(std::string(V38XX_SOURCE_DIR) + "/share/CTR_TOOLV38XX.ini");
  chinese.setLanguage(measure::kChineseTraditional);
  SettingMode translated{selection, ui, chinese};
  translated.open(96, 96);
  const auto& v = translated.view();
  EXPECT_EQ(v.entries[0], "資料庫 1");
  EXPECT_EQ(v.entries[9], "資料庫 10");
  EXPECT_EQ(v.entries[2], "資料庫 3 ( 11 / 11 / 10 -- 09 : 06 : 32 )");
  EXPECT_EQ(v.groupBox.caption, chinese.get("1166"));
  EXPECT_EQ(v.hint, chinese.get("1167"));
  EXPECT_NE(v.hint.find("調色盤"), std::string::npos);
  EXPECT_EQ(v.exitTooltip, "離開 ...");
  // A recorded database is refused whatever its entry's length in this language; an unused one
  // with a two-digit number is accepted.
  translated.setSaveChecked(true);
  translated.selectEntry(2);
  EXPECT_FALSE(translated.confirm());
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, chinese.get("902"));
  translated.selectEntry(9);
  EXPECT_TRUE(translated.confirm());
  EXPECT_EQ(selection.database, 10);
}

}  // namespace
