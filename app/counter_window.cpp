#include "app/counter_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QTranslator>

#include "app/about_dialog.h"
#include "app/controls/bitmaps.h"
#include "app/panel_widget.h"
#include "app/qt_interaction_widget.h"
#include "app/qt_timer_widget.h"
#include "instrument/command_control_dialog.h"
#include "instrument/tcpip_address_dialog.h"
#include "measure/language.h"
#include "reading/trend_chart_widget.h"
#include "records/chart_record_dialog.h"
#include "records/setting_mode_dialog.h"
#include "records/view_record_dialog.h"
#include "stability/stability_dialog.h"

namespace app {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A menu text shown as it is: a single "&" would otherwise mark a shortcut letter.
QString menuText(const std::string& s) { return qs(s).replace('&', QStringLiteral("&&")); }

// Where the display's pieces sit, relative to the display's top left corner.
constexpr QRect kCurrentCaption{14, 38, 300, 18};
constexpr QRect kCurrentValue{14, 56, 448, 44};
constexpr int kMaxRow = 102;
constexpr int kMinRow = 124;
constexpr int kCountRow = 150;
constexpr QRect kChart{14, 176, 448, 128};
constexpr QRect kChartRight{362, 306, 100, 18};
constexpr QRect kBusy{220, 38, 242, 18};
constexpr qreal kCurrentPoints = 24;
constexpr qreal kMaxMinPoints = 11;
// A close asked for while the window waits for the counter is tried again at this pace.
constexpr int kCloseRetryMs = 50;

const QColor kDisplayText(0xf8, 0xfa, 0xfc);
const QColor kDisplayDim(0x94, 0xa3, 0xb8);
const QColor kDisplayAccent(0x93, 0xc5, 0xfd);
const QColor kDisplayBusy(0xfd, 0xe6, 0x8a);

QString colorCss(const QColor& c) {
  return QStringLiteral("color: %1; background: transparent;").arg(c.name());
}

}  // namespace

CounterDialog::CounterDialog(visa::Library& visa, core::Clock& clock, QtInteraction& ui,
                             FrontPanelOptions options, QWidget* parent)
    : QMainWindow(parent), ui_(ui) {
  // The window never waits for the instrument on its own thread.
  options.threadedIo = true;
  // The value displays ask for "Verdana"; where it is missing, a family of the same metrics.
  QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
  setWindowTitle(QString::fromUtf8(FrontPanel::kAppTitle.data(),
                                   static_cast<qsizetype>(FrontPanel::kAppTitle.size())));
  setWindowIcon(controls::mainIcon());

  timers_ = std::make_unique<QtTimers>([this](int) { frontPanel_->onTimer(); });
  Dialogs& dialogs = *this;
  frontPanel_ =
      std::make_unique<FrontPanel>(visa, ui_, clock, *timers_, dialogs, std::move(options));

  panel_ = new PanelWidget(frontPanel_->panel(), this);
  panel_->setAutoFillBackground(true);
  QPalette pal = panel_->palette();
  pal.setColor(QPalette::Window, QColor(0xee, 0xf2, 0xf7));
  panel_->setPalette(pal);
  panel_->setMouseTracking(true);
  setCentralWidget(panel_);

  devicesCaption_ = new QLabel(panel_);
  devicesCaption_->setGeometry(20, 16, 316, 20);
  QFont bold = devicesCaption_->font();
  bold.setBold(true);
  devicesCaption_->setFont(bold);
  devices_ = new QListWidget(panel_);
  devices_->setGeometry(20, 38, 316, 100);
  devices_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  devices_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  connect(devices_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) frontPanel_->selectDevice(row);
  });

  stopTimePicker_ = new QDateTimeEdit(panel_);
  stopTimePicker_->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
  stopTimePicker_->setCalendarPopup(true);
  stopTimePicker_->setGeometry(170, 182, 166, 26);
  connect(stopTimePicker_, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    frontPanel_->setStopTime({d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second()});
  });

  buildDisplay();
  buildMenu();

  measure::PanelModel& model = frontPanel_->panel();
  model.setChangeHandler([this](measure::Ctl id) { panel_->refresh(id); });
  model.setFocusHandler([this](measure::Ctl id) {
    if (QWidget* w = panel_->widget(id)) {
      w->setFocus();
      if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
    }
  });
  frontPanel_->setChangeHandler([this](Change c) { onChange(c); });
  frontPanel_->setChartSize(chart_->width(), chart_->height());
  ui_.pushBusyHandler([this](bool busy) { showBusy(busy); });

  resize(kWidth, kHeight);
  setFixedSize(kWidth, kHeight);
  qApp->installEventFilter(this);
  refreshLabels();
  refreshCommands();
  refreshDeviceList();
  refreshValues();
}

