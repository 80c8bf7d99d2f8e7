#pragma once
// The main window's logic without the window: it owns the instrument connection, the front
// panel's settings, the recording selection with its recorder and Setting Mode, the reading
// loop and the menu's command table, and composes them into start-up, Run Start, the reading
// tick, Run Stop, the menu commands and shutdown. The Qt window shows this state, forwards the
// user's actions here, runs timer 1 and opens the dialogs it is asked for.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/command_table.h"
#include "core/interaction.h"
#include "instrument/instrument.h"
#include "measure/panel_model.h"
#include "measure/texts.h"
#include "reading/reading_loop.h"
#include "records/recorder.h"
#include "records/recording_selection.h"
#include "records/setting_mode.h"

namespace core {
class Clock;
}
namespace measure {
struct RunStartProgram;
}
namespace visa {
class Library;
}

namespace app {

// The window's timers. The reading timer is timer 1; starting a running timer re-arms it.
class Timers {
 public:
  virtual ~Timers() = default;
  virtual void start(int id, int periodMs) = 0;
  virtual void stop(int id) = 0;
};
inline constexpr int kReadingTimer = 1;

// Secondary dialogs the window opens modally when asked.
enum class Dialog { ViewRecord, ChartRecord, CommandControl, About, Stability };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The Setting Mode dialog on `model`: the dialog calls open() when it appears and close()
  // however it goes away.
  virtual void showSettingMode(records::SettingMode& model) = 0;
  // The TCP/IP Address dialog on a copy of the typed addresses; true when it was confirmed
  // (the copy then holds the addresses typed), false when it was left any other way.
  virtual bool showTcpipAddress(instrument::TcpipAddressData& data) = 0;
  // View Record, Chart Record, Command Control (on instrument().console()), About and
  // Stability.
  virtual void open(Dialog dialog) = 0;
};

// What changed, so that the window refreshes only that.
enum class Change {
  Values,      // "Count:", "STDEV :", "Elapsed :", "Current : " texts
  Chart,       // trend chart with "Max : " and "Min : "
  Commands,    // enabled state of the menu commands
  DeviceList,  // lines, selection, enabled
  DrawColor,   // the trace colour (make the pen anew)
  Labels,      // language texts of the menu and the window
  StopTime,    // the stop-time picker's value
};

// The value labels of the main window.
struct ValueTexts {
  std::string count;
  std::string stdev;
  std::string elapsed = "0 s";
  std::string current;
  std::string maximum;
  std::string minimum;
  std::string chartRightLabel = "100";  // the chart's right-hand label: the "Dots" number
};

struct FrontPanelOptions {
  std::string iniPath;   // empty: the installed CTR_TOOLV38XX.ini
  std::string language;  // empty: chosen from the locale at start-up
  // The instrument I/O runs on its own thread while the window waits for it through its
  // event loop (the window never freezes; STOP cancels a read). Off: on the caller's thread.
  bool threadedIo = false;
};

class FrontPanel {
 public:
  static constexpr std::string_view kAppTitle = "V38XX_AP";
  // The area of the window (client pixels) where moving the pointer after a run redraws the
  // trend chart once.
  static constexpr int kRedrawAreaLeft = 6, kRedrawAreaRight = 889;
  static constexpr int kRedrawAreaTop = 36, kRedrawAreaBottom = 609;

  FrontPanel(visa::Library& visa, core::Interaction& ui, core::Clock& clock, Timers& timers,
             Dialogs& dialogs, FrontPanelOptions options = {});
  ~FrontPanel();
  FrontPanel(const FrontPanel&) = delete;
  FrontPanel& operator=(const FrontPanel&) = delete;

  // Window initialisation: instrument search, panel, INI check, language, chart, labels, and
  // the first instrument selected when one was found.
  void initialize();
  // Window destruction: an active run is stopped (after twice the "Read Speed" period), every
  // instrument returns to local and the sessions are released. Runs once.
  void shutdown();

  // ---- Commands and window messages
  // A menu command by identifier (aliases included); greyed commands do nothing.
  void command(int id);
  void command(Command c) { command(static_cast<int>(c)); }
  bool commandEnabled(Command c) const { return commands_.enabled(c); }
  // "About V38XX_AP" of the window's system menu: the About box, whether or not a run is on.
  void systemMenuAbout();
  void RunStart();
  void RunStop();
  // Timer message (timer 1 is the only one): one reading tick.
  void onTimer();
  void onMouseMove(int x, int y);
  // The device list's selection changed.
  void selectDevice(int line);
  // The About box's language tab confirmed a language section.
  void changeLanguage(std::string_view section);
  // The stop-time picker changed.
  void setStopTime(const reading::StopTime& time);
  // The size of the chart picture, from its window rectangle.
  void setChartSize(int width, int height);
  void setChangeHandler(std::function<void(Change)> handler) { onChange_ = std::move(handler); }

  // ---- State shown by the window
  instrument::Instrument& instrument() { return *instrument_; }
  measure::PanelModel& panel() { return *panel_; }
  const measure::Texts& texts() const { return texts_; }
  records::RecordingSelection& selection() { return selection_; }
  records::SettingMode& settingMode() { return *settingMode_; }
  records::Recorder& recorder() { return *recorder_; }
  reading::ReadingLoop& loop() { return *loop_; }
  const reading::ReadingLoop& loop() const { return *loop_; }
  const ValueTexts& values() const { return values_; }
  // The last drawn trend chart (nothing before the first redraw).
  const std::optional<reading::TrendChart>& chart() const { return chart_; }
  core::Color drawColor() const { return drawColor_; }
  bool running() const { return loop_->running(); }
  // True while the window waits for the instrument.
  bool ioWaiting() const { return instrument_->ioWaiting(); }
  bool deviceListEnabled() const;
  const reading::StopTime& stopTime() const { return stopTime_; }

 private:
  class Adapters;
  void notify(Change change);
  void applyLabels();
  void showSettingMode();
  void afterSearch();
  void showTrend(const reading::TrendChart& chart);
  // The checks of Run Start before anything is sent: every number it would send, N of "Stop
  // After N count" (read afresh), a stop time that has not passed. False after the message.
  bool runStartAllowed();
  // The run's settings into the recording database (table run_info).
  void storeRunInfo(const measure::RunStartProgram& program);

  core::Interaction& ui_;
  core::Clock& clock_;
  Timers& timers_;
  Dialogs& dialogs_;
  measure::Texts texts_;
  std::string language_;

  std::unique_ptr<instrument::Instrument> instrument_;
  std::unique_ptr<measure::PanelModel> panel_;
  records::RecordingSelection selection_;
  std::unique_ptr<records::SettingMode> settingMode_;
  std::unique_ptr<records::Recorder> recorder_;
  std::unique_ptr<Adapters> adapters_;
  std::unique_ptr<reading::ReadingLoop> loop_;
  CommandTable commands_;

  ValueTexts values_;
  std::optional<reading::TrendChart> chart_;
  core::Color drawColor_{0, 0, 255};
  reading::StopTime stopTime_;
  std::optional<records::RunInfo> runInfo_;  // of the recording run
  int chartWidth_ = 0;
  int chartHeight_ = 0;
  bool deviceListLocked_ = false;  // during a run
  bool redrawOnMouseMove_ = false;
  bool shutDown_ = false;
  std::function<void(Change)> onChange_;
};

}  // namespace app
