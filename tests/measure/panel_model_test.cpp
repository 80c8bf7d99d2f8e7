// The front-panel model: start-up state, the handlers of both panel variants and the rules
// between settings, the identification hooks and the language switch.

#include "measure/panel_model.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "measure/panel_controls.h"
#include "measure/text_catalog.h"
#include "panel_fixture.h"

namespace {

using measure::Ctl;
using measure::CtlKind;
using paneltest::Panel;

std::vector<Ctl> visiblePageControls(const Panel& p) {
  std::vector<Ctl> out;
  for (const auto& c : p.panel.controls()) {
    if (c.page >= 0 && c.visible) out.push_back(c.id);
  }
  return out;
}

std::set<Ctl> visibleOnPage(const Panel& p, measure::Page page) {
  std::set<Ctl> out;
  for (const auto& c : p.panel.controls()) {
    if (c.page == static_cast<int>(page) && c.visible) out.insert(c.id);
  }
  return out;
}

bool has(const std::vector<std::string>& commands, const std::string& prefix) {
  return std::any_of(commands.begin(), commands.end(),
                     [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}

TEST(PanelControls, TableIsCompleteAndUsesCataloguedTexts) {
  const auto defs = measure::panelControlDefs();
  ASSERT_EQ(defs.size(), measure::kControlCount);
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < defs.size(); ++i) {
    EXPECT_EQ(static_cast<std::size_t>(defs[i].id), i) << defs[i].name;
    EXPECT_TRUE(names.insert(defs[i].name).second) << defs[i].name;
    EXPECT_EQ(defs[i].kind == CtlKind::List, !defs[i].entries.empty()) << defs[i].name;
    std::vector<measure::PanelText> texts(defs[i].entries.begin(), defs[i].entries.end());
    texts.push_back(defs[i].caption);
    for (const auto& t : texts) {
      if (t.key.empty()) continue;
      const auto english = measure::catalogDefault(t.key);
      ASSERT_TRUE(english.has_value()) << t.key;
      // One English text per key: the built-in default is the text of every use.
      std::string whole(*english);
      if (!t.secondKey.empty()) {
        const auto second = measure::catalogDefault(t.secondKey);
        ASSERT_TRUE(second.has_value()) << t.secondKey;
        whole += std::string(t.joiner) + std::string(*second);
      }
      EXPECT_EQ(whole, t.english) << t.key;
    }
  }
}

TEST(PanelControls, EveryWordOfThePanelHasALanguageKey) {
  // Texts without a key are units, numbers and interface names, the same in every language.
  const std::set<std::string_view> symbols = {
      "uHz",  "mHz",  "Hz",  "KHz",  "MHz",    "pSec",   "nSec",   "uSec",    "mSec",   "Sec",
      "uDeg", "mDeg", "Deg", "KDeg", "MDeg",   "u",      "m",      "1",       "K",      "M",
      "USB",  "DB9",  "(%)", "(V)",  "100 ms", "300 ms", "500 ms", "1000 ms", "2000 ms"};
  auto isNumber = [](std::string_view t) {
    return !t.empty() &&
           std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  for (const auto& def : measure::panelControlDefs()) {
    std::vector<measure::PanelText> texts(def.entries.begin(), def.entries.end());
    texts.push_back(def.caption);
    for (const auto& t : texts) {
      if (!t.key.empty() || t.english.empty()) continue;
      EXPECT_TRUE(symbols.count(t.english) || isNumber(t.english))
          << def.name << ": \"" << t.english << "\" is shown in English in every language";
    }
  }
}

TEST(PanelModel, ArmingLabelsAndOnFailReadTheSameWithTheIniAsWithout) {
  const measure::Texts builtIn;
  measure::Texts shipped(std::string(V38XX_SOURCE_DIR) + "/share/CTR_TOOLV38XX.ini");
  for (const measure::Texts* texts : std::vector<const measure::Texts*>{&builtIn, &shipped}) {
    Panel p;
    p.panel.applyLabels(*texts);
    EXPECT_EQ(p.c(Ctl::StartSlopeLabel).caption, "Start");
    EXPECT_EQ(p.c(Ctl::StopLabel).caption, "Stop");
    EXPECT_EQ(p.c(Ctl::TotalStopLabel).caption, "Stop");
    EXPECT_EQ(p.c(Ctl::OnFailList).entries, (std::vector<std::string>{"Go on", "Stop"}));
    EXPECT_EQ(p.c(Ctl::RunButton).caption, "START");
    EXPECT_EQ(p.c(Ctl::StopButton).caption, "STOP");
  }
}

TEST(PanelModel, StartsWithTheDefaultsOfTheFrontPanel) {
  Panel p;
  EXPECT_EQ(p.panel.functionCode(), -1);
  EXPECT_EQ(p.panel.previousFunctionCode(), -2);
  EXPECT_TRUE(p.panel.input1PanelShown());
  EXPECT_FALSE(p.panel.input2PanelShown());
  EXPECT_FALSE(p.panel.runStarted());
  EXPECT_FALSE(p.panel.statisticsShown());
  const struct {
    Ctl id;
    const char* text;
  } edits[] = {{Ctl::GateTimeEdit, "0.1"},    {Ctl::StopTimeEdit, "0.1"},
               {Ctl::ArmStartCountEdit, "4"}, {Ctl::ScaleEdit, "1.0"},
               {Ctl::StatsCountEdit, ""},     {Ctl::In1LevelEdit, ""},
               {Ctl::StopAfterNCount, "100"}, {Ctl::CompactGateTimeEdit, "0.1"}};
  for (const auto& e : edits) EXPECT_EQ(p.c(e.id).text, e.text) << p.c(e.id).name;
  const struct {
    Ctl id;
    const char* entry;
  } lists[] = {{Ctl::FreqInput, "CH1"},       {Ctl::RatioList, "1_to_2"},
               {Ctl::EdgeList, "Rise"},       {Ctl::WidthList, "Pos"},
               {Ctl::TimeBaseList, "Auto"},   {Ctl::GateList, "Time"},
               {Ctl::StopList, "Auto"},       {Ctl::TotalStartList, "Time"},
               {Ctl::TotalStopList, "Pos"},   {Ctl::ArmStartDelayList, "None"},
               {Ctl::UpperUnit, "Hz"},        {Ctl::OnFailList, "Go on"},
               {Ctl::OutPortList, "USB"},     {Ctl::ScaleUnit, "1"},
               {Ctl::StatsTypeList, ""},      {Ctl::StatsUseList, ""},
               {Ctl::StatsSingleList, ""},    {Ctl::In1LevelMode, "Auto"},
               {Ctl::In1LevelPercent, "50"},  {Ctl::In2Sens, "High"},
               {Ctl::In2Imped, "1M ohm"},     {Ctl::ComList, "OFF"},
               {Ctl::ReadSpeed, "100 ms"},    {Ctl::Dots, "100"},
               {Ctl::CompactUpperUnit, "Hz"}, {Ctl::CompactOffsetUnit, "1"}};
  for (const auto& l : lists) EXPECT_EQ(p.panel.choice(l.id), l.entry) << p.c(l.id).name;
  EXPECT_EQ(p.panel.readIntervalMs(), 100);
  EXPECT_EQ(p.panel.trendCapacity(), 101);
  EXPECT_EQ(p.panel.stopAfterN(), 100);
  EXPECT_EQ(p.c(Ctl::ArmStartDelayEdit).maxLength, 10u);
  EXPECT_TRUE(visiblePageControls(p).empty());
}

TEST(PanelModel, WithoutAnInstrumentEveryButtonSpringsBack) {
  Panel p;
  p.panel.resetLayoutNoInstrument();
  for (Ctl b : {Ctl::FreqRatioPage, Ctl::TimePeriodPage, Ctl::VoltPage, Ctl::OtherMeasPage,
                Ctl::UtilityPage, Ctl::GateExtArmPage, Ctl::LimitModesPage, Ctl::ScaleOffsetPage,
                Ctl::RunButton, Ctl::StopButton, Ctl::Ch1Button}) {
    SCOPED_TRACE(p.c(b).name);
    p.changed.clear();
    p.panel.press(b);
    EXPECT_FALSE(p.c(b).checked);
    EXPECT_NE(std::find(p.changed.begin(), p.changed.end(), b), p.changed.end());
    if (b != Ctl::Ch1Button) EXPECT_TRUE(p.c(b).visible);
  }
  EXPECT_TRUE(visiblePageControls(p).empty());
  EXPECT_FALSE(p.c(Ctl::InputGroupCaption).visible);
  EXPECT_FALSE(p.c(Ctl::In1LevelMode).visible);
  EXPECT_EQ(p.runStarts, 0);
  EXPECT_EQ(p.runStops, 0);
  EXPECT_TRUE(p.ui.shown.empty());
  EXPECT_EQ(p.panel.functionCode(), -1);
}

TEST(PanelModel, FullModelOpensFreqOnInput1) {
  Panel p;
  p.identifyFull();
  EXPECT_EQ(p.panel.functionCode(), 0);
  EXPECT_EQ(p.panel.previousFunctionCode(), -1);
  EXPECT_EQ(p.panel.page(), 0);
  EXPECT_TRUE(p.c(Ctl::FreqRatioPage).checked);
  EXPECT_TRUE(p.c(Ctl::FreqButton).checked);
  EXPECT_FALSE(p.c(Ctl::RatioButton).checked);
  EXPECT_TRUE(p.c(Ctl::StopButton).checked);
  EXPECT_FALSE(p.c(Ctl::RunButton).checked);
  EXPECT_EQ(visibleOnPage(p, measure::Page::FreqRatio),
            (std::set<Ctl>{Ctl::FreqButton, Ctl::FreqInput, Ctl::RatioButton, Ctl::RatioList}));
  EXPECT_TRUE(p.c(Ctl::Ch1Button).visible && p.c(Ctl::Ch1Button).checked);
  EXPECT_FALSE(p.c(Ctl::Ch2Button).visible);
  EXPECT_FALSE(p.c(Ctl::Ch3Button).visible);
  EXPECT_EQ(p.c(Ctl::InputGroupCaption).caption, "CH1");
  EXPECT_TRUE(p.c(Ctl::In1LevelPercent).visible);
  EXPECT_FALSE(p.c(Ctl::In1LevelEdit).visible);
  EXPECT_FALSE(p.c(Ctl::In2LevelMode).visible);
  EXPECT_TRUE(p.c(Ctl::StatsShowBox).visible);
  EXPECT_EQ(p.c(Ctl::ChartCaption).caption, "Freq Measurement");
}

TEST(PanelModel, CompactModelHasItsOwnPagesOnInput1) {
  Panel p;
  p.identifyCompact();
  EXPECT_TRUE(p.c(Ctl::FreqCh1Indicator).visible && p.c(Ctl::FreqCh1Indicator).checked);
  EXPECT_FALSE(p.c(Ctl::FreqButton).visible);
  EXPECT_FALSE(p.c(Ctl::StatsShowBox).visible);
  const struct {
    Ctl page;
    int code;
    Ctl indicator;
  } pages[] = {{Ctl::TimePeriodPage, 11, Ctl::PeriodCh1Indicator},
               {Ctl::VoltPage, 2, Ctl::VoltCh1Indicator},
               {Ctl::OtherMeasPage, 33, Ctl::TotalCh1Indicator},
               {Ctl::FreqRatioPage, 0, Ctl::FreqCh1Indicator}};
  for (const auto& page : pages) {
    p.panel.press(page.page);
    EXPECT_EQ(p.panel.functionCode(), page.code);
    EXPECT_TRUE(p.c(page.indicator).visible && p.c(page.indicator).checked);
    EXPECT_TRUE(p.panel.input1PanelShown());
    EXPECT_FALSE(p.panel.input2PanelShown());
    EXPECT_FALSE(p.c(Ctl::Ch2Button).visible);
    EXPECT_FALSE(p.c(Ctl::In2LevelMode).visible);
    for (const auto& c : p.panel.controls()) {
      if (c.variant == measure::PanelVariant::Full) EXPECT_FALSE(c.visible) << c.name;
    }
  }
  p.panel.press(Ctl::VoltPage);
  EXPECT_TRUE(p.c(Ctl::CompactVoltMode).visible && p.c(Ctl::CompactVoltShow).visible);
}

TEST(PanelModel, OptionPagesRefuseFunctionsWithoutThem) {
  const struct {
    const char* name;
    Ctl groupPage;
    Ctl functionButton;
    Ctl option;
    const char* message;
    int landingPage;
  } cases[] = {
      {"GateForVolt", Ctl::VoltPage, Ctl::Count_, Ctl::GateExtArmPage,
       "Volt does not support Gate configure !", 2},
      {"LimitForVolt", Ctl::VoltPage, Ctl::Count_, Ctl::LimitModesPage,
       "Volt does not support Limit configure !", 2},
      {"ScaleForVolt", Ctl::VoltPage, Ctl::Count_, Ctl::ScaleOffsetPage,
       "Volt does not support Scale configure !", 2},
      {"LimitForTotal", Ctl::OtherMeasPage, Ctl::TotalButton, Ctl::LimitModesPage,
       "Total_CH1 does not support Limit configure !", 3},
      {"ScaleForTotal", Ctl::OtherMeasPage, Ctl::TotalButton, Ctl::ScaleOffsetPage,
       "Total_CH1 does not support Scale configure !", 3},
  };
  for (const auto& c : cases) {
    for (bool compact : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (compact ? " compact" : " full"));
      Panel p;
      compact ? p.identifyCompact() : p.identifyFull();
      p.panel.press(c.groupPage);
      if (c.functionButton != Ctl::Count_) p.panel.press(c.functionButton);
      p.panel.press(c.option);
      ASSERT_EQ(p.ui.shown.size(), 1u);
      EXPECT_EQ(p.ui.shown[0].text, c.message);
      EXPECT_EQ(p.ui.shown[0].caption, "V38XX_AP");
      EXPECT_EQ(p.ui.shown[0].icon, core::Icon::Error);
      EXPECT_EQ(p.panel.page(), c.landingPage);
      EXPECT_FALSE(p.c(c.option).checked);
      EXPECT_FALSE(p.c(Ctl::SetLimitBox).checked);
      EXPECT_FALSE(p.c(Ctl::CompactSetLimitBox).checked);
      EXPECT_FALSE(p.c(Ctl::SetScaleOffsetBox).checked);
    }
  }
}

TEST(PanelModel, TotalHasArmingButVoltHasNot) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::OtherMeasPage);
  p.panel.press(Ctl::TotalButton);
  p.panel.press(Ctl::GateExtArmPage);
  EXPECT_TRUE(p.ui.shown.empty());
  EXPECT_EQ(p.panel.page(), 5);
  EXPECT_TRUE(p.c(Ctl::TotalStartList).visible);
}

