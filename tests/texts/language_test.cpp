#include "measure/language.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <stdlib.h>
#include <unistd.h>

#include "support/scripted_interaction.h"

namespace {

namespace fs = std::filesystem;

TEST(Language, LocaleEnvironmentChoosesTheSection) {
  struct Case {
    const char* name;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    int localeId;
    std::string_view section;
  } cases[] = {
      {"nothing set", "", "", "", 0x0409, measure::kEnglish},
      {"C locale", "", "", "C", 0x0409, measure::kEnglish},
      {"American English", "", "", "en_US.UTF-8", 0x0409, measure::kEnglish},
      {"mainland China", "", "", "zh_CN.UTF-8", 0x0804, measure::kChineseSimplified},
      {"mainland China, legacy code set", "", "", "zh_CN.GB18030", 0x0804,
       measure::kChineseSimplified},
      {"Taiwan", "", "", "zh_TW.UTF-8", 0x0404, measure::kChineseTraditional},
      {"Hong Kong", "", "", "zh_HK.UTF-8", 0x0404, measure::kChineseTraditional},
      {"Singapore is not one of the two", "", "", "zh_SG.UTF-8", 0x0409, measure::kEnglish},
      {"bare zh is not one of the two", "", "", "zh", 0x0409, measure::kEnglish},
      {"LC_MESSAGES over LANG", "", "zh_TW.UTF-8", "zh_CN.UTF-8", 0x0404,
       measure::kChineseTraditional},
      {"LC_ALL over both", "zh_CN.UTF-8", "zh_TW.UTF-8", "en_US.UTF-8", 0x0804,
       measure::kChineseSimplified},
      {"English LC_ALL over Chinese LANG", "en_GB.UTF-8", "", "zh_CN.UTF-8", 0x0409,
       measure::kEnglish},
      {"empty LC_ALL is not set", "", "", "zh_HK", 0x0404, measure::kChineseTraditional},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(measure::localeIdFromEnvironment(c.lcAll, c.lcMessages, c.lang), c.localeId)
        << c.name;
    EXPECT_EQ(measure::languageForLocale(c.lcAll, c.lcMessages, c.lang), c.section) << c.name;
  }
  EXPECT_EQ(measure::languageForLocaleId(0x0804), measure::kChineseSimplified);
  EXPECT_EQ(measure::languageForLocaleId(0x0404), measure::kChineseTraditional);
  EXPECT_EQ(measure::languageForLocaleId(0x0C04), measure::kEnglish);
}

TEST(Language, SystemLanguageReadsTheEnvironment) {
  ::setenv("LC_ALL", "zh_TW.UTF-8", 1);
  EXPECT_EQ(measure::systemLanguage(), measure::kChineseTraditional);
  ::setenv("LC_ALL", "C", 1);
  EXPECT_EQ(measure::systemLanguage(), measure::kEnglish);
  ::unsetenv("LC_ALL");
}

TEST(Language, LanguageTabShowsAndChoosesSections) {
  EXPECT_EQ(measure::kLanguageTabEntries[0], "English(U.S)");
  EXPECT_EQ(measure::kLanguageTabEntries[1], "Chinese(T.C)");
  EXPECT_EQ(measure::kLanguageTabEntries[2], "Chinese(S.C)");

  struct Shown {
    std::string_view section;
    int index;
  } shown[] = {{measure::kEnglish, 0},
               {measure::kChineseTraditional, 1},
               {measure::kChineseSimplified, 2},
               {"Klingon", 0},
               {"", 0}};
  for (const auto& s : shown) EXPECT_EQ(measure::languageTabIndex(s.section), s.index) << s.section;

  struct Chosen {
    int index;
    std::string_view section;
  } chosen[] = {{0, measure::kEnglish},
                {1, measure::kChineseTraditional},
                {2, measure::kChineseSimplified},
                {-1, measure::kEnglish},
                {3, measure::kEnglish}};
  for (const auto& c : chosen) {
    EXPECT_EQ(measure::languageForTabIndex(c.index), c.section) << c.index;
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(measure::languageTabIndex(measure::languageForTabIndex(i)), i);
  }
}

TEST(Language, MenuKeysFollowThePositionFormulas) {
  EXPECT_EQ(measure::menuTitleKey(0), "651");
  EXPECT_EQ(measure::menuTitleKey(4), "691");
  EXPECT_EQ(measure::menuEntryKey(0, 0), "652");
  EXPECT_EQ(measure::menuEntryKey(0, 2), "654");
  EXPECT_EQ(measure::menuEntryKey(2, 1), "673");
  EXPECT_EQ(measure::menuEntryKey(4, 0), "692");
}

TEST(Language, MainMenuCarriesItsKeysCommandsAndEnglishTexts) {
  struct Entry {
    int command;
    const char* key;
    const char* text;
  };
  struct Menu {
    const char* key;
    const char* text;
    std::vector<Entry> entries;
  };
  const std::vector<Menu> expected = {
      {"651",
       "Setting",
       {{32793, "652", "Setting Mode"},
        {0, "", ""},
        {32794, "654", "Refresh"},
        {32803, "655", "TCPIP Addresses"}}},
      {"661",
       "Record",
       {{32795, "662", "View Record"},
        {32796, "663", "Chart Record"},
        {32804, "1200", "Stability"}}},
      {"671", "Operation", {{32798, "672", "Run Start"}, {32799, "673", "Run Stop"}}},
      {"681", "Tool", {{32800, "682", "Command Control"}}},
      {"691", "Help", {{32801, "692", "About"}}},
  };
  const auto menus = measure::mainMenuLabels(measure::Texts());
  ASSERT_EQ(menus.size(), expected.size());
  for (std::size_t p = 0; p < menus.size(); ++p) {
    EXPECT_EQ(menus[p].key, expected[p].key);
    EXPECT_EQ(menus[p].text, expected[p].text);
    ASSERT_EQ(menus[p].entries.size(), expected[p].entries.size()) << menus[p].key;
    for (std::size_t i = 0; i < menus[p].entries.size(); ++i) {
      const auto& got = menus[p].entries[i];
      const auto& want = expected[p].entries[i];
      EXPECT_EQ(got.command, want.command) << menus[p].key << " entry " << i;
      EXPECT_EQ(got.key, want.key) << menus[p].key << " entry " << i;
      EXPECT_EQ(got.text, want.text) << menus[p].key << " entry " << i;
      EXPECT_EQ(got.separator(), want.command == 0);
    }
  }
}

TEST(Language, LabelFieldsHoldNineCharactersWithoutSplittingOne) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  } cases[] = {
      {"short English", "STOP", "STOP"},
      {"empty", "", ""},
      {"exactly nine", "123456789", "123456789"},
      {"ten ASCII", "1234567890", "123456789"},
      {"two CJK", "停止", "停止"},
      {"nine CJK kept whole", "一二三四五六七八九", "一二三四五六七八九"},
      {"twelve CJK cut after the ninth", "一二三四五六七八九十甲乙", "一二三四五六七八九"},
      {"mixed widths", "Run 開始量測 now", "Run 開始量測 "},
      {"four-byte characters",
       "\xF0\x9F\x98\x80"
       "abcdefgh"
       "\xF0\x9F\x98\x80",
       "\xF0\x9F\x98\x80"
       "abcdefgh"},
  };
  for (const auto& c : cases) {
    const auto fitted = measure::fitLabelField(c.text);
    EXPECT_EQ(fitted, c.expected) << c.name;
    EXPECT_TRUE(measure::isValidUtf8(fitted)) << c.name;
  }
}

