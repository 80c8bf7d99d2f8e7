#pragma once
// The virtual front panel of the main window as plain data. Every control of the full panel
// (V3800A, model code "3800") and of the compact panel (V3820A, "3820") lives in one table with
// its caption, list entries, selection, check state, edit text and enabled/visible flags; the
// panel's state values (function code, page, input panel flags, run started, statistics shown)
// are members, and every handler that links the controls is a member too. The controls are the
// settings: Run Start (measure/run_start_program.h) reads them.
//
// A widget layer builds itself from controls(), forwards the user's actions to press(),
// select(), setChecked() and setText(), and refreshes a control whenever the change handler
// names it. Captions keep the dialog convention of "&&" for one ampersand ("Time && Period").

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/texts.h"

namespace core {
class Interaction;
}

namespace measure {

inline constexpr std::string_view kModelNone = "0";
inline constexpr std::string_view kModelFull = "3800";
inline constexpr std::string_view kModelCompact = "3820";

// Function codes of the measurement functions, shared with Run Start, the reading loop and the
// value formatters.
namespace function_code {
inline constexpr int kNone = -1;
inline constexpr int kFreq = 0;
inline constexpr int kRatio = 10;
inline constexpr int kPeriod = 11;
inline constexpr int kEdge = 12;
inline constexpr int kWidth = 13;
inline constexpr int kIntval = 14;
inline constexpr int kVolt = 2;
inline constexpr int kPhase = 31;
inline constexpr int kDutyCycle = 32;
inline constexpr int kTotal = 33;
}  // namespace function_code

// The settings pages; at most one is open at a time.
enum class Page : int {
  FreqRatio = 0,
  TimePeriod = 1,
  Volt = 2,
  OtherMeas = 3,
  Utility = 4,
  GateExtArm = 5,
  LimitModes = 6,
  ScaleOffset = 7,
};

// Every control of both panel variants. Names starting with "Compact" belong to the compact
// panel only; "In1"/"In2" are the input conditioning controls of inputs 1 and 2.
enum class Ctl : int {
  // Button bar.
  FreqRatioPage,
  TimePeriodPage,
  VoltPage,
  OtherMeasPage,
  UtilityPage,
  GateExtArmPage,
  LimitModesPage,
  ScaleOffsetPage,
  RunButton,
  StopButton,
  Ch1Button,
  Ch2Button,
  Ch3Button,
  // Full panel, function pages.
  FreqButton,
  FreqInput,
  RatioButton,
  RatioList,
  PeriodButton,
  PeriodInput,
  EdgeButton,
  EdgeList,
  WidthButton,
  WidthList,
  IntvalButton,
  IntvalList,
  VoltLabel,
  VoltInput,
  VoltModeLabel,
  VoltMode,
  VoltShowLabel,
  VoltShow,
  PhaseButton,
  DutyCycleButton,
  TotalButton,
  // Full panel, "Utility" page.
  TimeBaseBox,
  TimeBaseList,
  // Full panel, "Gate && ExtArm" page.
  GateLabel,
  GateList,
  GateTimeEdit,
  GateTimeUnitLabel,
  StartSlopeLabel,
  StartSlopeList,
  StopLabel,
  StopList,
  StopTimeEdit,
  StopTimeUnitLabel,
  StartSourceLabel,
  StartSourceList,
  StartSourceSlopeLabel,
  StartSourceSlopeList,
  TotalStartLabel,
  TotalStartList,
  TotalStopLabel,
  TotalStopList,
  ArmStartLabel,  // "*ARM"
  ArmStartList,
  ArmStartDelayLabel,  // "*Dely"
  ArmStartDelayList,
  ArmStartSlopeLabel,  // "*Slop"
  ArmStartSlopeList,
  ArmStartDelayEdit,
  ArmStartCountEdit,
  ArmStopLabel,  // "Stop*"
  ArmStopList,
  ArmStopSlopeLabel,  // "Slop*"
  ArmStopSlopeList,
  ArmStopDelayLabel,  // "Dely*"
  ArmStopDelayList,
  ArmStopDelayEdit,
  ArmStopCountEdit,
  // Full panel, "Limit Modes" page.
  SetLimitBox,
  UpperLabel,
  UpperEdit,
  UpperUnit,
  LowerLabel,
  LowerEdit,
  LowerUnit,
  OnFailLabel,
  OnFailList,
  OutBox,
  OutPortList,
  // Full panel, "Scale && Offset" page.
  SetScaleOffsetBox,
  ScaleLabel,
  ScaleEdit,
  ScaleUnit,
  OffsetLabel,
  OffsetEdit,
  OffsetUnit,
  // Full panel, statistics block.
  StatsShowBox,
  StatsTypeList,
  StatsCountLabel,
  StatsCountEdit,
  StatsUseLabel,
  StatsUseList,
  StatsSingleLabel,
  StatsSingleList,
  // Full panel, second channel's event source of Intval.
  ComLabel,
  ComList,
  // Compact panel.
  FreqCh1Indicator,
  PeriodCh1Indicator,
  VoltCh1Indicator,
  TotalCh1Indicator,
  CompactVoltModeLabel,
  CompactVoltMode,
  CompactVoltShowLabel,
  CompactVoltShow,
  CompactTimeBaseBox,
  CompactTimeBaseList,
  CompactGateLabel,
  CompactGateList,
  CompactGateTimeEdit,
  CompactGateTimeUnitLabel,
  CompactStartSlopeLabel,
  CompactStartSlopeList,
  CompactStopLabel,
  CompactStopList,
  CompactStopTimeEdit,
  CompactStopTimeUnitLabel,
  CompactSetLimitBox,
  CompactUpperLabel,
  CompactUpperEdit,
  CompactUpperUnit,
  CompactLowerLabel,
  CompactLowerEdit,
  CompactLowerUnit,
  CompactOnFailLabel,
  CompactOnFailList,
  CompactScaleOffsetBox,
  CompactScaleLabel,
  CompactScaleEdit,
  CompactScaleUnit,
  CompactOffsetLabel,
  CompactOffsetEdit,
  CompactOffsetUnit,
  // Input conditioning (input 1 shared by both panels, input 2 full panel only).
  InputGroupCaption,
  LevelLabel,
  SlopeLabel,
  SensLabel,
  CouplLabel,
  ImpedLabel,
  In1LevelMode,
  In1LevelPercent,
  In1PercentLabel,
  In1LevelEdit,
  In1VoltsLabel,
  In1Slope,
  In1Sens,
  In1Coupl,
  In1Imped,
  In1Atten,
  In1Filter,
  In2LevelMode,
  In2LevelPercent,
  In2PercentLabel,
  In2LevelEdit,
  In2VoltsLabel,
  In2Slope,
  In2Sens,
  In2Coupl,
  In2Imped,
  In2Atten,
  In2Filter,
  // Reading loop controls and the caption above the chart.
  ReadSpeedLabel,
  ReadSpeed,
  DotsLabel,
  Dots,
  StopTimeBox,
  StopAfterNBox,
  StopAfterNCount,
  ChartCaption,
  Count_  // number of controls, not a control
};

inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Ctl::Count_);