CounterDialog::~CounterDialog() {
  ui_.popBusyHandler();
  qApp->removeEventFilter(this);
  frontPanel_->setChangeHandler({});
  frontPanel_->panel().setChangeHandler({});
  frontPanel_->panel().setFocusHandler({});
  ui_.setBlockingWaits(true);
  frontPanel_->shutdown();
  ui_.setBlockingWaits(false);
  // The widgets go before the front panel they report to.
  delete takeCentralWidget();
  panel_ = nullptr;
}

void CounterDialog::buildDisplay() {
  const QPoint origin = PanelWidget::kDisplay.topLeft();
  auto place = [&](QLabel* label, const QRect& r) { label->setGeometry(r.translated(origin)); };
  auto make = [&](const QColor& color) {
    auto* label = new QLabel(panel_);
    label->setStyleSheet(colorCss(color));
    return label;
  };

  QFont valueFont(QStringLiteral("Verdana"));
  valueFont.setStyleHint(QFont::SansSerif);

  captions_[Value::Current] = make(kDisplayDim);
  place(captions_[Value::Current], kCurrentCaption);
  values_[Value::Current] = make(kDisplayText);
  QFont big = valueFont;
  big.setPointSizeF(kCurrentPoints);
  values_[Value::Current]->setFont(big);
  place(values_[Value::Current], kCurrentValue);

  QFont medium = valueFont;
  medium.setPointSizeF(kMaxMinPoints);
  for (Value v : {Value::Maximum, Value::Minimum}) {
    captions_[v] = make(kDisplayDim);
    values_[v] = make(kDisplayText);
    values_[v]->setFont(medium);
  }
  for (Value v : {Value::Count, Value::Stdev, Value::Elapsed}) {
    captions_[v] = make(kDisplayDim);
    values_[v] = make(kDisplayText);
  }

  chart_ = new reading::TrendChartWidget(panel_);
  chart_->setGeometry(kChart.translated(origin));
  values_[Value::ChartRight] = make(kDisplayDim);
  values_[Value::ChartRight]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  place(values_[Value::ChartRight], kChartRight);

  busy_ = make(kDisplayBusy);
  busy_->setObjectName(QStringLiteral("busy"));
  busy_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  place(busy_, kBusy);
  busy_->hide();

  if (QWidget* caption = panel_->widget(measure::Ctl::ChartCaption)) {
    caption->setStyleSheet(colorCss(kDisplayAccent));
    QFont f = caption->font();
    f.setPointSizeF(f.pointSizeF() * 1.15);
    f.setBold(true);
    caption->setFont(f);
    caption->raise();
  }
}

// Caption and value side by side; each pair takes its share of the row.
void CounterDialog::layoutValueRows() {
  const QPoint origin = PanelWidget::kDisplay.topLeft();
  auto row = [&](std::initializer_list<Value> pairs, int y, int height) {
    const int share = kCurrentValue.width() / static_cast<int>(pairs.size());
    int x = kCurrentValue.x();
    for (Value v : pairs) {
      QLabel* caption = captions_[v];
      const int cw = caption->sizeHint().width();
      caption->setGeometry(QRect(x, y, cw, height).translated(origin));
      values_[v]->setGeometry(QRect(x + cw + 6, y, share - cw - 12, height).translated(origin));
      x += share;
    }
  };
  row({Value::Maximum}, kMaxRow, 22);
  row({Value::Minimum}, kMinRow, 22);
  row({Value::Count, Value::Stdev, Value::Elapsed}, kCountRow, 22);
}

void CounterDialog::buildMenu() {
  menuBar()->clear();
  menus_.clear();
  actions_.clear();
  for (const measure::MenuLabel& m : measure::mainMenuLabels(frontPanel_->texts())) {
    QMenu* menu = menuBar()->addMenu(menuText(m.text));
    menus_.push_back(menu);
    for (const measure::MenuEntryLabel& e : m.entries) {
      if (e.separator()) {
        menu->addSeparator();
        continue;
      }
      QAction* a = menu->addAction(menuText(e.text));
      const int id = e.command;
      a->setData(id);
      connect(a, &QAction::triggered, this, [this, id] { frontPanel_->command(id); });
      actions_[id] = a;
    }
  }
  if (!menus_.empty()) {
    QMenu* help = menus_.back();
    help->addSeparator();
    systemAbout_ = help->addAction(qs(measure::menuMnemonicText(frontPanel_->texts().get("1115"))));
    connect(systemAbout_, &QAction::triggered, this, [this] { frontPanel_->systemMenuAbout(); });
  }
}

