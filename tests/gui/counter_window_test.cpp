// The real main window driven offscreen: start-up with and without counters, the panel's
// binding to the model, a recorded run, the console, Setting Mode, the TCP/IP Address and
// About dialogs, languages and the layout of every page.
#include <sqlite3.h>

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <set>

#include "app/about_dialog.h"
#include "app/controls/color_label.h"
#include "app/controls/icon_group_box.h"
#include "app/controls/image_button.h"
#include "app/panel_widget.h"
#include "app/qt_timer_widget.h"
#include "gui_rig.h"
#include "instrument/command_control_dialog.h"
#include "instrument/tcpip_address_dialog.h"
#include "measure/language.h"
#include "reading/trend_chart_widget.h"
#include "records/chart_record_dialog.h"
#include "records/database_files.h"
#include "records/setting_mode_dialog.h"
#include "records/view_record_dialog.h"
#include "sim/counter.h"
#include "sim/in_process_counters.h"

using app::CounterDialog;
using measure::Ctl;
using Value = app::CounterDialog::Value;
using guitest::Rig;
using guitest::RigOptions;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QWidget* w(Rig& rig, Ctl id) { return rig.window->panel()->widget(id); }
app::BarButton* key(Rig& rig, Ctl id) { return dynamic_cast<app::BarButton*>(w(rig, id)); }
QComboBox* list(Rig& rig, Ctl id) { return qobject_cast<QComboBox*>(w(rig, id)); }
QLineEdit* edit(Rig& rig, Ctl id) { return qobject_cast<QLineEdit*>(w(rig, id)); }

void click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Chooses entry `index` of a panel list as the user does (the list's activated signal).
void choose(Rig& rig, Ctl id, int index) {
  QComboBox* combo = list(rig, id);
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// Rows of database `n` in the rig's database folder: read values, and the read_date count.
struct DatabaseRows {
  std::vector<double> values;
  int dates = 0;
};
DatabaseRows readDatabase(const std::string& folder, int n) {
  DatabaseRows rows;
  sqlite3* db = nullptr;
  const std::string path = records::databasePath(folder, n);
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "select read_value from read", -1, &st, nullptr);
  while (st && sqlite3_step(st) == SQLITE_ROW) rows.values.push_back(sqlite3_column_double(st, 0));
  sqlite3_finalize(st);
  sqlite3_prepare_v2(db, "select count(*) from read_date", -1, &st, nullptr);
  if (st && sqlite3_step(st) == SQLITE_ROW) rows.dates = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

// The panel widgets that are shown (the input conditioning frame excepted: it frames others).
std::vector<std::pair<Ctl, QWidget*>> shownControls(Rig& rig) {
  std::vector<std::pair<Ctl, QWidget*>> out;
  for (const measure::Control& c : rig.window->frontPanel().panel().controls()) {
    QWidget* widget = w(rig, c.id);
    if (c.id != Ctl::InputGroupCaption && widget && widget->isVisible())
      out.push_back({c.id, widget});
  }
  return out;
}

// Text that does not fit where it is shown: labels, check boxes, list entries and keys.
QStringList clippedTexts(QWidget* root) {
  QStringList out;
  for (QLabel* l : root->findChildren<QLabel*>()) {
    if (!l->isVisibleTo(root) || l->wordWrap() || l->text().isEmpty()) continue;
    if (l->fontMetrics().horizontalAdvance(l->text()) > l->contentsRect().width())
      out << QStringLiteral("label '%1' (%2)").arg(l->text(), l->objectName());
  }
  for (controls::SkinButton* b : root->findChildren<controls::SkinButton*>()) {
    if (!b->isVisibleTo(root)) continue;
    if (auto* k = dynamic_cast<app::BarButton*>(b)) {
      if (k->fittedPointSize() < 7.0)
        out << QStringLiteral("key '%1' at %2 pt").arg(k->caption()).arg(k->fittedPointSize());
    } else if (!b->text().isEmpty()) {
      // The box and its margins take the height of a line; the text has the rest.
      const QFontMetrics fm = b->fontMetrics();
      const int box = std::min(b->height() - 2, fm.height() + 2);
      const int room = b->width() - box - 2 * controls::SkinButton::kMargin - 2;
      if (fm.horizontalAdvance(b->text()) > room)
        out << QStringLiteral("box '%1' (%2)").arg(b->text(), b->objectName());
    }
  }
  for (QComboBox* c : root->findChildren<QComboBox*>()) {
    if (!c->isVisibleTo(root)) continue;
    for (int i = 0; i < c->count(); ++i) {
      // Room for the text: the box less its frame and drop-down button.
      if (c->fontMetrics().horizontalAdvance(c->itemText(i)) > c->width() - 30)
        out << QStringLiteral("list entry '%1' (%2)").arg(c->itemText(i), c->objectName());
    }
  }
  return out;
}

// Pairs of shown controls that overlap, and shown controls that leave the client area.
QStringList overlaps(Rig& rig) {
  QStringList out;
  auto shown = shownControls(rig);
  const QRect client = rig.window->panel()->rect();
  std::vector<std::pair<QString, QRect>> rects;
  for (auto& [id, widget] : shown) rects.push_back({widget->objectName(), widget->geometry()});
  for (QWidget* own : {static_cast<QWidget*>(rig.window->deviceList()),
                       static_cast<QWidget*>(rig.window->stopTimePicker()),
                       static_cast<QWidget*>(rig.window->chart())})
    rects.push_back({own->metaObject()->className(), own->geometry()});
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (!client.contains(rects[i].second))
      out << QStringLiteral("%1 leaves the client area").arg(rects[i].first);
    for (std::size_t j = i + 1; j < rects.size(); ++j)
      if (rects[i].second.intersects(rects[j].second))
        out << QStringLiteral("%1 overlaps %2").arg(rects[i].first, rects[j].first);
  }
  return out;
}

}  // namespace

class CounterWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void startsWithBothSimulatedCountersAndTheFreqRatioPage() {
    Rig rig;
    rig.start();
    CounterDialog& win = *rig.window;
    QCOMPARE(win.windowTitle(), QStringLiteral("V38XX_AP"));
    QCOMPARE(win.size(), QSize(840, 630));
    QListWidget* devices = win.deviceList();
    QCOMPARE(devices->count(), 2);
    QCOMPARE(devices->item(0)->text(), QStringLiteral("V3800A--USBTMC--SIM3800A01"));
    QCOMPARE(devices->item(1)->text(), QStringLiteral("V3820A--USBTMC--SIM3820A01"));
    QVERIFY(devices->isEnabled());
    QCOMPARE(devices->currentRow(), 0);
    QCOMPARE(win.devicesCaption()->text(), QStringLiteral("Devices and Interfaces"));

    QVERIFY(key(rig, Ctl::FreqRatioPage)->isChecked());
    QVERIFY(key(rig, Ctl::StopButton)->isChecked());
    QVERIFY(!key(rig, Ctl::RunButton)->isChecked());
    QVERIFY(key(rig, Ctl::Ch1Button)->isChecked());
    QVERIFY(w(rig, Ctl::FreqButton)->isVisible() ||
            w(rig, Ctl::FreqButton)->isVisibleTo(win.panel()));
    QVERIFY(key(rig, Ctl::FreqButton)->isChecked());
    QCOMPARE(qobject_cast<QLabel*>(w(rig, Ctl::ChartCaption))->text(),
             QStringLiteral("Freq Measurement"));
    QCOMPARE(list(rig, Ctl::ReadSpeed)->currentText(), QStringLiteral("100 ms"));
    QCOMPARE(list(rig, Ctl::Dots)->currentText(), QStringLiteral("100"));
    QCOMPARE(edit(rig, Ctl::StopAfterNCount)->text(), QStringLiteral("100"));
    QCOMPARE(win.valueLabel(Value::ChartRight)->text(), QStringLiteral("100"));
    QCOMPARE(win.valueCaption(Value::Current)->text(), QStringLiteral("Current:"));

    // The stop-time picker starts at the local time of the clock.
    QCOMPARE(win.stopTimePicker()->displayFormat(), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    const std::tm now = rig.clock.localNow();
    QCOMPARE(win.stopTimePicker()->dateTime(),
             QDateTime(QDate(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday),
                       QTime(now.tm_hour, now.tm_min, now.tm_sec)));

    // The menu bar of the command table, "Run Stop" greyed while idle.
    QStringList titles;
    for (QMenu* m : win.menus()) titles << m->title();
    QCOMPARE(titles, (QStringList{"Setting", "Record", "Operation", "Tool", "Help"}));
    for (app::Command c : app::kAllCommands) {
      QAction* a = win.action(c);
      QVERIFY2(a, qPrintable(QString::number(static_cast<int>(c))));
      QCOMPARE(a->isEnabled(), c != app::Command::RunStop);
    }
    QCOMPARE(win.action(app::Command::TcpipAddresses)->text(), QStringLiteral("TCPIP Addresses"));
    QVERIFY(rig.ui.shown().empty());
  }

  void withoutCountersTheListSaysSoAndRunAndStopAreInert() {
    Rig rig(RigOptions{.instruments = false});
    rig.start();
    QListWidget* devices = rig.window->deviceList();
    QCOMPARE(devices->count(), 1);
    QCOMPARE(devices->item(0)->text(), QStringLiteral("Device Not Found"));
    QVERIFY(!devices->isEnabled());
    for (Ctl page : {Ctl::FreqRatioPage, Ctl::TimePeriodPage, Ctl::UtilityPage})
      QVERIFY(!key(rig, page)->isChecked());

    click(key(rig, Ctl::RunButton));
    QVERIFY(!key(rig, Ctl::RunButton)->isChecked());
    QVERIFY(!rig.window->frontPanel().running());
    QVERIFY(!rig.window->timers().isActive(app::kReadingTimer));
    click(key(rig, Ctl::StopButton));
    QVERIFY(!key(rig, Ctl::StopButton)->isChecked());
    click(key(rig, Ctl::FreqRatioPage));
    QVERIFY(!key(rig, Ctl::FreqRatioPage)->isChecked());
    QVERIFY(!w(rig, Ctl::FreqButton)->isVisibleTo(rig.window->panel()));
    QVERIFY(rig.ui.shown().empty());

    // The menu's Run Start says why nothing happens.
    rig.window->action(app::Command::RunStart)->trigger();
    QCOMPARE(rig.ui.shown().size(), std::size_t(1));
    QCOMPARE(rig.ui.shown()[0].text, std::string("No Device Connected"));
    QCOMPARE(rig.ui.shown()[0].caption, std::string("V38XX_AP"));
    QVERIFY(!rig.window->frontPanel().running());
  }

