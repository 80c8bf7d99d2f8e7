#pragma once
// The real main window on the builtin VISA: the simulated V3800A and V3820A (or no instrument
// at all), a manual clock, a Qt interaction that answers by itself, and a fresh working folder
// with a DB sub-folder for the reading databases.

#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/counter_window.h"
#include "app/qt_interaction_widget.h"
#include "manual_clock.h"
#include "measure/texts.h"
#include "sim/in_process_counters.h"
#include "visa/builtin_library.h"

namespace guitest {

inline std::string sourceIni() {
  return std::string(V38XX_SOURCE_DIR) + "/share/CTR_TOOLV38XX.ini";
}

struct RigOptions {
  bool instruments = true;
  std::string iniPath = sourceIni();
  std::string language = std::string(measure::kEnglish);
  bool systemClock = false;  // the real time instead of the manual clock (screenshots)
};

class Rig {
 public:
  explicit Rig(RigOptions options = {}) {
    const QString base = dir.path();
    QDir(base).mkpath(QStringLiteral("work/DB"));
    QDir(base).mkpath(QStringLiteral("sys"));
    QDir(base).mkpath(QStringLiteral("dev"));
    workDir = (base + QStringLiteral("/work")).toStdString();
    previousDir = QDir::currentPath().toStdString();
    if (chdir(workDir.c_str()) != 0) qFatal("cannot enter the working folder");

    visa::BuiltinOptions o;
    o.simulate = options.instruments;
    o.usbtmcSysfsDir = (base + QStringLiteral("/sys")).toStdString();
    o.deviceDir = (base + QStringLiteral("/dev")).toStdString();
    o.gpibLibrary = "libgpib-not-installed.so.0";
    o.connectTimeout = std::chrono::milliseconds(500);
    visa = std::make_unique<visa::BuiltinLibrary>(o);

    ui.setAutoAnswer(true);
    app::FrontPanelOptions fp;
    fp.iniPath = options.iniPath;
    fp.language = options.language;
    core::Clock& time = options.systemClock ? static_cast<core::Clock&>(realClock) : clock;
    window = std::make_unique<app::CounterDialog>(*visa, time, ui, fp);
    ui.setParentWidget(window.get());
  }

  ~Rig() {
    window.reset();
    if (chdir(previousDir.c_str()) != 0) qWarning("cannot return to the previous folder");
  }

  // Window initialisation, then the window on the (offscreen) screen.
  void start() {
    window->initialize();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qWarning("the window was not exposed");
  }

  // Every message text shown so far.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& m : ui.shown()) out.push_back(m.text);
    return out;
  }

  sim::Counter* counter(const char* resource) { return sim::simulatedCounter(*visa, resource); }

  QTemporaryDir dir;
  std::string workDir;
  std::string previousDir;
  testsupport::ManualClock clock;
  core::SystemClock realClock;
  std::unique_ptr<visa::BuiltinLibrary> visa;
  app::QtInteraction ui;
  std::unique_ptr<app::CounterDialog> window;
};

inline constexpr const char* kSim3800 = "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR";
inline constexpr const char* kSim3820 = "USB0::0x2B7A::0x0EEC::SIM3820A01::INSTR";

}  // namespace guitest
