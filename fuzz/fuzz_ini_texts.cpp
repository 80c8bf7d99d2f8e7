// The language file CTR_TOOLV38XX.ini as a user or a translator may leave it: reading it and
// looking up catalogued keys in every language never fails, and every text handed out is
// UTF-8.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "measure/text_catalog.h"
#include "measure/texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/v38xx-fuzz-texts-" +
           std::to_string(::getpid()) + ".ini";
  }();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  measure::Texts texts(path);
  for (std::string_view language :
       {measure::kEnglish, measure::kChineseTraditional, measure::kChineseSimplified}) {
    texts.setLanguage(language);
    // The first keys of the catalogue (the shipped file and the seeds hold them in order).
    const auto catalog = measure::textCatalog();
    for (std::size_t i = 0; i < catalog.size() && i < 32; ++i) {
      if (!measure::isValidUtf8(texts.get(catalog[i].key))) std::abort();
    }
  }
  return 0;
}
