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

#include "app/controls/bitmaps.h"
#include "app/counter_window.h"
#include "app/qt_interaction_widget.h"
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
  std::unique_ptr<XDisplayProbe> probe;
  const std::string problem = displayProblem(probe);
  if (!problem.empty()) {
    std::fprintf(stderr,
                 "V38XX_AP needs a graphical display (%s); run it on a desktop or under "
                 "xvfb-run, e.g.: xvfb-run -a %s\n",
                 problem.c_str(), argv[0]);
    return 2;
  }

  QApplication app(argc, argv);
  probe.reset();
  // Qt adopts the user's locale; numbers still travel to the counter and into files with a
  // decimal point, whatever the desktop's language.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("V38XX_AP"));
  QApplication::setApplicationVersion(QStringLiteral("1.1.2"));
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