enum class CtlKind {
  Button,    // checkable push button: page, function, CH, Run and Stop buttons, indicators
  CheckBox,  // check box
  List,      // drop-down list
  Edit,      // one-line edit field
  Label,     // static text
  Group,     // group box with a caption (the input conditioning frame)
};

enum class PanelVariant { Both, Full, Compact };

// A text of the panel: an INI key with its English text, or a fixed text (empty key). A few
// captions are made of two texts: that of `key`, `joiner`, then that of `secondKey`
// ("Freq_CH1" is "581" + "_" + "511"); `english` is then the whole English caption.
struct PanelText {
  std::string_view key;
  std::string_view english;
  std::string_view joiner = {};
  std::string_view secondKey = {};
};

struct Control {
  Ctl id{};
  std::string_view name;  // the enumerator's name, e.g. "FreqButton"
  CtlKind kind{};
  PanelVariant variant{};
  int page = -1;     // the settings page (Page) that holds it; -1 for the other controls
  int dialogId = 0;  // control number of the main window's dialog template, 0 when none
  std::string caption;
  std::vector<std::string> entries;  // lists: entries in the current language, in order
  int selected = -1;                 // lists: selected index, -1 for no selection
  bool checked = false;              // buttons and check boxes
  std::string text;                  // edits
  std::size_t maxLength = 0;         // edits: most characters accepted, 0 for no limit
  bool enabled = true;
  bool visible = false;
};

