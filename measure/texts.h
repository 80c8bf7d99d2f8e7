#pragma once
// The language texts of the main program: every visible text is looked up by the current
// language section and a numeric key in CTR_TOOLV38XX.ini, with its English text built in.

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace core {
class Interaction;
}

namespace measure {

inline constexpr std::string_view kEnglish = "English(U.S)";
inline constexpr std::string_view kChineseTraditional = "Chinese(Traditional)";
inline constexpr std::string_view kChineseSimplified = "Chinese(Simplify)";
inline constexpr std::string_view kAppTitle = "V38XX_AP";
inline constexpr std::string_view kIniFileName = "CTR_TOOLV38XX.ini";

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or stray bytes).
bool isValidUtf8(std::string_view text);

// A language text with its placeholders filled in: each "%s" or "%d" takes the next of
// `values` in order and "%%" is one "%". A translation with more placeholders than values
// gets empty texts for the rest, never a read past the values.
std::string fillIn(std::string_view pattern, std::initializer_list<std::string_view> values);

class Texts {
 public:
  // Reads the INI file at `iniPath` (UTF-8). A missing or unreadable file leaves every
  // lookup at its English default.
  explicit Texts(std::string iniPath);
  Texts();  // no file: English defaults only

  // The text of `key` in the current language section, or its built-in English default
  // (from the catalogue of every key the program uses). Keys are decimal texts ("501").
  std::string get(std::string_view key) const;
  // The same with an explicit default, for the few keys used with two different defaults.
  std::string lookup(std::string_view key, std::string_view englishDefault) const;

  const std::string& language() const { return language_; }
  void setLanguage(std::string_view section);

  const std::string& iniPath() const { return iniPath_; }
  bool iniFileExists() const;

 private:
  std::string iniPath_;
  std::string language_{kEnglish};
  struct Data;
  std::shared_ptr<const Data> data_;
};

}  // namespace measure