  void aMissingIniFileWarnsOnceAndKeepsEnglish() {
    Rig rig(RigOptions{.iniPath = "/nonexistent/CTR_TOOLV38XX.ini"});
    rig.start();
    QCOMPARE(rig.ui.shown().size(), std::size_t(1));
    const auto& m = rig.ui.shown()[0];
    QCOMPARE(m.text, std::string(measure::kMissingIniMessage));
    QCOMPARE(m.caption, std::string("Warming"));
    QCOMPARE(m.icon, core::Icon::Exclamation);
    QCOMPARE(rig.window->devicesCaption()->text(), QStringLiteral("Devices and Interfaces"));
    QCOMPARE(rig.window->menus()[0]->title(), QStringLiteral("Setting"));
  }

  void switchingBetweenModelsResetsThePanel() {
    Rig rig;
    rig.start();
    // Change input 1's slope and open the Time & Period page on the V3800A.
    choose(rig, Ctl::In1Slope, 1);
    QCOMPARE(list(rig, Ctl::In1Slope)->currentIndex(), 1);
    click(key(rig, Ctl::TimePeriodPage));
    QVERIFY(key(rig, Ctl::TimePeriodPage)->isChecked());
    QVERIFY(w(rig, Ctl::PeriodButton)->isVisibleTo(rig.window->panel()));

    // The V3820A: the compact panel on its "Freq Ratio" page, input 1 back to its defaults.
    rig.window->deviceList()->setCurrentRow(1);
    QWidget* panel = rig.window->panel();
    QVERIFY(key(rig, Ctl::FreqRatioPage)->isChecked());
    QVERIFY(w(rig, Ctl::FreqCh1Indicator)->isVisibleTo(panel));
    QVERIFY(key(rig, Ctl::FreqCh1Indicator)->isChecked());
    QVERIFY(!w(rig, Ctl::FreqButton)->isVisibleTo(panel));
    QVERIFY(!w(rig, Ctl::PeriodButton)->isVisibleTo(panel));
    QVERIFY(!w(rig, Ctl::Ch2Button)->isVisibleTo(panel));
    QVERIFY(!w(rig, Ctl::StatsShowBox)->isVisibleTo(panel));
    QCOMPARE(list(rig, Ctl::In1Slope)->currentIndex(), 0);
    QCOMPARE(list(rig, Ctl::In1LevelPercent)->currentText(), QStringLiteral("50"));

    // And back: the full panel with "Freq" on CH1.
    rig.window->deviceList()->setCurrentRow(0);
    QVERIFY(w(rig, Ctl::FreqButton)->isVisibleTo(panel));
    QVERIFY(key(rig, Ctl::FreqButton)->isChecked());
    QVERIFY(!w(rig, Ctl::FreqCh1Indicator)->isVisibleTo(panel));
    QCOMPARE(list(rig, Ctl::FreqInput)->currentText(), QStringLiteral("CH1"));
    QVERIFY(w(rig, Ctl::StatsShowBox)->isVisibleTo(panel));
  }