TEST(PanelModel, FunctionChangeClearsTheOptionsOnlyWhenNoRunIsActive) {
  for (bool running : {false, true}) {
    SCOPED_TRACE(running ? "during a run" : "idle");
    Panel p;
    p.identifyFull();
    p.panel.press(Ctl::LimitModesPage);
    p.check(Ctl::StatsShowBox);
    p.panel.press(Ctl::ScaleOffsetPage);
    ASSERT_TRUE(p.c(Ctl::SetLimitBox).checked);
    p.panel.setRunStarted(running);
    p.panel.press(Ctl::TimePeriodPage);
    EXPECT_EQ(p.panel.functionCode(), 11);
    EXPECT_EQ(p.c(Ctl::SetLimitBox).checked, running);
    EXPECT_EQ(p.c(Ctl::SetScaleOffsetBox).checked, running);
    EXPECT_EQ(p.c(Ctl::StatsShowBox).checked, running);
    EXPECT_EQ(p.c(Ctl::LimitModesPage).checked, running);
    // The caption above the chart keeps naming the running measurement.
    EXPECT_EQ(p.c(Ctl::ChartCaption).caption, running ? "Freq Measurement" : "Period Measurement");
  }
}

TEST(PanelModel, SameFunctionAgainKeepsTheOptions) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::LimitModesPage);
  p.panel.press(Ctl::FreqRatioPage);
  p.panel.press(Ctl::FreqButton);
  EXPECT_TRUE(p.c(Ctl::SetLimitBox).checked);
  EXPECT_TRUE(p.c(Ctl::FreqButton).checked);
  p.panel.press(Ctl::RatioButton);  // a function change on the same page clears them too
  EXPECT_FALSE(p.c(Ctl::SetLimitBox).checked);
  EXPECT_FALSE(p.c(Ctl::FreqButton).checked);
}

