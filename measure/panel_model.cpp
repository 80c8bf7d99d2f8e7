#include "measure/panel_model.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <utility>

#include "core/interaction.h"
#include "core/text_format.h"
#include "measure/language.h"
#include "measure/panel_controls.h"
#include "measure/text_catalog.h"

namespace measure {
namespace {

namespace fc = function_code;

std::size_t idx(Ctl id) { return static_cast<std::size_t>(id); }

// The conditioning controls of one input, in the order Run Start programs them.
struct InputControls {
  Ctl mode, percent, percentLabel, edit, voltsLabel, slope, sens, coupl, imped, atten, filter;
};
constexpr InputControls kInput1{Ctl::In1LevelMode, Ctl::In1LevelPercent, Ctl::In1PercentLabel,
                                Ctl::In1LevelEdit, Ctl::In1VoltsLabel,   Ctl::In1Slope,
                                Ctl::In1Sens,      Ctl::In1Coupl,        Ctl::In1Imped,
                                Ctl::In1Atten,     Ctl::In1Filter};
constexpr InputControls kInput2{Ctl::In2LevelMode, Ctl::In2LevelPercent, Ctl::In2PercentLabel,
                                Ctl::In2LevelEdit, Ctl::In2VoltsLabel,   Ctl::In2Slope,
                                Ctl::In2Sens,      Ctl::In2Coupl,        Ctl::In2Imped,
                                Ctl::In2Atten,     Ctl::In2Filter};

constexpr Ctl kGroupPageButtons[] = {Ctl::FreqRatioPage, Ctl::TimePeriodPage, Ctl::VoltPage,
                                     Ctl::OtherMeasPage};
constexpr Ctl kOptionPageButtons[] = {Ctl::UtilityPage, Ctl::GateExtArmPage, Ctl::LimitModesPage,
                                      Ctl::ScaleOffsetPage};
constexpr Ctl kChannelButtons[] = {Ctl::Ch1Button, Ctl::Ch2Button, Ctl::Ch3Button};
constexpr Ctl kConditioningLabels[] = {Ctl::LevelLabel, Ctl::SlopeLabel, Ctl::SensLabel,
                                       Ctl::CouplLabel, Ctl::ImpedLabel};
constexpr Ctl kStatisticsDetails[] = {
    Ctl::StatsTypeList, Ctl::StatsCountLabel,  Ctl::StatsCountEdit, Ctl::StatsUseLabel,
    Ctl::StatsUseList,  Ctl::StatsSingleLabel, Ctl::StatsSingleList};
constexpr Ctl kCompactIndicators[] = {Ctl::FreqCh1Indicator, Ctl::PeriodCh1Indicator,
                                      Ctl::VoltCh1Indicator, Ctl::TotalCh1Indicator};

// Level percent list indexes ("0", "10", ... "100").
constexpr int kPercent10 = 1;
constexpr int kPercent50 = 5;
constexpr int kPercent90 = 9;

constexpr long kStopAfterNMin = 1;
constexpr long kStopAfterNMax = 10000000;

Ctl pageButton(Page page) {
  switch (page) {
    case Page::FreqRatio:
      return Ctl::FreqRatioPage;
    case Page::TimePeriod:
      return Ctl::TimePeriodPage;
    case Page::Volt:
      return Ctl::VoltPage;
    case Page::OtherMeas:
      return Ctl::OtherMeasPage;
    case Page::Utility:
      return Ctl::UtilityPage;
    case Page::GateExtArm:
      return Ctl::GateExtArmPage;
    case Page::LimitModes:
      return Ctl::LimitModesPage;
    case Page::ScaleOffset:
      return Ctl::ScaleOffsetPage;
  }
  return Ctl::FreqRatioPage;
}

// The group page that holds a function.
Page groupPageOf(int code) {
  switch (code) {
    case fc::kPeriod:
    case fc::kEdge:
    case fc::kWidth:
    case fc::kIntval:
      return Page::TimePeriod;
    case fc::kVolt:
      return Page::Volt;
    case fc::kPhase:
    case fc::kDutyCycle:
    case fc::kTotal:
      return Page::OtherMeas;
    default:
      return Page::FreqRatio;
  }
}

// Function buttons of the full panel: code and the siblings of its group.
struct FunctionButton {
  Ctl button;
  int code;
  std::initializer_list<Ctl> group;
};
const FunctionButton kFunctionButtons[] = {
    {Ctl::FreqButton, fc::kFreq, {Ctl::FreqButton, Ctl::RatioButton}},
    {Ctl::RatioButton, fc::kRatio, {Ctl::FreqButton, Ctl::RatioButton}},
    {Ctl::PeriodButton,
     fc::kPeriod,
     {Ctl::PeriodButton, Ctl::EdgeButton, Ctl::WidthButton, Ctl::IntvalButton}},
    {Ctl::EdgeButton,
     fc::kEdge,
     {Ctl::PeriodButton, Ctl::EdgeButton, Ctl::WidthButton, Ctl::IntvalButton}},
    {Ctl::WidthButton,
     fc::kWidth,
     {Ctl::PeriodButton, Ctl::EdgeButton, Ctl::WidthButton, Ctl::IntvalButton}},
    {Ctl::IntvalButton,
     fc::kIntval,
     {Ctl::PeriodButton, Ctl::EdgeButton, Ctl::WidthButton, Ctl::IntvalButton}},
    {Ctl::PhaseButton, fc::kPhase, {Ctl::PhaseButton, Ctl::DutyCycleButton, Ctl::TotalButton}},
    {Ctl::DutyCycleButton,
     fc::kDutyCycle,
     {Ctl::PhaseButton, Ctl::DutyCycleButton, Ctl::TotalButton}},
    {Ctl::TotalButton, fc::kTotal, {Ctl::PhaseButton, Ctl::DutyCycleButton, Ctl::TotalButton}},
};

const FunctionButton* functionButton(Ctl id) {
  for (const auto& f : kFunctionButtons) {
    if (f.button == id) return &f;
  }
  return nullptr;
}

// Counts UTF-8 characters so that a cut never splits one.
std::string cutToCharacters(std::string text, std::size_t maxCharacters) {
  if (maxCharacters == 0) return text;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (characters == maxCharacters) return text.substr(0, i);
      ++characters;
    }
  }
  return text;
}

