#pragma once
// CTRBridgeV38XX.Application: the add-in server that turns the spreadsheet into a data logger
// for the counter. The add-in's macros (its toolbar commands and forms) create one instance,
// hand it the spreadsheet application and the target worksheet, find instruments through it,
// store the user's logging settings through it and start, pause, resume and stop logging runs
// that write readings, running statistics and charts into the worksheet.
//
// Plain C++: the spreadsheet comes through sheet::Application/Worksheet, the instrument through
// visa::Library, messages through core::Interaction, time through core::Clock and the run's
// pacing through addin::Timer. The UNO component in addin/uno exposes these members to
// LibreOffice Basic and Python under the same names.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "addin/run_statistics.h"
#include "addin/settings_file.h"
#include "addin/timer.h"
#include "core/clock.h"
#include "core/interaction.h"
#include "sheet/sheet.h"
#include "visa/library.h"

namespace addin {

// The add-in title: caption of every message box and name of the toolbar.
inline constexpr const char* kAddinTitle = "ORVALENT V38XX Tallyway";

// How a logging run begins.
enum class ReadBegin : std::int16_t { Direct = 1, Waiting = 2, Trigger = 3 };

// An index argument outside its table, raised to the caller as the subscript error.
class SubscriptOutOfRange : public std::out_of_range {
 public:
  SubscriptOutOfRange() : std::out_of_range("Subscript out of range") {}
};

// A value that does not fit its 16-bit or 32-bit integer, raised to the caller.
class OverflowError : public std::overflow_error {
 public:
  OverflowError() : std::overflow_error("Overflow") {}
};

// A text that does not read as the value asked for (for example a date), raised to the caller.
class TypeMismatch : public std::invalid_argument {
 public:
  explicit TypeMismatch(const std::string& what) : std::invalid_argument(what) {}
};

// The toolbar controls, counted from 1.
enum ToolbarControl {
  kAboutControl = 1,
  kConnectControl = 2,
  kFilesControl = 3,
  kFuncsControl = 4,
  kMeasControl = 5,
  kChartControl = 6,
  kStartControl = 7,
  kPauseControl = 8,
  kStopControl = 9,
  kToolbarControls = 9,
};

// The macro name and tool tip of each toolbar control, in control order.
struct ToolbarItem {
  const char* onAction;
  std::string toolTip;
};
std::array<ToolbarItem, kToolbarControls> toolbarItems();

struct Services {
  visa::Library& visa;
  core::Interaction& ui;
  core::Clock& clock;
  Timer& timer;
  SettingsLocation settings;
};

class Application {
 public:
  explicit Application(Services services);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Public properties.
  std::string IIDNStr;           // identification answer of the instrument chosen with GetIDN
  std::string IIDNAddr;          // its VISA resource name
  ViSession IIDNSesn = 0;        // the session opened for it during discovery
  std::int16_t IIDevCounts = 0;  // rows used in the device table; FindDevice appends after it
  ViSession IWKSesn = 0;         // the work session that logging runs talk to

  // Members, in interface order.
  void SetApp(std::shared_ptr<sheet::Application> app);
  void StartTimer(std::int32_t lngIntv);
  void PauseTimer();
  void Stop_Pause();
  void StopTimer();
  void ShowHelp(const std::string& sPath);
  void SetSheet(std::shared_ptr<sheet::Worksheet> sheet);
  std::int32_t GetLanguageCount();
  std::string GetLanguage(std::int32_t m_Index) const;
  void SetLanguage(std::int32_t m_Index);
  std::string GetIdText(const std::string& id);
  void SetNumberOfReading(std::int32_t m_count);
  std::int16_t GetExlVersion() const;
  void AddChart(std::int16_t val1, bool val2);
  void SetAtTime(const std::string& var);
  void SetBegin(std::int32_t iVal);
  void SetTerimnatingUpon(std::int32_t iVal);
  void SetStopTime(const std::string& var_h, const std::string& var_n, const std::string& var_s,
                   std::int32_t var_Intv);
  void SaveSetting(const std::string& val1, const std::string& val2);
  std::string LoadSetting(const std::string& val1, const std::string& val2);
  std::string GetINI();
  void FindDevice();
  void FindTCPIPDevice(std::int16_t cnt, const std::string& add0);
  void GetIDN(std::int16_t i);
  void RMClose();

  // What the run is doing, for the toolbar's commands, scripts and tests.
  struct RunState {
    bool running = false;      // ticks read
    bool active = false;       // a run was started and has not ended (it may be paused)
    bool waiting = false;      // a Waiting or Trigger run has not begun reading
    std::int32_t dataRow = 2;  // worksheet row of the next reading
    std::int32_t interval = 0;
  };
  RunState runState() const;