TEST(PanelModel, InputsShownByFunctionAndInputList) {
  const struct {
    const char* name;
    Ctl page;
    Ctl button;
    Ctl list;
    int index;
    bool in1, in2;
    bool ch1, ch2, ch3;
    int displayed;
  } cases[] = {
      {"FreqCH2", Ctl::FreqRatioPage, Ctl::FreqButton, Ctl::FreqInput, 1, false, true, false, true,
       false, 2},
      {"FreqCH3", Ctl::FreqRatioPage, Ctl::FreqButton, Ctl::FreqInput, 2, false, false, false,
       false, true, 3},
      {"Ratio1to2", Ctl::FreqRatioPage, Ctl::RatioButton, Ctl::RatioList, 0, true, true, true, true,
       false, 1},
      {"Ratio1to3", Ctl::FreqRatioPage, Ctl::RatioButton, Ctl::RatioList, 1, true, false, true,
       false, true, 1},
      {"Ratio2to1ShowsInput2", Ctl::FreqRatioPage, Ctl::RatioButton, Ctl::RatioList, 2, true, true,
       true, true, false, 2},
      {"Ratio3to1", Ctl::FreqRatioPage, Ctl::RatioButton, Ctl::RatioList, 3, true, false, true,
       false, true, 1},
      {"PeriodCH2", Ctl::TimePeriodPage, Ctl::PeriodButton, Ctl::PeriodInput, 1, false, true, false,
       true, false, 2},
      {"EdgeBothInputs", Ctl::TimePeriodPage, Ctl::EdgeButton, Ctl::EdgeList, 1, true, true, true,
       true, false, 1},
      {"IntvalBothInputs", Ctl::TimePeriodPage, Ctl::IntvalButton, Ctl::IntvalList, 0, true, true,
       true, true, false, 1},
      {"VoltCH2", Ctl::VoltPage, Ctl::Count_, Ctl::VoltInput, 1, false, true, false, true, false,
       2},
      {"DutyBothInputs", Ctl::OtherMeasPage, Ctl::DutyCycleButton, Ctl::Count_, 0, true, true, true,
       true, false, 1},
      {"TotalInput1Only", Ctl::OtherMeasPage, Ctl::TotalButton, Ctl::Count_, 0, true, false, true,
       false, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p;
    p.identifyFull();
    p.panel.press(c.page);
    if (c.button != Ctl::Count_) p.panel.press(c.button);
    if (c.list != Ctl::Count_) p.select(c.list, c.index);  // re-derived while selected
    EXPECT_EQ(p.panel.input1PanelShown(), c.in1);
    EXPECT_EQ(p.panel.input2PanelShown(), c.in2);
    EXPECT_EQ(p.c(Ctl::Ch1Button).visible, c.ch1);
    EXPECT_EQ(p.c(Ctl::Ch2Button).visible, c.ch2);
    EXPECT_EQ(p.c(Ctl::Ch3Button).visible, c.ch3);
    EXPECT_EQ(p.panel.displayedInput(), c.displayed);
    EXPECT_EQ(p.c(Ctl::In1Slope).visible, c.displayed == 1);
    EXPECT_EQ(p.c(Ctl::In2Slope).visible, c.displayed == 2);
    EXPECT_EQ(p.c(Ctl::SlopeLabel).visible, c.displayed != 3);
    EXPECT_EQ(p.c(Ctl::InputGroupCaption).caption, "CH" + std::to_string(c.displayed));
  }
}

TEST(PanelModel, ChannelButtonsShowAnInputWithoutChangingWhatIsSent) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::RatioButton);
  p.panel.press(Ctl::Ch2Button);
  EXPECT_EQ(p.panel.displayedInput(), 2);
  EXPECT_TRUE(p.c(Ctl::Ch2Button).checked);
  EXPECT_FALSE(p.c(Ctl::Ch1Button).checked);
  EXPECT_TRUE(p.c(Ctl::In2Coupl).visible);
  EXPECT_FALSE(p.c(Ctl::In1Coupl).visible);
  EXPECT_TRUE(p.panel.input1PanelShown() && p.panel.input2PanelShown());
  p.panel.press(Ctl::Ch3Button);
  EXPECT_FALSE(p.c(Ctl::In1Coupl).visible || p.c(Ctl::In2Coupl).visible);
  EXPECT_EQ(p.c(Ctl::InputGroupCaption).caption, "CH3");
  EXPECT_TRUE(p.panel.input1PanelShown() && p.panel.input2PanelShown());
}