std::vector<PanelText> toVector(std::span<const PanelText> entries) {
  return {entries.begin(), entries.end()};
}

// The N field's check: an integer (blanks around it allowed) within 1..10000000.
bool parseStopAfterN(std::string_view text, long* value) {
  std::size_t begin = text.find_first_not_of(" \t");
  std::size_t end = text.find_last_not_of(" \t");
  if (begin == std::string_view::npos) return false;
  const std::string_view digits = text.substr(begin, end - begin + 1);
  std::size_t i = (digits[0] == '+' || digits[0] == '-') ? 1 : 0;
  if (i == digits.size()) return false;
  for (std::size_t k = i; k < digits.size(); ++k) {
    if (digits[k] < '0' || digits[k] > '9') return false;
  }
  const long long n = core::leadingInteger(digits);
  if (n < kStopAfterNMin || n > kStopAfterNMax) return false;
  *value = static_cast<long>(n);
  return true;
}

}  // namespace

PanelModel::PanelModel(core::Interaction& interaction, std::function<std::string()> modelCode,
                       Texts texts)
    : interaction_(interaction), modelCode_(std::move(modelCode)), texts_(std::move(texts)) {
  controls_.resize(kControlCount);
  entryTexts_.resize(kControlCount);
  captionTexts_.resize(kControlCount);
  for (const ControlDef& d : panelControlDefs()) {
    const std::size_t i = idx(d.id);
    Control& c = controls_[i];
    c.id = d.id;
    c.name = d.name;
    c.kind = d.kind;
    c.variant = d.variant;
    c.page = d.page;
    c.dialogId = d.dialogId;
    c.maxLength = d.maxLength;
    c.text = std::string(d.text);
    captionTexts_[i] = d.caption;
    entryTexts_[i].assign(d.entries.begin(), d.entries.end());
    for (const PanelText& e : entryTexts_[i]) c.entries.push_back(resolve(e));
    c.selected = c.entries.empty() ? -1 : d.selected;
  }
  for (std::size_t i = 0; i < kControlCount; ++i) controls_[i].caption = captionOf(i);
  // One function of each group is selected from the start.
  for (Ctl id : {Ctl::FreqButton, Ctl::PeriodButton, Ctl::PhaseButton}) mut(id).checked = true;
  // The button bar and the reading controls are always there; the pages open once an
  // instrument is identified.
  for (Ctl id : kGroupPageButtons) mut(id).visible = true;
  for (Ctl id : kOptionPageButtons) mut(id).visible = true;
  for (Ctl id :
       {Ctl::RunButton, Ctl::StopButton, Ctl::ReadSpeedLabel, Ctl::ReadSpeed, Ctl::DotsLabel,
        Ctl::Dots, Ctl::StopTimeBox, Ctl::StopAfterNBox, Ctl::StopAfterNCount, Ctl::ChartCaption}) {
    mut(id).visible = true;
  }
  mut(Ctl::FreqRatioPage).checked = true;
}

// ---- Controls

const Control& PanelModel::control(Ctl id) const { return controls_.at(idx(id)); }

Control& PanelModel::mut(Ctl id) { return controls_.at(idx(id)); }

std::string_view PanelModel::choice(Ctl list) const {
  const Control& c = control(list);
  const auto& texts = entryTexts_[idx(list)];
  if (c.selected < 0 || static_cast<std::size_t>(c.selected) >= texts.size()) return {};
  return texts[static_cast<std::size_t>(c.selected)].english;
}

std::string PanelModel::resolve(PanelText text) const {
  if (text.key.empty()) return std::string(text.english);
  std::string resolved = texts_.get(text.key);
  if (!text.secondKey.empty()) resolved += std::string(text.joiner) + texts_.get(text.secondKey);
  return resolved;
}

std::string PanelModel::captionOf(std::size_t i) const {
  std::string caption = resolve(captionTexts_[i]);
  // The run buttons' texts are kept in the main window's short label fields.
  const Ctl id = static_cast<Ctl>(i);
  if (id == Ctl::RunButton || id == Ctl::StopButton) caption = fitLabelField(caption);
  return caption;
}

void PanelModel::notify(Ctl id) {
  if (onChange_) onChange_(id);
}

void PanelModel::setVisible(Ctl id, bool visible) {
  if (mut(id).visible == visible) return;
  mut(id).visible = visible;
  notify(id);
}

void PanelModel::setEnabled(Ctl id, bool enabled) {
  if (mut(id).enabled == enabled) return;
  mut(id).enabled = enabled;
  notify(id);
}