  // The toolbar's START between runs: enabled while a counter is the work session, disabled
  // without one. A run in progress keeps the toolbar as the run set it.
  void readyToStart();

  // The opener of help pages (the desktop's handler for the file); replaceable for tests.
  void setHelpOpener(std::function<bool(const std::string&)> opener);

  // Settings and texts the members above work with.
  std::int32_t numberOfReadings() const { return numberOfReadings_; }
  std::int32_t terminatingMode() const { return terminating_; }
  std::int32_t maxPoints() const { return maxPoints_; }
  std::int16_t chartKind() const { return chartKind_; }
  bool chartInSheet() const { return chartInSheet_; }
  ReadBegin beginMode() const { return static_cast<ReadBegin>(begin_); }
  double startDateTime() const { return startDateTime_; }
  const std::string& currentLanguage() const { return language_; }

 private:
  // Discovery.
  struct DeviceRow {
    std::string answer, resource, session, resourceManager;
  };
  void searchResources(const char* pattern1, const char* pattern2, ViSession* keptManager);
  std::string probeResource(const std::string& resourceName);
  void identify(ViSession session, ViSession resourceManager, const std::string& resourceName);
  bool queryIdentification(ViSession session);
  void closeUnreferencedManagers();

  // Logging run.
  std::string SendCommand(const std::string& command);
  void ReadingStep();
  void DirectTick();
  void WaitingTick();
  void TriggerTick();
  void tick(void (Application::*step)());
  void EndRun();
  void startTicks(std::int32_t intervalMs, void (Application::*step)());
  void setEnabled(int from, int to, bool enabled);
  void setVisible(int from, int to, bool visible);
  bool updateSummary(double value);  // false when it ended the run
  bool writeInstrument(const std::string& command);
  std::string readInstrument(ViStatus* status = nullptr);
  sheet::Worksheet& worksheet();
  void message(const std::string& text, core::Icon icon);
  // A chart that could not be made: the run ends and the box "<title>" with the reason and the
  // error's number is shown. Returns false, for buildCharts.
  bool chartFailed(const char* title, const std::exception& e);
  double nowSerial() const;
  bool bigGrid() const;

  // Charts (worksheet preparation and builders).
  void prepareCharts();
  bool buildCharts();  // false when a builder failed and ended the run
  void setUpScrollBars(std::int32_t finalRow);
  void releaseCharts();

  Services s_;
  std::function<bool(const std::string&)> openHelp_;

  // Spreadsheet.
  std::shared_ptr<sheet::Application> app_;
  std::shared_ptr<sheet::Worksheet> sheet_;
  std::int16_t version_ = 0;

  // Languages.
  std::vector<std::string> languages_;
  std::string language_ = "English(U.S)";

  // Device table, address list and the resource managers of the searches.
  std::array<DeviceRow, 256> devices_;
  std::array<std::string, 256> addresses_;
  ViSession gpibManager_ = 0, tcpipManager_ = 0, usbManager_ = 0;
  std::vector<ViSession> managers_;               // every resource manager still open
  std::map<ViSession, ViSession> sessionOwners_;  // accepted instrument session -> its manager
  ViSession currentManager_ = 0;
  std::string answer_;  // the answer buffer shared by all reads

  // Settings of the next run.
  std::int16_t stopHours_ = 0, stopMinutes_ = 0, stopSeconds_ = 0;
  std::int32_t numPoints_ = 0;
  std::int16_t begin_ = 1;
  std::int32_t numberOfReadings_ = 0;
  std::int32_t terminating_ = 0;
  double startDateTime_ = 0;
  std::int32_t maxPoints_ = 0;
  std::int16_t chartKind_ = 0;
  bool chartInSheet_ = false;
  bool chartsRefused_ = false;               // AddChart found bins it could not lay out
  std::string stripChart_, histogramChart_;  // the run's charts
  std::int32_t interval_ = 0;

  // Run state.
  ViSession work_ = 0;  // the work session of the current run
  bool running_ = false;
  bool active_ = false;
  bool triggerWait_ = false;
  bool triggerSeen_ = false;
  bool error_ = false;
  bool inTick_ = false;
  bool garbageReported_ = false;
  void (Application::*step_)() = nullptr;
  std::int32_t dataRow_ = 2;
  std::string root_;
  std::optional<ViUInt32> savedTimeout_;
  double sum_ = 0;
  double minimum_ = 0, maximum_ = 0;
  RunStatistics stats_;
};

}  // namespace addin
