#pragma once
// addinpurge: removes the add-in from LibreOffice for the current user: every toolbar named
// after it (letter case ignored) from the modules and the open documents, then its extension.

#include <functional>
#include <string>

#include "core/interaction.h"
#include "installer/installer_options.h"

namespace installer {

struct RemoverServices {
  core::Interaction& ui;  // message boxes captioned "Orvalent Tallyway additionals remove"
  std::function<void(const std::string&)> progress;  // one line per step and per thing removed
};

// The message when no office can be started; the reason follows on its own line.
inline constexpr const char* kCouldNotStart = "Couldn't start LibreOffice Calc.";

// Returns the program's exit status; every failure has been shown through `services.ui`.
int runRemover(const OfficeChoice& office, RemoverServices& services);

}  // namespace installer