class PanelModel {
 public:
  // `modelCode` returns the connected model's code ("0", "3800", "3820"), owned by the
  // instrument layer. The panel starts as at programme start: lists filled from `texts`,
  // defaults selected, edits preset, only the button bar and the run controls shown.
  PanelModel(core::Interaction& interaction, std::function<std::string()> modelCode,
             Texts texts = Texts());

  // ---- Controls
  const Control& control(Ctl id) const;
  const std::vector<Control>& controls() const { return controls_; }  // in Ctl order
  // The selected entry of a list by its English name ("Ext", "CH2"), independent of the
  // language; "" when nothing is selected.
  std::string_view choice(Ctl list) const;
  // Called with the id of every control whose state changed (and of every pressed button,
  // which may have sprung back).
  void setChangeHandler(std::function<void(Ctl)> handler) { onChange_ = std::move(handler); }

  // ---- What the owner wires
  // START calls `runStart`, STOP calls `runStop` while `running` reports an active run.
  void setRunHandlers(std::function<void()> runStart, std::function<void()> runStop,
                      std::function<bool()> running);
  // "Read Speed" changed during a run: restart the reading timer with this period.
  void setReadSpeedHandler(std::function<void(int periodMs)> handler);
  // "Dots" changed: the trend capacity C (chosen number + 1) and the chart's right-hand label.
  void setDotsHandler(std::function<void(int capacity, const std::string& label)> handler);
  // A control that should take the keyboard focus (the N field after "Stop After N count").
  void setFocusHandler(std::function<void(Ctl)> handler) { onFocus_ = std::move(handler); }

  // ---- User actions
  // Buttons: page, option page, function, CH, Run and Stop; a check box toggles.
  void press(Ctl id);
  // Lists; false (and nothing changes) for an index outside -1 .. entries-1.
  bool select(Ctl id, int index);
  void setChecked(Ctl id, bool checked);
  // Edits; a text longer than the edit's limit is cut to it.
  void setText(Ctl id, std::string text);

  // ---- Identification hooks (called by the instrument layer through the owner)
  // A V3800A was selected: "Freq" with its first input, "Ratio" released, the button bar
  // shown, the "Freq Ratio" page opened, then the STOP logic.
  void onFullModelIdentified();
  // A V3820A was selected: the compact layout, "Freq_CH1", the "Freq Ratio" page, then STOP.
  void onCompactModelIdentified();
  // The model differs from the previous one: input 1's conditioning back to its defaults, the
  // "Freq Ratio" page opened again and the previous function code -1.
  void onModelChanged();
  // No instrument found: every page hidden, the page, run and CH buttons released.
  void resetLayoutNoInstrument();

  // Refills every list from `texts` keeping each selection, and relabels every caption.
  void applyLabels(const Texts& texts);
  const Texts& texts() const { return texts_; }

  // ---- State values
  int functionCode() const { return functionCode_; }
  int previousFunctionCode() const { return previousFunctionCode_; }
  int runningFunctionCode() const { return runningFunctionCode_; }
  int page() const { return page_; }
  bool input1PanelShown() const { return input1Shown_; }
  bool input2PanelShown() const { return input2Shown_; }
  int displayedInput() const { return displayedInput_; }  // 0 none, 1..3
  bool runStarted() const { return runStarted_; }
  bool statisticsShown() const { return statisticsShown_; }
  std::string modelCode() const;
  // The reading timer's period: the number in front of "ms" of "Read Speed".
  int readIntervalMs() const;
  // The chosen number of chart points, and the trend capacity C = that number + 1.
  int dots() const;
  int trendCapacity() const { return dots() + 1; }
  // N of "Stop After N count": the last value that passed the field check (1..10000000).
  long stopAfterN() const { return stopAfterN_; }
  // Run Start reads the N field afresh: true when it holds an integer 1..10000000, which
  // becomes N; false (N unchanged, no message) otherwise.
  bool readStopAfterN();
  // How a message names an edit field: the label shown beside it in the current language
  // ("Scale", "Upper", "Level (CH1)", "Stop After N count").
  std::string fieldName(Ctl edit) const;
  // Asks the owner to put the keyboard focus on `id` and select its text.
  void focus(Ctl id) {
    if (onFocus_) onFocus_(id);
  }

