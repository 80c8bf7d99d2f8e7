#pragma once
// Load: installs the add-in into LibreOffice for the current user (the extension, the user's
// settings file, a first workbook in Calc showing the add-in's toolbar), or opens a Writer
// document based on a template and wires its toolbar "ORVALENT V38XX Tallyway".

#include <functional>
#include <string>

#include "addin/settings_file.h"
#include "core/interaction.h"
#include "installer/installer_options.h"

namespace installer {

struct LoaderServices {
  core::Interaction& ui;  // message boxes captioned "Start V38XX Toolbar"
  // The status line ("Open " and the command line) once the work is done.
  std::function<void(const std::string&)> status;
  addin::SettingsLocation settings;  // where the user's settings file goes
  std::string packagePath;           // the add-in package installed with the program (*.xla)
  std::string settingsTemplate;      // the installed settings file the user's copy starts from
  std::string workbookTemplate;      // the workbook the add-in's toolbar is shown in
};

// Does what `file` asks for in the office `office` chooses; a headless choice opens documents
// ends an office it started once the work is done. Returns the program's exit status; every failure
// has been shown through `services.ui`, once.
int runLoader(const std::string& file, const OfficeChoice& office, LoaderServices& services);

}  // namespace installer
