#include "visa/search_expression.h"

#include <cctype>
#include <utility>

namespace visa {

namespace {

constexpr size_t kMaxExpressionLength = 4096;
constexpr int kMaxNesting = 64;

unsigned char lower(unsigned char c) { return static_cast<unsigned char>(std::tolower(c)); }
unsigned char upper(unsigned char c) { return static_cast<unsigned char>(std::toupper(c)); }

}  // namespace

bool SearchExpression::CharClass::contains(unsigned char c) const {
  bool found = false;
  for (const auto& [lo, hi] : ranges) {
    for (unsigned char v : {c, lower(c), upper(c)}) {
      if (v >= lo && v <= hi) found = true;
    }
  }
  return found != negated;
}

// Thompson construction: every construct becomes a fragment with one entry state and a list
// of exits still to be connected. Matching then walks all states at once, so no expression
// can make it take more than (name length x states) steps.
class SearchExpressionParser {
 public:
  SearchExpressionParser(std::string_view text, SearchExpression* e) : text_(text), e_(e) {}

  bool parse() {
    Fragment f;
    if (!parseAlternation(0, &f)) return false;
    if (pos_ < text_.size()) return fail("unmatched ')'");
    const int match = add({SearchExpression::State::Kind::Match});
    patch(f.exits, match);
    e_->start_ = f.start;
    return true;
  }

  std::string error;

 private:
  using State = SearchExpression::State;
  struct Exit {
    int state;
    bool second;
  };
  struct Fragment {
    int start = -1;
    std::vector<Exit> exits;
  };

  bool fail(std::string why) {
    error = std::move(why);
    return false;
  }

  int add(State s) {
    e_->states_.push_back(s);
    return static_cast<int>(e_->states_.size()) - 1;
  }

  void patch(const std::vector<Exit>& exits, int target) {
    for (const Exit& x : exits) {
      (x.second ? e_->states_[x.state].out2 : e_->states_[x.state].out) = target;
    }
  }

  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return text_[pos_]; }

  bool parseAlternation(int depth, Fragment* out) {
    Fragment left;
    if (!parseSequence(depth, &left)) return false;
    while (!atEnd() && peek() == '|') {
      ++pos_;
      Fragment right;
      if (!parseSequence(depth, &right)) return false;
      State split{State::Kind::Split};
      split.out = left.start;
      split.out2 = right.start;
      Fragment joined;
      joined.start = add(split);
      joined.exits = std::move(left.exits);
      joined.exits.insert(joined.exits.end(), right.exits.begin(), right.exits.end());
      left = std::move(joined);
    }
    *out = std::move(left);
    return true;
  }

  bool parseSequence(int depth, Fragment* out) {
    Fragment seq;
    while (!atEnd() && peek() != '|' && peek() != ')') {
      Fragment atom;
      if (!parseAtom(depth, &atom)) return false;
      while (!atEnd() && (peek() == '*' || peek() == '+')) {
        const bool zeroAllowed = peek() == '*';
        ++pos_;
        State split{State::Kind::Split};
        split.out = atom.start;
        const int s = add(split);
        patch(atom.exits, s);
        if (zeroAllowed) atom.start = s;
        atom.exits = {Exit{s, true}};
      }
      if (seq.start < 0) {
        seq = std::move(atom);
      } else {
        patch(seq.exits, atom.start);
        seq.exits = std::move(atom.exits);
      }
    }
    if (seq.start < 0) return fail("empty expression or alternative");
    *out = std::move(seq);
    return true;
  }

  bool parseAtom(int depth, Fragment* out) {
    const char c = peek();
    ++pos_;
    switch (c) {
      case '?':
        return single(State{State::Kind::Any}, out);
      case '*':
      case '+':
        return fail(std::string("'") + c + "' has nothing to repeat");
      case '{':
        return fail("attribute filters are not supported");
      case '(': {
        if (depth + 1 > kMaxNesting) return fail("groups nested too deeply");
        if (!parseAlternation(depth + 1, out)) return false;
        if (atEnd() || peek() != ')') return fail("unclosed '('");
        ++pos_;
        return true;
      }
      case '[':
        return parseClass(out);
      case '\\':
        if (atEnd()) return fail("'\\' at the end of the expression");
        return literal(static_cast<unsigned char>(text_[pos_++]), out);
      default:
        return literal(static_cast<unsigned char>(c), out);
    }
  }

