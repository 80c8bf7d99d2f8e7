// The language file CTR_TOOLV38XX.ini as a user or a translator may leave it: reading it and
// looking up catalogued keys in every language never fails, and every text handed out is
// UTF-8.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "input_file.h"
#include "measure/text_catalog.h"
#include "measure/texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::writeInputFile("texts.ini", data, size);
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
