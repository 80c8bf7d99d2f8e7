#pragma once
// The reading loop of a run: at every tick of the reading timer it checks the stop conditions,
// asks the counter for one reading, stores it when recording, and updates the count, the
// standard deviation, the elapsed time, the current, maximum and minimum displays and the trend
// chart. Time comes from an injected clock and the timer from whoever calls tick(), so the loop
// runs the same in the window and in tests.

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "reading/running_statistics.h"
#include "reading/trend_chart.h"
#include "reading/trend_window.h"

namespace core {
class Clock;
class Interaction;
}  // namespace core
namespace measure {
class Texts;
}

namespace reading {

// The instrument's write and read as a tick uses them. A failed read has already stopped the
// run and shown the VISA message when read() returns.
class ReadingLink {
 public:
  virtual ~ReadingLink() = default;
  virtual void write(const std::string& command) = 0;
  virtual std::string read() = 0;
  virtual bool lastReadFailed() const = 0;
  // The counter as messages name it ("V3800A (USB0::...::INSTR)").
  virtual std::string counterDescription() const { return {}; }
};

// The open recording. append() stores one reading committed by itself; false with the reason in
// words when it could not be stored.
class ReadingStore {
 public:
  virtual ~ReadingStore() = default;
  virtual bool append(const std::string& answerText, std::string* error) = 0;
};

// Value of the stop-time picker.
struct StopTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Seconds from `now` to the stop time in local time; below 0 once it has passed.
double secondsUntil(const StopTime& stop, std::time_t now);
// The stop time as the picker shows it: "yyyy/MM/dd HH:mm:ss".
std::string stopTimeText(const StopTime& stop);

// An answer as a message quotes it: in quotes, control characters and bytes beyond ASCII
// written as escapes ("\n", "\x07", "\xFE"), cut after `maxLength` characters with "..."
// when longer.
std::string quotedAnswer(std::string_view answer, std::size_t maxLength = 60);

// The front-panel controls a tick consults, read afresh at every tick.
class RunControls {
 public:
  virtual ~RunControls() = default;
  virtual std::string modelCode() const = 0;  // "0", "3800" or "3820"
  virtual bool stopTimeChecked() const = 0;
  virtual StopTime stopTime() const = 0;
  virtual bool stopAfterNChecked() const = 0;
  virtual long long stopAfterN() const = 0;
  virtual bool setScaleOffsetChecked() const = 0;      // "Set Scale/Offset" (full panel)
  virtual bool scaleOffsetCompactChecked() const = 0;  // "Scale_Offset" (compact panel)
};

// Where the tick's results are shown.
class ReadingDisplay {
 public:
  virtual ~ReadingDisplay() = default;
  virtual void showCount(const std::string& text) = 0;    // "Count:"
  virtual void showStdev(const std::string& text) = 0;    // "STDEV :"
  virtual void showElapsed(const std::string& text) = 0;  // "Elapsed :"
  virtual void showCurrent(const std::string& text) = 0;  // "Current : ", repainted at once
  // The trend chart with the "Max : " and "Min : " texts: erase, draw, keep a snapshot.
  virtual void showTrend(const TrendChart& chart) = 0;
  // Size of the chart picture in pixels.
  virtual int chartWidth() const = 0;
  virtual int chartHeight() const = 0;
};

// What Run Start fixes for the run.
struct RunParameters {
  int functionCode = 0;       // running function code
  bool statisticsOn = false;  // the counter's statistics were switched on
  bool save = false;          // readings are stored
};

class ReadingLoop {
 public:
  // A run stops after this many readings (the database never gets more from one run).
  static constexpr int kMaxReadings = 99999999;
  static constexpr std::string_view kLimitMessage =
      "The upper limit of data records is 100 million.";

  struct Ports {
    ReadingLink& link;
    ReadingStore& store;
    RunControls& controls;
    ReadingDisplay& display;
    core::Interaction& ui;
    core::Clock& clock;
    std::function<void()> runStop;          // the one stop-the-run operation of the owner
    const measure::Texts* texts = nullptr;  // the language of the messages; English when null
  };

  explicit ReadingLoop(Ports ports);

  // The running flag: set by Run Start before the counter is configured, cleared by RunStop.
  void setRunning(bool running) { running_ = running; }
  bool running() const { return running_; }

  // Run Start's reset of the run state: counters and statistics to 0, maximum -999999999.0,
  // minimum 999999999.0, trend window emptied, start time := now.
  void start(const RunParameters& parameters);

  // One tick of the reading timer. A tick that arrives while one is in progress (from the
  // events let through during the stop-time check) returns at once.
  void tick();

  // Redraws the trend chart from the current window (after every reading, and once after a run
  // when the pointer moves over the window).
  void redraw();

  // Lowers the reading limit of a run (tests and tools; the product keeps kMaxReadings).
  void setReadingLimit(int limit) { readingLimit_ = limit; }

  // "Dots" changed: C := dots + 1.
  void setDots(int dots) { window_.setCapacity(dots + 1); }

  const RunParameters& parameters() const { return parameters_; }
  int count() const { return count_; }
  const RunningStatistics& statistics() const { return statistics_; }
  double maximum() const { return maximum_; }
  double minimum() const { return minimum_; }
  std::time_t startTime() const { return startTime_; }
  const TrendWindow& window() const { return window_; }

 private:
  // True when the stop time has passed (or the run was stopped while events ran).
  bool stopTimeReached(unsigned runId);
  void stop();
  std::string text(std::string_view key) const;
  // An answer with no leading number: nothing is stored or counted, the run stops.
  void notAReading(const std::string& answer);

  Ports ports_;
  bool running_ = false;
  bool inTick_ = false;
  unsigned runId_ = 0;  // changes at every start, so a tick notices a stop and a new start
  RunParameters parameters_;
  std::time_t startTime_ = 0;
  int count_ = 0;
  int readingLimit_ = kMaxReadings;
  RunningStatistics statistics_;
  double maximum_ = -999999999.0;
  double minimum_ = 999999999.0;
  TrendWindow window_;
};

}  // namespace reading
