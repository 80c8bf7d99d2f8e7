#include "app/front_panel.h"

#include "core/clock.h"
#include "measure/language.h"
#include "measure/panel_controls.h"
#include "measure/run_start_program.h"
#include "measure/texts.h"

namespace app {

using measure::Ctl;

// The reading loop's view of the window: the instrument's InstrumentIo, the recorder, the
// panel's stop conditions and scale boxes, and the value labels and chart.
class FrontPanel::Adapters final : public reading::ReadingLink,
                                   public reading::ReadingStore,
                                   public reading::RunControls,
                                   public reading::ReadingDisplay {
 public:
  explicit Adapters(FrontPanel& fp) : fp_(fp) {}

  void write(const std::string& command) override { fp_.instrument_->write(command); }
  // A run's read: STOP can cancel it while it waits.
  std::string read() override { return fp_.instrument_->read(true); }
  bool lastReadFailed() const override { return fp_.instrument_->lastReadFailed(); }
  std::string counterDescription() const override { return fp_.instrument_->counterDescription(); }

  bool append(const std::string& answerText, std::string* error) override {
    return fp_.recorder_->append(answerText, error);
  }

  std::string modelCode() const override { return fp_.instrument_->modelCode(); }
  bool stopTimeChecked() const override { return checked(Ctl::StopTimeBox); }
  reading::StopTime stopTime() const override { return fp_.stopTime_; }
  bool stopAfterNChecked() const override { return checked(Ctl::StopAfterNBox); }
  long long stopAfterN() const override { return fp_.panel_->stopAfterN(); }
  bool setScaleOffsetChecked() const override { return checked(Ctl::SetScaleOffsetBox); }
  bool scaleOffsetCompactChecked() const override { return checked(Ctl::CompactScaleOffsetBox); }

  void showCount(const std::string& text) override { show(fp_.values_.count, text); }
  void showStdev(const std::string& text) override { show(fp_.values_.stdev, text); }
  void showElapsed(const std::string& text) override { show(fp_.values_.elapsed, text); }
  void showCurrent(const std::string& text) override { show(fp_.values_.current, text); }
  void showTrend(const reading::TrendChart& chart) override { fp_.showTrend(chart); }
  int chartWidth() const override { return fp_.chartWidth_; }
  int chartHeight() const override { return fp_.chartHeight_; }

 private:
  bool checked(Ctl id) const { return fp_.panel_->control(id).checked; }
  void show(std::string& label, const std::string& text) {
    label = text;
    fp_.notify(Change::Values);
  }

  FrontPanel& fp_;
};

FrontPanel::FrontPanel(visa::Library& visa, core::Interaction& ui, core::Clock& clock,
                       Timers& timers, Dialogs& dialogs, FrontPanelOptions options)
    : ui_(ui),
      clock_(clock),
      timers_(timers),
      dialogs_(dialogs),
      texts_(options.iniPath.empty() ? measure::defaultIniPath() : options.iniPath),
      language_(std::move(options.language)) {
  instrument_ =
      std::make_unique<instrument::Instrument>(visa, ui, clock, texts_, options.threadedIo);
  panel_ = std::make_unique<measure::PanelModel>(
      ui, [this] { return instrument_->modelCode(); }, texts_);
  settingMode_ = std::make_unique<records::SettingMode>(selection_, ui, texts_);
  recorder_ = std::make_unique<records::Recorder>(ui, texts_, clock);
  adapters_ = std::make_unique<Adapters>(*this);
  loop_ = std::make_unique<reading::ReadingLoop>(reading::ReadingLoop::Ports{
      *adapters_, *adapters_, *adapters_, *adapters_, ui, clock, [this] { RunStop(); }, &texts_});

  instrument_->setRunStop([this] { RunStop(); });
  instrument::PanelHooks hooks;
  hooks.fullModelIdentified = [this] { panel_->onFullModelIdentified(); };
  hooks.compactModelIdentified = [this] { panel_->onCompactModelIdentified(); };
  hooks.modelChanged = [this] { panel_->onModelChanged(); };
  hooks.nothingFound = [this] { panel_->resetLayoutNoInstrument(); };
  instrument_->setPanelHooks(std::move(hooks));

  panel_->setRunHandlers([this] { RunStart(); }, [this] { RunStop(); },
                         [this] { return loop_->running(); });
  panel_->setReadSpeedHandler([this](int periodMs) {
    if (!loop_->running()) return;
    timers_.start(kReadingTimer, periodMs);
    // The readings from here on come at the new period: a settings row of their own.
    if (recorder_->recording() && runInfo_) {
      runInfo_->readSpeedMs = periodMs;
      runInfo_->started = records::DateTime::fromTm(clock_.localNow());
      std::string error;
      if (!recorder_->storeRunInfo(*runInfo_, &error)) {
        ui_.message(error, std::string(kAppTitle), core::Icon::Exclamation);
      }
    }
  });
  panel_->setDotsHandler([this](int capacity, const std::string& label) {
    loop_->setDots(capacity - 1);
    values_.chartRightLabel = label;
    notify(Change::Chart);
  });
}

FrontPanel::~FrontPanel() { shutdown(); }

void FrontPanel::notify(Change change) {
  if (onChange_) onChange_(change);
}

bool FrontPanel::deviceListEnabled() const {
  return instrument_->deviceList().enabled && !deviceListLocked_;
}

void FrontPanel::initialize() {
  instrument_->setIoTimeoutMs(instrument::kDefaultIoTimeoutMs);
  instrument_->setIdentificationFilter(std::string(instrument::Instrument::kIdentificationFilter));
  instrument_->search(true);
  afterSearch();

  loop_->setRunning(false);
  selection_.save = false;
  selection_.database = 0;
  drawColor_ = core::Color{0, 0, 255};
  selection_.drawColor = drawColor_;

  measure::checkIniFile(texts_, ui_);
  texts_.setLanguage(language_.empty() ? measure::systemLanguage() : std::string_view(language_));

  loop_->setDots(panel_->dots());
  values_.chartRightLabel = std::to_string(panel_->dots());
  notify(Change::DrawColor);

  // The model is forgotten and found again by the selection below, so the panel follows it.
  instrument_->setDetectionEnabled(false);
  instrument_->setModelCode(instrument::kModelNone);
  instrument_->setDetectionEnabled(true);
  applyLabels();
  const std::tm now = clock_.localNow();
  setStopTime(
      {now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec});
  instrument_->setTypedAddresses(instrument::TcpipAddressData{});

  if (instrument_->deviceCount() > 0) {
    instrument_->SelectDevice(0);
    panel_->press(Ctl::Ch1Button);
    panel_->press(Ctl::StopButton);
    panel_->press(Ctl::FreqRatioPage);
  } else {
    panel_->resetLayoutNoInstrument();
  }
  notify(Change::DeviceList);
  notify(Change::Commands);
}

void FrontPanel::afterSearch() {
  selection_.foundInstruments = instrument_->deviceCount();
  notify(Change::DeviceList);
}

void FrontPanel::applyLabels() {
  panel_->applyLabels(texts_);
  notify(Change::Labels);
}

void FrontPanel::changeLanguage(std::string_view section) {
  texts_.setLanguage(section);
  applyLabels();
}

void FrontPanel::setStopTime(const reading::StopTime& time) {
  stopTime_ = time;
  notify(Change::StopTime);
}

void FrontPanel::setChartSize(int width, int height) {
  chartWidth_ = width;
  chartHeight_ = height;
}

void FrontPanel::showTrend(const reading::TrendChart& chart) {
  chart_ = chart;
  values_.maximum = chart.maxText;
  values_.minimum = chart.minText;
  notify(Change::Chart);
}

void FrontPanel::command(int id) {
  const std::optional<Command> c = commandFromId(id);
  if (!c || !commands_.enabled(*c)) return;
  switch (*c) {
    case Command::SettingMode:
      showSettingMode();
      break;
    case Command::Refresh: {
      const core::WaitCursor wait(ui_);
      instrument_->search();
      afterSearch();
      break;
    }
    case Command::TcpipAddresses:
      instrument_->tcpipAddressCommand(
          [this](instrument::TcpipAddressData& data) { return dialogs_.showTcpipAddress(data); });
      afterSearch();
      break;
    case Command::ViewRecord:
      dialogs_.open(Dialog::ViewRecord);
      break;
    case Command::ChartRecord:
      dialogs_.open(Dialog::ChartRecord);
      break;
    case Command::Stability:
      dialogs_.open(Dialog::Stability);
      break;
    case Command::CommandControl:
      dialogs_.open(Dialog::CommandControl);
      break;
    case Command::About:
      systemMenuAbout();
      break;
    case Command::RunStart:
      RunStart();
      break;
    case Command::RunStop:
      RunStop();
      break;
  }
}

void FrontPanel::systemMenuAbout() {
  dialogs_.open(Dialog::About);
  applyLabels();
}

void FrontPanel::showSettingMode() {
  // The dialog edits the draw colour of the selection; the window takes it back whichever
  // way the dialog closed and makes its pen anew.
  selection_.drawColor = drawColor_;
  dialogs_.showSettingMode(*settingMode_);
  settingMode_->close();
  drawColor_ = selection_.drawColor;
  notify(Change::DrawColor);
}

void FrontPanel::selectDevice(int line) {
  if (!deviceListEnabled()) return;
  instrument_->SelectDevice(line);
  notify(Change::DeviceList);
}

bool FrontPanel::runStartAllowed() {
  const std::string title(kAppTitle);
  auto refuse = [&](Ctl field, const std::string& text) {
    panel_->showRunButtons(false);
    ui_.message(text, title, core::Icon::Error);
    panel_->focus(field);
    return false;
  };
  auto blank = [](const std::string& t) { return t.find_first_not_of(" \t") == std::string::npos; };
  if (const auto bad = measure::checkRunStartNumbers(*panel_, texts_)) {
    const std::string name = panel_->fieldName(bad->field);
    return refuse(bad->field, blank(bad->text)
                                  ? measure::fillIn(texts_.get("1107"), {name})
                                  : measure::fillIn(texts_.get("1106"), {name, bad->text}));
  }
  if (panel_->control(Ctl::StopAfterNBox).checked && !panel_->readStopAfterN()) {
    const std::string& n = panel_->control(Ctl::StopAfterNCount).text;
    const std::string name = panel_->fieldName(Ctl::StopAfterNCount);
    return refuse(Ctl::StopAfterNCount, blank(n) ? measure::fillIn(texts_.get("1107"), {name})
                                                 : name + ": " + texts_.get("1159"));
  }
  if (panel_->control(Ctl::StopTimeBox).checked &&
      reading::secondsUntil(stopTime_, clock_.nowSeconds()) < 0) {
    panel_->showRunButtons(false);
    ui_.message(
        measure::fillIn(texts_.get("1105"), {reading::stopTimeText(stopTime_), texts_.get("801")}),
        title, core::Icon::Exclamation);
    return false;
  }
  return true;
}

void FrontPanel::RunStart() {
  if (loop_->running() || instrument_->ioWaiting()) return;
  const ViSession session = instrument_->currentSession();
  if (session == instrument::kInvalidSession || session == VI_NULL) {
    ui_.message(texts_.get("1000"), std::string(kAppTitle), core::Icon::Exclamation);
    return;
  }
  if (!runStartAllowed()) {
    panel_->showRunButtons(false);
    return;
  }
  notify(Change::Chart);
  deviceListLocked_ = true;
  notify(Change::DeviceList);
  commands_.setRunning(true);
  notify(Change::Commands);
  loop_->setRunning(true);
  loop_->setDots(panel_->dots());
  panel_->setRunStarted(true);
  redrawOnMouseMove_ = false;

  if (selection_.save) recorder_->prepare(selection_, [this] { showSettingMode(); });

  const measure::RunStartProgram program = measure::buildRunStartProgram(*panel_, texts_);
  for (const std::string& c : program.commands) instrument_->write(c);
  if (program.levelError) {
    RunStop();
    ui_.message(program.levelError->text, texts_.get("1180"), core::Icon::Error);
    return;
  }

  instrument_->write("INIT:CONT ON");
  if (recorder_->recording()) storeRunInfo(program);
  panel_->setChartCaptionFunction(program.runningFunctionCode);
  loop_->start({program.runningFunctionCode, program.statisticsShown, selection_.save});
  timers_.start(kReadingTimer, panel_->readIntervalMs());
  values_.maximum = values_.current = values_.minimum = "0";
  notify(Change::Values);
  panel_->showRunButtons(true);

  // Recording was asked for but nothing could be opened (the chosen database is in use, or
  // the user has been told why it cannot be written): the run does not go on without it.
  if (selection_.save && (selection_.databaseUsed || !recorder_->recording())) RunStop();
}

void FrontPanel::storeRunInfo(const measure::RunStartProgram& program) {
  records::RunInfo info;
  info.model = records::modelName(instrument_->modelCode());
  const auto& lines = instrument_->deviceList().lines;
  const int line = instrument_->deviceList().selectedLine;
  if (line >= 0 && line < static_cast<int>(lines.size())) info.identification = lines[line];
  info.resource = instrument_->currentName();
  info.functionCode = program.runningFunctionCode;
  info.functionName = std::string(measure::functionName(program.runningFunctionCode).english);
  info.readSpeedMs = panel_->readIntervalMs();
  for (const std::string& c : program.commands) info.program += c + "\n";
  info.program += "INIT:CONT ON\n";
  info.started = records::DateTime::fromTm(clock_.localNow());
  info.programVersion = V38XX_VERSION;
  runInfo_ = info;
  std::string error;
  if (!recorder_->storeRunInfo(info, &error)) {
    ui_.message(error, std::string(kAppTitle), core::Icon::Exclamation);
  }
}

void FrontPanel::RunStop() {
  // STOP while the reading tick waits for an answer: the read gives up at once and the
  // counter is cleared, then the stop goes on as always.
  instrument_->cancelPendingRead();
  instrument_->write("INIT:CONT OFF");
  deviceListLocked_ = false;
  notify(Change::DeviceList);
  commands_.setRunning(false);
  notify(Change::Commands);
  timers_.stop(kReadingTimer);
  if (selection_.save || recorder_->recording()) recorder_->close();
  const bool wasRunning = loop_->running();
  loop_->setRunning(false);
  panel_->setRunStarted(false);
  if (wasRunning && loop_->count() >= 2) redrawOnMouseMove_ = true;
  panel_->showRunButtons(false);
}

void FrontPanel::onTimer() { loop_->tick(); }

void FrontPanel::onMouseMove(int x, int y) {
  if (!redrawOnMouseMove_ || loop_->running()) return;
  if (x < kRedrawAreaLeft || x > kRedrawAreaRight || y < kRedrawAreaTop || y > kRedrawAreaBottom)
    return;
  redrawOnMouseMove_ = false;
  loop_->redraw();
}

void FrontPanel::shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  instrument_->cancelPendingRead();
  instrument_->returnToLocal(loop_->running(), std::string(panel_->choice(Ctl::ReadSpeed)));
  recorder_->close();
}

}  // namespace app
