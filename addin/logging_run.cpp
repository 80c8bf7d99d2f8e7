// The logging run: start, pause, resume and stop, the three ticks that pace it, the one path of
// SCPI traffic during a run, the rows and the summary block written into the worksheet.

#include <algorithm>
#include <cmath>

#include "addin/application.h"
#include "addin/date_time.h"
#include "addin/reading_value.h"
#include "addin/summary_block.h"
#include "core/text_format.h"

namespace addin {
namespace {

constexpr ViUInt32 kRunTimeoutMs = 30000;
constexpr ViUInt32 kTriggerPollTimeoutMs = 3000;
constexpr ViUInt32 kAfterTriggerTimeoutMs = 10000;
constexpr ViUInt32 kReadBytes = 255;
constexpr std::int32_t kWaitPollMs = 1000;
constexpr std::size_t kQuotedAnswerLength = 40;

constexpr const char* kTriggerStopText =
    "Waiting for an External Trigger:\r\n"
    "The instrument is locked waiting for an external trigger. "
    "To stop now you must do the following:\r\n\r\n"
    "On the instrument front panel, do step 1 - 4: \r\n\r\n"
    "1.Press 'LOCAL'\r\n"
    "2.Press 'Gate & ExtArm' and change to 'Gate:Time'\r\n"
    "3.Double Press 'Stop / Single'\r\n"
    "4.Press 'Yes' on this form. \r\n\r\n"
    "If you wish to continue waiting for the trigger Press 'No' .";

std::string trim(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

// An answer as the run uses it: control characters and double quotes dropped, spaces trimmed.
std::string cleanAnswer(std::string_view raw) {
  std::string out;
  for (char c : raw)
    if (static_cast<unsigned char>(c) >= 0x20 && c != '"') out += c;
  return trim(out);
}

// The SCPI subsystem whose arming commands serve the function the counter reports.
std::string scpiRoot(const std::string& function) {
  static const char* const frequencyFunctions[] = {
      "PER",   "FREQ",     "FREQ 2",       "PER 2",        "FREQ 3",
      "PER 3", "FREQ:RAT", "FREQ:RAT 2,1", "FREQ:RAT 1,3", "FREQ:RAT 3,1"};
  for (const char* f : frequencyFunctions)
    if (function == f) return "freq";
  if (function == "PHAS") return "phas";
  return "tint";
}

std::string boolText(bool value) { return value ? "True" : "False"; }

}  // namespace

Application::RunState Application::runState() const {
  return {running_, active_, active_ && triggerWait_, dataRow_, interval_};
}

double Application::nowSerial() const { return dateTimeSerial(s_.clock.now()); }

sheet::Worksheet& Application::worksheet() {
  if (!sheet_) throw sheet::Error("No worksheet has been given to the add-in (SetSheet).", 91);
  return *sheet_;
}

void Application::readyToStart() {
  if (active_) return;
  setEnabled(kStartControl, kStartControl, IWKSesn != 0);
}

void Application::setEnabled(int from, int to, bool enabled) {
  if (!app_) return;
  sheet::CommandBar& bar = app_->commandBar(kAddinTitle, kToolbarControls);
  for (int i = from; i <= to; ++i) bar.setEnabled(i, enabled);
}

void Application::setVisible(int from, int to, bool visible) {
  if (!app_) return;
  sheet::CommandBar& bar = app_->commandBar(kAddinTitle, kToolbarControls);
  for (int i = from; i <= to; ++i) bar.setVisible(i, visible);
}

// ---------------------------------------------------------------------------------------------
// Instrument traffic

bool Application::writeInstrument(const std::string& command) {
  ViUInt32 written = 0;
  return s_.visa.viWrite(work_, reinterpret_cast<const ViByte*>(command.data()),
                         static_cast<ViUInt32>(command.size()), &written) >= VI_SUCCESS;
}

std::string Application::readInstrument(ViStatus* status) {
  ViByte buffer[256] = {};
  ViUInt32 got = 0;
  const ViStatus st = s_.visa.viRead(work_, buffer, kReadBytes, &got);
  if (status) *status = st;
  return std::string(reinterpret_cast<const char*>(buffer), std::min<ViUInt32>(got, kReadBytes));
}

std::string Application::SendCommand(const std::string& command) {
  ViUInt32 written = 0;
  ViStatus status = s_.visa.viWrite(work_, reinterpret_cast<const ViByte*>(command.data()),
                                    static_cast<ViUInt32>(command.size()), &written);
  if (status >= VI_SUCCESS) {
    if (command.rfind('?') == std::string::npos) {
      answer_.clear();
      return {};
    }
    answer_ = readInstrument(&status);
    if (status >= VI_SUCCESS) {
      std::string answer = cleanAnswer(answer_);
      answer_.clear();
      return answer;
    }
  }

  // An I/O error: the run stops reading, the instrument is cleared and the user is told once.
  running_ = false;
  char description[VI_FIND_BUFLEN] = {};
  s_.visa.viStatusDesc(work_, status, description);
  std::string text = trim(description);
  s_.visa.viClear(work_);
  if (status != VI_ERROR_CONN_LOST) {
    writeInstrument("syst:err?");
    text = cleanAnswer(readInstrument()) + "\r\n" + text;
  }
  if (!error_) {
    // One box per run: after a dropped link every later command fails the same way.
    s_.ui.message("Error status description:\r\n" + text, kAddinTitle, core::Icon::None,
                  core::Buttons::Ok);
  }
  answer_.clear();
  error_ = true;
  return {};
}

// ---------------------------------------------------------------------------------------------
// Start, pause, resume, stop

void Application::StartTimer(std::int32_t lngIntv) {
  try {
    running_ = true;
    active_ = true;
    garbageReported_ = false;
    setVisible(kConnectControl, kChartControl, false);
    setEnabled(kStartControl, kStartControl, false);
    setEnabled(kPauseControl, kStopControl, true);
    work_ = IWKSesn;

    root_ = scpiRoot(core::toUpper(SendCommand("func?")));
    interval_ = lngIntv;
    triggerWait_ = true;
    s_.timer.kill();

    if (numPoints_ != 0) SaveSetting("NumPoints", std::to_string(numPoints_));
    SaveSetting("ReadPoints", std::to_string(numberOfReadings_));
    SaveSetting("Begin", std::to_string(begin_));
    SaveSetting("Terminating", std::to_string(terminating_));
    SaveSetting("Add_Chart", std::to_string(chartKind_));
    SaveSetting("In_Sheet", boolText(chartInSheet_));
    SaveSetting("Interval", std::to_string(interval_));
    SaveSetting("StopTime_HH", std::to_string(stopHours_));
    SaveSetting("StopTime_NN", std::to_string(stopMinutes_));
    SaveSetting("StopTime_SS", std::to_string(stopSeconds_));

    ViUInt32 timeout = 0;
    if (s_.visa.viGetAttribute(work_, VI_ATTR_TMO_VALUE, &timeout) >= VI_SUCCESS)
      savedTimeout_ = timeout;
    s_.visa.viSetAttribute(work_, VI_ATTR_TMO_VALUE, kRunTimeoutMs);

    if (app_) app_->setScreenUpdating(false);
    const bool built = buildCharts();
    if (app_) app_->setScreenUpdating(true);
    if (!built) return;

    worksheet().select("A1");
    switch (static_cast<ReadBegin>(begin_)) {
      case ReadBegin::Direct:
        SendCommand("init:cont on");
        startTicks(interval_, &Application::DirectTick);
        break;
      case ReadBegin::Waiting: {
        const std::string cell = chartKind_ < 2 ? "F1" : "G1";
        worksheet().setNumberFormat(cell, "yyyy/mm/dd hh:mm:ss");
        worksheet().setValue(cell, startDateTime_);
        SendCommand("init:cont on");
        startTicks(kWaitPollMs, &Application::WaitingTick);
        break;
      }
      case ReadBegin::Trigger:
        SendCommand(root_ + ":arm:sour ext");
        SendCommand(root_ + ":arm:sour?");
        SendCommand("init:cont on");
        SendCommand("init:cont off");
        s_.visa.viSetAttribute(work_, VI_ATTR_TMO_VALUE, kTriggerPollTimeoutMs);
        startTicks(kWaitPollMs, &Application::TriggerTick);
        break;
      default:
        break;  // no timer: the run waits for STOP
    }
  } catch (const std::exception& e) {
    if (app_) app_->setScreenUpdating(true);
    EndRun();
    message(std::string("To Start Reading:\r\n") + e.what(), core::Icon::None);
  }
}

void Application::startTicks(std::int32_t intervalMs, void (Application::*step)()) {
  step_ = step;
  s_.timer.start(intervalMs, [this, step] { tick(step); });
}

void Application::PauseTimer() {
  running_ = false;
  setEnabled(kStartControl, kStartControl, true);
  setEnabled(kPauseControl, kPauseControl, false);
  setEnabled(kStopControl, kStopControl, true);
}

void Application::Stop_Pause() {
  running_ = true;
  setEnabled(kStartControl, kStartControl, false);
  setEnabled(kPauseControl, kStopControl, true);
}

void Application::StopTimer() {
  running_ = false;
  if (static_cast<ReadBegin>(begin_) == ReadBegin::Trigger && triggerWait_ && active_) {
    for (;;) {
      const core::Answer answer = s_.ui.message(kTriggerStopText, kAddinTitle,
                                                core::Icon::Information, core::Buttons::YesNo);
      if (answer != core::Answer::Yes) {
        running_ = true;  // go on waiting for the trigger
        return;
      }
      ViStatus status = VI_SUCCESS;
      if (writeInstrument("*OPC?")) {
        if (readInstrument(&status).find('1') != std::string::npos) break;
      } else {
        status = VI_ERROR_CONN_LOST;
      }
      // A link that is gone will never report completion: end the run instead of asking again.
      if (status < VI_SUCCESS && status != VI_ERROR_TMO) break;
    }
    SendCommand("syst:err?");
    SendCommand("syst:err?");
    SendCommand("*esr?");
    SendCommand(root_ + ":arm:sour imm");
    if (savedTimeout_) s_.visa.viSetAttribute(work_, VI_ATTR_TMO_VALUE, *savedTimeout_);
  }
  EndRun();
}

void Application::EndRun() {
  running_ = false;
  s_.timer.kill();
  step_ = nullptr;
  setVisible(kAboutControl, kChartControl, true);
  setEnabled(kStartControl, kStopControl, false);
  if (sheet_ && (chartKind_ == 1 || chartKind_ == 3)) {
    setUpScrollBars(dataRow_);
    if (app_) app_->doEvents();
  }
  if (active_) {
    SendCommand("init:cont off");
    if (savedTimeout_) s_.visa.viSetAttribute(work_, VI_ATTR_TMO_VALUE, *savedTimeout_);
    s_.visa.viClear(work_);
    SendCommand("*esr?");
  }
  if (app_) app_->setStatusBar("Ready");

  dataRow_ = 2;
  minimum_ = maximum_ = 0;
  triggerSeen_ = false;
  chartInSheet_ = false;
  error_ = false;
  active_ = false;
  triggerWait_ = false;
  savedTimeout_.reset();
  sheet_.reset();
  releaseCharts();
  stats_.reset();
  sum_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Ticks

void Application::tick(void (Application::*step)()) {
  // A tick that is still running (a message box inside it lets events run) is not re-entered.
  if (inTick_) return;
  inTick_ = true;
  try {
    // An I/O error outside a reading (while waiting, or while starting) ends the run here.
    if (error_)
      EndRun();
    else
      (this->*step)();
  } catch (const std::exception& e) {
    EndRun();
    message(std::string("Error status description:\r\n") + e.what(), core::Icon::None);
  }
  inTick_ = false;
}

void Application::DirectTick() {
  if (!running_) return;
  ReadingStep();
}

void Application::WaitingTick() {
  if (!running_) return;
  if (triggerWait_) {
    if (nowSerial() < startDateTime_) {
      if (app_) app_->setStatusBar("Waiting time...");
      return;
    }
    s_.timer.kill();
    running_ = true;
    startTicks(interval_, &Application::WaitingTick);
    triggerWait_ = false;
  }
  ReadingStep();
}

void Application::TriggerTick() {
  if (!running_) return;
  if (triggerWait_) {
    if (app_) app_->setStatusBar("Waiting for External Trigger...");
    if (!triggerSeen_) {
      writeInstrument("*OPC?");
      // The 3000 ms time-out bounds the wait; no "1" yet means: poll again at the next tick.
      if (readInstrument().find('1') == std::string::npos) return;
      triggerSeen_ = true;
    }
    SendCommand("syst:err?");
    SendCommand("syst:err?");
    SendCommand("syst:err?");
    SendCommand("*esr?");
    SendCommand(root_ + ":arm:sour imm");
    SendCommand("init:cont on");
    s_.visa.viSetAttribute(work_, VI_ATTR_TMO_VALUE, kAfterTriggerTimeoutMs);
    triggerWait_ = false;
    startTicks(interval_, &Application::TriggerTick);
  }
  ReadingStep();
}

// ---------------------------------------------------------------------------------------------
// One reading

void Application::ReadingStep() {
  std::string answer = SendCommand("fetch?");
  if (error_) {
    EndRun();
    return;
  }
  if (answer.empty()) return;
  if (app_) app_->setStatusBar("Reading...");

  const std::optional<double> reading = readingValue(answer);
  if (!reading) {
    // Garbage from the instrument is not a reading: nothing is written or counted.
    if (!garbageReported_ && app_) {
      app_->setStatusBar("Not a reading, skipped: \"" + answer.substr(0, kQuotedAnswerLength) +
                         "\"");
      garbageReported_ = true;
    }
    return;
  }

  const double value = *reading;
  sheet::Worksheet& ws = worksheet();
  const std::string timeCell = sheet::cellName(dataRow_, 1);
  ws.setNumberFormat(timeCell, "hh:mm:ss.00");
  ws.setValue(timeCell, nowSerial());
  ws.setValue(sheet::cellName(dataRow_, 2), value);
  sum_ += value;
  if (!updateSummary(value)) return;
  ++dataRow_;

  if ((terminating_ == 1 && dataRow_ > numberOfReadings_ + 1) ||
      (terminating_ == 2 && dataRow_ > maxPoints_ + 1))
    EndRun();
}

bool Application::updateSummary(double value) {
  sheet::Worksheet& ws = worksheet();
  const SummaryCells& cells = summaryCells(chartKind_);
  const double count = dataRow_ - 1;
  ws.setValue(cells.count, count);
  if (cells.stripCount) ws.setValue(cells.stripCount, count);

  try {
    stats_.add(value);
    ws.setNumberFormat(cells.standardDeviation, "0.000000000000E+00;-0.000000000000E+00");
    ws.setValue(cells.standardDeviation, stats_.standardDeviation());
  } catch (const std::exception& e) {
    EndRun();
    message(std::string("STDEV:\r\n") + e.what(), core::Icon::None);
    return false;
  }

  // Both at 0 means the run (or an automatic histogram) has no extremes yet.
  if (minimum_ == 0 && maximum_ == 0) {
    minimum_ = maximum_ = value;
  } else {
    if (maximum_ <= value) maximum_ = value;
    if (value <= minimum_) minimum_ = value;
  }
  ws.setValue(cells.minimum, minimum_);
  ws.setValue(cells.maximum, maximum_);
  ws.setValue(cells.average, sum_ / count);
  return true;
}

}  // namespace addin
