#pragma once
// viFindRsrc search expressions in VISA's regular-expression dialect:
//   ?        any one character
//   *        zero or more of the preceding character or group
//   +        one or more of the preceding character or group
//   [list]   one character of the list (ranges "0-9"); [^list] one character not in it
//   (a|b)    grouping and alternation; a|b at the top level too
//   \c       the character c itself
// Matching ignores letter case and the whole resource name must match. Attribute filters
// ("{VI_ATTR_...}") are not supported and make the expression invalid.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "visa/visa_types.h"

namespace visa {

class SearchExpression {
 public:
  // VI_SUCCESS, or VI_ERROR_INV_EXPR when `expression` is malformed (then `*out` is unchanged
  // and `error` says why).
  static ViStatus compile(std::string_view expression, SearchExpression* out,
                          std::string* error = nullptr);

  bool matches(std::string_view name) const;

 private:
  struct State {
    enum class Kind { Char, Any, Class, Split, Match } kind = Kind::Match;
    unsigned char ch = 0;  // Char: lower-case byte
    int cls = -1;          // Class: index into classes_
    int out = -1;
    int out2 = -1;  // Split only
  };
  struct CharClass {
    bool negated = false;
    std::vector<std::pair<unsigned char, unsigned char>> ranges;
    bool contains(unsigned char c) const;
  };

  std::vector<State> states_;
  std::vector<CharClass> classes_;
  int start_ = -1;

  friend class SearchExpressionParser;
};

// Compiles `expression` and matches `name` against it in one call: VI_SUCCESS with `*matched`
// set, or VI_ERROR_INV_EXPR (then `*matched` is false).
ViStatus matchSearchExpression(std::string_view expression, std::string_view name, bool* matched);

}  // namespace visa