TEST(PanelModel, LevelPercentsFollowTheFunctionAndTheEdgeList) {
  Panel p;
  p.identifyFull();
  auto percents = [&] {
    return std::pair(std::string(p.panel.choice(Ctl::In1LevelPercent)),
                     std::string(p.panel.choice(Ctl::In2LevelPercent)));
  };
  p.panel.press(Ctl::TimePeriodPage);
  p.panel.press(Ctl::EdgeButton);
  EXPECT_EQ(percents(), std::pair(std::string("10"), std::string("90")));
  p.select(Ctl::EdgeList, 1);
  EXPECT_EQ(percents(), std::pair(std::string("90"), std::string("10")));
  p.panel.press(Ctl::VoltPage);  // Volt leaves them as they are
  EXPECT_EQ(percents(), std::pair(std::string("90"), std::string("10")));
  p.panel.press(Ctl::TimePeriodPage);  // Edge is still the chosen function of the group
  EXPECT_EQ(percents(), std::pair(std::string("90"), std::string("10")));
  p.panel.press(Ctl::WidthButton);
  EXPECT_EQ(percents(), std::pair(std::string("50"), std::string("50")));
  p.select(Ctl::In1LevelPercent, 3);
  p.select(Ctl::EdgeList, 0);  // Edge is not selected: nothing changes
  EXPECT_EQ(percents(), std::pair(std::string("30"), std::string("50")));
}

TEST(PanelModel, ConditioningIsEnabledPerFunction) {
  using Set = std::set<Ctl>;
  const Set in1 = {Ctl::In1LevelMode, Ctl::In1LevelPercent, Ctl::In1LevelEdit,
                   Ctl::In1Slope,     Ctl::In1Sens,         Ctl::In1Coupl,
                   Ctl::In1Imped,     Ctl::In1Atten,        Ctl::In1Filter};
  const Set in2 = {Ctl::In2LevelMode, Ctl::In2LevelPercent, Ctl::In2LevelEdit,
                   Ctl::In2Slope,     Ctl::In2Sens,         Ctl::In2Coupl,
                   Ctl::In2Imped,     Ctl::In2Atten,        Ctl::In2Filter};
  const struct {
    const char* name;
    Ctl page;
    Ctl button;
    Set disabled;
  } cases[] = {
      {"Freq", Ctl::FreqRatioPage, Ctl::FreqButton, {}},
      {"Edge",
       Ctl::TimePeriodPage,
       Ctl::EdgeButton,
       {Ctl::In1Slope, Ctl::In2Slope, Ctl::In2Sens, Ctl::In2Coupl, Ctl::In2Imped, Ctl::In2Atten,
        Ctl::In2Filter}},
      {"Width", Ctl::TimePeriodPage, Ctl::WidthButton, {Ctl::In1Slope, Ctl::In2Slope}},
      {"Duty", Ctl::OtherMeasPage, Ctl::DutyCycleButton, {Ctl::In1Slope, Ctl::In2Slope}},
      {"Volt",
       Ctl::VoltPage,
       Ctl::Count_,
       {Ctl::In1LevelMode, Ctl::In1LevelPercent, Ctl::In1LevelEdit, Ctl::In1Slope, Ctl::In1Sens,
        Ctl::In2LevelMode, Ctl::In2LevelPercent, Ctl::In2LevelEdit, Ctl::In2Slope, Ctl::In2Sens}},
      {"PhaseAfterVoltEnablesAllAgain", Ctl::OtherMeasPage, Ctl::PhaseButton, {}},
  };
  Panel p;
  p.identifyFull();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    p.panel.press(c.page);
    if (c.button != Ctl::Count_) p.panel.press(c.button);
    for (const Set* s : {&in1, &in2}) {
      for (Ctl id : *s) EXPECT_EQ(p.c(id).enabled, !c.disabled.count(id)) << p.c(id).name;
    }
  }
}