QAction* CounterDialog::action(Command command) const {
  auto it = actions_.find(static_cast<int>(command));
  return it == actions_.end() ? nullptr : it->second;
}

QLabel* CounterDialog::valueLabel(Value which) const {
  auto it = values_.find(which);
  return it == values_.end() ? nullptr : it->second;
}

QLabel* CounterDialog::valueCaption(Value which) const {
  auto it = captions_.find(which);
  return it == captions_.end() ? nullptr : it->second;
}

void CounterDialog::initialize() {
  frontPanel_->initialize();
  panel_->refreshAll();
  refreshLabels();
  refreshCommands();
  refreshDeviceList();
  refreshValues();
  refreshChart();
  refreshStopTime();
  devices_->setFocus();  // the keyboard starts on the instrument list
}

void CounterDialog::onChange(Change change) {
  switch (change) {
    case Change::Values:
      refreshValues();
      break;
    case Change::Chart:
      refreshChart();
      break;
    case Change::Commands:
      refreshCommands();
      break;
    case Change::DeviceList:
      refreshDeviceList();
      break;
    case Change::DrawColor: {
      const core::Color c = frontPanel_->drawColor();
      chart_->setDrawColor(QColor(c.r, c.g, c.b));
      break;
    }
    case Change::Labels:
      refreshLabels();
      break;
    case Change::StopTime:
      refreshStopTime();
      break;
  }
}

void CounterDialog::refreshCommands() {
  for (auto& [id, a] : actions_) {
    if (const std::optional<Command> c = commandFromId(id))
      a->setEnabled(frontPanel_->commandEnabled(*c));
  }
}

void CounterDialog::refreshDeviceList() {
  const instrument::DeviceListState& state = frontPanel_->instrument().deviceList();
  const QSignalBlocker block(devices_);
  bool same = devices_->count() == static_cast<int>(state.lines.size());
  for (int i = 0; same && i < devices_->count(); ++i)
    same = devices_->item(i)->text() == qs(state.lines[static_cast<std::size_t>(i)]);
  if (!same) {
    devices_->clear();
    for (const std::string& line : state.lines) devices_->addItem(qs(line));
  }
  devices_->setCurrentRow(state.selectedLine);
  devices_->setEnabled(frontPanel_->deviceListEnabled());
}

void CounterDialog::refreshValues() {
  const ValueTexts& v = frontPanel_->values();
  const std::pair<Value, const std::string*> texts[] = {{Value::Current, &v.current},
                                                        {Value::Maximum, &v.maximum},
                                                        {Value::Minimum, &v.minimum},
                                                        {Value::Count, &v.count},
                                                        {Value::Stdev, &v.stdev},
                                                        {Value::Elapsed, &v.elapsed},
                                                        {Value::ChartRight, &v.chartRightLabel}};
  for (const auto& [which, text] : texts) {
    QLabel* label = values_[which];
    const QString shown = qs(*text);
    if (label->text() == shown) continue;
    const qreal points = which == Value::Current ? kCurrentPoints
                         : (which == Value::Maximum || which == Value::Minimum)
                             ? kMaxMinPoints
                             : QApplication::font().pointSizeF();
    setFittedText(label, shown, points);
    if (which == Value::Current) label->repaint();  // the current value shows at once
  }
}

void CounterDialog::refreshChart() {
  if (const auto& chart = frontPanel_->chart()) chart_->redraw(chart->geometry);
  refreshValues();
}

