// The forms' and toolbar commands' logic against a server that records every call: what each
// calls on the add-in, in which order, and what it refuses.

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "addin/forms/connect_form.h"
#include "addin/forms/form_texts.h"
#include "addin/forms/instrument_setup.h"
#include "addin/forms/logging_settings.h"
#include "addin/forms/toolbar_actions.h"

namespace {

using namespace addin::forms;

struct Instrument {
  std::string idn, address;
  ViSession session;
};

class RecordingServer : public Server {
 public:
  std::vector<std::string> calls;
  std::map<std::string, std::string> settings;
  std::vector<Instrument> found;  // what FindDevice finds
  std::map<std::string, std::string> texts;
  bool settingsFile = true;
  std::int16_t counts = 0;
  ViSession work = 0;
  std::string idn, addr;
  ViSession sesn = 0;
  addin::Application::RunState state;
  std::optional<std::string> answer = "+1,00000000000E+007\n";

  void log(std::string c) { calls.push_back(std::move(c)); }

  std::string IIDNStr() override { return idn; }
  std::string IIDNAddr() override { return addr; }
  ViSession IIDNSesn() override { return sesn; }
  std::int16_t IIDevCounts() override { return counts; }
  void setIIDevCounts(std::int16_t v) override {
    log("IIDevCounts=" + std::to_string(v));
    counts = v;
  }
  ViSession IWKSesn() override { return work; }
  void setIWKSesn(ViSession v) override {
    log("IWKSesn=" + std::to_string(v));
    work = v;
  }
  void StartTimer(std::int32_t i) override { log("StartTimer " + std::to_string(i)); }
  void PauseTimer() override { log("PauseTimer"); }
  void Stop_Pause() override { log("Stop_Pause"); }
  void StopTimer() override { log("StopTimer"); }
  void ShowHelp(const std::string& p) override { log("ShowHelp " + p); }
  void SetSheet(const std::string& n) override { log("SetSheet " + n); }
  std::int32_t GetLanguageCount() override { return 2; }
  std::string GetLanguage(std::int32_t i) override { return "L" + std::to_string(i); }
  void SetLanguage(std::int32_t i) override { log("SetLanguage " + std::to_string(i)); }
  std::string GetIdText(const std::string& id) override {
    auto it = texts.find(id);
    return it == texts.end() ? id : it->second;
  }
  void SetNumberOfReading(std::int32_t c) override {
    log("SetNumberOfReading " + std::to_string(c));
  }
  void AddChart(std::int16_t k, bool in) override {
    log("AddChart " + std::to_string(k) + (in ? " True" : " False"));
  }
  void SetAtTime(const std::string& t) override { log("SetAtTime " + t); }
  void SetBegin(std::int32_t m) override { log("SetBegin " + std::to_string(m)); }
  void SetTerimnatingUpon(std::int32_t m) override {
    log("SetTerimnatingUpon " + std::to_string(m));
  }
  void SetStopTime(const std::string& h, const std::string& n, const std::string& s,
                   std::int32_t i) override {
    log("SetStopTime " + h + " " + n + " " + s + " " + std::to_string(i));
  }
  void SaveSetting(const std::string& k, const std::string& v) override { settings[k] = v; }
  std::string LoadSetting(const std::string& k, const std::string& f) override {
    auto it = settings.find(k);
    return it == settings.end() ? f : it->second;
  }
  void FindDevice() override {
    log("FindDevice");
    counts = static_cast<std::int16_t>(counts + found.size());
  }
  void FindTCPIPDevice(std::int16_t s, const std::string& a) override {
    if (!a.empty()) log("FindTCPIPDevice " + std::to_string(s) + " " + a);
  }
  void GetIDN(std::int16_t r) override {
    log("GetIDN " + std::to_string(r));
    idn = found[r].idn;
    addr = found[r].address;
    sesn = found[r].session;
  }
  std::string GetINI() override { return settingsFile ? "/x/CTR_TOOLV38XX.ini" : ""; }
  addin::Application::RunState runState() override { return state; }
  std::optional<std::string> instrument(const std::string& command, std::string* error) override {
    log("instrument " + command);
    if (!answer && error) *error = "Timeout expired before operation completed.";
    return answer;
  }
};

std::vector<Instrument> twoCounters() {
  return {{"ORVALENT,V3800A,A,1\n", "TCPIP0::127.0.0.1::5025::SOCKET", 101},
          {"ORVALENT,V3820A,B,1\n", "USB0::0x2B7A::0x0EEC::B::INSTR", 102}};
}

TEST(ConnectForm, FindProbesTypedAddressesFillsTheListAndConnectSetsTheWorkSession) {
  RecordingServer s;
  s.found = twoCounters();
  listctl::ListControl list;
  ConnectForm form(s, list);
  EXPECT_EQ(
      form.find(addressLines("  TCPIP0::127.0.0.1::5025::SOCKET \n\n TCPIP::10.0.0.7::INSTR\n")),
      2);
  EXPECT_EQ(s.calls, (std::vector<std::string>{"IIDevCounts=0",
                                               "FindTCPIPDevice 0 TCPIP0::127.0.0.1::5025::SOCKET",
                                               "FindTCPIPDevice 1 TCPIP::10.0.0.7::INSTR",
                                               "FindDevice", "GetIDN 0", "GetIDN 1", "IWKSesn=0"}));
  ASSERT_EQ(list.rows().size(), 2u);
  EXPECT_EQ(list.rows()[1].name, "V3820A");
  EXPECT_EQ(form.typedAddresses(), (std::vector<std::string>{"TCPIP0::127.0.0.1::5025::SOCKET",
                                                             "TCPIP::10.0.0.7::INSTR"}));

  s.calls.clear();
  list.click(2);
  form.connect();
  EXPECT_EQ(s.calls, (std::vector<std::string>{"GetIDN 1", "IWKSesn=102"}));
  EXPECT_EQ(list.mark_Address, "USB0::0x2B7A::0x0EEC::B::INSTR");

  // Found again: the mark comes back on the same instrument with its new session.
  s.found[1].session = 202;
  s.calls.clear();
  form.find({});
  EXPECT_EQ(s.calls.back(), "IWKSesn=202");
  EXPECT_EQ(list.connectedRow(), 2);

  s.calls.clear();
  form.disconnect();
  EXPECT_EQ(s.calls, (std::vector<std::string>{"IWKSesn=0"}));
}

TEST(InstrumentSetup, TheFrontPanelsProgramForEachFunctionOfEachModel) {
  EXPECT_EQ(modelCodeOf("ORVALENT,V3800A,SN,1\n"), "3800");
  EXPECT_EQ(modelCodeOf("orvalent,v3820a,SN,1"), "3820");
  EXPECT_EQ(modelCodeOf("ACME,53132A,SN,1"), "0");
  EXPECT_TRUE(setupCommands("0", {}).empty());

  const std::vector<std::string> expectFirst = {
      "FUNC 'FREQ 1'", "CONF:FREQ:RAT (@1),(@2)", "CONF:PER (@1)", "", "", "", "", "", "", ""};
  const auto& full = setupFunctions("3800");
  ASSERT_EQ(full.size(), 10u);
  for (std::size_t f = 0; f < full.size(); ++f) {
    const auto commands = setupCommands("3800", {static_cast<int>(f), 0, "0.25"});
    ASSERT_FALSE(commands.empty()) << f;
    if (!expectFirst[f].empty()) EXPECT_EQ(commands[0], expectFirst[f]) << f;
  }
  const auto freq2 = setupCommands("3800", {0, 1, "0.25"});
  EXPECT_EQ(freq2[0], "FUNC 'FREQ 2'");
  EXPECT_NE(std::find(freq2.begin(), freq2.end(), "FREQuency:ARM:STOP:TIMer 0.25"), freq2.end());

  const auto& compact = setupFunctions("3820");
  ASSERT_EQ(compact.size(), 4u);
  const auto period = setupCommands("3820", {1, 0, "1"});
  EXPECT_EQ(period[0], "CONF:PER (@1)");
  EXPECT_NE(std::find(period.begin(), period.end(), "FREQuency:ARM:STOP:TIMer 1"), period.end());
  for (int f = 0; f < 4; ++f) EXPECT_FALSE(setupCommands("3820", {f, 0, "0.1"}).empty()) << f;
}

TEST(LoggingSettings, SavedLoadedCheckedAndHandedToTheServerInOrder) {
  RecordingServer s;
  LoggingSettings l = loadLoggingSettings(s);
  EXPECT_EQ(l.readings, "100");
  EXPECT_EQ(l.interval, "1000");
  EXPECT_EQ(l.stopTime, "00:10:00");
  EXPECT_FALSE(checkLoggingSettings(l));

  l.readings = "20";
  l.interval = "250";
  l.begin = 2;
  l.at = "2026/12/08 10:00:00";
  l.terminating = 2;
  l.stopTime = "01:02:03";
  l.chart = 3;
  l.inSheet = false;
  l.autoMin = false;
  l.minimum = "9999999.5";
  l.bins = "12";
  saveLoggingSettings(s, l);
  EXPECT_EQ(s.settings["StopTime_HH"], "1");
  EXPECT_EQ(s.settings["In_Sheet"], "False");
  EXPECT_EQ(s.settings["SetAutoMin"], "False");
  const LoggingSettings back = loadLoggingSettings(s);
  EXPECT_EQ(back.stopTime, "01:02:03");
  EXPECT_EQ(back.chart, 3);
  EXPECT_FALSE(back.inSheet);
  EXPECT_EQ(back.bins, "12");

  applyLoggingSettings(s, back);
  EXPECT_EQ(s.calls, (std::vector<std::string>{"SetNumberOfReading 20", "SetBegin 2",
                                               "SetAtTime 2026/12/08 10:00:00",
                                               "SetTerimnatingUpon 2", "SetStopTime 1 2 3 250"}));

  const std::vector<std::pair<std::function<void(LoggingSettings&)>, const char*>> wrong = {
      {[](LoggingSettings& x) { x.readings = "0"; }, "527"},
      {[](LoggingSettings& x) { x.readings = "12x"; }, "527"},
      {[](LoggingSettings& x) { x.interval = "99"; }, "528"},
      {[](LoggingSettings& x) {
         x.terminating = 2;
         x.stopTime = "1:61:00";
       },
       "529"},
      {[](LoggingSettings& x) {
         x.begin = 2;
         x.at = "soon";
       },
       "530"},
      {[](LoggingSettings& x) {
         x.chart = 2;
         x.autoMax = false;
         x.maximum = "big";
       },
       "531"},
      {[](LoggingSettings& x) {
         x.chart = 3;
         x.bins = "0";
       },
       "532"},
  };
  for (const auto& [spoil, id] : wrong) {
    LoggingSettings x;
    spoil(x);
    EXPECT_EQ(checkLoggingSettings(x).value_or("none"), std::string(id));
  }
}

TEST(ToolbarActions, StartHandsTheSettingsToTheServerBeforeAddChartAndStartTimer) {
  RecordingServer s;
  LoggingSettings l;
  l.readings = "20";
  l.chart = 3;
  l.bins = "8";
  l.interval = "200";
  saveLoggingSettings(s, l);
  std::vector<std::string> written;
  const auto refused = startRun(s, {"StripHistogram", [&](const std::string& c, double v) {
                                      written.push_back(c + "=" + std::to_string(int(v)));
                                    }});
  EXPECT_FALSE(refused);
  EXPECT_EQ(written, (std::vector<std::string>{"G10=8"}));
  EXPECT_EQ(s.calls, (std::vector<std::string>{"SetSheet StripHistogram", "SetNumberOfReading 20",
                                               "SetBegin 1", "SetTerimnatingUpon 1",
                                               "SetStopTime 0 10 0 200", "AddChart 3 True",
                                               "StartTimer 200"}));

  s.calls.clear();
  s.state.active = true;
  EXPECT_STREQ(startRun(s, {"x", {}}).value_or(""), "601");
  EXPECT_TRUE(s.calls.empty());
  s.state.active = false;
  s.settings["Interval"] = "5";
  EXPECT_STREQ(startRun(s, {"x", {}}).value_or(""), "528");
  EXPECT_TRUE(s.calls.empty()) << "nothing is handed over before the settings are right";
}

TEST(ToolbarActions, SingleReadingAsksTheWorkSession) {
  RecordingServer s;
  EXPECT_EQ(singleReading(s).problem, "407") << "not connected";
  s.work = 101;
  const SingleReading r = singleReading(s);
  ASSERT_TRUE(r.value);
  EXPECT_DOUBLE_EQ(*r.value, 1e7);
  EXPECT_EQ(s.calls.back(), "instrument READ?");
  s.answer = "@@@";
  EXPECT_FALSE(singleReading(s).value);
  s.answer.reset();
  EXPECT_EQ(singleReading(s).problem, "451\nTimeout expired before operation completed.");
}

TEST(FormTexts, LanguageTextsWithEnglishDefaultsAndOneCheckOfTheSettingsFile) {
  RecordingServer s;
  s.texts["201"] = "連接裝置";
  Texts texts(s);
  EXPECT_EQ(texts("201"), "連接裝置");
  EXPECT_EQ(texts("203"), "~Find") << "a text missing from the language section";
  s.settingsFile = false;
  Texts english(s);
  EXPECT_EQ(english("201"), "Connect to Device");
  // Every id is unique.
  std::map<std::string, int> seen;
  for (const FormText& t : formTexts()) EXPECT_EQ(seen[t.id]++, 0) << t.id;
}

}  // namespace

#define SI_CONVERT_ICU
#include <SimpleIni.h>

namespace {

TEST(FormTexts, TheShippedSettingsFileHasEveryTextInEveryLanguage) {
  CSimpleIniA ini;
  ini.SetUnicode(true);
  ASSERT_GE(ini.LoadFile(V38XX_SOURCE_DIR "/extension/CTR_TOOLV38XX.ini"), 0);
  for (const FormText& t : formTexts()) {
    EXPECT_STREQ(ini.GetValue("English(U.S)", t.id, ""), t.english) << t.id;
    for (const char* section : {"Chinese(Traditional)", "Chinese(Simplify)"}) {
      const std::string text = ini.GetValue(section, t.id, "");
      EXPECT_FALSE(text.empty()) << section << " " << t.id;
      // A mnemonic of the English text is kept, in the form "(~X)" after the Chinese words.
      const char* tilde = std::strchr(t.english, '~');
      if (tilde)
        EXPECT_NE(text.find(std::string("(~") + static_cast<char>(std::toupper(tilde[1]))),
                  std::string::npos)
            << section << " " << t.id;
    }
  }
}

}  // namespace