void PanelModel::setCheckedState(Ctl id, bool checked) {
  if (mut(id).checked == checked) return;
  mut(id).checked = checked;
  notify(id);
}

void PanelModel::setSelected(Ctl id, int index) {
  if (mut(id).selected == index) return;
  mut(id).selected = index;
  notify(id);
}

void PanelModel::setEditText(Ctl id, std::string text) {
  text = cutToCharacters(std::move(text), mut(id).maxLength);
  if (mut(id).text == text) return;
  mut(id).text = std::move(text);
  notify(id);
}

void PanelModel::setCaption(Ctl id, std::string caption) {
  if (mut(id).caption == caption) return;
  mut(id).caption = std::move(caption);
  notify(id);
}

void PanelModel::setEntries(Ctl id, std::vector<PanelText> entries, int selected) {
  Control& c = mut(id);
  std::vector<std::string> resolved;
  for (const PanelText& e : entries) resolved.push_back(resolve(e));
  entryTexts_[idx(id)] = std::move(entries);
  if (c.entries == resolved && c.selected == selected) return;
  c.entries = std::move(resolved);
  c.selected = selected;
  notify(id);
}

void PanelModel::setRunHandlers(std::function<void()> runStart, std::function<void()> runStop,
                                std::function<bool()> running) {
  runStart_ = std::move(runStart);
  runStop_ = std::move(runStop);
  running_ = std::move(running);
}

void PanelModel::setReadSpeedHandler(std::function<void(int)> handler) {
  onReadSpeed_ = std::move(handler);
}

void PanelModel::setDotsHandler(std::function<void(int, const std::string&)> handler) {
  onDots_ = std::move(handler);
}

// ---- State

std::string PanelModel::modelCode() const {
  return modelCode_ ? modelCode_() : std::string(kModelNone);
}

bool PanelModel::full() const { return modelCode() == kModelFull; }
bool PanelModel::compact() const { return modelCode() == kModelCompact; }

bool PanelModel::identified() const {
  const std::string code = modelCode();
  return !code.empty() && code != kModelNone;
}

bool PanelModel::isRunning() const { return running_ ? running_() : runStarted_; }

int PanelModel::readIntervalMs() const {
  const std::string_view entry = choice(Ctl::ReadSpeed);
  return entry.empty() ? 100 : static_cast<int>(core::leadingInteger(entry));
}

int PanelModel::dots() const {
  const std::string_view entry = choice(Ctl::Dots);
  return entry.empty() ? 100 : static_cast<int>(core::leadingInteger(entry));
}

// ---- User actions

void PanelModel::springBack(Ctl button) {
  setCheckedState(button, false);
  notify(button);  // the widget toggled itself on the click; make it show the model again
}

void PanelModel::press(Ctl id) {
  switch (id) {
    case Ctl::FreqRatioPage:
      openGroupPage(Page::FreqRatio);
      break;
    case Ctl::TimePeriodPage:
      openGroupPage(Page::TimePeriod);
      break;
    case Ctl::VoltPage:
      openGroupPage(Page::Volt);
      break;
    case Ctl::OtherMeasPage:
      openGroupPage(Page::OtherMeas);
      break;
    case Ctl::UtilityPage:
      togglePage(Page::Utility);
      break;
    case Ctl::GateExtArmPage:
      togglePage(Page::GateExtArm);
      break;
    case Ctl::LimitModesPage:
      togglePage(Page::LimitModes);
      break;
    case Ctl::ScaleOffsetPage:
      togglePage(Page::ScaleOffset);
      break;
    case Ctl::RunButton:
      if (!identified()) return springBack(id);
      setCheckedState(Ctl::RunButton, true);
      if (isRunning()) break;  // a run is already on: the button just stays pressed
      setCheckedState(Ctl::StopButton, false);
      // Run Start itself reads the N field (from the menu as well).
      if (runStart_) runStart_();
      break;
    case Ctl::StopButton:
      if (!identified()) return springBack(id);
      if (isRunning() && runStop_) runStop_();
      setCheckedState(Ctl::RunButton, false);
      setCheckedState(Ctl::StopButton, true);
      break;
    case Ctl::Ch1Button:
    case Ctl::Ch2Button:
    case Ctl::Ch3Button:
      if (!identified()) return springBack(id);
      for (Ctl b : kChannelButtons) setCheckedState(b, b == id);
      showInput(id == Ctl::Ch1Button ? 1 : (id == Ctl::Ch2Button ? 2 : 3));
      break;
    default:
      if (functionButton(id)) {
        if (!identified()) return springBack(id);
        if (full()) pressFunction(id);
      } else if (control(id).kind == CtlKind::CheckBox) {
        setChecked(id, !control(id).checked);
        return;
      }
      break;
  }
  notify(id);
}

