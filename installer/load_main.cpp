// Load: installs the V38XX add-in into LibreOffice, or opens a document based on its Writer
// template, showing the small window "Start V38XX Toolbar" (or, for scripts, the same texts on
// the terminal).

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "core/paths.h"
#include "installer/installer_options.h"
#include "installer/load_window.h"
#include "installer/loader.h"
#include "installer/office_session.h"
#include "installer/terminal_interaction.h"
#include "installer/window_interaction_widget.h"

int main(int argc, char** argv) {
  using namespace installer;
  std::string error;
  auto options =
      parseInstallerOptions(std::vector<std::string>(argv + 1, argv + argc), true, &error);
  if (!options) {
    std::fprintf(stderr, "Load: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(kLoadHelp, stdout);
    return kExitOk;
  }
  if (options->version) {
    std::printf("Load (V38XX counter software) %s\n", V38XX_VERSION);
    return kExitOk;
  }
  if (!displayNamed()) {
    // Without a display neither this program nor the office can show a window.
    options->quiet = true;
    options->office.headless = true;
  }
  const std::string file = options->files.empty() ? std::string() : options->files.front();

  auto run = [&](core::Interaction& ui, std::function<void(const std::string&)> status) {
    LoaderServices services{ui,
                            std::move(status),
                            addin::SettingsLocation::fromEnvironment(),
                            core::dataFilePath("CTRBridgeV38XX.oxt"),
                            core::dataFilePath("addin/CTR_TOOLV38XX.ini"),
                            core::dataFilePath("addin/CTRBridgeV38XX.fods")};
    return runLoader(file, options->office, services);
  };

  // Ctrl+C ends the work at its next step; an office it started is ended cleanly.
  std::signal(SIGINT, [](int) { requestInterrupt(); });
  std::signal(SIGTERM, [](int) { requestInterrupt(); });

  if (options->quiet) {
    TerminalInteraction ui;
    return run(ui, [](const std::string& line) {
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
    });
  }
  QApplication application(argc, argv);
  LoadWindow window(QString::fromStdString(file));
  WindowInteraction ui(&window);
  window.show();
  window.start([&] {
    return run(ui,
               [&](const std::string& line) { window.setStatus(QString::fromStdString(line)); });
  });
  return application.exec();
}
