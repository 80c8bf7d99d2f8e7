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

}  // namespace measure
