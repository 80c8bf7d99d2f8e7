#include "measure/texts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "measure/text_catalog.h"

namespace {

namespace fs = std::filesystem;

// A file in a fresh folder under the test's temporary directory.
class IniFile {
 public:
  explicit IniFile(const std::string& content) {
    static std::atomic<int> counter{0};
    dir_ = fs::path(::testing::TempDir()) /
           ("texts_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::create_directories(dir_);
    path_ = (dir_ / "CTR_TOOLV38XX.ini").string();
    std::ofstream(path_, std::ios::binary) << content;
  }
  ~IniFile() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const std::string& path() const { return path_; }
  fs::path dir() const { return dir_; }

 private:
  fs::path dir_;
  std::string path_;
};

TEST(TextCatalog, KeysAreUniqueDecimalTextsAndFindable) {
  const auto catalog = measure::textCatalog();
  ASSERT_FALSE(catalog.empty());
  for (const auto& entry : catalog) {
    ASSERT_FALSE(entry.key.empty());
    EXPECT_EQ(entry.key.find_first_not_of("0123456789"), std::string_view::npos) << entry.key;
    const auto found = measure::catalogDefault(entry.key);
    ASSERT_TRUE(found.has_value()) << entry.key;
    EXPECT_EQ(*found, entry.english) << entry.key;
  }
  EXPECT_FALSE(measure::catalogDefault("653").has_value());  // the Setting menu's separator
  EXPECT_FALSE(measure::catalogDefault("3").has_value());    // "003" is the key, not 3
  EXPECT_FALSE(measure::catalogDefault("").has_value());
}

TEST(Texts, WithoutFileEveryKeyIsItsEnglishDefault) {
  const measure::Texts texts;
  for (const auto& entry : measure::textCatalog()) {
    EXPECT_EQ(texts.get(entry.key), entry.english) << entry.key;
  }
  EXPECT_EQ(texts.get("903"),
            "All Databases have been used.Please open the \"View Record\" dialog\n"
            "and delete the used Databases first.");
  EXPECT_EQ(texts.language(), measure::kEnglish);
  EXPECT_FALSE(texts.iniFileExists());
}

TEST(Texts, EachUseOfAKeyHasTheOneEnglishTextOfTheCatalogue) {
  // The run buttons read "START"/"STOP"; the arming labels and the OnFail entry have keys of
  // their own, so that their English is the same with the INI file and without it.
  const measure::Texts texts;
  EXPECT_EQ(texts.get("604"), "START");
  EXPECT_EQ(texts.get("1126"), "Start");
  EXPECT_EQ(texts.get("1127"), "Stop");
  EXPECT_EQ(texts.get("727"), "No data in file");

  IniFile file("[Chinese(Simplify)]\n1126 = 开始\n");
  measure::Texts chinese(file.path());
  chinese.setLanguage(measure::kChineseSimplified);
  EXPECT_EQ(chinese.get("1126"), "开始");
  EXPECT_EQ(chinese.get("1127"), "Stop");
}

TEST(Texts, FillInTakesTheValuesInOrderAndNeverReadsPastThem) {
  struct Case {
    const char* pattern;
    std::initializer_list<std::string_view> values;
    const char* filled;
  };
  const Case cases[] = {
      {"The Database %d could not be read: %s.",
       {"3", "locked"},
       "The Database 3 could not be read: locked."},
      {"100%% of %s", {"it"}, "100% of it"},
      {"%s and %s and %s", {"one"}, "one and  and "},
      {"no placeholder", {"spare"}, "no placeholder"},
      {"trailing %", {}, "trailing %"},
  };
  for (const Case& c : cases) EXPECT_EQ(measure::fillIn(c.pattern, c.values), c.filled);
}

TEST(Texts, UncataloguedKeyShowsItselfSoTheMistakeIsVisible) {
  const measure::Texts texts;
  EXPECT_EQ(texts.get("999"), "999");
  EXPECT_EQ(texts.get("653"), "653");
}

TEST(Texts, ReadsTheCurrentSectionAndSwitchesLanguage) {
  IniFile file(
      "[English(U.S)]\n501 = Devices and Interfaces\n"
      "[Chinese(Traditional)]\n501 = 裝置與介面\n"
      "[Chinese(Simplify)]\n501 = 设备与接口\n");
  measure::Texts texts(file.path());
  EXPECT_TRUE(texts.iniFileExists());
  EXPECT_EQ(texts.get("501"), "Devices and Interfaces");
  texts.setLanguage(measure::kChineseTraditional);
  EXPECT_EQ(texts.get("501"), "裝置與介面");
  const measure::Texts copy = texts;  // copies keep the file's texts and the language
  texts.setLanguage(measure::kChineseSimplified);
  EXPECT_EQ(texts.get("501"), "设备与接口");
  EXPECT_EQ(copy.get("501"), "裝置與介面");
  texts.setLanguage("Klingon");
  EXPECT_EQ(texts.get("501"), "Devices and Interfaces");
}

// Files as people leave them: saved by other editors, half translated, damaged.
TEST(Texts, OddFilesFallBackToEnglishOrReadSanely) {
  using namespace std::string_literals;
  const std::string longText(200000, 'x');
  struct Case {
    const char* name;
    std::string content;
    std::string key;
    std::string expected;
  } cases[] = {
      {"byte order mark before the first section", "\xEF\xBB\xBF[Chinese(Simplify)]\n581 = 频率\n",
       "581", "频率"},
      {"CRLF line ends leave no carriage return", "[Chinese(Simplify)]\r\n581 = 频率\r\n", "581",
       "频率"},
      {"multi-line value with CRLF becomes line feeds",
       "[Chinese(Simplify)]\r\n903 = <<<END\r\n第一行\r\n第二行\r\nEND\r\n", "903",
       "第一行\n第二行"},
      {"value in a legacy code page (not UTF-8) gives the English text",
       "[Chinese(Simplify)]\n581 = \xC6\xB5\xC2\xCA\n", "581", "Freq"},
      {"truncated UTF-8 sequence gives the English text", "[Chinese(Simplify)]\n581 = \xE9\xA2\n",
       "581", "Freq"},
      {"overlong UTF-8 form gives the English text", "[Chinese(Simplify)]\n581 = \xC0\xAF\n", "581",
       "Freq"},
      {"bad value does not spoil its neighbours",
       "[Chinese(Simplify)]\n581 = \xFF\xFE\n583 = 周期\n", "583", "周期"},
      {"section missing", "[Chinese(Traditional)]\n581 = 頻率\n", "581", "Freq"},
      {"key missing", "[Chinese(Simplify)]\n583 = 周期\n", "581", "Freq"},
      {"present but empty value stays empty", "[Chinese(Simplify)]\n752 =\n", "752", ""},
      {"blanks around the value are trimmed", "[Chinese(Simplify)]\n   581   =    频率   \n", "581",
       "频率"},
      {"no escapes are interpreted", "[Chinese(Simplify)]\n581 = a\\nb \"c\" %s\n", "581",
       "a\\nb \"c\" %s"},
      {"very long value is read whole", "[Chinese(Simplify)]\n581 = " + longText + "\n", "581",
       longText},
      {"unterminated multi-line value does not hang", "[Chinese(Simplify)]\n903 = <<<END\nabc\n",
       "581", "Freq"},
      {"embedded NUL bytes", "[Chinese(Simplify)]\n583 = 周期\n\0\0\0\n581 = x\n"s, "583", "周期"},
      {"empty file", "", "581", "Freq"},
      {"binary garbage", "\x00\x01\x02\xFF[[[==\n\n]]]\x80"s, "581", "Freq"},
  };
  for (const auto& c : cases) {
    IniFile file(c.content);
    measure::Texts texts(file.path());
    texts.setLanguage(measure::kChineseSimplified);
    EXPECT_EQ(texts.get(c.key), c.expected) << c.name;
  }
}

TEST(Texts, PathsThatAreNoFileGiveEnglish) {
  IniFile file("");
  struct Case {
    const char* name;
    std::string path;
    bool exists;
  } cases[] = {
      {"missing file", (file.dir() / "absent.ini").string(), false},
      {"folder in place of the file", file.dir().string(), true},
      {"empty path", "", false},
  };
  for (const auto& c : cases) {
    measure::Texts texts(c.path);
    texts.setLanguage(measure::kChineseSimplified);
    EXPECT_EQ(texts.get("581"), "Freq") << c.name;
    EXPECT_EQ(texts.iniFileExists(), c.exists) << c.name;
    EXPECT_EQ(texts.iniPath(), c.path) << c.name;
  }
}

TEST(Utf8, ValidityMatchesTheEncodingRules) {
  struct Case {
    const char* name;
    std::string text;
    bool valid;
  } cases[] = {
      {"ASCII", "Freq", true},
      {"empty", "", true},
      {"three-byte CJK", "频率", true},
      {"four-byte character", "\xF0\x9F\x98\x80", true},
      {"largest code point", "\xF4\x8F\xBF\xBF", true},
      {"stray continuation byte", "\x80", false},
      {"lead byte at the end", "a\xE9", false},
      {"overlong slash", "\xC0\xAF", false},
      {"overlong three-byte", "\xE0\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false},
      {"five-byte lead", "\xF8\x88\x80\x80\x80", false},
      {"GBK bytes", "\xC6\xB5\xC2\xCA", false},
  };
  for (const auto& c : cases) EXPECT_EQ(measure::isValidUtf8(c.text), c.valid) << c.name;
}

}  // namespace
