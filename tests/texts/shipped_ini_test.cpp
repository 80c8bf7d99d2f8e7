// The INI file that ships with the program, and the text keys the program's sources use.

#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "measure/language.h"
#include "measure/text_catalog.h"
#include "measure/texts.h"

namespace {

namespace fs = std::filesystem;

const std::string kShippedIni = std::string(V38XX_SOURCE_DIR) + "/share/CTR_TOOLV38XX.ini";
const std::string_view kSections[] = {measure::kEnglish, measure::kChineseTraditional,
                                      measure::kChineseSimplified};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(ShippedIni, IsUtf8WithEveryCatalogueKeyInEachLanguage) {
  const std::string content = readFile(kShippedIni);
  ASSERT_FALSE(content.empty()) << kShippedIni;
  EXPECT_TRUE(measure::isValidUtf8(content));

  CSimpleIniA ini(true, false, true);
  ASSERT_GE(ini.LoadData(content), 0);
  CSimpleIniA::TNamesDepend sections;
  ini.GetAllSections(sections);
  std::set<std::string> sectionNames;
  for (const auto& s : sections) sectionNames.insert(s.pItem);
  EXPECT_EQ(sectionNames, (std::set<std::string>{std::string(measure::kEnglish),
                                                 std::string(measure::kChineseTraditional),
                                                 std::string(measure::kChineseSimplified)}));

  std::set<std::string> catalogKeys;
  for (const auto& entry : measure::textCatalog()) catalogKeys.insert(std::string(entry.key));

  for (const auto section : kSections) {
    const std::string name(section);
    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys(name.c_str(), keys);
    std::set<std::string> fileKeys;
    for (const auto& k : keys) fileKeys.insert(k.pItem);
    EXPECT_EQ(fileKeys, catalogKeys) << "keys of [" << name << "]";

    for (const auto& entry : measure::textCatalog()) {
      const std::string key(entry.key);
      const char* value = ini.GetValue(name.c_str(), key.c_str(), nullptr);
      ASSERT_NE(value, nullptr) << name << " " << key;
      const std::string_view text(value);
      if (section == measure::kEnglish) {
        EXPECT_EQ(text, entry.english) << "English text of " << key;
      } else {
        // A translation is empty only where the English text is, and keeps its line breaks.
        EXPECT_EQ(text.empty(), entry.english.empty()) << name << " " << key;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
                  std::count(entry.english.begin(), entry.english.end(), '\n'))
            << name << " " << key;
      }
    }
  }
}

TEST(ShippedIni, TextsReadsEveryLanguageAndTheShortFieldsFit) {
  measure::Texts texts(kShippedIni);
  ASSERT_TRUE(texts.iniFileExists());
  for (const auto section : kSections) {
    texts.setLanguage(section);
    for (const auto& entry : measure::textCatalog()) {
      // The sentinel default shows a key the file lacks or a value that is not UTF-8.
      EXPECT_NE(texts.lookup(entry.key, "\x01missing"), "\x01missing")
          << section << " " << entry.key;
    }
    for (const char* key : {"604", "605", "692"}) {
      EXPECT_EQ(measure::fitLabelField(texts.get(key)), texts.get(key))
          << section << " " << key << " does not fit its field";
    }
  }
  texts.setLanguage(measure::kChineseSimplified);
  EXPECT_NE(texts.get("651"), "Setting");
  EXPECT_EQ(texts.get("903").find('\n') != std::string::npos, true);
}

TEST(ShippedIni, TheTextsThatStayedEnglishAreTranslated) {
  // The page keys, the statistics "Show" box, Setting Mode's instructions and entries, the
  // About box with its title and entry, and the messages of faults and bad input.
  const char* keys[] = {"1119", "1120", "1121", "1122", "1123", "1124", "1125", "1128",
                        "1165", "1166", "1167", "1115", "1116", "1117", "1118", "1100",
                        "1101", "1105", "1106", "1108", "1111", "1126", "1127"};
  measure::Texts texts(kShippedIni);
  for (const auto section : {measure::kChineseTraditional, measure::kChineseSimplified}) {
    texts.setLanguage(section);
    for (const char* key : keys) {
      EXPECT_NE(texts.get(key), *measure::catalogDefault(key)) << section << " " << key;
      // The placeholders of a message are kept, in their order.
      const std::string english(*measure::catalogDefault(key));
      const std::string translated = texts.get(key);
      auto placeholders = [](const std::string& t) {
        std::string out;
        for (std::size_t i = 0; i + 1 < t.size(); ++i)
          if (t[i] == '%' && (t[i + 1] == 's' || t[i + 1] == 'd')) out += t[i + 1];
        return out;
      };
      EXPECT_EQ(placeholders(translated), placeholders(english)) << section << " " << key;
    }
  }
}

TEST(ShippedIni, BuildTreeCopyIsTheOneTheProgramFinds) {
  const fs::path installed = measure::defaultIniPath();
  ASSERT_TRUE(fs::exists(installed)) << installed;
  EXPECT_EQ(readFile(installed), readFile(kShippedIni));
}

// Every get("NNN") / lookup("NNN", ...) call in the program's sources names a catalogued key,
// so every key used anywhere has its texts in all three sections of the shipped file.
TEST(SourceKeys, EveryKeyUsedInTheCodeIsCatalogued) {
  const std::regex call(R"re((?:\.|->)\s*(get|lookup)\s*\(\s*"(\d+)"\s*([,)]))re");
  std::map<std::string, std::string> unknown;  // key -> first place of use
  int uses = 0;
  for (const char* folder : {"app", "instrument", "measure", "reading", "records"}) {
    const fs::path root = fs::path(V38XX_SOURCE_DIR) / folder;
    if (!fs::exists(root)) continue;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
      const auto ext = item.path().extension();
      if (!item.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      const std::string source = readFile(item.path());
      for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it) {
        const auto& m = *it;
        if (m[1] == "lookup" && m[3] != ",") continue;
        ++uses;
        const std::string key = m[2];
        if (!measure::catalogDefault(key)) {
          const auto line = std::count(source.begin(), source.begin() + m.position(0), '\n') + 1;
          unknown.emplace(key, item.path().string() + ":" + std::to_string(line));
        }
      }
    }
  }
  EXPECT_GT(uses, 0) << "no text lookups found: the scan itself is broken";
  for (const auto& [key, where] : unknown) {
    ADD_FAILURE() << "text key \"" << key << "\" used at " << where << " is not catalogued";
  }
}

}  // namespace