TEST(PanelModel, ComIsShownOnlyForIntval) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::TimePeriodPage);
  EXPECT_FALSE(p.c(Ctl::ComList).visible);
  p.panel.press(Ctl::IntvalButton);
  EXPECT_TRUE(p.c(Ctl::ComList).visible && p.c(Ctl::ComLabel).visible);
  p.panel.press(Ctl::GateExtArmPage);
  EXPECT_TRUE(p.c(Ctl::ComList).visible);
  p.panel.press(Ctl::OtherMeasPage);
  EXPECT_FALSE(p.c(Ctl::ComList).visible || p.c(Ctl::ComLabel).visible);
}

TEST(PanelModel, ArmingControlsDependOnTheirLists) {
  using Set = std::set<Ctl>;
  struct Choice {
    Ctl list;
    int index;
  };
  const struct {
    const char* name;
    bool compact;
    Ctl page;
    Ctl button;
    std::vector<Choice> choices;
    Set visible;
  } cases[] = {
      {"GateTime",
       false,
       Ctl::FreqRatioPage,
       Ctl::FreqButton,
       {},
       {Ctl::GateLabel, Ctl::GateList, Ctl::GateTimeEdit, Ctl::GateTimeUnitLabel}},
      {"GateExtStopAuto",
       false,
       Ctl::FreqRatioPage,
       Ctl::RatioButton,
       {{Ctl::GateList, 1}},
       {Ctl::GateLabel, Ctl::GateList, Ctl::StartSlopeLabel, Ctl::StartSlopeList, Ctl::StopLabel,
        Ctl::StopList}},
      {"GateExtStopTime",
       false,
       Ctl::TimePeriodPage,
       Ctl::PeriodButton,
       {{Ctl::GateList, 1}, {Ctl::StopList, 3}},
       {Ctl::GateLabel, Ctl::GateList, Ctl::StartSlopeLabel, Ctl::StartSlopeList, Ctl::StopLabel,
        Ctl::StopList, Ctl::StopTimeEdit, Ctl::StopTimeUnitLabel}},
      {"GateAuto",
       false,
       Ctl::FreqRatioPage,
       Ctl::FreqButton,
       {{Ctl::GateList, 2}},
       {Ctl::GateLabel, Ctl::GateList}},
      {"StartSourceAuto",
       false,
       Ctl::TimePeriodPage,
       Ctl::EdgeButton,
       {},
       {Ctl::StartSourceLabel, Ctl::StartSourceList}},
      {"StartSourceExt",
       false,
       Ctl::OtherMeasPage,
       Ctl::PhaseButton,
       {{Ctl::StartSourceList, 1}},
       {Ctl::StartSourceLabel, Ctl::StartSourceList, Ctl::StartSourceSlopeLabel,
        Ctl::StartSourceSlopeList}},
      {"TotalTime",
       false,
       Ctl::OtherMeasPage,
       Ctl::TotalButton,
       {},
       {Ctl::TotalStartLabel, Ctl::TotalStartList, Ctl::GateTimeEdit, Ctl::GateTimeUnitLabel}},
      {"TotalExtStopTime",
       false,
       Ctl::OtherMeasPage,
       Ctl::TotalButton,
       {{Ctl::TotalStartList, 2}, {Ctl::TotalStopList, 2}},
       {Ctl::TotalStartLabel, Ctl::TotalStartList, Ctl::StartSlopeLabel, Ctl::StartSlopeList,
        Ctl::TotalStopLabel, Ctl::TotalStopList, Ctl::StopTimeEdit, Ctl::StopTimeUnitLabel}},
      {"IntvalAuto",
       false,
       Ctl::TimePeriodPage,
       Ctl::IntvalButton,
       {},
       {Ctl::ArmStartLabel, Ctl::ArmStartList, Ctl::ArmStopDelayLabel, Ctl::ArmStopDelayList}},
      {"IntvalExtWithDelaysAndEvents",
       false,
       Ctl::TimePeriodPage,
       Ctl::IntvalButton,
       {{Ctl::ArmStartList, 1},
        {Ctl::ArmStartDelayList, 1},
        {Ctl::ArmStopList, 1},
        {Ctl::ArmStopDelayList, 2}},
       {Ctl::ArmStartLabel, Ctl::ArmStartList, Ctl::ArmStartDelayLabel, Ctl::ArmStartDelayList,
        Ctl::ArmStartSlopeLabel, Ctl::ArmStartSlopeList, Ctl::ArmStartDelayEdit, Ctl::ArmStopLabel,
        Ctl::ArmStopList, Ctl::ArmStopSlopeLabel, Ctl::ArmStopSlopeList, Ctl::ArmStopDelayLabel,
        Ctl::ArmStopDelayList, Ctl::ArmStopCountEdit}},
      {"CompactGateTime",
       true,
       Ctl::FreqRatioPage,
       Ctl::Count_,
       {},
       {Ctl::CompactGateLabel, Ctl::CompactGateList, Ctl::CompactGateTimeEdit,
        Ctl::CompactGateTimeUnitLabel}},
      {"CompactGateAutoStillShowsStartAndStop",
       true,
       Ctl::TimePeriodPage,
       Ctl::Count_,
       {{Ctl::CompactGateList, 2}, {Ctl::CompactStopList, 3}},
       {Ctl::CompactGateLabel, Ctl::CompactGateList, Ctl::CompactStartSlopeLabel,
        Ctl::CompactStartSlopeList, Ctl::CompactStopLabel, Ctl::CompactStopList,
        Ctl::CompactStopTimeEdit, Ctl::CompactStopTimeUnitLabel}},
      {"CompactTotalAuto",
       true,
       Ctl::OtherMeasPage,
       Ctl::Count_,
       {{Ctl::CompactGateList, 1}},
       {Ctl::CompactGateLabel, Ctl::CompactGateList}},
      {"CompactTotalExt",
       true,
       Ctl::OtherMeasPage,
       Ctl::Count_,
       {{Ctl::CompactGateList, 2}},
       {Ctl::CompactGateLabel, Ctl::CompactGateList, Ctl::CompactStartSlopeLabel,
        Ctl::CompactStartSlopeList, Ctl::CompactStopLabel, Ctl::CompactStopList}},
      {"CompactTotalExtStopTimeShowsTheTimeItSends",
       true,
       Ctl::OtherMeasPage,
       Ctl::Count_,
       {{Ctl::CompactGateList, 2}, {Ctl::CompactStopList, 3}},
       {Ctl::CompactGateLabel, Ctl::CompactGateList, Ctl::CompactStartSlopeLabel,
        Ctl::CompactStartSlopeList, Ctl::CompactStopLabel, Ctl::CompactStopList,
        Ctl::CompactStopTimeEdit, Ctl::CompactStopTimeUnitLabel}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Panel p;
    c.compact ? p.identifyCompact() : p.identifyFull();
    p.panel.press(c.page);
    if (c.button != Ctl::Count_) p.panel.press(c.button);
    p.panel.press(Ctl::GateExtArmPage);
    for (const Choice& choice : c.choices) p.select(choice.list, choice.index);
    EXPECT_EQ(visibleOnPage(p, measure::Page::GateExtArm), c.visible);
    EXPECT_TRUE(p.c(Ctl::GateExtArmPage).checked);
  }
}

TEST(PanelModel, CompactGateListIsRefilledForTotal) {
  Panel p;
  p.identifyCompact();
  p.panel.press(Ctl::OtherMeasPage);
  p.panel.press(Ctl::GateExtArmPage);
  EXPECT_EQ(p.c(Ctl::CompactGateList).entries, (std::vector<std::string>{"Time", "Auto", "Ext"}));
  p.select(Ctl::CompactGateList, 2);
  p.panel.press(Ctl::FreqRatioPage);
  p.panel.press(Ctl::GateExtArmPage);
  EXPECT_EQ(p.c(Ctl::CompactGateList).entries, (std::vector<std::string>{"Time", "Ext", "Auto"}));
  EXPECT_EQ(p.c(Ctl::CompactGateList).selected, 0);
}

TEST(PanelModel, LevelModeShowsPercentOrVolts) {
  Panel p;
  p.identifyFull();
  p.select(Ctl::In1LevelMode, 1);
  EXPECT_TRUE(p.c(Ctl::In1LevelEdit).visible && p.c(Ctl::In1VoltsLabel).visible);
  EXPECT_FALSE(p.c(Ctl::In1LevelPercent).visible || p.c(Ctl::In1PercentLabel).visible);
  p.select(Ctl::In1LevelMode, 0);
  EXPECT_FALSE(p.c(Ctl::In1LevelEdit).visible);
  EXPECT_TRUE(p.c(Ctl::In1LevelPercent).visible && p.c(Ctl::In1PercentLabel).visible);
}

TEST(PanelModel, PressingUtilityTwiceLeavesTheTimeBaseOff) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::UtilityPage);
  EXPECT_TRUE(p.c(Ctl::TimeBaseBox).checked && p.c(Ctl::TimeBaseBox).visible);
  EXPECT_TRUE(p.c(Ctl::TimeBaseList).visible);
  EXPECT_FALSE(p.c(Ctl::FreqButton).visible);
  p.panel.press(Ctl::UtilityPage);
  EXPECT_FALSE(p.c(Ctl::TimeBaseBox).checked);
  EXPECT_FALSE(p.c(Ctl::UtilityPage).checked);
  EXPECT_EQ(p.panel.page(), 0);
  EXPECT_TRUE(p.c(Ctl::FreqButton).visible);
  EXPECT_FALSE(has(p.commands(), "ROSC"));
}

