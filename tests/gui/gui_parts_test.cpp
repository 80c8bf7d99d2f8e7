// The pieces of the front end on their own: the file filter of the Save As picker, the Qt
// interaction answering by itself, the trend chart's mapping and drawing, the colour swatch,
// the button-bar keys, and the panel's controls made from and bound to the panel model.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <set>

#include "app/controls/icon_group_box.h"
#include "app/counter_window.h"
#include "app/panel_widget.h"
#include "app/qt_interaction_widget.h"
#include "measure/panel_model.h"
#include "reading/trend_chart_widget.h"
#include "records/setting_mode_dialog.h"
#include "scripted_interaction.h"

using measure::Ctl;
using measure::CtlKind;

namespace {

bool isBlueish(QRgb c) { return qBlue(c) > 150 && qRed(c) < 120 && qGreen(c) < 120; }

// Rows of the picture that hold a pixel of the trace colour.
std::vector<int> tracedRows(const QImage& image, int x) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if (isBlueish(image.pixel(x, y))) rows.push_back(y);
  return rows;
}

}  // namespace

class GuiPartsTest : public QObject {
  Q_OBJECT
 private slots:
  void saveAsFiltersBecomeQtFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the record viewer's CSV filter") << "CSV Files(*.CSV)|*.CSV||"
                                                    << "CSV Files (*.CSV *.csv)";
    QTest::newRow("two filters, lower-case pattern offered in upper case too")
        << "Text(*.txt)|*.txt|All Files(*.*)|*.*||"
        << "Text (*.txt *.TXT);;All Files (*.*)";
    QTest::newRow("several patterns of one filter") << "Data|*.csv;*.dat||"
                                                    << "Data (*.csv *.CSV *.dat *.DAT)";
    QTest::newRow("nothing usable") << ""
                                    << "All Files (*)";
  }
  void saveAsFiltersBecomeQtFilters() {
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(app::qtFileFilter(filter.toStdString()), expected);
  }

  void anAnsweringInteractionRecordsAndAnswersFromItsScript() {
    app::QtInteraction ui;
    ui.setAutoAnswer(true);
    ui.answers = {core::Answer::No};
    ui.colors = {core::Color{1, 2, 3}};
    QCOMPARE(ui.message("sure?", "V38XX_AP", core::Icon::Question, core::Buttons::YesNo),
             core::Answer::No);
    QCOMPARE(ui.message("again?", "V38XX_AP", core::Icon::Question, core::Buttons::YesNo),
             core::Answer::Yes);
    QCOMPARE(ui.message("done", "Warming", core::Icon::Exclamation, core::Buttons::Ok),
             core::Answer::Ok);
    QCOMPARE(ui.shown().size(), std::size_t(3));
    QCOMPARE(ui.shown()[2].caption, std::string("Warming"));
    QCOMPARE(ui.pickColor({}), std::optional<core::Color>(core::Color{1, 2, 3}));
    QCOMPARE(ui.pickColor({}), std::optional<core::Color>());
    QVERIFY(!ui.saveFile({}).has_value());

    // The wait cursor is balanced, however often it is switched off.
    ui.setWaitCursor(true);
    ui.setWaitCursor(true);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.setWaitCursor(false);
    ui.setWaitCursor(false);
    ui.setWaitCursor(false);
    QCOMPARE(ui.waitCursorDepth(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void theChartMapsLogicalPointsOntoThePicture() {
    // Span 0.5: s = 1e9, so a reading 0.25 above place 1 lies an eighth of the picture height
    // above the middle line. The newest reading is at the left edge, place 1 at x = n - 1.
    const std::vector<double> window = {1.0, 1.25, 1.25, 1.25, 1.25, 1.5};
    const reading::TrendChartGeometry g = reading::trendChartGeometry(window, 101, 400, 160);
    const QTransform t = reading::chartTransform(g);
    for (const reading::ChartPoint& p : g.line) {
      const reading::ChartPoint expected = g.toPicture(p);
      QCOMPARE(t.map(QPointF(p.x, p.y)), QPointF(expected.x, expected.y));
    }
    QCOMPARE(t.map(QPointF(0, g.line.front().y)), QPointF(0, 80 - 40));
    QCOMPARE(t.map(QPointF(1, g.line[1].y)), QPointF(400 / 101.0, 80 - 20));

    reading::TrendChartWidget chart;
    chart.resize(400, 160);
    chart.setDrawColor(QColor(0, 0, 255));
    QVERIFY(!chart.hasSnapshot());
    chart.redraw(g);
    QVERIFY(chart.hasSnapshot());
    const QImage image = chart.snapshot().toImage().scaled(400, 160);
    // Places 2 to 5 (x = 1 .. 4 of 101, pixels 4 .. 15) are level at 60.
    for (int x : {6, 10, 14}) {
      const std::vector<int> rows = tracedRows(image, x);
      QVERIFY(!rows.empty());
      QVERIFY(rows.front() >= 58 && rows.back() <= 62);
    }
    const std::vector<int> newest = tracedRows(image, 0);
    QVERIFY(!newest.empty());
    QVERIFY(std::abs(newest.front() - 40) <= 3);
    // Nothing is drawn right of place 1 (x = 5 of 101, pixel 20).
    QVERIFY(tracedRows(image, 30).empty());

    // One reading: no line, only the background.
    chart.redraw(reading::trendChartGeometry(std::vector<double>{5.0}, 101, 400, 160));
    const QImage empty = chart.snapshot().toImage();
    for (int x = 0; x < empty.width(); x += 7) QVERIFY(tracedRows(empty, x).empty());
    QCOMPARE(chart.redrawCount(), 2);
  }

  void theSwatchIsTheColourInsideAThinBlackBorder() {
    controls::ColorSwatch swatch;
    swatch.resize(15, 32);
    swatch.setColor(QColor(200, 30, 40));
    const QImage image = swatch.grab().toImage().scaled(15, 32);
    QCOMPARE(QColor(image.pixel(7, 16)), QColor(200, 30, 40));
    for (QPoint corner : {QPoint(0, 0), QPoint(14, 0), QPoint(0, 31), QPoint(14, 31)})
      QCOMPARE(QColor(image.pixel(corner)), QColor(Qt::black));
  }

  void aBarKeyShrinksItsCaptionToFit_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("size");
    QTest::newRow("two words on a 72 x 36 key") << "Scale & Offset" << QSize(72, 36);
    QTest::newRow("channel key 32 x 32") << "CH1" << QSize(32, 32);
    QTest::newRow("Chinese run key") << QString::fromUtf8("开始") << QSize(72, 36);
  }
  void aBarKeyShrinksItsCaptionToFit() {
    QFETCH(QString, caption);
    QFETCH(QSize, size);
    app::BarButton key;
    key.resize(size);
    key.setCaption(caption);
    QFont f = key.font();
    f.setPointSizeF(key.fittedPointSize());
    const QRect need = QFontMetrics(f).boundingRect(key.rect().adjusted(3, 2, -3, -2),
                                                    Qt::AlignCenter | Qt::TextWordWrap, caption);
    QVERIFY(need.width() <= size.width() - 6);
    QVERIFY(need.height() <= size.height() - 4);
    QVERIFY(key.fittedPointSize() >= 6.5);
    QVERIFY(key.fittedPointSize() <= key.font().pointSizeF());
  }

  void aLongReadingShrinksInsteadOfBeingCutOff_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shrinks");
    QTest::newRow("a frequency") << "10.0000001353 M Hz" << false;
    QTest::newRow("the longest period") << "-999.9999999999999 m Sec" << true;
    QTest::newRow("a Chinese caption")
        << QString::fromUtf8("已用时间：已用时间：已用时间：已用时间：") << true;
  }
  void aLongReadingShrinksInsteadOfBeingCutOff() {
    QFETCH(QString, text);
    QFETCH(bool, shrinks);
    QLabel label;
    label.setFont(QFont(QStringLiteral("Verdana")));
    label.resize(400, 44);
    app::setFittedText(&label, text, 24);
    QCOMPARE(label.text(), text);
    QVERIFY(label.fontMetrics().horizontalAdvance(text) <= label.contentsRect().width());
    QCOMPARE(label.font().pointSizeF() < 24, shrinks);
  }

  void everyPanelControlIsMadeByItsKindAndPlacedInTheClient() {
    testsupport::ScriptedInteraction ui;
    measure::PanelModel model(ui, [] { return std::string("3800"); });
    app::PanelWidget panel(model);
    const QRect client(0, 0, 840, 606);
    std::set<int> ids;
    for (const measure::Control& c : model.controls()) {
      QWidget* w = panel.widget(c.id);
      QVERIFY2(w, c.name.data());
      QVERIFY2(client.contains(w->geometry()) && !w->geometry().isEmpty(), c.name.data());
      QCOMPARE(w->objectName(), QString::fromUtf8(c.name.data(), qsizetype(c.name.size())));
      switch (c.kind) {
        case CtlKind::Button:
          QVERIFY(dynamic_cast<app::BarButton*>(w));
          break;
        case CtlKind::CheckBox:
          QVERIFY(dynamic_cast<controls::SkinButton*>(w) && !dynamic_cast<app::BarButton*>(w));
          break;
        case CtlKind::List:
          QVERIFY(qobject_cast<QComboBox*>(w));
          QCOMPARE(qobject_cast<QComboBox*>(w)->count(), int(c.entries.size()));
          QCOMPARE(qobject_cast<QComboBox*>(w)->currentIndex(), c.selected);
          break;
        case CtlKind::Edit:
          QVERIFY(qobject_cast<QLineEdit*>(w));
          QCOMPARE(qobject_cast<QLineEdit*>(w)->text(), QString::fromStdString(c.text));
          break;
        case CtlKind::Label:
          QVERIFY(qobject_cast<QLabel*>(w));
          break;
        case CtlKind::Group:
          QVERIFY(qobject_cast<controls::IconGroupBox*>(w));
          break;
      }
      QCOMPARE(w->isVisibleTo(&panel), c.visible);
      if (c.dialogId) ids.insert(c.dialogId);
    }
    // The button bar keeps the front panel's positions.
    QCOMPARE(panel.widget(Ctl::TimePeriodPage)->geometry(), QRect(105, 345, 72, 36));
    QCOMPARE(panel.widget(Ctl::StopButton)->geometry(), QRect(400, 385, 72, 36));
    QCOMPARE(panel.widget(Ctl::Ch3Button)->geometry(), QRect(610, 350, 32, 32));
    QCOMPARE(dynamic_cast<app::BarButton*>(panel.widget(Ctl::GateExtArmPage))->caption(),
             QStringLiteral("Gate & ExtArm"));
    QVERIFY(ids.count(1341) && ids.count(1100) && ids.count(1116));
  }

  void userActionsGoThroughTheModelAndTheWidgetsFollowIt() {
    testsupport::ScriptedInteraction ui;
    std::string_view code = "3800";
    measure::PanelModel model(ui, [&code] { return std::string(code); });
    app::PanelWidget panel(model);
    model.setChangeHandler([&panel](Ctl id) { panel.refresh(id); });
    model.onFullModelIdentified();

    // A key whose state the model owns: "Volt" refuses the limit page and lands on "Volt".
    auto* limit = dynamic_cast<app::BarButton*>(panel.widget(Ctl::LimitModesPage));
    QTest::mouseClick(panel.widget(Ctl::VoltPage), Qt::LeftButton);
    QVERIFY(dynamic_cast<app::BarButton*>(panel.widget(Ctl::VoltPage))->isChecked());
    QTest::mouseClick(limit, Qt::LeftButton);
    QVERIFY(!limit->isChecked());
    QCOMPARE(ui.shown.back().text, std::string("Volt does not support Limit configure !"));
    QVERIFY(panel.widget(Ctl::VoltShow)->isVisibleTo(&panel));

    // A list choice goes to the model; the model's own changes reach the list.
    auto* mode = qobject_cast<QComboBox*>(panel.widget(Ctl::In1LevelMode));
    model.select(Ctl::In1LevelMode, 1);
    QCOMPARE(mode->currentIndex(), 1);
    mode->setCurrentIndex(0);
    emit mode->activated(0);
    QCOMPARE(model.control(Ctl::In1LevelMode).selected, 0);

    // An edit sends what is typed; the model's length limit holds.
    auto* delay = qobject_cast<QLineEdit*>(panel.widget(Ctl::ArmStartDelayEdit));
    QCOMPARE(delay->maxLength(), 10);
    auto* n = qobject_cast<QLineEdit*>(panel.widget(Ctl::StopAfterNCount));
    n->clear();
    QTest::keyClicks(n, QStringLiteral("25x"));
    QCOMPARE(model.control(Ctl::StopAfterNCount).text, std::string("25"));

    // A model without an instrument: keys spring back.
    code = "0";
    model.resetLayoutNoInstrument();
    QTest::mouseClick(panel.widget(Ctl::FreqRatioPage), Qt::LeftButton);
    QVERIFY(!dynamic_cast<app::BarButton*>(panel.widget(Ctl::FreqRatioPage))->isChecked());
  }
};

QTEST_MAIN(GuiPartsTest)
#include "gui_parts_test.moc"
