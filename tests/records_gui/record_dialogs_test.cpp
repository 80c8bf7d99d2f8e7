// The View Record and Chart Record dialogs on an (offscreen) display, bound to their logic:
// what the widgets show, what the user's clicks do, and a recording made by a real run of the
// front panel against the simulated V3800A, exported and checked against its database.
// With V38XX_SCREENSHOT_DIR set, the screenshots of both dialogs in the three languages are
// written there.

#include <sqlite3.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <cmath>
#include <random>

#include "app/controls/image_button.h"
#include "app/controls/skin_button.h"
#include "app/front_panel.h"
#include "core/text_format.h"
#include "measure/texts.h"
#include "records/chart_record_dialog.h"
#include "records/chart_record_widget.h"
#include "records/setting_mode.h"
#include "records/setting_mode_dialog.h"
#include "records/view_record_dialog.h"
#include "records_view/reading_files.h"
#include "sim/in_process_counters.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"
#include "visa/builtin_library.h"

namespace {

const char* kSim3800 = "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR";

std::string iniPath() { return std::string(V38XX_SOURCE_DIR) + "/share/CTR_TOOLV38XX.ini"; }

QImage background(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  records::paintChartBackground(p, size);
  return image;
}

QImage pictureOf(const QPixmap& pixmap) {
  return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

// Rows of the database file straight from SQLite: the value and the stored time text.
std::vector<std::pair<double, std::string>> storedRows(const std::string& path) {
  std::vector<std::pair<double, std::string>> rows;
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT read_value, read_time FROM read ORDER BY rowid", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) {
    rows.emplace_back(sqlite3_column_double(st, 0),
                      reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

std::string startDateOf(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT r_date FROM read_date", -1, &st, nullptr);
  std::string date;
  if (sqlite3_step(st) == SQLITE_ROW)
    date = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return date;
}

struct FakeTimers : app::Timers {
  int periodMs = 0;
  void start(int, int period) override { periodMs = period; }
  void stop(int) override {}
};

struct NoDialogs : app::Dialogs {
  void showSettingMode(records::SettingMode&) override {}
  bool showTcpipAddress(instrument::TcpipAddressData&) override { return false; }
  void open(app::Dialog) override {}
};

// Records `readings` readings into database `n` by a run of the front panel against the
// simulated V3800A (builtin VISA library, manual clock: one reading per 100 ms tick).
void recordRun(int n, int readings) {
  visa::BuiltinOptions o;
  o.usbtmcSysfsDir = "/nonexistent";
  o.gpibLibrary = "/nonexistent/libgpib.so.0";
  visa::BuiltinLibrary builtin(o);
  testsupport::ScriptedInteraction ui;
  testsupport::ManualClock clock;
  FakeTimers timers;
  NoDialogs dialogs;
  app::FrontPanel fp(builtin, ui, clock, timers, dialogs, {iniPath(), "English(U.S)"});
  fp.setChartSize(400, 200);
  fp.initialize();
  const auto& lines = fp.instrument().deviceList().lines;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find("V3800A") != std::string::npos) fp.selectDevice(static_cast<int>(i));
  }
  QCOMPARE(QString::fromStdString(fp.instrument().modelCode()), QStringLiteral("3800"));
  fp.selection().save = true;
  fp.selection().database = n;
  fp.command(app::Command::RunStart);
  QVERIFY(fp.running());
  for (int i = 0; i < readings; ++i) {
    clock.advance(std::chrono::milliseconds(timers.periodMs));
    fp.onTimer();
  }
  fp.command(app::Command::RunStop);
  QVERIFY(ui.shown.empty());
  QVERIFY(sim::simulatedCounter(builtin, kSim3800) != nullptr);
}

}  // namespace

class RecordDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void viewDialogShowsStatisticsPagesAndSearch();
  void viewDialogCommandsFollowTheChoice();
  void viewDialogShowsOverflowStatisticsWhole();
  void chartDialogDrawsMarksAndClears();
  void chartDialogKeepsEarlierTracesUntilClear();
  void recordedRunIsExportedAndChartedAsStored();
  void dialogWindowKinds();
  void screenshots();
};

