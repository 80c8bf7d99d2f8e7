// The new user's walk through faults and bad input, on an X server, with a picture of each new
// message in docs/screenshots: an answer that is no reading, a stalled counter (the busy state),
// a dropped link, no signal, bad addresses, bad numbers, a passed stop time and the console's
// time-out, in English and in both Chinese sections.
//   xvfb-run -a -s "-screen 0 1280x1024x24" v38xx_fault_walkthrough <output folder>
// (scripts/screenshots.sh runs it). The pictures are taken from the screen, so that a message
// box shows over the window that asked for it.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/controls/image_button.h"
#include "app/panel_widget.h"
#include "gui_rig.h"
#include "instrument/command_control_dialog.h"
#include "instrument/tcpip_address_dialog.h"
#include "sim/counter.h"

using measure::Ctl;

namespace {

QString out;
int saved = 0;

void settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void wait(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(20);
}

// The screen area of the given windows together.
void grab(const QString& name, std::initializer_list<QWidget*> windows) {
  settle(150);
  QRect area;
  for (QWidget* w : windows)
    if (w && w->isVisible()) area = area.united(w->frameGeometry());
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  const QString path = out + QLatin1Char('/') + name + QStringLiteral(".png");
  if (!picture.save(path)) {
    std::fprintf(stderr, "fault walkthrough: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  ++saved;
}

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

void walk(const char* tag, std::string_view section) {
  guitest::Rig rig(guitest::RigOptions{.language = std::string(section), .systemClock = true});
  rig.start();
  app::CounterDialog& win = *rig.window;
  win.move(20, 20);
  settle(200);
  sim::Counter* counter = rig.counter(guitest::kSim3800);
  auto widget = [&win](Ctl id) { return win.panel()->widget(id); };
  measure::PanelModel& panel = win.frontPanel().panel();
  const QString prefix = QStringLiteral("%1-fault-").arg(QString::fromLatin1(tag));

  // Every message is shown for a moment as the window shows it, and pictured with the window
  // (and the dialog) it belongs to.
  QString name;
  QWidget* dialog = nullptr;
  rig.ui.onMessage = [&](const app::QtInteraction::Shown& m) {
    auto box = app::makeMessageBox(m.text, m.caption, m.icon, m.buttons,
                                   dialog ? dialog : static_cast<QWidget*>(&win));
    box->show();
    settle(50);
    // Over a dialog, the box goes below it, so that the field it names stays in sight.
    if (dialog) box->move(dialog->x(), dialog->frameGeometry().bottom() + 8);
    grab(prefix + name, {&win, dialog, box.get()});
    box->close();
  };
  auto runUntil = [&](int readings) {
    click(widget(Ctl::RunButton));
    wait([&] { return win.frontPanel().loop().count() >= readings; }, 20000);
  };
  auto stopped = [&] { wait([&] { return !win.frontPanel().running(); }, 20000); };

  // No signal on input 1: the display says so; maximum and minimum keep the last measurement.
  runUntil(5);
  counter->setSignalConnected(1, false);
  wait([&] { return win.frontPanel().loop().count() >= 12; }, 20000);
  grab(prefix + QStringLiteral("no-signal"), {&win});
  click(widget(Ctl::StopButton));
  counter->setSignalConnected(1, true);

  // An answer that is no reading.
  name = QStringLiteral("garbage-answer");
  runUntil(3);
  counter->setFaults({.garbageNextAnswer = true});
  stopped();

  // A stalled counter: the window shows that it waits, and STOP ends the run.
  runUntil(3);
  bool shot = false;
  QLabel* busy = win.busyIndicator();
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, &win, [&] {
    if (shot || !busy->isVisible()) return;
    shot = true;
    grab(prefix + QStringLiteral("stall-busy"), {&win});
    click(widget(Ctl::StopButton));
  });
  watch.start(20);
  sim::Faults stalled;
  stalled.stalled = true;
  counter->setFaults(stalled);
  stopped();
  watch.stop();
  counter->setFaults({});

  // A dropped link: the VISA message with the counter and the command.
  name = QStringLiteral("dropped-link");
  runUntil(3);
  counter->setFaults({.dropNextAnswer = true});
  stopped();

  // Bad numbers and a passed stop time, refused at START.
  name = QStringLiteral("bad-number");
  panel.press(Ctl::ScaleOffsetPage);
  panel.setText(Ctl::ScaleEdit, "1e999");
  settle(100);
  click(widget(Ctl::RunButton));
  panel.setText(Ctl::ScaleEdit, "1.0");
  panel.press(Ctl::ScaleOffsetPage);
  panel.press(Ctl::FreqRatioPage);

  name = QStringLiteral("empty-stop-after-n");
  panel.setChecked(Ctl::StopAfterNBox, true);
  panel.setText(Ctl::StopAfterNCount, "");
  click(widget(Ctl::RunButton));
  panel.setText(Ctl::StopAfterNCount, "100");
  panel.setChecked(Ctl::StopAfterNBox, false);

  name = QStringLiteral("stop-time-passed");
  panel.setChecked(Ctl::StopTimeBox, true);
  win.frontPanel().setStopTime({2001, 1, 1, 0, 0, 0});
  click(widget(Ctl::RunButton));
  panel.setChecked(Ctl::StopTimeBox, false);

  // Addresses: one that is none, refused naming its field; one where nothing answers.
  win.setDialogHook([&](QDialog& d) {
    auto& tcpip = dynamic_cast<instrument::TcpipAddressDialog&>(d);
    dialog = &tcpip;
    tcpip.move(win.x() + 250, win.y() + 150);
    tcpip.show();
    tcpip.field(1)->clear();
    QTest::keyClicks(tcpip.field(1), QStringLiteral("300.1.2.3"));
    name = QStringLiteral("bad-address");
    click(tcpip.okButton());
    tcpip.field(1)->setText(QStringLiteral("127.0.0.1"));
    dialog = nullptr;
    name = QStringLiteral("silent-address");
    click(tcpip.okButton());
  });
  win.action(app::Command::TcpipAddresses)->trigger();

  // The console: "*CLS" has no answer; the read times out and the console says so.
  win.frontPanel().instrument().setIoTimeoutMs(800);
  win.frontPanel().command(app::Command::Refresh);
  win.setDialogHook([&](QDialog& d) {
    auto& console = dynamic_cast<instrument::CommandControlDialog&>(d);
    console.move(win.x() + 200, win.y() + 120);
    console.show();
    console.sendField()->setText(QStringLiteral("*CLS"));
    click(console.queryButton());
    grab(prefix + QStringLiteral("console-timeout"), {&win, &console});
    console.reject();
  });
  win.action(app::Command::CommandControl)->trigger();
  rig.ui.onMessage = {};
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: v38xx_fault_walkthrough <output folder>\n");
    return 2;
  }
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
    std::fprintf(stderr, "fault walkthrough: needs an X server (xvfb-run)\n");
    return 2;
  }
  out = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(out)) return 1;
  walk("en", measure::kEnglish);
  walk("zh-TW", measure::kChineseTraditional);
  walk("zh-CN", measure::kChineseSimplified);
  std::printf("fault walkthrough: %d pictures in %s\n", saved, argv[1]);
  return 0;
}
