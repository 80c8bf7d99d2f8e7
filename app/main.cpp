// V38XX_AP: the virtual front panel of the V38XX counters.
#include <dlfcn.h>

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/controls/bitmaps.h"
#include "app/counter_window.h"
#include "app/qt_interaction_widget.h"
#include "core/clock.h"
#include "visa/library.h"

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Whether the X display named by DISPLAY accepts a connection, asked the way the Qt platform
// plugin will ask it (libxcb, loaded only for this question).
bool xDisplayReachable() {
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!xcb) return true;  // cannot tell; let Qt try
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  bool ok = true;
  if (connect && hasError && disconnect) {
    void* c = connect(nullptr, nullptr);
    ok = c && hasError(c) == 0;
    if (c) disconnect(c);
  }
  dlclose(xcb);
  return ok;
}

// Why no window can be shown, or "" when a display is there.
std::string displayProblem() {
  if (!env("QT_QPA_PLATFORM").empty()) return "";
  const std::string display = env("DISPLAY");
  if (!display.empty()) {
    if (xDisplayReachable()) return "";
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

}  // namespace

int main(int argc, char* argv[]) {
  const std::string problem = displayProblem();
  if (!problem.empty()) {
    std::fprintf(stderr,
                 "V38XX_AP needs a graphical display (%s); run it on a desktop or under "
                 "xvfb-run, e.g.: xvfb-run -a %s\n",
                 problem.c_str(), argv[0]);
    return 2;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("V38XX_AP"));
  QApplication::setApplicationVersion(QStringLiteral("1.1.2"));
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
    QApplication::setStyle(fusion);
  QApplication::setWindowIcon(controls::mainIcon());

  app::QtInteraction ui;
  std::string warning;
  std::unique_ptr<visa::Library> visa = visa::openDefaultLibrary(&warning);
  if (!warning.empty()) ui.message(warning, "V38XX_AP", core::Icon::Exclamation, core::Buttons::Ok);

  core::SystemClock clock;
  app::CounterDialog window(*visa, clock, ui);
  ui.setParentWidget(&window);
  window.initialize();
  window.show();
  return app.exec();
}