void RecordDialogsTest::dialogWindowKinds() {
  viewtest::StartDirectory dir;
  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  records::RecordingSelection selection;
  records::SettingMode settingMode(selection, ui, texts);
  const records::SettingModeDialog setting(settingMode);
  const records::ViewRecordDialog view(ui, texts);
  const records::ChartRecordDialog chart(ui, texts);
  QCOMPARE(setting.windowType(), Qt::Tool);  // captioned tool windows with a close box
  QCOMPARE(view.windowType(), Qt::Tool);
  QCOMPARE(chart.windowType(), Qt::Dialog);  // a captioned dialog
  QVERIFY(setting.windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

void RecordDialogsTest::viewDialogShowsStatisticsPagesAndSearch() {
  viewtest::StartDirectory dir;
  viewtest::writeReadings(dir.path(3), 25000, [](long long i) { return 0.5 * (i % 11); });
  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  records::ViewRecordDialog dialog(ui, texts);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("View Record"));
  QCOMPARE(dialog.databaseList()->count(), 1);
  QCOMPARE(dialog.gridModel()->rowCount(), 1);  // the placeholder row
  QCOMPARE(dialog.gridModel()->data(dialog.gridModel()->index(0, 1), Qt::DisplayRole).toString(),
           QStringLiteral("_________________________"));
  QVERIFY(!dialog.deleteButton()->isEnabled());
  QVERIFY(!dialog.exportButton()->isEnabled());
  QVERIFY(!dialog.hiField()->isEnabled());
  QCOMPARE(dialog.refreshButton()->toolTip(), QStringLiteral("Refresh Database list ..."));
  QCOMPARE(dialog.exportButton()->toolTip(), QStringLiteral("Output record to CSV format ..."));

  // The grid: Arial, weight 400, column widths from twips at the display's density.
  const QFont font = dialog.grid()->font();
  QCOMPARE(font.family(), QStringLiteral("Arial"));
  QCOMPARE(font.weight(), QFont::Normal);
  const records::GridLayout layout =
      records::gridLayout(dialog.logicalDpiX(), dialog.logicalDpiY());
  QCOMPARE(font.pointSize(), layout.pointSize);
  // The layout's widths, wider where the face standing in for Arial needs it.
  for (int c = 0; c < 3; ++c) {
    QVERIFY(dialog.grid()->columnWidth(c) >=
            (layout.columnTwips[c] * dialog.logicalDpiX() + 720) / 1440);
  }
  const QFontMetrics metrics(font);
  QVERIFY(dialog.grid()->columnWidth(1) > metrics.horizontalAdvance("10000000.12299999967217"));
  QVERIFY(dialog.grid()->columnWidth(2) > metrics.horizontalAdvance("09 : 06 : 32"));

  dialog.databaseList()->setCurrentRow(0);
  QCOMPARE(dialog.countValue()->text(), QStringLiteral("25000"));
  QCOMPARE(dialog.maxValue()->text(), QStringLiteral("5"));
  QCOMPARE(dialog.minValue()->text(), QStringLiteral("0"));
  QCOMPARE(dialog.rangeList()->count(), 3);
  QCOMPARE(dialog.rangeList()->itemText(2), QStringLiteral(" 20001 - 25000 "));
  QCOMPARE(dialog.gridModel()->rowCount(), 10000);
  QCOMPARE(dialog.gridModel()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
           QStringLiteral("Reading"));
  QCOMPARE(dialog.gridModel()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
           QStringLiteral("Time"));
  const QModelIndex time = dialog.gridModel()->index(0, 2);
  QCOMPARE(dialog.gridModel()->data(time, Qt::TextAlignmentRole).value<Qt::Alignment>(),
           Qt::AlignLeft | Qt::AlignVCenter);
  QVERIFY(dialog.hiField()->isEnabled() && dialog.deleteButton()->isEnabled());

  emit dialog.rangeList()->activated(2);
  QCOMPARE(dialog.gridModel()->rowCount(), 5000);
  QCOMPARE(dialog.gridModel()->data(dialog.gridModel()->index(4999, 0), Qt::DisplayRole).toString(),
           QStringLiteral("5000"));

  QTest::keyClicks(dialog.hiField(), "1");
  QTest::keyClicks(dialog.loField(), "1");
  QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);
  // 25,000 readings of 0, 0.5, ... 5 in turn: 2,273 of them are 1.
  QCOMPARE(dialog.gridModel()->rowCount(), 2273);
  QCOMPARE(dialog.gridModel()->data(dialog.gridModel()->index(0, 1), Qt::DisplayRole).toString(),
           QStringLiteral("1.00000000000000000000"));
  QVERIFY(ui.shown.empty());
}