TEST(PanelModel, ClosingUtilityShowsTheLimitButtonPressedAgain) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::LimitModesPage);
  EXPECT_TRUE(p.c(Ctl::LimitModesPage).checked && p.c(Ctl::SetLimitBox).checked);
  p.panel.press(Ctl::UtilityPage);
  EXPECT_FALSE(p.c(Ctl::LimitModesPage).checked);
  EXPECT_TRUE(p.c(Ctl::SetLimitBox).checked);
  p.panel.press(Ctl::GateExtArmPage);  // opening another page closes Utility
  EXPECT_FALSE(p.c(Ctl::TimeBaseBox).checked);
  EXPECT_FALSE(p.c(Ctl::UtilityPage).checked);
  p.panel.press(Ctl::GateExtArmPage);  // closing the gate page
  EXPECT_FALSE(p.c(Ctl::GateExtArmPage).checked);
  EXPECT_TRUE(p.c(Ctl::LimitModesPage).checked);
  EXPECT_FALSE(p.c(Ctl::ScaleOffsetPage).checked);
  EXPECT_EQ(p.panel.page(), 0);
  p.panel.press(Ctl::LimitModesPage);  // the limit page opens again, then closes
  p.panel.press(Ctl::LimitModesPage);
  EXPECT_FALSE(p.c(Ctl::SetLimitBox).checked);
}

