#include "measure/texts.h"

#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

#include "measure/text_catalog.h"

namespace measure {
namespace {

// A language file is a few kilobytes; anything far larger is not one and is not read.
constexpr std::uintmax_t kMaxIniFileSize = 16u * 1024u * 1024u;

std::optional<std::string> readWholeFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxIniFileSize) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return data;
}

}  // namespace

bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if ((c & 0xE0) == 0xC0) {
      length = 2, code = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, code = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, code = c & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (n - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      code = (code << 6) | (cc & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not UTF-8.
    if (code < minimum || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

std::string fillIn(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string out;
  auto next = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    const char after = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (c == '%' && (after == 's' || after == 'd')) {
      if (next != values.end()) out += *next++;
      ++i;
    } else if (c == '%' && after == '%') {
      out += '%';
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

struct Texts::Data {
  // UTF-8 store, one value per key (a repeated key keeps its last value), and multi-line
  // values written as "key = <<<END" ... "END" for the texts that hold line breaks.
  CSimpleIniA ini{true, false, true};
};

Texts::Texts() = default;

Texts::Texts(std::string iniPath) : iniPath_(std::move(iniPath)) {
  const auto content = readWholeFile(iniPath_);
  if (!content) return;
  auto data = std::make_shared<Data>();
  if (data->ini.LoadData(*content) < 0) return;
  data_ = std::move(data);
}

std::string Texts::get(std::string_view key) const {
  const auto english = catalogDefault(key);
  return lookup(key, english ? *english : key);
}

std::string Texts::lookup(std::string_view key, std::string_view englishDefault) const {
  if (data_) {
    const std::string section(language_);
    const std::string name(key);
    const char* value = data_->ini.GetValue(section.c_str(), name.c_str(), nullptr);
    // A value that is not UTF-8 (a file saved in a legacy code page) would show as
    // garbage; the English text is shown instead.
    if (value && isValidUtf8(value)) return value;
  }
  return std::string(englishDefault);
}

void Texts::setLanguage(std::string_view section) { language_ = std::string(section); }

bool Texts::iniFileExists() const {
  if (iniPath_.empty()) return false;
  std::error_code ec;
  // Only a file that is not there counts as missing; a file that cannot be read for
  // another reason leaves the English texts in place without the warning.
  return std::filesystem::status(iniPath_, ec).type() != std::filesystem::file_type::not_found;
}

}  // namespace measure
