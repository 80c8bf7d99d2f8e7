#pragma once
// The plain settings of the simulated counter, kept as a table: each entry names its SCPI
// header, its key in the settings dump, its kind (on/off, one of a list of words, a number
// with units and limits), its power-on value and the models that have it. Commands set an
// entry, queries read it back; what the settings mean for a reading is decided elsewhere.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scpi_parser.h"

namespace sim {

enum class SettingKind { Flag, Choice, Number, Integer };

struct SettingDefinition {
  const char* pattern;  // header pattern; '#' nodes carry the input number
  const char* key;      // '#' stands for the input: "" for input 1, "2" for input 2
  SettingKind kind;
  const char* initial;                    // power-on value; '#' stands for the input number
  const char* resetValue = nullptr;       // value after *RST when it differs from the power-on one
  std::vector<const char*> choices = {};  // Choice: mnemonic forms ("IMMediate")
  double min = 0;                         // Number, Integer
  double max = 0;
  std::vector<std::string_view> units = {};  // Number: unit words accepted after the value
  std::vector<double> allowed = {};          // Number: the only values accepted, when given
  bool fullOnly = false;                     // V3800A only
  bool perInput = false;                     // the pattern carries the input number ("EVENt#")
  bool strings = false;                      // Choice: also accepted as a quoted string ("INPut2")
};

class InstrumentSettings {
 public:
  explicit InstrumentSettings(bool compact);

  static const std::vector<SettingDefinition>& definitions();
  bool available(const SettingDefinition& def) const { return !(compact_ && def.fullOnly); }
  // Inputs with their own conditioning: 2 on the V3800A (input 3 has none), 1 on the V3820A.
  int conditionedInputs() const { return compact_ ? 1 : 2; }
  static std::string keyFor(const SettingDefinition& def, int input);

  // Power-on values (`afterReset` false) or the values after *RST.
  void reset(bool afterReset);

  // A command for `def` on `input`: returns 0 and the key changed, or the SCPI error.
  int apply(const SettingDefinition& def, int input, const std::vector<Parameter>& parameters,
            std::string* changedKey);
  // A query: returns 0 and the answer text, or the SCPI error.
  int query(const SettingDefinition& def, int input, const std::vector<Parameter>& parameters,
            std::string* answer) const;

  std::string text(const std::string& key) const;  // "" when unknown
  double number(const std::string& key) const;
  bool flag(const std::string& key) const;
  void set(const std::string& key, std::string value);
  const std::map<std::string, std::string>& values() const { return values_; }

 private:
  int parseValue(const SettingDefinition& def, const Parameter& p, std::string* value) const;

  bool compact_;
  std::map<std::string, std::string> values_;
};

}  // namespace sim