void RecordDialogsTest::viewDialogShowsOverflowStatisticsWhole() {
  // The counter's overflow answers are stored as received: the statistics of such a database
  // are 38-digit numbers, shown whole however narrow their field, in every language.
  viewtest::StartDirectory dir;
  viewtest::writeValues(dir.path(6), {9.91e37, -9.91e37, 9.91e37});
  testsupport::ScriptedInteraction ui;
  for (const auto language : {measure::kEnglish, measure::kChineseTraditional}) {
    measure::Texts texts(iniPath());
    texts.setLanguage(language);
    records::ViewRecordDialog dialog(ui, texts);
    dialog.show();
    dialog.databaseList()->setCurrentRow(0);
    QCOMPARE(dialog.maxValue()->text(), QStringLiteral("99100000000000005192630646116011999232"));
    QCOMPARE(dialog.minValue()->text(), QStringLiteral("-99100000000000005192630646116011999232"));
    const QLabel* values[] = {dialog.countValue(), dialog.maxValue(), dialog.minValue(),
                              dialog.avgValue()};
    for (const QLabel* value : values) {
      QVERIFY2(
          value->fontMetrics().horizontalAdvance(value->text()) <= value->contentsRect().width(),
          qPrintable(value->text()));
    }
    for (const QLabel* value : values) QCOMPARE(value->toolTip(), value->text());
  }
}

void RecordDialogsTest::viewDialogCommandsFollowTheChoice() {
  viewtest::StartDirectory dir;
  viewtest::writeValues(dir.path(2), {1, 2, 3});
  viewtest::writeValues(dir.path(4), {4});
  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  records::ViewRecordDialog dialog(ui, texts);
  dialog.databaseList()->setCurrentRow(0);

  ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "two.CSV"});
  QTest::mouseClick(dialog.exportButton(), Qt::LeftButton);
  QVERIFY(QFile::exists(QString::fromStdString(dir.root() + "/two.CSV")));
  QCOMPARE(QString::fromStdString(ui.shown.back().text),
           QStringLiteral("Output to CSV completed."));

  ui.answers.push_back(core::Answer::Yes);
  QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
  QCOMPARE(dialog.databaseList()->count(), 1);
  QVERIFY(!QFile::exists(QString::fromStdString(dir.path(2))));
  QVERIFY(!dialog.deleteButton()->isEnabled());
  QVERIFY(!dialog.exportButton()->isEnabled());
  QCOMPARE(dialog.countValue()->text(), QStringLiteral("3"));  // kept after deletion

  viewtest::writeValues(dir.path(9), {1});
  QTest::mouseClick(dialog.refreshButton(), Qt::LeftButton);
  QCOMPARE(dialog.databaseList()->count(), 2);
  QCOMPARE(dialog.databaseList()->currentRow(), -1);

  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QTest::mouseClick(dialog.exitButton(), Qt::LeftButton);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void RecordDialogsTest::chartDialogDrawsMarksAndClears() {
  viewtest::StartDirectory dir;
  viewtest::writeReadings(dir.path(5), 50000, [](long long i) { return 1e7 + std::sin(i * 1e-3); });
  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  records::ChartRecordDialog dialog(ui, texts);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("Chart Record"));
  QCOMPARE(dialog.databaseList()->placeholderText(), QStringLiteral("Please select a Database."));
  QVERIFY(!dialog.drawButton()->isEnabled());
  QVERIFY(dialog.drawAllButton()->isChecked());
  QVERIFY(!dialog.fromField()->isEnabled());
  QCOMPARE(dialog.swatch()->color(), QColor(0, 255, 255));
  QCOMPARE(dialog.drawButton()->toolTip(), QStringLiteral("Draw Chart ..."));
  QCOMPARE(dialog.clearButton()->toolTip(), QStringLiteral("Clear Chart ..."));

  emit dialog.databaseList()->activated(0);
  QCOMPARE(dialog.countValue()->text(), QStringLiteral("50000"));
  QVERIFY(dialog.drawButton()->isEnabled());

  QTest::mouseClick(dialog.drawButton(), Qt::LeftButton);
  const QSize size = dialog.picture()->size();
  QCOMPARE(size, QSize(records::ChartRecordDialog::kPictureWidth,
                       records::ChartRecordDialog::kPictureHeight));
  const QImage drawn = pictureOf(dialog.picture()->offscreen());
  QVERIFY(drawn != background(size));
  QCOMPARE(dialog.slider()->maximum(), 49999);
  QVERIFY(dialog.picture()->marker().has_value());
  QCOMPARE(dialog.recordReadout()->text(), QStringLiteral("1"));
  QCOMPARE(dialog.dateReadout()->text(), QStringLiteral("11 / 11 / 10 -- 09 : 06 : 32"));

  dialog.slider()->setValue(49999);
  QCOMPARE(dialog.recordReadout()->text(), QStringLiteral("50000"));
  QCOMPARE(dialog.valueReadout()->text(),
           QString::fromStdString(core::format("%.15f", 1e7 + std::sin(49999 * 1e-3))));
  const records::ChartMarker marker = *dialog.picture()->marker();
  QVERIFY(marker.left > size.width() - 20 && marker.left < size.width());

  // A repaint (after being covered) shows the trace again, with the marker over it.
  const QImage repainted = dialog.picture()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  QCOMPARE(repainted.pixel(10, 10), drawn.pixel(10, 10));
  QCOMPARE(repainted.pixel(marker.left + 1, (marker.top + marker.bottom) / 2),
           QColor(Qt::black).rgb());

  QTest::mouseClick(dialog.clearButton(), Qt::LeftButton);
  QVERIFY(!dialog.picture()->marker());
  QCOMPARE(pictureOf(dialog.picture()->offscreen()), background(size));
  dialog.slider()->setValue(10);
  QVERIFY(!dialog.picture()->marker());
  QCOMPARE(dialog.recordReadout()->text(), QStringLiteral("50000"));

  // From 0: the error message, nothing drawn.
  QTest::mouseClick(dialog.drawFromButton(), Qt::LeftButton);
  QVERIFY(dialog.fromField()->isEnabled());
  QTest::keyClicks(dialog.fromField(), "0");
  QTest::keyClicks(dialog.toField(), "7");
  QTest::mouseClick(dialog.drawButton(), Qt::LeftButton);
  QCOMPARE(QString::fromStdString(ui.shown.back().text),
           QStringLiteral("Input Data Error! Please re-enter."));
  QCOMPARE(QString::fromStdString(ui.shown.back().caption), QStringLiteral("ERROR"));
  QCOMPARE(pictureOf(dialog.picture()->offscreen()), background(size));
}