TEST(PanelModel, LimitUnitsAreRefilledOnlyForAnotherFunction) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::TimePeriodPage);
  p.panel.press(Ctl::LimitModesPage);
  EXPECT_EQ(p.c(Ctl::UpperUnit).entries,
            (std::vector<std::string>{"pSec", "nSec", "uSec", "mSec", "Sec"}));
  EXPECT_EQ(p.c(Ctl::UpperUnit).selected, 2);
  p.select(Ctl::UpperUnit, 0);
  p.panel.press(Ctl::ScaleOffsetPage);
  p.panel.press(Ctl::ScaleOffsetPage);  // back on the Period page, same function
  p.panel.press(Ctl::LimitModesPage);
  EXPECT_EQ(p.c(Ctl::UpperUnit).selected, 0);
  p.panel.press(Ctl::OtherMeasPage);
  p.panel.press(Ctl::LimitModesPage);
  EXPECT_EQ(p.c(Ctl::LowerUnit).entries,
            (std::vector<std::string>{"uDeg", "mDeg", "Deg", "KDeg", "MDeg"}));
  p.panel.press(Ctl::OtherMeasPage);
  p.panel.press(Ctl::DutyCycleButton);
  p.panel.press(Ctl::LimitModesPage);
  EXPECT_EQ(p.c(Ctl::LowerUnit).entries, (std::vector<std::string>{"u", "m", "1", "K", "M"}));
}

TEST(PanelModel, LimitUnitsFollowAFunctionChangedOnTheSamePage) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::RatioButton);
  p.panel.press(Ctl::LimitModesPage);
  EXPECT_EQ(p.c(Ctl::UpperUnit).entries, (std::vector<std::string>{"u", "m", "1", "K", "M"}));
  p.panel.press(Ctl::FreqRatioPage);
  p.panel.press(Ctl::FreqButton);
  p.panel.press(Ctl::FreqRatioPage);  // previous and current function are both Freq now
  ASSERT_EQ(p.panel.previousFunctionCode(), p.panel.functionCode());
  p.panel.press(Ctl::LimitModesPage);
  EXPECT_EQ(p.c(Ctl::UpperUnit).entries,
            (std::vector<std::string>{"uHz", "mHz", "Hz", "KHz", "MHz"}));
}

TEST(PanelModel, RunStartNamesTheRunningFunctionAboveTheChart) {
  Panel p;
  p.identifyFull();
  p.panel.setRunStarted(true);
  p.panel.setChartCaptionFunction(11);
  EXPECT_EQ(p.c(Ctl::ChartCaption).caption, "Period Measurement");
  p.panel.press(Ctl::OtherMeasPage);  // during the run the caption stays
  EXPECT_EQ(p.c(Ctl::ChartCaption).caption, "Period Measurement");
}

TEST(PanelModel, ModelChangeResetsInput1AndReopensFreqRatio) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::TimePeriodPage);
  p.select(Ctl::In1LevelMode, 1);
  p.text(Ctl::In1LevelEdit, "1.5");
  for (Ctl list : {Ctl::In1Slope, Ctl::In1Sens, Ctl::In1Coupl, Ctl::In1Imped}) p.select(list, 1);
  p.check(Ctl::In1Atten);
  p.check(Ctl::In1Filter);
  p.select(Ctl::In2Coupl, 1);
  p.identifyCompact();
  EXPECT_EQ(p.panel.choice(Ctl::In1LevelMode), "Auto");
  EXPECT_EQ(p.panel.choice(Ctl::In1LevelPercent), "50");
  EXPECT_EQ(p.c(Ctl::In1LevelEdit).text, "");
  EXPECT_EQ(p.panel.choice(Ctl::In1Slope), "Pos");
  EXPECT_EQ(p.panel.choice(Ctl::In1Sens), "High");
  EXPECT_EQ(p.panel.choice(Ctl::In1Coupl), "AC");
  EXPECT_EQ(p.panel.choice(Ctl::In1Imped), "1M ohm");
  EXPECT_FALSE(p.c(Ctl::In1Atten).checked || p.c(Ctl::In1Filter).checked);
  EXPECT_EQ(p.panel.choice(Ctl::In2Coupl), "DC");  // input 2 is not the compact model's
  EXPECT_EQ(p.panel.page(), 0);
  EXPECT_EQ(p.panel.functionCode(), 0);
  EXPECT_EQ(p.panel.previousFunctionCode(), -1);
  EXPECT_TRUE(p.c(Ctl::FreqCh1Indicator).checked);
}

TEST(PanelModel, CompactIdentificationStopsARunThroughTheStopLogic) {
  Panel p;
  p.identifyFull();
  p.running = true;
  p.identifyCompact();
  EXPECT_EQ(p.runStops, 1);
  EXPECT_TRUE(p.c(Ctl::StopButton).checked);
  EXPECT_FALSE(p.c(Ctl::RunButton).checked);
}

TEST(PanelModel, RunAndStopButtons) {
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::RunButton);
  EXPECT_EQ(p.runStarts, 1);
  EXPECT_TRUE(p.c(Ctl::RunButton).checked);
  EXPECT_FALSE(p.c(Ctl::StopButton).checked);
  p.running = true;
  p.panel.press(Ctl::RunButton);  // already running: stays pressed, nothing else
  EXPECT_EQ(p.runStarts, 1);
  EXPECT_TRUE(p.c(Ctl::RunButton).checked);
  p.panel.press(Ctl::StopButton);
  EXPECT_EQ(p.runStops, 1);
  EXPECT_FALSE(p.c(Ctl::RunButton).checked);
  EXPECT_TRUE(p.c(Ctl::StopButton).checked);
  p.running = false;
  p.panel.press(Ctl::StopButton);  // idle: only the buttons
  EXPECT_EQ(p.runStops, 1);
  p.panel.showRunButtons(true);  // display only: no handler runs
  EXPECT_TRUE(p.c(Ctl::RunButton).checked);
  EXPECT_FALSE(p.c(Ctl::StopButton).checked);
  EXPECT_EQ(p.runStarts, 1);
}

TEST(PanelModel, ReadSpeedRestartsTheTimerOnlyDuringARun) {
  Panel p;
  std::vector<int> periods;
  p.panel.setReadSpeedHandler([&](int ms) { periods.push_back(ms); });
  p.identifyFull();
  p.select(Ctl::ReadSpeed, 1);
  EXPECT_TRUE(periods.empty());
  p.running = true;
  p.select(Ctl::ReadSpeed, 4);
  EXPECT_EQ(periods, std::vector<int>{2000});
  EXPECT_EQ(p.panel.readIntervalMs(), 2000);
}

