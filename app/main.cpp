// V38XX_AP: the virtual front panel of the V38XX counters.
#include <dlfcn.h>
#include <unistd.h>

#include <clocale>
#include <csignal>

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/controls/bitmaps.h"
#include "app/counter_window.h"
#include "app/qt_interaction_widget.h"
#include "app/start_options.h"
#include "core/clock.h"
#include "sim/in_process_counters.h"
#include "visa/library.h"

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// A connection to the X display named by DISPLAY, opened the way the Qt platform plugin will
// open it (libxcb, loaded only for this question). It stays open until the application has its
// own connection: an X server resets when its last client leaves, and a connection attempt
// during that reset fails.
class XDisplayProbe {
 public:
  XDisplayProbe() {
    lib_ = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!lib_) return;  // cannot tell; let Qt try
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(lib_, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(lib_, "xcb_connection_has_error"));
    disconnect_ = reinterpret_cast<Disconnect>(dlsym(lib_, "xcb_disconnect"));
    if (!connect || !hasError || !disconnect_) return;
    connection_ = connect(nullptr, nullptr);
    reachable_ = connection_ && hasError(connection_) == 0;
  }
  ~XDisplayProbe() { close(); }
  XDisplayProbe(const XDisplayProbe&) = delete;
  XDisplayProbe& operator=(const XDisplayProbe&) = delete;

  bool reachable() const { return reachable_; }
  void close() {
    if (connection_ && disconnect_) disconnect_(connection_);
    connection_ = nullptr;
    if (lib_) dlclose(lib_);
    lib_ = nullptr;
  }

 private:
  using Disconnect = void (*)(void*);
  void* lib_ = nullptr;
  void* connection_ = nullptr;
  Disconnect disconnect_ = nullptr;
  bool reachable_ = true;
};

// Why no window can be shown, or "" when a display is there.
std::string displayProblem(std::unique_ptr<XDisplayProbe>& probe) {
  if (!env("QT_QPA_PLATFORM").empty()) return "";
  const std::string display = env("DISPLAY");
  if (!display.empty()) {
    probe = std::make_unique<XDisplayProbe>();
    if (probe->reachable()) return "";
    return "the X display \"" + display + "\" cannot be opened";
  }
  if (!env("WAYLAND_DISPLAY").empty()) {
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (QFile::exists(plugins + QStringLiteral("/platforms/libqwayland-generic.so"))) {
      setenv("QT_QPA_PLATFORM", "wayland", 1);
      return "";
    }
    return "Wayland support for Qt (package qt6-wayland) is not installed and DISPLAY is not set";
  }
  return "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

// Ctrl+C or a termination request closes the window like the user would, so that the
// counters still return to local: the signal only writes a byte that the event loop reads.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char* argv[]) {
  std::string error;
  const auto options = app::parseStartOptions(std::vector<std::string>(argv, argv + argc), &error);
  if (!options) {
    std::fprintf(stderr, "V38XX_AP: %s (see V38XX_AP --help)\n", error.c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(app::kStartHelp, stdout);
    return 0;
  }
  if (options->version) {
    std::printf("V38XX_AP (V38XX counter software) %s\n", V38XX_VERSION);
    return 0;
  }
  std::unique_ptr<XDisplayProbe> probe;
  const std::string problem = displayProblem(probe);
  if (!problem.empty()) {
    std::fprintf(stderr,
                 "V38XX_AP needs a graphical display (%s); run it on a desktop or under "
                 "xvfb-run, e.g.: xvfb-run -a %s\n",
                 problem.c_str(), argv[0]);
    return 2;
  }

  if (options->userFolder) {
    // Started from the desktop's menu: the working directory is the user's data folder, whose
    // DB folder holds the reading databases. Should it not be made, the program still starts,
    // in the current directory.
    const std::string folder = app::userDataFolder(env("XDG_DATA_HOME"), env("HOME"));
    if (folder.empty()) {
      std::fprintf(stderr,
                   "V38XX_AP: neither XDG_DATA_HOME nor HOME names a folder; "
                   "staying in the current directory\n");
    } else if (!app::prepareUserFolder(folder, &error) || chdir(folder.c_str()) != 0) {
      std::fprintf(stderr, "V38XX_AP: %s; staying in the current directory\n",
                   error.empty() ? ("cannot enter " + folder).c_str() : error.c_str());
    }
  }

  // Qt takes its own options from what is left; QApplication keeps argc and argv for its life.
  std::vector<std::string> qtArgs = options->rest;
  std::vector<char*> qtArgv;
  for (std::string& a : qtArgs) qtArgv.push_back(a.data());
  qtArgv.push_back(nullptr);
  int qtArgc = static_cast<int>(qtArgs.size());
  QApplication app(qtArgc, qtArgv.data());
  probe.reset();
  const QStringList leftover = QApplication::arguments().mid(1);
  std::vector<std::string> unknown;
  for (const QString& a : leftover) unknown.push_back(a.toStdString());
  if (const std::string mistake = app::leftoverArgumentsError(unknown); !mistake.empty()) {
    std::fprintf(stderr, "V38XX_AP: %s (see V38XX_AP --help)\n", mistake.c_str());
    return 2;
  }
  // Qt adopts the user's locale; numbers still travel to the counter and into files with a
  // decimal point, whatever the desktop's language.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("V38XX_AP"));
  QApplication::setApplicationVersion(QStringLiteral(V38XX_VERSION));
  // The desktop entry's name, so that a desktop shows the window with that entry's icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.orvalent.v38xx"));
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
    QApplication::setStyle(fusion);
  QApplication::setWindowIcon(controls::mainIcon());

  app::QtInteraction ui;
  std::string warning;
  // The simulated counters are served when the resource file switches simulation on.
  sim::registerInProcessCounters();
  std::unique_ptr<visa::Library> visa = visa::openDefaultLibrary(&warning);
  if (!warning.empty()) ui.message(warning, "V38XX_AP", core::Icon::Exclamation, core::Buttons::Ok);

  core::SystemClock clock;
  app::CounterDialog window(*visa, clock, ui);
  ui.setParentWidget(&window);
  if (pipe(signalPipe) == 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] { window.close(); });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
  }
  window.initialize();
  window.show();
  return app.exec();
}
