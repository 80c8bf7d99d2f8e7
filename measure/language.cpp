#include "measure/language.h"

#include <cctype>
#include <cstdlib>

#include "core/interaction.h"
#include "core/paths.h"
#include "core/text_format.h"

namespace measure {

int localeIdFromEnvironment(std::string_view lcAll, std::string_view lcMessages,
                            std::string_view lang) {
  // The first non-empty one is the locale of messages, as for every POSIX program.
  std::string_view locale = lang;
  if (!lcAll.empty()) {
    locale = lcAll;
  } else if (!lcMessages.empty()) {
    locale = lcMessages;
  }
  if (locale.starts_with("zh_CN")) return kLocaleChineseSimplified;
  if (locale.starts_with("zh_TW") || locale.starts_with("zh_HK")) {
    return kLocaleChineseTraditional;
  }
  return kLocaleEnglishUs;
}

std::string_view languageForLocaleId(int localeId) {
  switch (localeId) {
    case kLocaleChineseSimplified:
      return kChineseSimplified;
    case kLocaleChineseTraditional:
      return kChineseTraditional;
    default:
      return kEnglish;
  }
}

std::string_view languageForLocale(std::string_view lcAll, std::string_view lcMessages,
                                   std::string_view lang) {
  return languageForLocaleId(localeIdFromEnvironment(lcAll, lcMessages, lang));
}

std::string_view systemLanguage() {
  const auto env = [](const char* name) -> std::string_view {
    const char* value = std::getenv(name);
    return value ? value : "";
  };
  return languageForLocale(env("LC_ALL"), env("LC_MESSAGES"), env("LANG"));
}

int languageTabIndex(std::string_view section) {
  if (section == kChineseTraditional) return 1;
  if (section == kChineseSimplified) return 2;
  return 0;
}

std::string_view languageForTabIndex(int index) {
  if (index == 1) return kChineseTraditional;
  if (index == 2) return kChineseSimplified;
  return kEnglish;
}

std::string menuTitleKey(int menuPosition) { return core::format("6%d1", menuPosition + 5); }

std::string menuEntryKey(int menuPosition, int entryPosition) {
  return core::format("6%d%d", menuPosition + 5, entryPosition + 2);
}

namespace {

constexpr int kSeparator = 0;

struct MenuLayout {
  std::vector<int> commands;  // drop-down entries in order; kSeparator for a separator
};

// Setting, Record, Operation, Tool, Help.
const std::vector<MenuLayout>& mainMenuLayout() {
  static const std::vector<MenuLayout> layout = {
      {{32793, kSeparator, 32794, 32803}},
      {{32795, 32796, kStabilityCommand}},
      {{32798, 32799}},
      {{32800}},
      {{32801}},
  };
  return layout;
}

}  // namespace

std::vector<MenuLabel> mainMenuLabels(const Texts& texts) {
  std::vector<MenuLabel> menus;
  const auto& layout = mainMenuLayout();
  for (int p = 0; p < static_cast<int>(layout.size()); ++p) {
    MenuLabel menu;
    menu.key = menuTitleKey(p);
    menu.text = texts.get(menu.key);
    const auto& commands = layout[static_cast<std::size_t>(p)].commands;
    for (int i = 0; i < static_cast<int>(commands.size()); ++i) {
      MenuEntryLabel entry;
      entry.command = commands[static_cast<std::size_t>(i)];
      if (!entry.separator()) {
        // Entries added after the numbered scheme carry keys of their own.
        entry.key = entry.command == kStabilityCommand ? std::string(kStabilityMenuKey)
                                                       : menuEntryKey(p, i);
        entry.text = texts.get(entry.key);
      }
      menu.entries.push_back(std::move(entry));
    }
    menus.push_back(std::move(menu));
  }
  return menus;
}

std::string fitLabelField(std::string_view text) {
  constexpr std::size_t kMaxCharacters = kLabelFieldSize - 1;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Every byte that is not a UTF-8 continuation byte starts a new character.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (characters == kMaxCharacters) return std::string(text.substr(0, i));
      ++characters;
    }
  }
  return std::string(text);
}

MainWindowLabels mainWindowLabels(const Texts& texts) {
  return {fitLabelField(texts.get("604")), fitLabelField(texts.get("605")),
          fitLabelField(texts.get("692"))};
}

std::string menuMnemonicText(std::string_view text) {
  auto escaped = [](std::string_view t) {
    std::string out;
    for (const char c : t) out += c == '&' ? std::string("&&") : std::string(1, c);
    return out;
  };
  const std::size_t mark = text.rfind("(&");
  if (mark == std::string_view::npos || mark + 3 >= text.size() || text[mark + 3] != ')')
    return escaped(text);
  const char letter = text[mark + 2];
  const std::string_view before = text.substr(0, mark);
  const std::string_view after = text.substr(mark + 4);
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  for (std::size_t i = 0; i < before.size(); ++i) {
    const bool wordStart = i == 0 || before[i - 1] == ' ';
    if (wordStart && lower(before[i]) == lower(letter)) {
      return escaped(before.substr(0, i)) + "&" + escaped(before.substr(i)) + escaped(after);
    }
  }
  return escaped(before) + "(&" + std::string(1, letter) + ")" + escaped(after);
}

std::string defaultIniPath() { return core::dataFilePath(std::string(kIniFileName)); }

bool checkIniFile(const Texts& texts, core::Interaction& interaction) {
  if (texts.iniFileExists()) return true;
  interaction.message(std::string(kMissingIniMessage), std::string(kWarmingCaption),
                      core::Icon::Exclamation);
  return false;
}

}  // namespace measure