bool PanelModel::select(Ctl id, int index) {
  const Control& c = control(id);
  if (c.kind != CtlKind::List || index < -1 || index >= static_cast<int>(c.entries.size())) {
    return false;
  }
  setSelected(id, index);
  switch (id) {
    case Ctl::FreqInput:
    case Ctl::RatioList:
    case Ctl::PeriodInput:
    case Ctl::IntvalList:
    case Ctl::VoltInput: {
      const int code = id == Ctl::FreqInput     ? fc::kFreq
                       : id == Ctl::RatioList   ? fc::kRatio
                       : id == Ctl::PeriodInput ? fc::kPeriod
                       : id == Ctl::IntvalList  ? fc::kIntval
                                                : fc::kVolt;
      if (full() && functionCode_ == code) deriveInputs(code);
      break;
    }
    case Ctl::EdgeList:
      if (full() && functionCode_ == fc::kEdge) {
        applyLevelPercents(fc::kEdge);
        deriveInputs(fc::kEdge);
      }
      break;
    case Ctl::GateList:
    case Ctl::StopList:
    case Ctl::StartSourceList:
    case Ctl::TotalStartList:
    case Ctl::TotalStopList:
    case Ctl::ArmStartList:
    case Ctl::ArmStartDelayList:
    case Ctl::ArmStopList:
    case Ctl::ArmStopDelayList:
    case Ctl::CompactGateList:
    case Ctl::CompactStopList:
      refreshArming();
      break;
    case Ctl::In1LevelMode:
    case Ctl::In2LevelMode:
      refreshConditioning();
      break;
    case Ctl::ReadSpeed:
      if (isRunning() && onReadSpeed_) onReadSpeed_(readIntervalMs());
      break;
    case Ctl::Dots:
      if (onDots_) onDots_(trendCapacity(), std::to_string(dots()));
      break;
    default:
      break;
  }
  notify(id);
  return true;
}

void PanelModel::setChecked(Ctl id, bool checked) {
  if (control(id).kind == CtlKind::Button) {
    press(id);
    return;
  }
  if (control(id).kind != CtlKind::CheckBox) return;
  setCheckedState(id, checked);
  switch (id) {
    case Ctl::StopTimeBox:
      // The two stop conditions exclude each other.
      setCheckedState(Ctl::StopAfterNBox, false);
      break;
    case Ctl::StopAfterNBox:
      checkStopAfterN();
      setCheckedState(Ctl::StopTimeBox, false);
      if (onFocus_) onFocus_(checked ? Ctl::StopAfterNCount : Ctl::StopAfterNBox);
      break;
    case Ctl::StatsShowBox:
      refreshStatistics();
      break;
    default:
      break;
  }
  notify(id);
}

void PanelModel::setText(Ctl id, std::string text) {
  if (control(id).kind != CtlKind::Edit) return;
  setEditText(id, std::move(text));
}

bool PanelModel::readStopAfterN() {
  long n = 0;
  if (!parseStopAfterN(control(Ctl::StopAfterNCount).text, &n)) return false;
  stopAfterN_ = n;
  return true;
}

std::string PanelModel::fieldName(Ctl edit) const {
  auto caption = [this](Ctl label) { return control(label).caption; };
  switch (edit) {
    case Ctl::GateTimeEdit:
      return caption(Ctl::GateLabel);
    case Ctl::CompactGateTimeEdit:
      return caption(Ctl::CompactGateLabel);
    case Ctl::StopTimeEdit:
      return caption(Ctl::StopLabel) + " " + caption(Ctl::StopTimeUnitLabel);
    case Ctl::CompactStopTimeEdit:
      return caption(Ctl::CompactStopLabel) + " " + caption(Ctl::CompactStopTimeUnitLabel);
    case Ctl::ArmStartDelayEdit:
    case Ctl::ArmStartCountEdit:
      return caption(Ctl::ArmStartDelayLabel);
    case Ctl::ArmStopDelayEdit:
    case Ctl::ArmStopCountEdit:
      return caption(Ctl::ArmStopDelayLabel);
    case Ctl::UpperEdit:
      return caption(Ctl::UpperLabel);
    case Ctl::LowerEdit:
      return caption(Ctl::LowerLabel);
    case Ctl::CompactUpperEdit:
      return caption(Ctl::CompactUpperLabel);
    case Ctl::CompactLowerEdit:
      return caption(Ctl::CompactLowerLabel);
    case Ctl::ScaleEdit:
      return caption(Ctl::ScaleLabel);
    case Ctl::OffsetEdit:
      return caption(Ctl::OffsetLabel);
    case Ctl::CompactScaleEdit:
      return caption(Ctl::CompactScaleLabel);
    case Ctl::CompactOffsetEdit:
      return caption(Ctl::CompactOffsetLabel);
    case Ctl::StatsCountEdit:
      return caption(Ctl::StatsCountLabel);
    case Ctl::In1LevelEdit:
      return caption(Ctl::LevelLabel) + " (" + texts_.get("511") + ")";
    case Ctl::In2LevelEdit:
      return caption(Ctl::LevelLabel) + " (" + texts_.get("512") + ")";
    case Ctl::StopAfterNCount:
      return caption(Ctl::StopAfterNBox);
    default:
      return std::string(control(edit).name);
  }
}

void PanelModel::checkStopAfterN() {
  long n = 0;
  if (parseStopAfterN(control(Ctl::StopAfterNCount).text, &n)) {
    stopAfterN_ = n;
    return;
  }
  interaction_.message(texts_.get("1159"), std::string(kAppTitle), core::Icon::Exclamation);
}

// ---- Pages (group pages open a function, option pages toggle)