  void aRunOfTwentyReadingsIsRecordedIntoDatabaseTwo() {
    std::vector<std::string> sent;  // outlives the rig, whose counter logs into it
    Rig rig;
    CounterDialog& win = *rig.window;
    rig.start();
    rig.counter(guitest::kSim3800)->setCommandLog([&sent](std::string_view m) {
      sent.emplace_back(m);
    });

    // Setting Mode: Save on, "Database 2", confirmed with the exit picture.
    win.setDialogHook([](QDialog& d) {
      auto& dialog = dynamic_cast<records::SettingModeDialog&>(d);
      dialog.show();
      click(dialog.saveBox());
      QVERIFY(dialog.databaseList()->isEnabled());
      dialog.databaseList()->setCurrentIndex(1);
      emit dialog.databaseList()->activated(1);
      click(dialog.exitButton());
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    });
    win.action(app::Command::SettingMode)->trigger();
    QVERIFY(win.frontPanel().selection().save);
    QCOMPARE(win.frontPanel().selection().database, 2);

    // Stop after 20 readings, then Run: the reading timer of the window does the rest.
    QLineEdit* n = edit(rig, Ctl::StopAfterNCount);
    n->setText(QString());
    QTest::keyClicks(n, QStringLiteral("20"));
    click(w(rig, Ctl::StopAfterNBox));
    QVERIFY(qobject_cast<controls::SkinButton*>(w(rig, Ctl::StopAfterNBox))->isChecked());
    click(key(rig, Ctl::RunButton));
    QVERIFY(win.frontPanel().running());
    QVERIFY(key(rig, Ctl::RunButton)->isChecked());
    QVERIFY(!key(rig, Ctl::StopButton)->isChecked());
    QVERIFY(win.timers().isActive(app::kReadingTimer));
    QCOMPARE(win.timers().interval(app::kReadingTimer), 100);
    QVERIFY(!win.deviceList()->isEnabled());
    for (app::Command c : app::kAllCommands)
      QCOMPARE(win.action(c)->isEnabled(), c == app::Command::RunStop);

    QTRY_VERIFY_WITH_TIMEOUT(!win.frontPanel().running(), 30000);
    QCOMPARE(win.frontPanel().loop().count(), 20);
    QVERIFY(!win.timers().isActive(app::kReadingTimer));
    QVERIFY(key(rig, Ctl::StopButton)->isChecked());
    QVERIFY(!key(rig, Ctl::RunButton)->isChecked());
    QVERIFY(win.deviceList()->isEnabled());
    for (app::Command c : app::kAllCommands)
      QCOMPARE(win.action(c)->isEnabled(), c != app::Command::RunStop);

    // The displays show what the front panel computed, the chart holds the trace.
    const app::ValueTexts& v = win.frontPanel().values();
    QCOMPARE(win.valueLabel(Value::Count)->text(), QStringLiteral("20"));
    QCOMPARE(win.valueLabel(Value::Current)->text(), qs(v.current));
    QCOMPARE(win.valueLabel(Value::Maximum)->text(), qs(v.maximum));
    QCOMPARE(win.valueLabel(Value::Minimum)->text(), qs(v.minimum));
    QCOMPARE(win.valueLabel(Value::Stdev)->text(), qs(v.stdev));
    QVERIFY(v.current.find("Hz") != std::string::npos);
    QVERIFY(win.chart()->hasSnapshot());
    QCOMPARE(win.chart()->redrawCount(), 20);
    const QStringList clipped = clippedTexts(win.panel());
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));

    // Database 2 holds the twenty readings the counter gave, and the run's start date.
    const DatabaseRows rows = readDatabase(records::databaseFolderFor(rig.workDir), 2);
    QCOMPARE(rows.values.size(), std::size_t(20));
    QCOMPARE(rows.dates, 1);
    const auto& counted = win.frontPanel().loop();
    QCOMPARE(*std::max_element(rows.values.begin(), rows.values.end()), counted.maximum());
    QCOMPARE(*std::min_element(rows.values.begin(), rows.values.end()), counted.minimum());

    // The counter was started and stopped around the readings.
    QVERIFY(std::find(sent.begin(), sent.end(), "INIT:CONT ON") != sent.end());
    QCOMPARE(sent.back(), std::string("INIT:CONT OFF"));
    QCOMPARE(std::count_if(sent.begin(), sent.end(),
                           [](const std::string& m) { return m.rfind("fetch?", 0) == 0; }),
             20);

    // The record viewer lists the recording; the record chart opens on the same files.
    int viewed = 0;
    win.setDialogHook([&viewed](QDialog& d) {
      if (auto* view = dynamic_cast<records::ViewRecordDialog*>(&d)) {
        QCOMPARE(view->databaseList()->count(), 1);
        QCOMPARE(records::entryDatabaseNumber(view->databaseList()->item(0)->text().toStdString()),
                 2);
        ++viewed;
      } else if (dynamic_cast<records::ChartRecordDialog*>(&d)) {
        ++viewed;
      }
      d.reject();
    });
    win.action(app::Command::ViewRecord)->trigger();
    win.action(app::Command::ChartRecord)->trigger();
    QCOMPARE(viewed, 2);

    // After the run, the first pointer move over the window redraws the chart once.
    QTest::mouseMove(win.panel(), QPoint(200, 300));
    QTest::mouseMove(win.panel(), QPoint(210, 310));
    QCOMPARE(win.chart()->redrawCount(), 21);
  }

  void stopEndsARunFromTheButtonAndTheMenu() {
    Rig rig;
    CounterDialog& win = *rig.window;
    rig.start();
    click(key(rig, Ctl::RunButton));
    QTRY_VERIFY_WITH_TIMEOUT(win.frontPanel().loop().count() >= 3, 20000);
    click(key(rig, Ctl::StopButton));
    QVERIFY(!win.frontPanel().running());
    QVERIFY(key(rig, Ctl::StopButton)->isChecked());
    const int count = win.frontPanel().loop().count();
    QTest::qWait(300);
    QCOMPARE(win.frontPanel().loop().count(), count);

    win.action(app::Command::RunStart)->trigger();
    QVERIFY(win.frontPanel().running());
    QVERIFY(!win.action(app::Command::About)->isEnabled());
    // The system menu's About (the Help menu's last entry here) opens during the run too.
    QVERIFY(win.systemAboutAction()->isEnabled());
    // Its mnemonic is the "A" of "About", shown as a menu shows mnemonics.
    QCOMPARE(win.systemAboutAction()->text(), QStringLiteral("&About V38XX_AP..."));
    QCOMPARE(QKeySequence::mnemonic(win.systemAboutAction()->text()),
             QKeySequence(Qt::ALT | Qt::Key_A));
    int abouts = 0;
    win.setDialogHook([&abouts](QDialog& d) {
      abouts += dynamic_cast<app::AboutDialog*>(&d) != nullptr;
      d.reject();
    });
    win.systemAboutAction()->trigger();
    QCOMPARE(abouts, 1);
    QVERIFY(win.frontPanel().running());
    win.action(app::Command::RunStop)->trigger();
    QVERIFY(!win.frontPanel().running());
    QVERIFY(win.action(app::Command::About)->isEnabled());
  }

  void readSpeedDuringARunReArmsTheTimer() {
    Rig rig;
    rig.start();
    click(key(rig, Ctl::RunButton));
    choose(rig, Ctl::ReadSpeed, 3);
    QCOMPARE(rig.window->timers().interval(app::kReadingTimer), 1000);
    choose(rig, Ctl::Dots, 5);
    QCOMPARE(rig.window->valueLabel(Value::ChartRight)->text(), QStringLiteral("1000"));
    click(key(rig, Ctl::StopButton));
  }

  void theConsoleQueriesTheIdentification() {
    Rig rig;
    rig.start();
    bool ran = false;
    rig.window->setDialogHook([&ran](QDialog& d) {
      auto& dialog = dynamic_cast<instrument::CommandControlDialog&>(d);
      dialog.show();
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Command Control"));
      QCOMPARE(dialog.deviceList()->count(), 2);
      QCOMPARE(dialog.deviceList()->currentIndex(), 0);
      QCOMPARE(dialog.sendField()->text(), QStringLiteral("*IDN?"));
      QVERIFY(!dialog.historyList()->isVisible());
      QCOMPARE(dialog.queryButton()->toolTip(), QStringLiteral("Query command ..."));
      // The history list lies under the send field, 20 pixels wider.
      QCOMPARE(dialog.historyList()->geometry().topLeft(),
               dialog.sendField()->geometry().topLeft());
      QCOMPARE(dialog.historyList()->width(), dialog.sendField()->width() + 20);

      click(dialog.queryButton());
      QVERIFY(dialog.receivedField()->toPlainText().startsWith(QStringLiteral("ORVALENT,V3800A,")));
      QVERIFY(dialog.historyList()->isVisible());
      QCOMPARE(dialog.historyList()->itemText(0), QStringLiteral("*IDN?"));

      // The second counter answers for itself.
      dialog.deviceList()->setCurrentIndex(1);
      emit dialog.deviceList()->activated(1);
      dialog.sendField()->setText(QString());
      QTest::keyClicks(dialog.sendField(), QStringLiteral("*IDN?"));
      click(dialog.queryButton());
      QVERIFY(dialog.receivedField()->toPlainText().contains(QStringLiteral("V3820A")));
      click(dialog.exitButton());
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
      ran = true;
    });
    rig.window->action(app::Command::CommandControl)->trigger();
    QVERIFY(ran);
  }

  void settingModeShowsTheModelAndKeepsItsRules() {
    Rig rig;
    rig.start();
    rig.ui.colors.push_back(core::Color{0, 160, 0});
    rig.window->setDialogHook([&rig](QDialog& d) {
      auto& dialog = dynamic_cast<records::SettingModeDialog&>(d);
      dialog.show();
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Setting Mode"));
      // The 96 dots-per-inch places of the exit picture, the swatch and the colour pad.
      QCOMPARE(dialog.exitButton()->geometry(), QRect(320, 50, 32, 32));
      QCOMPARE(dialog.swatch()->geometry(), QRect(130, 150, 15, 32));
      QCOMPARE(dialog.colorPad()->geometry(), QRect(180, 150, 32, 32));
      QCOMPARE(dialog.groupBox()->caption(), QStringLiteral("Setting mode."));
      QCOMPARE(dialog.hint()->text(), QString::fromLatin1(records::kSettingModeHint));
      QCOMPARE(dialog.hint()->textColor(), QColor(Qt::black));
      QCOMPARE(dialog.swatch()->color(), QColor(0, 0, 255));
      QCOMPARE(dialog.databaseList()->count(), 10);
      QCOMPARE(dialog.databaseList()->currentIndex(), -1);
      QCOMPARE(dialog.databaseList()->placeholderText(),
               QStringLiteral("Please select a Database."));
      QVERIFY(!dialog.databaseList()->isEnabled());
      QVERIFY(dialog.saveBox()->isEnabled());

      // Save without a database: the prompt, and the dialog stays.
      click(dialog.saveBox());
      QTest::keyClick(&dialog, Qt::Key_Return);
      QCOMPARE(rig.ui.shown().back().text, std::string("Please select a Database."));
      QVERIFY(dialog.isVisible());

      // A colour picked applies at once, even when the dialog is then left with Escape.
      click(dialog.colorPad());
      QCOMPARE(rig.ui.colors.size(), std::size_t(0));
      QCOMPARE(dialog.swatch()->color(), QColor(0, 160, 0));
      QTest::keyClick(&dialog, Qt::Key_Escape);
      QVERIFY(!dialog.isVisible());
    });
    rig.window->action(app::Command::SettingMode)->trigger();
    QCOMPARE(rig.window->chart()->drawColor(), QColor(0, 160, 0));

    // Without counters the Save box cannot be ticked.
    Rig none(RigOptions{.instruments = false});
    none.start();
    bool checked = false;
    none.window->setDialogHook([&checked](QDialog& d) {
      auto& dialog = dynamic_cast<records::SettingModeDialog&>(d);
      QVERIFY(!dialog.saveBox()->isEnabled());
      checked = true;
      dialog.reject();
    });
    none.window->action(app::Command::SettingMode)->trigger();
    QVERIFY(checked);
    QVERIFY(!none.window->frontPanel().selection().save);
  }

  void typedAddressesAreNeverRewrittenAndCancelSearchesNothing() {
    Rig rig;
    rig.start();
    std::vector<std::string> refusals;
    rig.window->setDialogHook([&](QDialog& d) {
      auto& dialog = dynamic_cast<instrument::TcpipAddressDialog&>(d);
      dialog.show();
      QCOMPARE(dialog.field(0)->text(), QStringLiteral("0.0.0.0"));
      QCOMPARE(dialog.field(1)->text(), QString());
      QCOMPARE(dialog.okButton()->text(), QStringLiteral("OK"));
      QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("Cancel"));
      // What is typed stays as typed, and OK refuses it naming the field: never an address
      // the user did not type.
      for (const QString& typed : {QStringLiteral("300.1.2.3"), QStringLiteral("999.999.999.999"),
                                   QStringLiteral("127.0.0.1:5025"), QStringLiteral("127.0")}) {
        dialog.field(1)->clear();
        QTest::keyClicks(dialog.field(1), typed);
        QCOMPARE(dialog.field(1)->text(), typed);
        rig.ui.clearShown();
        click(dialog.okButton());
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(rig.ui.shown().size(), std::size_t(1));
        refusals.push_back(rig.ui.shown()[0].text);
      }
      dialog.field(1)->setText(QStringLiteral("127.000.0.1"));
      rig.ui.clearShown();
      click(dialog.okButton());
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    });
    rig.window->action(app::Command::TcpipAddresses)->trigger();
    QCOMPARE(refusals.front(),
             std::string("IP 2: \"300.1.2.3\" is not an IP address. Please enter four numbers "
                         "from 0 to 255 separated by dots, for example 192.168.0.5."));
    for (const std::string& r : refusals) QVERIFY(r.rfind("IP 2: \"", 0) == 0);
    const auto& typed = rig.window->frontPanel().instrument().typedAddresses().addresses();
    QCOMPARE(typed[0], std::string("0.0.0.0"));
    QCOMPARE(typed[1], std::string("127.0.0.1"));
    // The USB counters are still found; nothing answers as a counter on the loopback address,
    // and the user is told so.
    QCOMPARE(rig.window->deviceList()->count(), 2);
    QCOMPARE(rig.messages(), std::vector<std::string>{"No V38XX counter answered at 127.0.0.1."});

    // Escape (or Cancel) leaves without taking the fields and without a search.
    rig.ui.clearShown();
    int searchedBefore = 0;
    sim::simulatedCounter(*rig.visa, guitest::kSim3800)->setCommandLog([&](std::string_view m) {
      searchedBefore += m.find("*IDN?") != std::string_view::npos;
    });
    rig.window->setDialogHook([](QDialog& d) {
      auto& dialog = dynamic_cast<instrument::TcpipAddressDialog&>(d);
      dialog.show();
      dialog.field(1)->setText(QStringLiteral("10.0.0.7"));
      QTest::keyClick(&dialog, Qt::Key_Escape);
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    });
    rig.window->action(app::Command::TcpipAddresses)->trigger();
    QCOMPARE(typed[1], std::string("127.0.0.1"));
    QCOMPARE(searchedBefore, 0);
    QVERIFY(rig.messages().empty());
    sim::simulatedCounter(*rig.visa, guitest::kSim3800)->setCommandLog({});
  }

  void theLanguageTabRelabelsEverythingAndNothingIsClipped() {
    Rig rig;
    rig.start();
    CounterDialog& win = *rig.window;
    struct Case {
      int tab;
      const char* section;
      const char* setting;
      const char* devices;
      const char* freq;
    };
    const Case cases[] = {
        {2, "Chinese(Simplify)", "设置", "设备与接口", "频率"},
        {1, "Chinese(Traditional)", nullptr, nullptr, nullptr},
        {0, "English(U.S)", "Setting", "Devices and Interfaces", "Freq"},
    };
    measure::Texts traditional(guitest::sourceIni());
    traditional.setLanguage(measure::kChineseTraditional);
    for (const Case& c : cases) {
      win.setDialogHook([&c](QDialog& d) {
        auto& about = dynamic_cast<app::AboutDialog&>(d);
        about.show();
        about.tabs()->setCurrentIndex(1);
        about.languageList()->setCurrentIndex(c.tab);
        click(about.languageOk());
      });
      win.action(app::Command::About)->trigger();
      QCOMPARE(win.frontPanel().texts().language(), std::string(c.section));
      const QString setting = c.setting ? QString::fromUtf8(c.setting) : qs(traditional.get("651"));
      const QString devices = c.devices ? QString::fromUtf8(c.devices) : qs(traditional.get("501"));
      const QString freq = c.freq ? QString::fromUtf8(c.freq) : qs(traditional.get("581"));
      QCOMPARE(win.menus()[0]->title(), setting);
      QCOMPARE(win.devicesCaption()->text(), devices);
      QCOMPARE(key(rig, Ctl::FreqButton)->caption(), freq);
      QVERIFY(list(rig, Ctl::ReadSpeed)->currentIndex() == 0);

      // Every page of the full panel, then the compact one: no text is cut off.
      for (int row : {0, 1}) {
        win.deviceList()->setCurrentRow(row);
        for (Ctl page :
             {Ctl::FreqRatioPage, Ctl::TimePeriodPage, Ctl::VoltPage, Ctl::OtherMeasPage,
              Ctl::UtilityPage, Ctl::GateExtArmPage, Ctl::LimitModesPage, Ctl::ScaleOffsetPage}) {
          click(key(rig, page));
          const QStringList clipped = clippedTexts(win.panel());
          QVERIFY2(clipped.isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(
                                          QString::fromLatin1(c.section), clipped.join("; "))));
        }
      }
      win.deviceList()->setCurrentRow(0);
    }
  }

  void noTwoControlsOverlapOnAnyPage() {
    Rig rig;
    rig.start();
    CounterDialog& win = *rig.window;
    auto check = [&rig](const QString& where) {
      const QStringList found = overlaps(rig);
      QVERIFY2(found.isEmpty(), qPrintable(where + ": " + found.join("; ")));
    };
    // Full panel: every function, every option page, the arming choices that show the most.
    const Ctl functions[] = {Ctl::FreqButton,  Ctl::RatioButton,     Ctl::PeriodButton,
                             Ctl::EdgeButton,  Ctl::WidthButton,     Ctl::IntvalButton,
                             Ctl::PhaseButton, Ctl::DutyCycleButton, Ctl::TotalButton};
    const Ctl pageOf[] = {Ctl::FreqRatioPage,  Ctl::FreqRatioPage,  Ctl::TimePeriodPage,
                          Ctl::TimePeriodPage, Ctl::TimePeriodPage, Ctl::TimePeriodPage,
                          Ctl::OtherMeasPage,  Ctl::OtherMeasPage,  Ctl::OtherMeasPage};
    for (std::size_t i = 0; i < std::size(functions); ++i) {
      click(key(rig, pageOf[i]));
      click(key(rig, functions[i]));
      const QString name = w(rig, functions[i])->objectName();
      check(name);
      click(key(rig, Ctl::GateExtArmPage));
      for (Ctl l : {Ctl::GateList, Ctl::TotalStartList, Ctl::ArmStartList, Ctl::StartSourceList})
        if (w(rig, l)->isVisibleTo(win.panel()))
          choose(rig, l, l == Ctl::GateList ? 1 : (l == Ctl::TotalStartList ? 2 : 1));
      for (Ctl l : {Ctl::StopList, Ctl::TotalStopList, Ctl::ArmStopList})
        if (w(rig, l)->isVisibleTo(win.panel()))
          choose(rig, l, l == Ctl::StopList ? 3 : (l == Ctl::TotalStopList ? 2 : 1));
      for (Ctl l : {Ctl::ArmStartDelayList, Ctl::ArmStopDelayList})
        if (w(rig, l)->isVisibleTo(win.panel())) choose(rig, l, 1);
      check(name + " gate");
      for (Ctl option : {Ctl::UtilityPage, Ctl::LimitModesPage, Ctl::ScaleOffsetPage}) {
        click(key(rig, option));
        check(name + " " + w(rig, option)->objectName());
      }
    }
    // The statistics block shown, input 2 in absolute level mode.
    click(key(rig, Ctl::TimePeriodPage));
    click(key(rig, Ctl::EdgeButton));
    click(w(rig, Ctl::StatsShowBox));
    click(key(rig, Ctl::Ch2Button));
    choose(rig, Ctl::In2LevelMode, 1);
    QVERIFY(w(rig, Ctl::In2LevelEdit)->isVisibleTo(win.panel()));
    QVERIFY(w(rig, Ctl::StatsTypeList)->isVisibleTo(win.panel()));
    check(QStringLiteral("statistics and input 2"));

    // Compact panel.
    win.deviceList()->setCurrentRow(1);
    for (Ctl page : {Ctl::FreqRatioPage, Ctl::TimePeriodPage, Ctl::VoltPage, Ctl::OtherMeasPage}) {
      click(key(rig, page));
      check(QStringLiteral("compact ") + w(rig, page)->objectName());
      click(key(rig, Ctl::GateExtArmPage));
      if (w(rig, Ctl::CompactGateList)->isVisibleTo(win.panel())) {
        choose(rig, Ctl::CompactGateList, 1);
        choose(rig, Ctl::CompactStopList, 3);
      }
      check(QStringLiteral("compact gate"));
    }
  }

  void theAboutBoxAndItsEntrySpeakTheWindowsLanguage() {
    Rig rig(RigOptions{.language = std::string(measure::kChineseSimplified)});
    rig.start();
    QCOMPARE(rig.window->systemAboutAction()->text(), QStringLiteral("关于 V38XX_AP(&A)..."));
    QStringList texts;
    rig.window->setDialogHook([&texts](QDialog& d) {
      auto& about = dynamic_cast<app::AboutDialog&>(d);
      texts << about.windowTitle();
      for (QLabel* l : about.findChildren<QLabel*>()) texts << l->text();
      about.reject();
    });
    rig.window->systemAboutAction()->trigger();
    QVERIFY(texts.contains(QStringLiteral("关于计数器工具")));
    QVERIFY(texts.contains(QStringLiteral("适用于 V3800A 和 V3820A 的计数器工具")));
    QVERIFY(texts.contains(QStringLiteral("版本 1.1.2")));
    // The page keys and the statistics box are in the language too.
    QCOMPARE(key(rig, Ctl::FreqRatioPage)->caption(), QStringLiteral("频率/频率比"));
    QCOMPARE(qobject_cast<controls::SkinButton*>(w(rig, Ctl::StatsShowBox))->text(),
             QStringLiteral("统计"));
  }

  void theAboutBoxOpensTheMakersSiteAndMovesWithThePointer() {
    Rig rig;
    rig.start();
    QList<QUrl> opened;
    app::AboutDialog::setUrlOpener([&opened](const QUrl& url) { opened << url; });
    rig.window->setDialogHook([](QDialog& d) {
      auto& about = dynamic_cast<app::AboutDialog&>(d);
      about.show();
      QCOMPARE(about.windowTitle(), QStringLiteral("About Counter Tool"));
      QCOMPARE(about.tabs()->tabText(0), QStringLiteral("About"));
      QCOMPARE(about.tabs()->tabText(1), QStringLiteral("Language"));
      QCOMPARE(about.webLink()->cursor().shape(), Qt::PointingHandCursor);
      QVERIFY(!about.findChildren<QLabel*>().isEmpty());
      bool version = false;
      for (QLabel* l : about.findChildren<QLabel*>())
        version = version || l->text() == "Version 1.1.2";
      QVERIFY(version);
      click(about.webLink());

      // A left press anywhere else grabs the box.
      const QPoint before = about.pos();
      QTest::mousePress(&about, Qt::LeftButton, {}, QPoint(420, 250));
      QMouseEvent move(QEvent::MouseMove, QPointF(470, 280), about.mapToGlobal(QPointF(470, 280)),
                       Qt::NoButton, Qt::LeftButton, {});
      QApplication::sendEvent(&about, &move);
      QTest::mouseRelease(&about, Qt::LeftButton, {}, QPoint(470, 280));
      QCOMPARE(about.pos(), before + QPoint(50, 30));
      about.reject();
    });
    rig.window->action(app::Command::About)->trigger();
    app::AboutDialog::setUrlOpener([](const QUrl&) {});
    QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("https://www.orvalent.example/"))});
    QCOMPARE(rig.window->frontPanel().texts().language(), std::string("English(U.S)"));
  }

  void withoutADisplayTheProgramSaysHowToRunIt() {
    const QString exe = QStringLiteral(V38XX_BUILD_DIR "/bin/V38XX_AP");
    if (!QFile::exists(exe)) QSKIP("V38XX_AP is not built");
    struct Case {
      const char* name;
      QStringList env;
      const char* reason;
    };
    const Case cases[] = {
        {"no display at all", {}, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {"a display that is not there", {"DISPLAY=:87"}, "cannot be opened"},
    };
    for (const Case& c : cases) {
      QProcess p;
      QProcessEnvironment env;
      env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
      for (const QString& kv : c.env) env.insert(kv.section('=', 0, 0), kv.section('=', 1));
      p.setProcessEnvironment(env);
      p.start(exe, {});
      QVERIFY2(p.waitForFinished(20000), c.name);
      QCOMPARE(p.exitStatus(), QProcess::NormalExit);
      QCOMPARE(p.exitCode(), 2);
      const QString err = QString::fromLocal8Bit(p.readAllStandardError());
      QVERIFY2(err.contains(QStringLiteral("V38XX_AP needs a graphical display")), qPrintable(err));
      QVERIFY2(err.contains(QStringLiteral("xvfb-run")), qPrintable(err));
      QVERIFY2(err.contains(QString::fromLatin1(c.reason)), qPrintable(err));
    }
  }

  // Run by the xvfb-run test: the window on a real X display.
  void onARealDisplayTheWindowShowsAndRuns() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
      QSKIP("needs an X display (the xvfb-run test runs it)");
    Rig rig;
    rig.start();
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    click(key(rig, Ctl::RunButton));
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->frontPanel().loop().count() >= 5, 20000);
    click(key(rig, Ctl::StopButton));
    const QImage shot = rig.window->grab().toImage();
    QCOMPARE(shot.size(), QSize(840, 630) * rig.window->devicePixelRatio());
    QVERIFY(rig.window->chart()->hasSnapshot());
  }
};

QTEST_MAIN(CounterWindowTest)
#include "counter_window_test.moc"