  // ---- Set by the owner's Run Start and Run Stop
  // Run Start sets it (with the running state), Run Stop clears it.
  void setRunStarted(bool started) { runStarted_ = started; }
  // Shows "Run" pressed and "Stop" released while `running`, the reverse otherwise, without
  // running either button's handler.
  void showRunButtons(bool running);
  // Run Start's tail: the caption above the chart names this function + " Measurement"
  // (see measurementCaption); a language change keeps it translated.
  void setChartCaptionFunction(int functionCode);
  void setRunningFunctionCode(int code) { runningFunctionCode_ = code; }
  void setStatisticsShown(bool shown) { statisticsShown_ = shown; }

 private:
  Control& mut(Ctl id);
  void notify(Ctl id);
  void setVisible(Ctl id, bool visible);
  void setEnabled(Ctl id, bool enabled);
  void setCheckedState(Ctl id, bool checked);
  void setSelected(Ctl id, int index);
  void setEditText(Ctl id, std::string text);
  void setCaption(Ctl id, std::string caption);
  void setEntries(Ctl id, std::vector<PanelText> entries, int selected);
  std::string resolve(PanelText text) const;
  std::string captionOf(std::size_t index) const;

  bool full() const;
  bool compact() const;
  bool identified() const;
  bool isRunning() const;
  void springBack(Ctl button);

  void openGroupPage(Page page);
  void togglePage(Page page);
  void openOptionPage(Page page);
  void closeOptionPage(Page page);
  void reopenGroupPageOfFunction();
  void pressFunction(Ctl button);
  void applyFunction(int code);
  void optionClearing();
  void applyLevelPercents(int code);
  void deriveInputs(int code);
  void applyConditioningEnables(int code);
  void showChannelButtons(bool ch1, bool ch2, bool ch3, int displayed);
  void showInput(int input);
  void refreshConditioning();
  void refreshArming();
  void refreshStatistics();
  // Page controls: those `shown` accepts are shown, every other one is hidden.
  void showOnlyPageControls(const std::function<bool(const Control&)>& shown);
  void showPage(Page page);
  void updateChartCaption(int code);
  void resetInput1Conditioning();
  void refillLimitUnits(int code);
  bool limitUnitsMatch(int code) const;
  void refillCompactGate(int code);
  void checkStopAfterN();

  core::Interaction& interaction_;
  std::function<std::string()> modelCode_;
  Texts texts_;
  std::vector<Control> controls_;
  std::vector<std::vector<PanelText>> entryTexts_;  // per control: its entries' texts
  std::vector<PanelText> captionTexts_;             // per control: its caption's text

  std::function<void(Ctl)> onChange_;
  std::function<void()> runStart_;
  std::function<void()> runStop_;
  std::function<bool()> running_;
  std::function<void(int)> onReadSpeed_;
  std::function<void(int, const std::string&)> onDots_;
  std::function<void(Ctl)> onFocus_;

  int functionCode_ = function_code::kNone;
  int previousFunctionCode_ = -2;
  int runningFunctionCode_ = function_code::kNone;
  int page_ = 0;
  bool input1Shown_ = true;
  bool input2Shown_ = false;
  int displayedInput_ = 0;
  bool conditioningShown_ = false;
  bool runStarted_ = false;
  bool statisticsShown_ = false;
  int captionFunction_ = function_code::kNone;  // function named by the chart caption
  long stopAfterN_ = 100;
};

}  // namespace measure
