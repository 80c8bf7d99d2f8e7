// The Stability dialog offscreen: the database list, tau0 from the stored Read Speed, the
// computed table and plot of a run recorded from the simulated counter, the Record menu's
// entry, and View Record's run settings. With V38XX_SCREENSHOT_DIR set, the screenshots.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "measure/language.h"
#include "measure/texts.h"
#include "records/view_record_dialog.h"
#include "stability/stability_dialog.h"
#include "stability/stability_plot_widget.h"
#include "stability_records/simulated_run.h"
#include "support/start_directory.h"

namespace {

std::string iniPath() { return std::string(V38XX_BUILD_DIR) + "/share/v38xx/CTR_TOOLV38XX.ini"; }

}  // namespace

class StabilityDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void computesAndDrawsTheChosenRecording();
  void theRecordMenuOpensIt();
  void viewRecordShowsTheStoredSettings();
  void screenshots();
  void cleanupTestCase();

 private:
  std::unique_ptr<testsupport::StartDirectory> dir_;
};

void StabilityDialogTest::initTestCase() {
  dir_ = std::make_unique<testsupport::StartDirectory>();
  // 1200 readings of the simulated V3800A at "100 ms", its input off for a few of them.
  QVERIFY(stabilitytest::recordSimulatedRun(1, 1200, 0, {300, 301, 302, 900}).empty());
  QDir::setCurrent(QString::fromStdString(dir_->root()));
}

void StabilityDialogTest::cleanupTestCase() { dir_.reset(); }

void StabilityDialogTest::computesAndDrawsTheChosenRecording() {
  measure::Texts texts(iniPath());
  testsupport::ScriptedInteraction ui;
  stability::StabilityDialog dialog(ui, texts);
  QCOMPARE(dialog.databaseList()->count(), 1);
  QVERIFY(!dialog.computeButton()->isEnabled());
  dialog.databaseList()->setCurrentRow(0);
  QCOMPARE(dialog.tau0Field()->text(), QStringLiteral("0.1"));
  QVERIFY(dialog.tau0Field()->isReadOnly());
  dialog.statisticBox(stability::Statistic::Mdev)->setChecked(true);
  QTest::mouseClick(dialog.computeButton(), Qt::LeftButton);
  QVERIFY(ui.shown.empty());
  // Octaves: OADEV to 600 (1 .. 512), MDEV to 400 (1 .. 256), less the two at which every
  // term spans a gap (OADEV 512: 1024 readings; MDEV 256: 767 readings).
  QCOMPARE(dialog.table()->rowCount(), 17);
  QCOMPARE(dialog.table()->item(0, 0)->text(), QStringLiteral("OADEV"));
  QCOMPARE(dialog.table()->item(8, 1)->text(), QStringLiteral("25.6"));
  QCOMPARE(dialog.table()->item(9, 0)->text(), QStringLiteral("MDEV"));
  QCOMPARE(dialog.plot()->points().size(), std::size_t{17});
  QVERIFY(dialog.summary()->text().startsWith(QStringLiteral("Readings: 1200    Gaps: 4")));
  QVERIFY(dialog.exportButton()->isEnabled());
}

void StabilityDialogTest::theRecordMenuOpensIt() {
  const auto menus = measure::mainMenuLabels(measure::Texts(iniPath()));
  const auto& record = menus.at(1);
  QCOMPARE(record.entries.size(), std::size_t{3});
  QCOMPARE(record.entries[2].command, measure::kStabilityCommand);
  QCOMPARE(record.entries[2].key, std::string("1200"));
  QCOMPARE(record.entries[2].text, std::string("Stability"));
}

void StabilityDialogTest::viewRecordShowsTheStoredSettings() {
  measure::Texts texts(iniPath());
  testsupport::ScriptedInteraction ui;
  records::ViewRecordDialog view(ui, texts);
  view.databaseList()->setCurrentRow(0);
  const QString settings = view.runSettings()->toPlainText();
  QVERIFY2(settings.contains(QStringLiteral("Model: V3800A")), qPrintable(settings));
  QVERIFY(settings.contains(QStringLiteral("Read Speed: 100 ms")));
  QVERIFY(settings.contains(QStringLiteral("Function: Freq")));
  QVERIFY(settings.contains(QStringLiteral("FUNC 'FREQ 1'")));
  QVERIFY(settings.endsWith(QStringLiteral("INIT:CONT ON")));
}

void StabilityDialogTest::screenshots() {
  const QByteArray target = qgetenv("V38XX_SCREENSHOT_DIR");
  if (target.isEmpty()) QSKIP("V38XX_SCREENSHOT_DIR names the folder for the screenshots");
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
      stability::StabilityDialog dialog(ui, texts);
      dialog.databaseList()->setCurrentRow(0);
      dialog.statisticBox(stability::Statistic::Adev)->setChecked(true);
      dialog.statisticBox(stability::Statistic::Mdev)->setChecked(true);
      dialog.statisticBox(stability::Statistic::Totdev)->setChecked(true);
      QTest::mouseClick(dialog.computeButton(), Qt::LeftButton);
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      QVERIFY(dialog.grab().save(folder + QStringLiteral("stability-%1.png").arg(language.suffix)));
    }
    {
      records::ViewRecordDialog view(ui, texts);
      view.databaseList()->setCurrentRow(0);
      view.show();
      QVERIFY(QTest::qWaitForWindowExposed(&view));
      QVERIFY(view.grab().save(folder +
                               QStringLiteral("view_record_settings-%1.png").arg(language.suffix)));
    }
    QVERIFY(ui.shown.empty());
  }
}

QTEST_MAIN(StabilityDialogTest)
#include "stability_dialog_test.moc"