void PanelModel::openGroupPage(Page page) {
  const Ctl button = pageButton(page);
  if (!identified()) return springBack(button);
  for (Ctl b : kGroupPageButtons) setCheckedState(b, b == button);
  page_ = static_cast<int>(page);
  previousFunctionCode_ = functionCode_;
  int code = functionCode_;
  if (full()) {
    auto firstChecked = [this](std::initializer_list<std::pair<Ctl, int>> buttons) {
      for (const auto& [b, c] : buttons) {
        if (control(b).checked) return c;
      }
      return buttons.begin()->second;
    };
    switch (page) {
      case Page::FreqRatio:
        code = control(Ctl::FreqButton).checked ? fc::kFreq : fc::kRatio;
        break;
      case Page::TimePeriod:
        code = firstChecked({{Ctl::PeriodButton, fc::kPeriod},
                             {Ctl::EdgeButton, fc::kEdge},
                             {Ctl::WidthButton, fc::kWidth},
                             {Ctl::IntvalButton, fc::kIntval}});
        break;
      case Page::Volt:
        code = fc::kVolt;
        break;
      default:
        code = firstChecked({{Ctl::PhaseButton, fc::kPhase},
                             {Ctl::DutyCycleButton, fc::kDutyCycle},
                             {Ctl::TotalButton, fc::kTotal}});
        break;
    }
  } else if (compact()) {
    constexpr int kCompactCodes[] = {fc::kFreq, fc::kPeriod, fc::kVolt, fc::kTotal};
    code = kCompactCodes[static_cast<int>(page)];
    for (Ctl b : kCompactIndicators) {
      setCheckedState(b, b == kCompactIndicators[static_cast<int>(page)]);
    }
  } else {
    showOnlyPageControls([](const Control&) { return false; });
    return;  // an instrument of another model: no panel to show
  }
  functionCode_ = code;
  if (code != previousFunctionCode_ && !runStarted_) optionClearing();
  showPage(page);
  applyFunction(code);
}

void PanelModel::togglePage(Page page) {
  const Ctl button = pageButton(page);
  if (!identified() || !(full() || compact())) return springBack(button);
  if (page_ == static_cast<int>(page)) {
    closeOptionPage(page);
  } else {
    openOptionPage(page);
  }
}

void PanelModel::reopenGroupPageOfFunction() { openGroupPage(groupPageOf(functionCode_)); }

void PanelModel::closeOptionPage(Page page) {
  switch (page) {
    case Page::Utility:
      setCheckedState(Ctl::TimeBaseBox, false);
      setCheckedState(Ctl::CompactTimeBaseBox, false);
      break;
    case Page::LimitModes:
      setCheckedState(Ctl::SetLimitBox, false);
      setCheckedState(Ctl::CompactSetLimitBox, false);
      break;
    case Page::ScaleOffset:
      setCheckedState(Ctl::SetScaleOffsetBox, false);
      setCheckedState(Ctl::CompactScaleOffsetBox, false);
      break;
    default:
      break;
  }
  setCheckedState(pageButton(page), false);
  reopenGroupPageOfFunction();
  if (page == Page::Utility || page == Page::GateExtArm) {
    // The limit and scale buttons show again that their settings are still on.
    const bool limits = control(full() ? Ctl::SetLimitBox : Ctl::CompactSetLimitBox).checked;
    const bool scale =
        control(full() ? Ctl::SetScaleOffsetBox : Ctl::CompactScaleOffsetBox).checked;
    setCheckedState(Ctl::LimitModesPage, limits);
    setCheckedState(Ctl::ScaleOffsetPage, scale);
  }
}

void PanelModel::openOptionPage(Page page) {
  const Ctl button = pageButton(page);
  if (page_ == static_cast<int>(Page::Utility)) {
    setCheckedState(Ctl::TimeBaseBox, false);
    setCheckedState(Ctl::CompactTimeBaseBox, false);
    setCheckedState(Ctl::UtilityPage, false);
  }
  setCheckedState(Ctl::GateExtArmPage, false);

  const int code = functionCode_;
  auto refuse = [&](const char* key, Page instead) {
    interaction_.message(texts_.get(key), std::string(kAppTitle), core::Icon::Error);
    setCheckedState(button, false);
    notify(button);
    openGroupPage(instead);
  };
  const bool isFull = full();
  switch (page) {
    case Page::Utility: {
      page_ = static_cast<int>(page);
      const Ctl box = isFull ? Ctl::TimeBaseBox : Ctl::CompactTimeBaseBox;
      const Ctl list = isFull ? Ctl::TimeBaseList : Ctl::CompactTimeBaseList;
      showOnlyPageControls([&](const Control& c) { return c.id == box || c.id == list; });
      setCheckedState(box, true);
      setCheckedState(Ctl::LimitModesPage, false);
      setCheckedState(Ctl::ScaleOffsetPage, false);
      break;
    }
    case Page::GateExtArm:
      if (code == fc::kVolt) return refuse("1154", Page::Volt);
      page_ = static_cast<int>(page);
      if (!isFull) setEntries(Ctl::CompactGateList, toVector(compactGateEntries(code)), 0);
      setCheckedState(Ctl::LimitModesPage, false);
      setCheckedState(Ctl::ScaleOffsetPage, false);
      refreshArming();
      break;
    case Page::LimitModes:
      if (code == fc::kVolt) return refuse("1155", Page::Volt);
      if (code == fc::kTotal) {
        return refuse("1156", Page::OtherMeas);
      }
      page_ = static_cast<int>(page);
      showPage(page);
      setCheckedState(isFull ? Ctl::SetLimitBox : Ctl::CompactSetLimitBox, true);
      // Also when the lists still hold another function's units (a function change on the
      // same page does not count as one here).
      if (code != previousFunctionCode_ || !limitUnitsMatch(code)) refillLimitUnits(code);
      break;
    case Page::ScaleOffset:
      if (code == fc::kVolt) return refuse("1157", Page::Volt);
      if (code == fc::kTotal) {
        return refuse("1158", Page::OtherMeas);
      }
      page_ = static_cast<int>(page);
      showPage(page);
      setCheckedState(isFull ? Ctl::SetScaleOffsetBox : Ctl::CompactScaleOffsetBox, true);
      break;
    default:
      return;
  }
  setCheckedState(button, true);
}