TEST(PanelModel, DotsGiveTheTrendCapacityAndTheChartLabel) {
  Panel p;
  std::vector<std::pair<int, std::string>> calls;
  p.panel.setDotsHandler(
      [&](int capacity, const std::string& label) { calls.emplace_back(capacity, label); });
  p.select(Ctl::Dots, 2);
  p.select(Ctl::Dots, 5);
  EXPECT_EQ(calls, (std::vector<std::pair<int, std::string>>{{201, "200"}, {1001, "1000"}}));
  EXPECT_EQ(p.panel.trendCapacity(), 1001);
}

TEST(PanelModel, StopConditionsExcludeEachOtherAndNIsChecked) {
  Panel p;
  std::vector<Ctl> focus;
  p.panel.setFocusHandler([&](Ctl id) { focus.push_back(id); });
  p.check(Ctl::StopTimeBox);
  p.text(Ctl::StopAfterNCount, "250");
  p.check(Ctl::StopAfterNBox);
  EXPECT_FALSE(p.c(Ctl::StopTimeBox).checked);
  EXPECT_TRUE(p.c(Ctl::StopAfterNBox).checked);
  EXPECT_EQ(p.panel.stopAfterN(), 250);
  EXPECT_EQ(focus.back(), Ctl::StopAfterNCount);
  p.check(Ctl::StopTimeBox);
  EXPECT_FALSE(p.c(Ctl::StopAfterNBox).checked);

  for (const char* bad : {"0", "10000001", "abc", "", "12x", "-3"}) {
    p.ui.shown.clear();
    p.text(Ctl::StopAfterNCount, bad);
    p.check(Ctl::StopAfterNBox);
    ASSERT_EQ(p.ui.shown.size(), 1u) << bad;
    EXPECT_EQ(p.ui.shown[0].text, "Please enter an integer between 1 and 10000000.");
    EXPECT_EQ(p.panel.stopAfterN(), 250) << bad;
  }
  p.ui.shown.clear();
  p.text(Ctl::StopAfterNCount, " 10000000 ");
  p.check(Ctl::StopAfterNBox, false);
  EXPECT_TRUE(p.ui.shown.empty());
  EXPECT_EQ(p.panel.stopAfterN(), 10000000);
  EXPECT_EQ(focus.back(), Ctl::StopAfterNBox);
}

TEST(PanelModel, ActionsOnTheWrongKindOfControlAreRefused) {
  Panel p;
  p.identifyFull();
  EXPECT_FALSE(p.panel.select(Ctl::FreqInput, 3));
  EXPECT_FALSE(p.panel.select(Ctl::FreqInput, -2));
  EXPECT_FALSE(p.panel.select(Ctl::GateTimeEdit, 0));
  EXPECT_TRUE(p.panel.select(Ctl::StatsTypeList, -1));
  p.panel.setText(Ctl::FreqInput, "x");
  EXPECT_TRUE(p.c(Ctl::FreqInput).text.empty());
  p.text(Ctl::ArmStartDelayEdit, "0.12345678901");
  EXPECT_EQ(p.c(Ctl::ArmStartDelayEdit).text, "0.12345678");
}

TEST(PanelModel, ChangesAreNotified) {
  Panel p;
  p.identifyFull();
  p.changed.clear();
  p.panel.press(Ctl::TimePeriodPage);
  const std::set<Ctl> changed(p.changed.begin(), p.changed.end());
  for (Ctl id : {Ctl::TimePeriodPage, Ctl::FreqRatioPage, Ctl::FreqButton, Ctl::PeriodButton,
                 Ctl::ChartCaption}) {
    EXPECT_TRUE(changed.count(id)) << p.c(id).name;
  }
  p.changed.clear();
  p.panel.press(Ctl::TimePeriodPage);  // nothing changes but the pressed button
  EXPECT_EQ(p.changed, std::vector<Ctl>{Ctl::TimePeriodPage});
}

TEST(PanelModel, LanguageSwitchKeepsEverySelection) {
  measure::Texts chinese(std::string(V38XX_SOURCE_DIR) + "/share/CTR_TOOLV38XX.ini");
  ASSERT_TRUE(chinese.iniFileExists());
  chinese.setLanguage(measure::kChineseSimplified);
  Panel p;
  p.identifyFull();
  p.panel.press(Ctl::TimePeriodPage);
  for (const auto& c : p.panel.controls()) {
    if (c.kind == CtlKind::List) p.select(c.id, static_cast<int>(c.entries.size()) - 1);
  }
  const std::vector<measure::Control> before = p.panel.controls();
  p.panel.applyLabels(chinese);
  bool anyEntryTranslated = false;
  for (std::size_t i = 0; i < before.size(); ++i) {
    const auto& now = p.panel.controls()[i];
    SCOPED_TRACE(now.name);
    EXPECT_EQ(now.selected, before[i].selected);
    EXPECT_EQ(now.entries.size(), before[i].entries.size());
    anyEntryTranslated = anyEntryTranslated || now.entries != before[i].entries;
  }
  EXPECT_TRUE(anyEntryTranslated);
  EXPECT_EQ(p.panel.choice(Ctl::In1Sens), "Low");
  EXPECT_EQ(p.c(Ctl::In1Sens).entries[2], chinese.get("537"));
  EXPECT_EQ(p.c(Ctl::PeriodButton).caption, chinese.get("583"));
  EXPECT_EQ(p.c(Ctl::StartSlopeLabel).caption, chinese.get("1126"));
  EXPECT_EQ(p.c(Ctl::ChartCaption).caption, chinese.get("583") + " " + chinese.get("806"));
  EXPECT_EQ(p.c(Ctl::InputGroupCaption).caption, chinese.get("520"));  // Period on CH3

  p.panel.applyLabels(measure::Texts());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(p.panel.controls()[i].entries, before[i].entries) << before[i].name;
    EXPECT_EQ(p.panel.controls()[i].caption, before[i].caption) << before[i].name;
  }
}

}  // namespace
