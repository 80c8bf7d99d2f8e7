#include "installer/installer_options.h"

#include <cstdint>
#include <cstdlib>

#include "core/text_format.h"
#include "sheet/calc/office_process.h"

namespace installer {

const char* const kLoadHelp =
    R"(Usage: Load [OPTION]... FILE
Install the spreadsheet add-in "ORVALENT V38XX Tallyway" of the V38XX frequency counters into
LibreOffice for the current user, or open a Writer document based on the add-in's template.

FILE selects what is done, by its extension (letter case ignored):
  *.oxt  the add-in package CTRBridgeV38XX.oxt: installed into LibreOffice for the current
         user (an earlier installation of the add-in is replaced), the add-in's settings file
         copied to $XDG_DATA_HOME/Orvalent/Counter/V38XX/CTR_TOOLV38XX.ini when it is missing
         (a user's own settings are kept), and LibreOffice Calc started with a new workbook
         from the add-in's template, which shows the toolbar "ORVALENT V38XX Tallyway"
  *.xla  the old name of the add-in package: the package installed with the program is used
  *.ott  a Writer template: a new document based on it is opened and the first five items of
         its toolbar "ORVALENT V38XX Tallyway" run the add-in's commands (About, Connect to
         Device, File Access, Set up Instrument, Get Single Reading)
  *.dot  a Word template, opened the same way
Anything else is refused with the message "Open File Use *.dot *.xla *.ott *.oxt".

A small window "Start V38XX Toolbar" shows "Open " and FILE, and closes 1.5 s after the work
is done. Errors of the office are shown once, as "Error Num: " with the error number and its
description. The office is the user's own LibreOffice: when it runs it is used (and left
running), otherwise it is started. After installing the add-in the office starts again once to
take it in (a running office restarts itself, asking about unsaved documents first).

Options:
  -q, --quiet          no window: the status line goes to standard output and the messages to
                       standard error (also the case when there is no display)
      --headless       no display at all (implies --quiet): LibreOffice is started headless
                       and an office that Load started is ended when the work is done (the
                       add-in's toolbar is then in Calc's configuration for the next start)
      --profile DIR    the LibreOffice user profile to install into (default: the user's own,
                       ~/.config/libreoffice/4)
      --office PIPE    use the running office that accepts on this UNO pipe
                       (soffice --accept="pipe,name=PIPE;urp;")
      --soffice PATH   the LibreOffice program (default /usr/lib/libreoffice/program/soffice)
  -h, --help           show this help and exit
      --version        show the version and exit

Exit status:
  0 when the add-in was installed or the document opened, 1 on an error of the office or a
  missing file, 2 for a mistake on the command line or an unsuitable FILE.

Examples:
  Load /usr/share/v38xx/CTRBridgeV38XX.oxt
  Load --headless /usr/share/v38xx/CTRBridgeV38XX.oxt
  Load /usr/share/v38xx/addin/CTRBridgeV38XX.ott
)";

const char* const kPurgeHelp =
    R"(Usage: addinpurge [OPTION]...
Remove the spreadsheet add-in "ORVALENT V38XX Tallyway" of the V38XX frequency counters from
LibreOffice for the current user: every toolbar named "ORVALENT V38XX TALLYWAY" (letter case
ignored) is deleted from the configuration of Calc, Writer and the other LibreOffice modules
and from every open document, and the add-in's extension (com.orvalent.v38xx.tallyway) is
uninstalled. The add-in's settings file in $XDG_DATA_HOME/Orvalent/Counter/V38XX is kept.

A small window "Orvalent Tallyway additionals remove" shows the progress and closes by itself.
LibreOffice is started invisibly for the work and ended afterwards; an office that is already
running for the profile is used and left running. When no office can be started the message
"Couldn't start LibreOffice Calc." is shown.

Options:
  -q, --quiet          no window: the progress goes to standard output and the messages to
                       standard error (also the case when there is no display)
      --headless       the same as --quiet
      --profile DIR    the LibreOffice user profile to remove the add-in from (default: the
                       user's own, ~/.config/libreoffice/4)
      --office PIPE    use the running office that accepts on this UNO pipe
                       (soffice --accept="pipe,name=PIPE;urp;")
      --soffice PATH   the LibreOffice program (default /usr/lib/libreoffice/program/soffice)
  -h, --help           show this help and exit
      --version        show the version and exit

Exit status:
  0 when the add-in is gone (also when there was nothing to remove), 1 when no office could be
  started or the office refused, 2 for a mistake on the command line.
)";

LoadMode loadModeOf(const std::string& path) {
  const std::string lower = core::toLower(path);
  auto endsWith = [&](const char* suffix) {
    const std::string s(suffix);
    return lower.size() >= s.size() && lower.compare(lower.size() - s.size(), s.size(), s) == 0;
  };
  if (endsWith(".oxt") || endsWith(".xla")) return LoadMode::Package;
  if (endsWith(".ott") || endsWith(".dot")) return LoadMode::Template;
  return LoadMode::Unknown;
}

std::optional<InstallerOptions> parseInstallerOptions(const std::vector<std::string>& args,
                                                      bool acceptsFiles, std::string* error) {
  InstallerOptions o;
  auto fail = [&](const std::string& why) -> std::optional<InstallerOptions> {
    if (error) *error = why;
    return std::nullopt;
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      if (!acceptsFiles) return fail("unexpected argument \"" + a + "\"");
      o.files.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    auto value = [&](std::string* into) -> bool {
      if (i + 1 >= args.size() || args[i + 1].empty()) return false;
      *into = args[++i];
      return true;
    };
    if (a == "-q" || a == "--quiet") {
      o.quiet = true;
    } else if (a == "--headless") {
      o.quiet = true;
      o.office.headless = true;
    } else if (a == "--profile") {
      if (!value(&o.office.profile)) return fail("--profile needs a folder");
    } else if (a == "--office") {
      if (!value(&o.office.pipe)) return fail("--office needs the name of a UNO pipe");
    } else if (a == "--soffice") {
      if (!value(&o.office.soffice)) return fail("--soffice needs the path of the program");
    } else if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else {
      return fail("unknown option \"" + a + "\" (see --help)");
    }
  }
  if (!o.office.pipe.empty() && !o.office.profile.empty())
    return fail("--office and --profile exclude each other (the running office has its profile)");
  if (o.files.size() > 1)
    return fail("one file only, " + std::to_string(o.files.size()) + " given");
  return o;
}

std::string installerPipe(const std::string& profile, unsigned uid) {
  // FNV-1a of the profile's URL: a short name that differs between profiles.
  std::string key = profile.empty() ? std::string("default") : sheet::calc::fileUrl(profile);
  while (key.size() > 8 && key.back() == '/') key.pop_back();
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : key) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return core::format("v38xx_installer_%u_%016llx", uid, static_cast<unsigned long long>(hash));
}

std::vector<std::string> officeArguments(const OfficeChoice& office, const std::string& pipe,
                                         bool visible) {
  std::vector<std::string> args = {office.soffice};
  if (!visible) {
    args.push_back("--headless");
    args.push_back("--invisible");
  }
  // No start centre: the programs open what they need themselves.
  args.push_back("--nodefault");
  args.push_back("--nologo");
  args.push_back("--accept=pipe,name=" + pipe + ";urp;");
  if (!office.profile.empty())
    args.push_back("-env:UserInstallation=" + sheet::calc::fileUrl(office.profile));
  return args;
}

std::string errorNumText(long number, const std::string& description) {
  return "Error Num: " + std::to_string(number) + "\r\n" + description + "\r\n";
}

}  // namespace installer

namespace installer {

bool displayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace installer