class TempIni {
 public:
  explicit TempIni(const std::string& content) {
    dir_ = fs::path(::testing::TempDir()) / ("language_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    path_ = (dir_ / "CTR_TOOLV38XX.ini").string();
    std::ofstream(path_, std::ios::binary) << content;
  }
  ~TempIni() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  fs::path dir_;
  std::string path_;
};

TEST(Language, MainWindowLabelsAreCutToTheirFields) {
  TempIni file(
      "[Chinese(Traditional)]\n604 = 開始\n605 = 停止量測並記錄全部讀值\n692 = About V38XX_AP\n");
  measure::Texts texts(file.path());
  texts.setLanguage(measure::kChineseTraditional);
  const auto labels = measure::mainWindowLabels(texts);
  EXPECT_EQ(labels.start, "開始");
  EXPECT_EQ(labels.stop, "停止量測並記錄全部");
  EXPECT_EQ(labels.about, "About V38");

  const auto english = measure::mainWindowLabels(measure::Texts());
  EXPECT_EQ(english.start, "START");
  EXPECT_EQ(english.stop, "STOP");
  EXPECT_EQ(english.about, "About");
}

TEST(Language, MissingIniFileGivesTheWarmingMessageOnce) {
  testsupport::ScriptedInteraction ui;
  const measure::Texts missing(
      (fs::path(::testing::TempDir()) / "no_such_folder" / "CTR_TOOLV38XX.ini").string());
  EXPECT_FALSE(measure::checkIniFile(missing, ui));
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text,
            "Can't find the important file: CTR_TOOLV38XX.ini , Please reinstall\n"
            " the application. Otherwise, the application can't support other \n"
            "languages except English.");
  EXPECT_EQ(ui.shown[0].caption, "Warming");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::Exclamation);
  EXPECT_EQ(ui.shown[0].buttons, core::Buttons::Ok);

  testsupport::ScriptedInteraction quiet;
  TempIni file("[English(U.S)]\n");
  EXPECT_TRUE(measure::checkIniFile(measure::Texts(file.path()), quiet));
  EXPECT_TRUE(quiet.shown.empty());
}

TEST(Language, DefaultIniPathIsTheDataFileBesideTheProgram) {
  const fs::path path = measure::defaultIniPath();
  EXPECT_EQ(path.filename(), "CTR_TOOLV38XX.ini");
  EXPECT_EQ(path.parent_path().filename(), "v38xx");
  EXPECT_EQ(path.parent_path().parent_path().filename(), "share");
}

TEST(MenuMnemonic, TheMarkedLetterBecomesTheMnemonicOfItsWord) {
  struct Case {
    const char* text;
    const char* shown;
  };
  const Case cases[] = {
      {"About V38XX_AP(&A)...", "&About V38XX_AP..."},
      {"關於 V38XX_AP(&A)...", "關於 V38XX_AP(&A)..."},  // no word begins with A: kept
      {"Quit(&q)", "&Quit"},
      {"Time && Period", "Time &&&& Period"},
      {"Plain", "Plain"},
      {"Broken(&", "Broken(&&"},
  };
  for (const Case& c : cases) EXPECT_EQ(measure::menuMnemonicText(c.text), c.shown) << c.text;
}

}  // namespace