void CounterDialog::refreshLabels() {
  const measure::Texts& t = frontPanel_->texts();
  devicesCaption_->setText(qs(t.get("501")));
  captions_[Value::Maximum]->setText(qs(t.get("505")));
  captions_[Value::Current]->setText(qs(t.get("506")));
  captions_[Value::Minimum]->setText(qs(t.get("507")));
  captions_[Value::Elapsed]->setText(qs(t.get("803")));
  captions_[Value::Count]->setText(qs(t.get("804")));
  captions_[Value::Stdev]->setText(qs(t.get("805")));
  layoutValueRows();

  // Menu texts are replaced in place, in the order of the menu bar.
  const std::vector<measure::MenuLabel> labels = measure::mainMenuLabels(t);
  for (std::size_t m = 0; m < labels.size() && m < menus_.size(); ++m) {
    menus_[m]->setTitle(menuText(labels[m].text));
    for (const measure::MenuEntryLabel& e : labels[m].entries) {
      if (e.separator()) continue;
      if (QAction* a = actions_[e.command]) a->setText(menuText(e.text));
    }
  }
  if (systemAbout_) systemAbout_->setText(qs(measure::menuMnemonicText(t.get("1115"))));
  busy_->setText(qs(t.get("1108")));
  installQtTranslation();
  panel_->refreshAll();
}

// Qt's own texts (the buttons of the message boxes, the colour and file pickers) follow the
// language of the window, from Qt's translations when they are installed.
void CounterDialog::installQtTranslation() {
  const std::string& language = frontPanel_->texts().language();
  QString name;
  if (language == measure::kChineseTraditional) name = QStringLiteral("qtbase_zh_TW");
  if (language == measure::kChineseSimplified) name = QStringLiteral("qtbase_zh_CN");
  if (qtTranslation_) {
    QCoreApplication::removeTranslator(qtTranslation_.get());
    qtTranslation_.reset();
  }
  if (name.isEmpty()) return;
  auto translation = std::make_unique<QTranslator>();
  if (!translation->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return;
  QCoreApplication::installTranslator(translation.get());
  qtTranslation_ = std::move(translation);
}

void CounterDialog::showBusy(bool busy) {
  busy_->setVisible(busy);
  if (busy) busy_->raise();
}

void CounterDialog::refreshStopTime() {
  const reading::StopTime& s = frontPanel_->stopTime();
  const QDateTime t(QDate(s.year, s.month, s.day), QTime(s.hour, s.minute, s.second));
  const QSignalBlocker block(stopTimePicker_);
  if (t.isValid()) stopTimePicker_->setDateTime(t);
}

// ---- Dialogs

bool CounterDialog::runDialog(QDialog& dialog) {
  if (dialogHook_) {
    dialogHook_(dialog);
    return dialog.result() == QDialog::Accepted;
  }
  return dialog.exec() == QDialog::Accepted;
}

void CounterDialog::showSettingMode(records::SettingMode& model) {
  records::SettingModeDialog dialog(model, this);
  runDialog(dialog);
}

bool CounterDialog::showTcpipAddress(instrument::TcpipAddressData& data) {
  instrument::TcpipAddressDialog dialog(data, frontPanel_->texts(), ui_, this);
  return runDialog(dialog);
}

void CounterDialog::open(Dialog which) {
  switch (which) {
    case Dialog::CommandControl: {
      instrument::CommandControlDialog dialog(frontPanel_->instrument().console(), &ui_, this);
      runDialog(dialog);
      break;
    }
    case Dialog::About: {
      AboutDialog dialog(frontPanel_->texts(), this);
      runDialog(dialog);
      if (dialog.chosenLanguage()) frontPanel_->changeLanguage(*dialog.chosenLanguage());
      break;
    }
    case Dialog::ViewRecord: {
      records::ViewRecordDialog dialog(ui_, frontPanel_->texts(), this);
      runDialog(dialog);
      break;
    }
    case Dialog::ChartRecord: {
      records::ChartRecordDialog dialog(ui_, frontPanel_->texts(), this);
      runDialog(dialog);
      break;
    }
    case Dialog::Stability: {
      stability::StabilityDialog dialog(ui_, frontPanel_->texts(), this);
      runDialog(dialog);
      break;
    }
  }
}

// ---- Window messages

void CounterDialog::closeEvent(QCloseEvent* event) {
  // Closing in the middle of a wait for the counter would pull the sessions away from the
  // operation that waits: a run's read is cancelled, and the close comes again once the
  // wait is over.
  if (frontPanel_->ioWaiting()) {
    frontPanel_->instrument().cancelPendingRead();
    event->ignore();
    QTimer::singleShot(kCloseRetryMs, this, [this] { close(); });
    return;
  }
  frontPanel_->shutdown();
  event->accept();
}

bool CounterDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w->window() == this) {
      const QPoint p =
          panel_->mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
      frontPanel_->onMouseMove(p.x(), p.y());
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace app
