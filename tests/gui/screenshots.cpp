// Takes the pictures of docs/screenshots: the main window on every page of both panels, during
// and after a run, and every dialog, in English and in both Chinese sections.
//   v38xx_screenshots <output folder>      (scripts/screenshots.sh runs it offscreen)
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <cstdio>

#include "app/about_dialog.h"
#include "app/controls/image_button.h"
#include "app/panel_widget.h"
#include "gui_rig.h"
#include "instrument/command_control_dialog.h"

using measure::Ctl;

namespace {

QString out;
int saved = 0;

void save(QWidget& w, const QString& name) {
  QCoreApplication::processEvents();
  const QString path = out + QLatin1Char('/') + name + QStringLiteral(".png");
  if (!w.grab().save(path)) {
    std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  ++saved;
}

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

void wait(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(20);
}

struct Language {
  const char* tag;
  std::string_view section;
};

void shoot(const Language& lang) {
  guitest::Rig rig(guitest::RigOptions{.language = std::string(lang.section), .systemClock = true});
  rig.start();
  app::CounterDialog& win = *rig.window;
  const QString tag = QString::fromLatin1(lang.tag);
  auto widget = [&win](Ctl id) { return win.panel()->widget(id); };

  // A run of 40 readings with the trend line (taken while it runs).
  auto* n = qobject_cast<QLineEdit*>(widget(Ctl::StopAfterNCount));
  n->setText(QStringLiteral("40"));
  emit n->textEdited(n->text());
  click(widget(Ctl::StopAfterNBox));
  click(widget(Ctl::RunButton));
  wait([&win] { return win.frontPanel().loop().count() >= 25; }, 20000);
  save(win, tag + QStringLiteral("-main-running"));
  wait([&win] { return !win.frontPanel().running(); }, 20000);

  const std::pair<Ctl, const char*> pages[] = {{Ctl::FreqRatioPage, "1-freq-ratio"},
                                               {Ctl::TimePeriodPage, "2-time-period"},
                                               {Ctl::VoltPage, "3-volt"},
                                               {Ctl::OtherMeasPage, "4-other-meas"},
                                               {Ctl::UtilityPage, "5-utility"},
                                               {Ctl::GateExtArmPage, "6-gate-extarm"},
                                               {Ctl::LimitModesPage, "7-limit-modes"},
                                               {Ctl::ScaleOffsetPage, "8-scale-offset"}};
  for (const auto& [page, name] : pages) {
    click(widget(Ctl::FreqRatioPage));
    click(widget(page));
    save(win, tag + QStringLiteral("-main-") + QString::fromLatin1(name));
  }
  click(widget(Ctl::FreqRatioPage));

  // The V3820A's compact panel.
  win.deviceList()->setCurrentRow(1);
  save(win, tag + QStringLiteral("-main-compact-v3820a"));
  win.deviceList()->setCurrentRow(0);

  // Every dialog, taken as it opens.
  win.setDialogHook([&](QDialog& d) {
    d.show();
    QString name =
        QString::fromLatin1(d.metaObject()->className()).section(QStringLiteral("::"), -1);
    if (auto* console = dynamic_cast<instrument::CommandControlDialog*>(&d)) {
      click(console->queryButton());
    }
    if (auto* about = dynamic_cast<app::AboutDialog*>(&d)) {
      save(d, tag + QStringLiteral("-dialog-about"));
      about->tabs()->setCurrentIndex(1);
      name = QStringLiteral("about-language");
    }
    save(d, tag + QStringLiteral("-dialog-") +
                name.replace(QStringLiteral("Dialog"), QString()).toLower());
    d.reject();
  });
  for (app::Command c : {app::Command::SettingMode, app::Command::TcpipAddresses,
                         app::Command::CommandControl, app::Command::About})
    win.action(c)->trigger();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: v38xx_screenshots <output folder>\n");
    return 2;
  }
  out = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(out)) {
    std::fprintf(stderr, "screenshots: cannot make %s\n", argv[1]);
    return 1;
  }
  for (const Language& lang :
       {Language{"en", measure::kEnglish}, Language{"zh-CN", measure::kChineseSimplified},
        Language{"zh-TW", measure::kChineseTraditional}})
    shoot(lang);
  std::printf("screenshots: %d pictures in %s\n", saved, argv[1]);
  return 0;
}
