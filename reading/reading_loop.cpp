#include "reading/reading_loop.h"

#include "core/clock.h"
#include "core/interaction.h"
#include "core/text_format.h"
#include "measure/texts.h"
#include "reading/elapsed_text.h"
#include "reading/reading_query.h"
#include "reading/value_format.h"

namespace reading {

namespace {

// Marks a tick in progress for as long as it runs.
class TickScope {
 public:
  explicit TickScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TickScope() { flag_ = false; }
  TickScope(const TickScope&) = delete;
  TickScope& operator=(const TickScope&) = delete;

 private:
  bool& flag_;
};

constexpr std::string_view kStoreFailedMessage =
    "The reading could not be stored in the database, so the run has been stopped.\n"
    "Every reading stored before it is kept.\n\n";

}  // namespace

ReadingLoop::ReadingLoop(Ports ports) : ports_(std::move(ports)) {}

void ReadingLoop::start(const RunParameters& parameters) {
  ++runId_;
  parameters_ = parameters;
  startTime_ = ports_.clock.nowSeconds();
  count_ = 0;
  statistics_.reset();
  maximum_ = -999999999.0;
  minimum_ = 999999999.0;
  window_.clear();
}

void ReadingLoop::stop() {
  if (ports_.runStop)
    ports_.runStop();
  else
    running_ = false;
}

bool ReadingLoop::stopTimeReached(unsigned runId) {
  // Let pending events run first: the user may have stopped the run or moved the stop time.
  ports_.ui.processEvents();
  if (!running_ || runId != runId_) return true;
  const StopTime t = ports_.controls.stopTime();
  std::tm when{};
  when.tm_year = t.year - 1900;
  when.tm_mon = t.month - 1;
  when.tm_mday = t.day;
  when.tm_hour = t.hour;
  when.tm_min = t.minute;
  when.tm_sec = t.second;
  when.tm_isdst = -1;
  const std::time_t stopAt = std::mktime(&when);
  if (std::difftime(stopAt, ports_.clock.nowSeconds()) < 0) {
    stop();
    return true;
  }
  return false;
}

void ReadingLoop::tick() {
  if (inTick_) return;
  TickScope scope(inTick_);
  if (!running_) {
    stop();
    return;
  }
  RunControls& controls = ports_.controls;
  if (controls.stopTimeChecked() && stopTimeReached(runId_)) return;
  if (controls.stopAfterNChecked() && count_ >= controls.stopAfterN()) {
    stop();
    return;
  }

  const std::string model = controls.modelCode();
  const std::string_view query =
      readingQuery({model, controls.setScaleOffsetChecked(), controls.scaleOffsetCompactChecked(),
                    parameters_.statisticsOn});
  ports_.link.write(std::string(query));
  const std::string answer = ports_.link.read();
  if (ports_.link.lastReadFailed()) return;
  const double x = core::leadingDouble(answer);

  if (parameters_.save) {
    std::string error;
    if (!ports_.store.append(answer, &error)) {
      stop();
      ports_.ui.message(std::string(kStoreFailedMessage) + error, std::string(measure::kAppTitle),
                        core::Icon::Error);
      return;
    }
  }

  ++count_;
  ports_.display.showCount(core::format("%ld", static_cast<long>(count_)));

  const int function = parameters_.functionCode;
  if (statistics_.add(x)) {
    ports_.display.showStdev(
        FormatStdev(core::format("%.30f", statistics_.standardDeviation()), model, function));
  }

  ports_.display.showElapsed(
      elapsedText(static_cast<long long>(ports_.clock.nowSeconds() - startTime_)));

  // The window makes room only for a reading that was read and stored, so a failed tick
  // leaves no stale place behind.
  window_.push(x);
  if (x > maximum_) maximum_ = x;
  if (x < minimum_) minimum_ = x;

  ports_.display.showCurrent(FormatCurrent(answer, model, function));
  redraw();

  if (count_ > readingLimit_) {
    stop();
    ports_.ui.message(std::string(kLimitMessage), std::string(measure::kAppTitle),
                      core::Icon::Exclamation);
  }
}

void ReadingLoop::redraw() {
  ports_.display.showTrend(trendChart(window_.values(), window_.capacity(), maximum_, minimum_,
                                      ports_.controls.modelCode(), parameters_.functionCode,
                                      ports_.display.chartWidth(), ports_.display.chartHeight()));
}

}  // namespace reading
