// addinpurge: removes the V38XX add-in's toolbars and extension from LibreOffice, showing the
// dialog "Orvalent Tallyway additionals remove" (or, for scripts, the same texts on the
// terminal).

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "installer/installer_options.h"
#include "installer/office_session.h"
#include "installer/purge_dialog.h"
#include "installer/remover.h"
#include "installer/terminal_interaction.h"
#include "installer/window_interaction_widget.h"

int main(int argc, char** argv) {
  using namespace installer;
  std::string error;
  auto options =
      parseInstallerOptions(std::vector<std::string>(argv + 1, argv + argc), false, &error);
  if (!options) {
    std::fprintf(stderr, "addinpurge: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(kPurgeHelp, stdout);
    return kExitOk;
  }
  if (options->version) {
    std::printf("addinpurge (V38XX counter software) %s\n", V38XX_VERSION);
    return kExitOk;
  }
  // The office is started invisibly in any case.
  options->office.headless = true;
  if (!displayNamed()) options->quiet = true;

  // Ctrl+C ends the work at its next step; an office it started is ended cleanly.
  std::signal(SIGINT, [](int) { requestInterrupt(); });
  std::signal(SIGTERM, [](int) { requestInterrupt(); });

  if (options->quiet) {
    TerminalInteraction ui;
    RemoverServices services{ui, [](const std::string& line) {
                               std::printf("%s\n", line.c_str());
                               std::fflush(stdout);
                             }};
    return runRemover(options->office, services);
  }
  QApplication application(argc, argv);
  PurgeDialog* dialog = nullptr;
  WindowInteraction ui;
  RemoverServices services{
      ui, [&](const std::string& line) { dialog->setProgress(QString::fromStdString(line)); }};
  PurgeDialog window([&] { return runRemover(options->office, services); });
  dialog = &window;
  ui.setWindow(&window);
  return window.exec();
}
