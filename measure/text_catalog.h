#pragma once
// The catalogue of every text key of the main program with its built-in English text.
// A key that is not here is a programming error; the shipped INI file carries every key of
// the catalogue in each language section.

#include <optional>
#include <span>
#include <string_view>

namespace measure {

struct CatalogEntry {
  std::string_view key;      // decimal text, as written in the INI file ("003", "501", "1000")
  std::string_view english;  // built-in text, used when the INI file or the key is missing
};

// Every key in ascending numeric order.
std::span<const CatalogEntry> textCatalog();

// The English text of `key`, or nullopt when the key is not catalogued.
std::optional<std::string_view> catalogDefault(std::string_view key);

// Second English texts of keys that two places use with different defaults: the arming
// labels and the OnFail entry read "604"/"605" as "Start"/"Stop" (the run buttons show
// "START"/"STOP"); the record listing reads "727" as the record-set message.
inline constexpr std::string_view kArmingStartDefault = "Start";
inline constexpr std::string_view kArmingStopDefault = "Stop";
inline constexpr std::string_view kNoRecordDefault = "Can not found record in Database.";

}  // namespace measure
