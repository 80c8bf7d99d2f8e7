#pragma once
// Choosing the language section, the About box's Language tab, the keys of the menu bar,
// the three short label fields of the main window and the start-up check of the INI file.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "measure/texts.h"

namespace core {
class Interaction;
}

namespace measure {

// Locale ids of the two Chinese languages, and the one every other locale stands for.
inline constexpr int kLocaleChineseSimplified = 0x0804;
inline constexpr int kLocaleChineseTraditional = 0x0404;
inline constexpr int kLocaleEnglishUs = 0x0409;

// The locale id of the locale environment: the first non-empty of LC_ALL, LC_MESSAGES and
// LANG decides; "zh_CN..." is 0x0804, "zh_TW..." and "zh_HK..." are 0x0404, anything else
// (including no value at all) is 0x0409.
int localeIdFromEnvironment(std::string_view lcAll, std::string_view lcMessages,
                            std::string_view lang);

// The language section for a locale id: 0x0804 Simplified, 0x0404 Traditional, else English.
std::string_view languageForLocaleId(int localeId);

// Both steps on the three values.
std::string_view languageForLocale(std::string_view lcAll, std::string_view lcMessages,
                                   std::string_view lang);

// The same on this process's environment.
std::string_view systemLanguage();

// The Language tab of the About box: its list entries in list order, the entry shown for the
// current section, and the section a confirmed list index chooses.
inline constexpr std::array<std::string_view, 3> kLanguageTabEntries = {
    "English(U.S)", "Chinese(T.C)", "Chinese(S.C)"};
int languageTabIndex(std::string_view section);
std::string_view languageForTabIndex(int index);

// Menu keys: the title of the top-level menu at position p is "6%d1" of p + 5; the entry at
// position i of its drop-down (a separator takes a position but gets no text) is "6%d%d" of
// p + 5 and i + 2.
std::string menuTitleKey(int menuPosition);
std::string menuEntryKey(int menuPosition, int entryPosition);

// "Stability" at the end of the Record menu: command 32804, text key "1200" (the numbered
// keys of that position belong to the original menus).
inline constexpr int kStabilityCommand = 32804;
inline constexpr std::string_view kStabilityMenuKey = "1200";

// The main window's menu bar with the texts of the current language. Separators carry
// command 0 and no key.
struct MenuEntryLabel {
  int command = 0;
  std::string key;
  std::string text;
  bool separator() const { return command == 0; }
};
struct MenuLabel {
  std::string key;
  std::string text;
  std::vector<MenuEntryLabel> entries;
};
std::vector<MenuLabel> mainMenuLabels(const Texts& texts);

// The run buttons' and the About entry's texts are kept in fields of 10 characters with the
// terminator, so they hold at most 9 characters. A longer translation is cut after its 9th
// character; the cut never splits a UTF-8 sequence.
inline constexpr std::size_t kLabelFieldSize = 10;
std::string fitLabelField(std::string_view text);

struct MainWindowLabels {
  std::string start;  // key "604"
  std::string stop;   // key "605"
  std::string about;  // key "692"
};
MainWindowLabels mainWindowLabels(const Texts& texts);

// A menu text with a mnemonic letter as a menu shows it. A trailing "(&X)" marks the letter
// in the way of a translation whose words lack it; when a word of the text begins with that
// letter, the mark moves onto it ("About V38XX_AP(&A)..." becomes "&About V38XX_AP..."), as an
// English menu underlines it. Other "&" are shown as they are ("&&").
std::string menuMnemonicText(std::string_view text);

// Where the main program's INI file is: <executable>/../share/v38xx/CTR_TOOLV38XX.ini.
std::string defaultIniPath();

inline constexpr std::string_view kWarmingCaption = "Warming";
inline constexpr std::string_view kMissingIniMessage =
    "Can't find the important file: CTR_TOOLV38XX.ini , Please reinstall\n the application. "
    "Otherwise, the application can't support other \nlanguages except English.";

// The start-up check: when the INI file of `texts` does not exist, shows the "Warming"
// message with the exclamation icon and returns false; start-up goes on either way.
bool checkIniFile(const Texts& texts, core::Interaction& interaction);

}  // namespace measure