void RecordDialogsTest::chartDialogKeepsEarlierTracesUntilClear() {
  viewtest::StartDirectory dir;
  viewtest::writeValues(dir.path(1), {1, 2, 3, 2, 1});
  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  records::ChartRecordDialog dialog(ui, texts);
  emit dialog.databaseList()->activated(0);
  QTest::mouseClick(dialog.drawButton(), Qt::LeftButton);
  const QImage first = pictureOf(dialog.picture()->offscreen());

  ui.colors.push_back(core::Color{255, 0, 0});
  QTest::mouseClick(dialog.colorButton(), Qt::LeftButton);
  QCOMPARE(dialog.swatch()->color(), QColor(255, 0, 0));
  QVERIFY(!dialog.picture()->marker());
  // A new colour applies to the next drawing.
  QCOMPARE(pictureOf(dialog.picture()->offscreen()), first);

  QTest::mouseClick(dialog.drawFromButton(), Qt::LeftButton);
  QTest::keyClicks(dialog.fromField(), "4");
  QTest::keyClicks(dialog.toField(), "2");
  QTest::mouseClick(dialog.drawButton(), Qt::LeftButton);
  QCOMPARE(dialog.slider()->maximum(), 2);
  const QImage both = pictureOf(dialog.picture()->offscreen());
  bool cyan = false, red = false;
  for (int y = 0; y < both.height(); ++y) {
    for (int x = 0; x < both.width(); ++x) {
      cyan = cyan || both.pixel(x, y) == qRgb(0, 255, 255);
      red = red || both.pixel(x, y) == qRgb(255, 0, 0);
    }
  }
  QVERIFY(cyan && red);
}