  bool literal(unsigned char c, Fragment* out) {
    State s{State::Kind::Char};
    s.ch = lower(c);
    return single(s, out);
  }

  bool single(State s, Fragment* out) {
    out->start = add(s);
    out->exits = {Exit{out->start, false}};
    return true;
  }

  bool parseClass(Fragment* out) {
    SearchExpression::CharClass cls;
    if (!atEnd() && peek() == '^') {
      cls.negated = true;
      ++pos_;
    }
    bool first = true;
    while (true) {
      if (atEnd()) return fail("unclosed '['");
      unsigned char lo = static_cast<unsigned char>(text_[pos_]);
      if (lo == ']' && !first) {
        ++pos_;
        break;
      }
      first = false;
      ++pos_;
      if (lo == '\\') {
        if (atEnd()) return fail("unclosed '['");
        lo = static_cast<unsigned char>(text_[pos_++]);
      }
      unsigned char hi = lo;
      if (pos_ + 1 < text_.size() && text_[pos_] == '-' && text_[pos_ + 1] != ']') {
        hi = static_cast<unsigned char>(text_[pos_ + 1]);
        pos_ += 2;
        if (hi == '\\') {
          if (atEnd()) return fail("unclosed '['");
          hi = static_cast<unsigned char>(text_[pos_++]);
        }
        if (hi < lo) return fail("character range out of order");
      }
      cls.ranges.emplace_back(lo, hi);
    }
    e_->classes_.push_back(std::move(cls));
    State s{State::Kind::Class};
    s.cls = static_cast<int>(e_->classes_.size()) - 1;
    return single(s, out);
  }

  std::string_view text_;
  size_t pos_ = 0;
  SearchExpression* e_;
};

ViStatus SearchExpression::compile(std::string_view expression, SearchExpression* out,
                                   std::string* error) {
  auto invalid = [&](const std::string& why) {
    if (error) *error = "Invalid search expression: " + why;
    return VI_ERROR_INV_EXPR;
  };
  if (expression.size() > kMaxExpressionLength) return invalid("too long");
  SearchExpression compiled;
  SearchExpressionParser parser(expression, &compiled);
  if (!parser.parse()) return invalid(parser.error);
  *out = std::move(compiled);
  return VI_SUCCESS;
}

bool SearchExpression::matches(std::string_view name) const {
  if (start_ < 0) return false;
  const size_t n = states_.size();
  std::vector<unsigned> mark(n, 0);
  unsigned generation = 0;
  std::vector<int> current, next, stack;

  auto addState = [&](std::vector<int>& list, int s) {
    stack.push_back(s);
    while (!stack.empty()) {
      const int id = stack.back();
      stack.pop_back();
      if (id < 0 || mark[id] == generation) continue;
      mark[id] = generation;
      const State& st = states_[id];
      if (st.kind == State::Kind::Split) {
        stack.push_back(st.out2);
        stack.push_back(st.out);
      } else {
        list.push_back(id);
      }
    }
  };

  ++generation;
  addState(current, start_);
  for (char raw : name) {
    const auto c = static_cast<unsigned char>(raw);
    ++generation;
    next.clear();
    for (int id : current) {
      const State& st = states_[id];
      bool ok = false;
      switch (st.kind) {
        case State::Kind::Char:
          ok = st.ch == lower(c);
          break;
        case State::Kind::Any:
          ok = true;
          break;
        case State::Kind::Class:
          ok = classes_[st.cls].contains(c);
          break;
        default:
          break;
      }
      if (ok) addState(next, st.out);
    }
    std::swap(current, next);
    if (current.empty()) return false;
  }
  for (int id : current) {
    if (states_[id].kind == State::Kind::Match) return true;
  }
  return false;
}

ViStatus matchSearchExpression(std::string_view expression, std::string_view name, bool* matched) {
  SearchExpression e;
  const ViStatus status = SearchExpression::compile(expression, &e);
  const bool result = status == VI_SUCCESS && e.matches(name);
  if (matched) *matched = result;
  return status;
}

}  // namespace visa