void PanelModel::showOnlyPageControls(const std::function<bool(const Control&)>& shown) {
  for (const Control& c : controls_) {
    if (c.page >= 0) setVisible(c.id, shown(c));
  }
}

void PanelModel::showPage(Page page) {
  const PanelVariant variant = full() ? PanelVariant::Full : PanelVariant::Compact;
  showOnlyPageControls(
      [&](const Control& c) { return c.page == static_cast<int>(page) && c.variant == variant; });
}

bool PanelModel::limitUnitsMatch(int code) const {
  const auto units = limitUnitEntries(code);
  const auto& held = entryTexts_[idx(full() ? Ctl::UpperUnit : Ctl::CompactUpperUnit)];
  return std::equal(held.begin(), held.end(), units.begin(), units.end(),
                    [](const PanelText& a, const PanelText& b) { return a.english == b.english; });
}

void PanelModel::refillLimitUnits(int code) {
  const std::vector<PanelText> entries = toVector(limitUnitEntries(code));
  if (full()) {
    setEntries(Ctl::UpperUnit, entries, 2);
    setEntries(Ctl::LowerUnit, entries, 2);
  } else {
    setEntries(Ctl::CompactUpperUnit, entries, 2);
    setEntries(Ctl::CompactLowerUnit, entries, 2);
  }
}

// ---- Functions

void PanelModel::pressFunction(Ctl button) {
  const FunctionButton* f = functionButton(button);
  for (Ctl sibling : f->group) setCheckedState(sibling, sibling == button);
  const int previous = functionCode_;
  functionCode_ = f->code;
  if (f->code != previous && !runStarted_) optionClearing();
  applyFunction(f->code);
}

void PanelModel::applyFunction(int code) {
  applyLevelPercents(code);
  deriveInputs(code);
  applyConditioningEnables(code);
  const bool com = full() && code == fc::kIntval;
  setVisible(Ctl::ComLabel, com);
  setVisible(Ctl::ComList, com);
  refreshStatistics();
  if (!runStarted_) updateChartCaption(code);
}

void PanelModel::optionClearing() {
  for (Ctl b : kOptionPageButtons) setCheckedState(b, false);
  for (Ctl box : {Ctl::TimeBaseBox, Ctl::SetLimitBox, Ctl::SetScaleOffsetBox, Ctl::StatsShowBox,
                  Ctl::CompactTimeBaseBox, Ctl::CompactSetLimitBox, Ctl::CompactScaleOffsetBox}) {
    setCheckedState(box, false);
  }
  statisticsShown_ = false;
  refreshStatistics();
}

void PanelModel::applyLevelPercents(int code) {
  int in1 = kPercent50;
  int in2 = kPercent50;
  switch (code) {
    case fc::kVolt:
      return;
    case fc::kEdge: {
      const bool rise = choice(Ctl::EdgeList) != "Fall";
      in1 = rise ? kPercent10 : kPercent90;
      in2 = rise ? kPercent90 : kPercent10;
      break;
    }
    case fc::kFreq:
    case fc::kRatio:
    case fc::kPeriod:
    case fc::kWidth:
    case fc::kIntval:
    case fc::kPhase:
    case fc::kDutyCycle:
    case fc::kTotal:
      break;
    default:
      return;
  }
  setSelected(Ctl::In1LevelPercent, in1);
  setSelected(Ctl::In2LevelPercent, in2);
}

void PanelModel::deriveInputs(int code) {
  auto flags = [this](bool in1, bool in2) {
    input1Shown_ = in1;
    input2Shown_ = in2;
  };
  if (compact()) {
    flags(true, false);
    return showChannelButtons(true, false, false, 1);
  }
  auto byChannel = [&](std::string_view channel) {
    if (channel == "CH2") {
      flags(false, true);
      showChannelButtons(false, true, false, 2);
    } else if (channel == "CH3") {
      flags(false, false);
      showChannelButtons(false, false, true, 3);
    } else {
      flags(true, false);
      showChannelButtons(true, false, false, 1);
    }
  };
  switch (code) {
    case fc::kFreq:
      return byChannel(choice(Ctl::FreqInput));
    case fc::kPeriod:
      return byChannel(choice(Ctl::PeriodInput));
    case fc::kVolt:
      return byChannel(choice(Ctl::VoltInput));
    case fc::kRatio: {
      const std::string_view ratio = choice(Ctl::RatioList);
      if (ratio == "1_to_3" || ratio == "3_to_1") {
        flags(true, false);
        return showChannelButtons(true, false, true, 1);
      }
      flags(true, true);
      return showChannelButtons(true, true, false, ratio == "2_to_1" ? 2 : 1);
    }
    case fc::kTotal:
      flags(true, false);
      return showChannelButtons(true, false, false, 1);
    default:  // Edge, Width, Intval, Phase, Duty Cycle
      flags(true, true);
      return showChannelButtons(true, true, false, 1);
  }
}