void RecordDialogsTest::recordedRunIsExportedAndChartedAsStored() {
  viewtest::StartDirectory dir;
  const int readings = 2500;
  recordRun(1, readings);
  const std::string db = dir.path(1);
  const auto rows = storedRows(db);
  QCOMPARE(int(rows.size()), readings);

  testsupport::ScriptedInteraction ui;
  measure::Texts texts;
  {
    records::ViewRecordDialog view(ui, texts);
    QCOMPARE(view.databaseList()->count(), 1);
    view.databaseList()->setCurrentRow(0);
    QCOMPARE(view.countValue()->text(), QString::number(readings));
    ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "run"});
    QTest::mouseClick(view.exportButton(), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(ui.shown.back().text),
             QStringLiteral("Output to CSV completed."));
  }
  QFile csv(QString::fromStdString(dir.root() + "/run.csv"));
  QVERIFY(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().split('\n');
  QCOMPARE(lines.size(), readings + 2);  // header, the readings, nothing after the last CR LF
  QVERIFY(lines.back().isEmpty());
  const auto start = records::DateTime::parse(startDateOf(db));
  QVERIFY(start.has_value());
  QCOMPARE(
      lines[0],
      QByteArray(("Time,Value, ,DateTime : ( " + records::startDateText(*start) + " )\r").c_str()));
  for (int i = 0; i < readings; ++i) {
    const auto& [value, time] = rows[static_cast<size_t>(i)];
    const std::string spaced =
        time.substr(0, 2) + " : " + time.substr(3, 2) + " : " + time.substr(6, 2);
    const std::string expected = "\"" + spaced + "\"," + core::format("%.30f", value) + "\r";
    if (lines[i + 1] != QByteArray(expected.c_str())) {
      QFAIL(qPrintable(QStringLiteral("line %1: %2, expected %3")
                           .arg(i + 2)
                           .arg(QString::fromLatin1(lines[i + 1]))
                           .arg(QString::fromStdString(expected))));
    }
  }

  records::ChartRecordDialog chart(ui, texts);
  emit chart.databaseList()->activated(0);
  QCOMPARE(chart.countValue()->text(), QString::number(readings));
  QTest::mouseClick(chart.drawButton(), Qt::LeftButton);
  QCOMPARE(chart.slider()->maximum(), readings - 1);
  chart.slider()->setValue(readings - 1);
  QCOMPARE(chart.recordReadout()->text(), QString::number(readings));
  QCOMPARE(chart.valueReadout()->text(),
           QString::fromStdString(core::format("%.15f", rows.back().first)));
  QCOMPARE(chart.dateReadout()->text(), QString::fromStdString(records::startDateText(*start)));
}

void RecordDialogsTest::screenshots() {
  const QByteArray target = qgetenv("V38XX_SCREENSHOT_DIR");
  if (target.isEmpty()) QSKIP("V38XX_SCREENSHOT_DIR names the folder for the screenshots");
  QDir().mkpath(QString::fromLocal8Bit(target));
  viewtest::StartDirectory dir;
  std::mt19937 random(11);
  std::normal_distribution<double> noise(0, 0.004);
  double drift = 0;
  viewtest::writeReadings(dir.path(2), 36000, [&](long long i) {
    drift += noise(random);
    return 10000000.0 + 0.05 * std::sin(i * 4e-4) + drift;
  });
  viewtest::writeValues(dir.path(5), {1.0000012, 1.0000009, 1.0000015}, "2024-03-18 14:22:05");

  struct Language {
    const char* section;
    const char* suffix;
  };
  for (const Language& language :
       {Language{"English(U.S)", "en"}, Language{"Chinese(Traditional)", "zh-TW"},
        Language{"Chinese(Simplify)", "zh-CN"}}) {
    measure::Texts texts(iniPath());
    texts.setLanguage(language.section);
    testsupport::ScriptedInteraction ui;
    const QString folder = QString::fromLocal8Bit(target) + "/";
    {
      QDir::setCurrent(QString::fromStdString(dir.root()));
      records::ViewRecordDialog view(ui, texts);
      view.databaseList()->setCurrentRow(0);
      emit view.rangeList()->activated(1);
      view.show();
      QVERIFY(QTest::qWaitForWindowExposed(&view));
      QVERIFY(view.grab().save(folder + QStringLiteral("view_record-%1.png").arg(language.suffix)));
    }
    {
      QDir::setCurrent(QString::fromStdString(dir.root()));
      records::ChartRecordDialog chart(ui, texts);
      emit chart.databaseList()->activated(0);
      QTest::mouseClick(chart.drawButton(), Qt::LeftButton);
      chart.slider()->setValue(chart.slider()->maximum() * 3 / 5);
      chart.show();
      QVERIFY(QTest::qWaitForWindowExposed(&chart));
      QVERIFY(
          chart.grab().save(folder + QStringLiteral("chart_record-%1.png").arg(language.suffix)));
    }
    QVERIFY(ui.shown.empty());
  }
}

QTEST_MAIN(RecordDialogsTest)
#include "record_dialogs_test.moc"
