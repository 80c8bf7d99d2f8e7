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

const measure::Texts& englishTexts() {
  static const measure::Texts texts;
  return texts;
}

}  // namespace

double secondsUntil(const StopTime& t, std::time_t now) {
  std::tm when{};
  when.tm_year = t.year - 1900;
  when.tm_mon = t.month - 1;
  when.tm_mday = t.day;
  when.tm_hour = t.hour;
  when.tm_min = t.minute;
  when.tm_sec = t.second;
  when.tm_isdst = -1;
  return std::difftime(std::mktime(&when), now);
}

std::string stopTimeText(const StopTime& t) {
  return core::format("%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
}

std::string quotedAnswer(std::string_view answer, std::size_t maxLength) {
  std::string out = "\"";
  std::size_t shown = 0;
  for (const char c : answer) {
    if (shown == maxLength) {
      out += "...";
      break;
    }
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u >= 0x7F) {
      out += core::format("\\x%02X", u);
    } else {
      out += c;
    }
    ++shown;
  }
  return out + "\"";
}

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

std::string ReadingLoop::text(std::string_view key) const {
  return (ports_.texts ? *ports_.texts : englishTexts()).get(key);
}

void ReadingLoop::notAReading(const std::string& answer) {
  stop();
  ports_.ui.message(text("1101") + "\n\n" +
                        measure::fillIn(text("1103"), {ports_.link.counterDescription()}) + "\n" +
                        measure::fillIn(text("1102"), {quotedAnswer(answer)}),
                    std::string(measure::kAppTitle), core::Icon::Error);
}

bool ReadingLoop::stopTimeReached(unsigned runId) {
  // Let pending events run first: the user may have stopped the run or moved the stop time.
  ports_.ui.processEvents();
  if (!running_ || runId != runId_) return true;
  if (secondsUntil(ports_.controls.stopTime(), ports_.clock.nowSeconds()) < 0) {
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
  bool parsed = false;
  const double x = core::leadingDouble(answer, &parsed);
  if (!parsed) {
    notAReading(answer);
    return;
  }

  if (parameters_.save) {
    std::string error;
    if (!ports_.store.append(answer, &error)) {
      stop();
      ports_.ui.message(text("1164") + "\n\n" + error, std::string(measure::kAppTitle),
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
  // The counter's overflow answer (no signal) is no measurement: it is counted, stored and
  // drawn, but leaves the maximum and minimum alone, as it leaves the statistics.
  const bool measured = entersStatistics(x);
  if (measured && x > maximum_) maximum_ = x;
  if (measured && x < minimum_) minimum_ = x;

  ports_.display.showCurrent(measured ? FormatCurrent(answer, model, function) : text("1100"));
  redraw();

  if (count_ > readingLimit_) {
    stop();
    ports_.ui.message(text("1163"), std::string(measure::kAppTitle), core::Icon::Exclamation);
  }
}

void ReadingLoop::redraw() {
  TrendChart chart = trendChart(window_.values(), window_.capacity(), maximum_, minimum_,
                                ports_.controls.modelCode(), parameters_.functionCode,
                                ports_.display.chartWidth(), ports_.display.chartHeight());
  // Before the first measured reading there is no maximum or minimum to show: only the
  // counter's no-signal answers came so far, or nothing at all.
  if (statistics_.validCount() == 0)
    chart.maxText = chart.minText = count_ > 0 ? text("1100") : "0";
  ports_.display.showTrend(chart);
}

}  // namespace reading