void PanelModel::showChannelButtons(bool ch1, bool ch2, bool ch3, int displayed) {
  const bool shown[] = {ch1, ch2, ch3};
  for (int i = 0; i < 3; ++i) {
    setVisible(kChannelButtons[i], shown[i]);
    setCheckedState(kChannelButtons[i], i + 1 == displayed);
  }
  showInput(displayed);
}

void PanelModel::showInput(int input) {
  displayedInput_ = input;
  conditioningShown_ = true;
  captionTexts_[idx(Ctl::InputGroupCaption)] = input == 3   ? PanelText{"520", "CH3"}
                                               : input == 2 ? PanelText{"512", "CH2"}
                                                            : PanelText{"511", "CH1"};
  setCaption(Ctl::InputGroupCaption, resolve(captionTexts_[idx(Ctl::InputGroupCaption)]));
  refreshConditioning();
}

void PanelModel::refreshConditioning() {
  setVisible(Ctl::InputGroupCaption, conditioningShown_);
  const bool inputShown = conditioningShown_ && (displayedInput_ == 1 || displayedInput_ == 2);
  for (Ctl label : kConditioningLabels) setVisible(label, inputShown);
  for (int input = 1; input <= 2; ++input) {
    const InputControls& in = input == 1 ? kInput1 : kInput2;
    const bool shown = inputShown && displayedInput_ == input && (input == 1 || !compact());
    const bool absolute = choice(in.mode) == "Absolute";
    setVisible(in.mode, shown);
    setVisible(in.percent, shown && !absolute);
    setVisible(in.percentLabel, shown && !absolute);
    setVisible(in.edit, shown && absolute);
    setVisible(in.voltsLabel, shown && absolute);
    for (Ctl c : {in.slope, in.sens, in.coupl, in.imped, in.atten, in.filter}) {
      setVisible(c, shown);
    }
  }
}

void PanelModel::applyConditioningEnables(int code) {
  for (const InputControls* in : {&kInput1, &kInput2}) {
    for (Ctl c : {in->mode, in->percent, in->edit, in->slope, in->sens, in->coupl, in->imped,
                  in->atten, in->filter}) {
      setEnabled(c, true);
    }
  }
  switch (code) {
    case fc::kEdge:
      setEnabled(Ctl::In1Slope, false);
      for (Ctl c : {Ctl::In2Slope, Ctl::In2Sens, Ctl::In2Coupl, Ctl::In2Imped, Ctl::In2Atten,
                    Ctl::In2Filter}) {
        setEnabled(c, false);
      }
      break;
    case fc::kWidth:
    case fc::kDutyCycle:
      setEnabled(Ctl::In1Slope, false);
      setEnabled(Ctl::In2Slope, false);
      break;
    case fc::kVolt:
      for (const InputControls* in : {&kInput1, &kInput2}) {
        for (Ctl c : {in->mode, in->percent, in->edit, in->slope, in->sens}) setEnabled(c, false);
      }
      break;
    default:
      break;
  }
}

void PanelModel::refreshStatistics() {
  const bool box = control(Ctl::StatsShowBox).visible;
  const bool details = box && control(Ctl::StatsShowBox).checked;
  for (Ctl c : kStatisticsDetails) setVisible(c, details);
}

void PanelModel::refreshArming() {
  if (page_ != static_cast<int>(Page::GateExtArm)) return;
  std::vector<Ctl> shown;
  auto add = [&shown](std::initializer_list<Ctl> ids) { shown.insert(shown.end(), ids); };
  const int code = functionCode_;
  if (full()) {
    switch (code) {
      case fc::kFreq:
      case fc::kRatio:
      case fc::kPeriod: {
        add({Ctl::GateLabel, Ctl::GateList});
        const std::string_view gate = choice(Ctl::GateList);
        if (gate == "Time") add({Ctl::GateTimeEdit, Ctl::GateTimeUnitLabel});
        if (gate == "Ext") {
          add({Ctl::StartSlopeLabel, Ctl::StartSlopeList, Ctl::StopLabel, Ctl::StopList});
          if (choice(Ctl::StopList) == "Time") add({Ctl::StopTimeEdit, Ctl::StopTimeUnitLabel});
        }
        break;
      }
      case fc::kEdge:
      case fc::kWidth:
      case fc::kPhase:
      case fc::kDutyCycle:
        add({Ctl::StartSourceLabel, Ctl::StartSourceList});
        if (choice(Ctl::StartSourceList) == "Ext") {
          add({Ctl::StartSourceSlopeLabel, Ctl::StartSourceSlopeList});
        }
        break;
      case fc::kTotal: {
        add({Ctl::TotalStartLabel, Ctl::TotalStartList});
        const std::string_view start = choice(Ctl::TotalStartList);
        if (start == "Time") add({Ctl::GateTimeEdit, Ctl::GateTimeUnitLabel});
        if (start == "Ext") {
          add({Ctl::StartSlopeLabel, Ctl::StartSlopeList, Ctl::TotalStopLabel, Ctl::TotalStopList});
          if (choice(Ctl::TotalStopList) == "Time") {
            add({Ctl::StopTimeEdit, Ctl::StopTimeUnitLabel});
          }
        }
        break;
      }
      case fc::kIntval: {
        add({Ctl::ArmStartLabel, Ctl::ArmStartList});
        if (choice(Ctl::ArmStartList) == "Ext") {
          add({Ctl::ArmStartDelayLabel, Ctl::ArmStartDelayList, Ctl::ArmStartSlopeLabel,
               Ctl::ArmStartSlopeList, Ctl::ArmStopLabel, Ctl::ArmStopList});
          const std::string_view delay = choice(Ctl::ArmStartDelayList);
          if (delay == "Time") add({Ctl::ArmStartDelayEdit});
          if (delay == "Event") add({Ctl::ArmStartCountEdit});
          if (choice(Ctl::ArmStopList) == "Ext") {
            add({Ctl::ArmStopSlopeLabel, Ctl::ArmStopSlopeList});
          }
        }
        add({Ctl::ArmStopDelayLabel, Ctl::ArmStopDelayList});
        const std::string_view stopDelay = choice(Ctl::ArmStopDelayList);
        if (stopDelay == "Time") add({Ctl::ArmStopDelayEdit});
        if (stopDelay == "Event") add({Ctl::ArmStopCountEdit});
        break;
      }
      default:
        break;
    }
  } else if (compact()) {
    add({Ctl::CompactGateLabel, Ctl::CompactGateList});
    const std::string_view gate = choice(Ctl::CompactGateList);
    const bool stopTime = choice(Ctl::CompactStopList) == "Time";
    if (gate == "Time") {
      add({Ctl::CompactGateTimeEdit, Ctl::CompactGateTimeUnitLabel});
    } else if (code != fc::kTotal || gate == "Ext") {
      add({Ctl::CompactStartSlopeLabel, Ctl::CompactStartSlopeList, Ctl::CompactStopLabel,
           Ctl::CompactStopList});
      // A count stopped by time shows the stop time it sends, as the V3800A's Total does.
      if (stopTime) add({Ctl::CompactStopTimeEdit, Ctl::CompactStopTimeUnitLabel});
    }
  }
  showOnlyPageControls([&shown](const Control& c) {
    return std::find(shown.begin(), shown.end(), c.id) != shown.end();
  });
}

