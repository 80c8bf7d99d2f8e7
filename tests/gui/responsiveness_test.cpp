// The main window while the counter does not answer (the simulator's stall fault): the window
// keeps drawing and shows that it waits, STOP ends the run at once with the pending read
// cancelled, and the console says when a read timed out. The two figures of the window (from
// the start of the read to the busy state on the screen, from the click on STOP to the run's
// end) are measured here and printed; the test itself asserts behaviour, not time.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

#include "app/controls/image_button.h"
#include "app/panel_widget.h"
#include "gui_rig.h"
#include "instrument/command_control_dialog.h"
#include "sim/counter.h"

using guitest::Rig;
using measure::Ctl;
using SteadyClock = std::chrono::steady_clock;

namespace {

double msBetween(SteadyClock::time_point a, SteadyClock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

void click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Notes the first paint of a widget after arm(), and calls `then` there. The test's own code
// cannot run while a reading tick waits (the wait serves the events from inside the tick), so
// what happens during the wait is seen and done from such callbacks.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* w) { w->installEventFilter(this); }
  void arm(std::function<void()> then = {}) {
    painted = false;
    then_ = std::move(then);
  }
  bool painted = false;
  SteadyClock::time_point when;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && !painted) {
      painted = true;
      when = SteadyClock::now();
      if (then_) QTimer::singleShot(0, this, std::exchange(then_, {}));
    }
    return false;
  }

 private:
  std::function<void()> then_;
};

std::string summary(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return QStringLiteral("min %1 ms, median %2 ms, max %3 ms (%4 runs)")
      .arg(v.front(), 0, 'f', 1)
      .arg(v[v.size() / 2], 0, 'f', 1)
      .arg(v.back(), 0, 'f', 1)
      .arg(v.size())
      .toStdString();
}

}  // namespace

class ResponsivenessTest : public QObject {
  Q_OBJECT

 private slots:
  void stopEndsAStalledRunAtOnceAndTheWindowShowsItWaits() {
    Rig rig(guitest::RigOptions{.systemClock = true});
    rig.start();
    app::CounterDialog& win = *rig.window;
    sim::Counter* counter = rig.counter(guitest::kSim3800);
    QVERIFY(counter);
    QLabel* busy = win.busyIndicator();
    PaintWatch busyPaint(busy);
    PaintWatch panelPaint(win.panel());
    QWidget* stop = win.panel()->widget(Ctl::StopButton);
    QWidget* start = win.panel()->widget(Ctl::RunButton);

    std::vector<double> toBusy, toStop;
    constexpr int kRuns = 5;
    for (int run = 0; run < kRuns; ++run) {
      counter->setFaults({});
      click(start);
      QTRY_VERIFY_WITH_TIMEOUT(win.frontPanel().loop().count() >= 2, 20000);

      // The stall begins with the next query: its arrival at the counter is when the read
      // that will wait starts (the write and the read follow each other at once).
      std::atomic<bool> armed = true;
      SteadyClock::time_point queried;
      counter->setCommandLog([&](std::string_view m) {
        if (armed.exchange(false)) queried = SteadyClock::now();
        (void)m;
      });
      // What the window does during the wait, seen from inside it.
      bool busyShown = false, waiting = false, repainted = false, stopped = false;
      double stopMs = -1;
      busyPaint.arm([&] {
        busyShown = busy->isVisible() && win.frontPanel().running();
        waiting = win.frontPanel().ioWaiting();
        // The window still draws itself while the read waits ...
        panelPaint.arm([&] {
          repainted = win.frontPanel().ioWaiting();
          // ... and STOP, clicked while the read waits, is served at once and ends the run.
          QTimer::singleShot(100, &win, [&] {
            const auto clicked = SteadyClock::now();
            click(stop);
            stopMs = msBetween(clicked, SteadyClock::now());
            stopped = !win.frontPanel().running();
          });
        });
        win.panel()->update();
      });
      sim::Faults stalled;
      stalled.stalled = true;
      counter->setFaults(stalled);
      QTRY_VERIFY_WITH_TIMEOUT(stopMs >= 0, 10000);
      QVERIFY(busyShown);
      QVERIFY(waiting);
      QVERIFY(repainted);
      QVERIFY(stopped);
      QCOMPARE(busy->text(), QStringLiteral("Waiting for the counter's answer..."));
      toBusy.push_back(msBetween(queried, busyPaint.when));
      toStop.push_back(stopMs);
      QVERIFY(rig.messages().empty());
      QTRY_VERIFY_WITH_TIMEOUT(!busy->isVisible(), 2000);
      counter->setCommandLog({});
    }
    std::printf("FIGURE busy state after the read began: %s\n", summary(toBusy).c_str());
    std::printf("FIGURE run ended after the click on STOP: %s\n", summary(toStop).c_str());
    std::fflush(stdout);
  }

  void theConsoleStaysUsableAndSaysWhenAReadTimedOut() {
    Rig rig;
    rig.start();
    app::CounterDialog& win = *rig.window;
    // Sessions with a short time-out, so that the time-out comes soon.
    win.frontPanel().instrument().setIoTimeoutMs(600);
    win.frontPanel().command(app::Command::Refresh);
    QString waiting, status, received;
    win.setDialogHook([&](QDialog& d) {
      auto& dialog = dynamic_cast<instrument::CommandControlDialog&>(d);
      dialog.show();
      // "*CLS" has no answer: the query waits, shows so, then says it timed out.
      QTimer::singleShot(300, &dialog, [&] { waiting = dialog.statusLine()->text(); });
      dialog.sendField()->setText(QStringLiteral("*CLS"));
      click(dialog.queryButton());
      status = dialog.statusLine()->text();
      received = dialog.receivedField()->toPlainText();
      // A read with nothing pending, given up with Exit while it waits.
      QTimer::singleShot(200, &dialog, [&dialog] { click(dialog.exitButton()); });
      click(dialog.readButton());
      QVERIFY(!dialog.isVisible());
    });
    win.action(app::Command::CommandControl)->trigger();
    QCOMPARE(waiting, QStringLiteral("Waiting for the counter's answer..."));
    QCOMPARE(status, QStringLiteral("No answer: the read timed out after 600 ms."));
    QCOMPARE(received, QString());
    QVERIFY(rig.messages().empty());
  }
};

QTEST_MAIN(ResponsivenessTest)
#include "responsiveness_test.moc"
