#include "addin/forms/instrument_setup.h"

#include "core/interaction.h"
#include "core/text_format.h"
#include "measure/panel_model.h"
#include "measure/run_start_program.h"
#include "measure/texts.h"

namespace addin::forms {
namespace {

using measure::Ctl;

// The front panel's model answers nothing to the user here: its checks only refuse.
class Silent : public core::Interaction {
 public:
  core::Answer message(const std::string&, const std::string&, core::Icon, core::Buttons) override {
    return core::Answer::Ok;
  }
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return std::nullopt;
  }
};

// The keys the front panel's user presses for a function, and the list of its inputs.
struct FunctionPress {
  std::vector<Ctl> keys;
  Ctl inputList;  // Ctl::Count_ when there is none
};

const std::vector<FunctionPress>& fullPresses() {
  static const std::vector<FunctionPress> p = {
      {{Ctl::FreqRatioPage, Ctl::FreqButton}, Ctl::FreqInput},
      {{Ctl::FreqRatioPage, Ctl::RatioButton}, Ctl::RatioList},
      {{Ctl::TimePeriodPage, Ctl::PeriodButton}, Ctl::PeriodInput},
      {{Ctl::TimePeriodPage, Ctl::EdgeButton}, Ctl::EdgeList},
      {{Ctl::TimePeriodPage, Ctl::WidthButton}, Ctl::WidthList},
      {{Ctl::TimePeriodPage, Ctl::IntvalButton}, Ctl::IntvalList},
      {{Ctl::VoltPage}, Ctl::VoltInput},
      {{Ctl::OtherMeasPage, Ctl::PhaseButton}, Ctl::Count_},
      {{Ctl::OtherMeasPage, Ctl::DutyCycleButton}, Ctl::Count_},
      {{Ctl::OtherMeasPage, Ctl::TotalButton}, Ctl::Count_},
  };
  return p;
}

const std::vector<FunctionPress>& compactPresses() {
  static const std::vector<FunctionPress> p = {
      {{Ctl::FreqRatioPage}, Ctl::Count_},
      {{Ctl::TimePeriodPage}, Ctl::Count_},
      {{Ctl::VoltPage}, Ctl::Count_},
      {{Ctl::OtherMeasPage}, Ctl::Count_},
  };
  return p;
}

}  // namespace

const std::vector<SetupFunction>& setupFunctions(const std::string& modelCode) {
  static const std::vector<SetupFunction> full = {
      {"411", 3, true},  {"412", 4, true},  {"413", 3, true},  {"414", 2, false},
      {"415", 2, false}, {"416", 2, false}, {"417", 2, false}, {"418", 1, false},
      {"419", 1, false}, {"420", 1, false}};
  static const std::vector<SetupFunction> compact = {
      {"411", 1, true}, {"413", 1, true}, {"417", 1, false}, {"420", 1, false}};
  static const std::vector<SetupFunction> none;
  if (modelCode == "3800") return full;
  if (modelCode == "3820") return compact;
  return none;
}

std::string modelCodeOf(const std::string& identification) {
  const std::string upper = core::toUpper(identification);
  if (upper.find("V3800A") != std::string::npos) return "3800";
  if (upper.find("V3820A") != std::string::npos) return "3820";
  return "0";
}

std::vector<std::string> setupCommands(const std::string& modelCode, const SetupChoice& choice) {
  const auto& functions = setupFunctions(modelCode);
  if (choice.function < 0 || choice.function >= static_cast<int>(functions.size())) return {};
  Silent ui;
  measure::Texts texts;
  std::string code = modelCode;
  measure::PanelModel panel(
      ui, [&code] { return code; }, texts);
  panel.setRunHandlers([] {}, [] {}, [] { return false; });
  const bool full = modelCode == "3800";
  if (full)
    panel.onFullModelIdentified();
  else
    panel.onCompactModelIdentified();
  panel.onModelChanged();

  const FunctionPress& press = (full ? fullPresses() : compactPresses())[choice.function];
  for (Ctl key : press.keys) panel.press(key);
  if (press.inputList != Ctl::Count_ && choice.input > 0)
    panel.select(press.inputList, choice.input);
  if (functions[choice.function].gate) {
    panel.press(Ctl::GateExtArmPage);
    panel.setText(full ? Ctl::GateTimeEdit : Ctl::CompactGateTimeEdit, choice.gateTime);
  }
  return measure::buildRunStartProgram(panel, texts).commands;
}

}  // namespace addin::forms