void PanelModel::showRunButtons(bool running) {
  setCheckedState(Ctl::RunButton, running);
  setCheckedState(Ctl::StopButton, !running);
}

void PanelModel::setChartCaptionFunction(int functionCode) { updateChartCaption(functionCode); }

void PanelModel::updateChartCaption(int code) {
  const PanelText name = functionName(code);
  if (name.key.empty()) return;
  captionFunction_ = code;
  setCaption(Ctl::ChartCaption, resolve(name) + " " + texts_.get("806"));
}

// ---- Identification hooks

void PanelModel::onFullModelIdentified() {
  setCheckedState(Ctl::FreqButton, true);
  setSelected(Ctl::FreqInput, 0);
  setCheckedState(Ctl::RatioButton, false);
  for (Ctl b : kCompactIndicators) setCheckedState(b, false);
  setVisible(Ctl::StatsShowBox, true);
  refreshStatistics();
  press(Ctl::FreqRatioPage);
  press(Ctl::StopButton);
}

void PanelModel::onCompactModelIdentified() {
  setCheckedState(Ctl::FreqCh1Indicator, true);
  setVisible(Ctl::StatsShowBox, false);
  setVisible(Ctl::ComLabel, false);
  setVisible(Ctl::ComList, false);
  refreshStatistics();
  press(Ctl::FreqRatioPage);
  press(Ctl::StopButton);
}

void PanelModel::resetInput1Conditioning() {
  setSelected(Ctl::In1LevelMode, 0);
  setSelected(Ctl::In1LevelPercent, kPercent50);
  setEditText(Ctl::In1LevelEdit, "");
  for (Ctl c : {Ctl::In1Slope, Ctl::In1Sens, Ctl::In1Coupl, Ctl::In1Imped}) setSelected(c, 0);
  setCheckedState(Ctl::In1Atten, false);
  setCheckedState(Ctl::In1Filter, false);
}

void PanelModel::onModelChanged() {
  resetInput1Conditioning();
  refreshConditioning();
  press(Ctl::FreqRatioPage);
  previousFunctionCode_ = -1;
}

void PanelModel::resetLayoutNoInstrument() {
  showOnlyPageControls([](const Control&) { return false; });
  for (Ctl b : kGroupPageButtons) setCheckedState(b, false);
  for (Ctl b : kOptionPageButtons) setCheckedState(b, false);
  for (Ctl b : {Ctl::RunButton, Ctl::StopButton}) setCheckedState(b, false);
  for (Ctl b : kChannelButtons) {
    setCheckedState(b, false);
    setVisible(b, false);
  }
  conditioningShown_ = false;
  displayedInput_ = 0;
  refreshConditioning();
  setVisible(Ctl::ComLabel, false);
  setVisible(Ctl::ComList, false);
  setVisible(Ctl::StatsShowBox, false);
  refreshStatistics();
}

// ---- Language

void PanelModel::applyLabels(const Texts& texts) {
  texts_ = texts;
  for (std::size_t i = 0; i < kControlCount; ++i) {
    const Ctl id = static_cast<Ctl>(i);
    setCaption(id, captionOf(i));
    if (entryTexts_[i].empty()) continue;
    int selected = controls_[i].selected;
    if (id == Ctl::IntvalList) selected = 0;
    setEntries(id, entryTexts_[i], selected);
  }
  if (captionFunction_ != fc::kNone) {
    setCaption(Ctl::ChartCaption,
               resolve(functionName(captionFunction_)) + " " + texts_.get("806"));
  }
}

}  // namespace measure
