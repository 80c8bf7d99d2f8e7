#pragma once
// The texts of the add-in's forms: each has a text id of the settings file's language sections
// and its English default, used when the settings file has no text for it.

#include <map>
#include <string>
#include <vector>

#include "addin/forms/server.h"

namespace addin::forms {

struct FormText {
  const char* id;
  const char* english;
};

// Every text id the forms use, with its English text.
const std::vector<FormText>& formTexts();

// The texts in the add-in's current language. The settings file is looked for once (a missing
// file is reported once, not for every text); then the English defaults are used.
class Texts {
 public:
  explicit Texts(Server& server);
  std::string operator()(const char* id) const;
  // The settings file is there (languages can be chosen).
  bool settings() const { return settings_; }

 private:
  Server* server_;
  bool settings_ = false;
};

}  // namespace addin::forms
