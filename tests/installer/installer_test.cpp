// The installer tools' rules that need no office: what Load does with a file, the command
// lines, the pipe and soffice arguments, the texts, which toolbars are removed, and the
// failures reported before (or instead of) reaching an office.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "installer/installer_options.h"
#include "installer/loader.h"
#include "installer/office_addin.h"
#include "installer/remover.h"
#include "installer/terminal_interaction.h"
#include "support/scripted_interaction.h"

namespace installer {
namespace {

namespace fs = std::filesystem;

TEST(LoadMode, ChosenByTheFilesExtensionIgnoringCase) {
  const struct {
    const char* path;
    LoadMode mode;
  } cases[] = {
      {"/usr/share/v38xx/CTRBridgeV38XX.oxt", LoadMode::Package},
      {"CTRBRIDGEV38XX.XLA", LoadMode::Package},
      {"ctrbridgev38xx.xla", LoadMode::Package},
      {"report.ott", LoadMode::Template},
      {"C:/Templates/Report.DOT", LoadMode::Template},
      {"with space/a b.Ott", LoadMode::Template},
      {"report.dotx", LoadMode::Unknown},
      {"package.oxt.bak", LoadMode::Unknown},
      {"workbook.ods", LoadMode::Unknown},
      {"oxt", LoadMode::Unknown},
      {"", LoadMode::Unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(loadModeOf(c.path), c.mode) << c.path;
}

TEST(InstallerOptions, ParsesBothProgramsCommandLines) {
  std::string error;
  auto o = parseInstallerOptions({"--quiet", "--profile", "/tmp/p", "x.oxt"}, true, &error);
  ASSERT_TRUE(o) << error;
  EXPECT_TRUE(o->quiet);
  EXPECT_FALSE(o->office.headless);
  EXPECT_EQ(o->office.profile, "/tmp/p");
  EXPECT_EQ(o->files, std::vector<std::string>{"x.oxt"});
  EXPECT_EQ(o->office.soffice, kDefaultSoffice);

  o = parseInstallerOptions({"--headless", "--soffice", "/opt/lo/soffice", "--", "-odd.ott"}, true,
                            &error);
  ASSERT_TRUE(o) << error;
  EXPECT_TRUE(o->quiet);
  EXPECT_TRUE(o->office.headless);
  EXPECT_EQ(o->office.soffice, "/opt/lo/soffice");
  EXPECT_EQ(o->files, std::vector<std::string>{"-odd.ott"});

  o = parseInstallerOptions({"--office", "pipe1", "-q"}, false, &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->office.pipe, "pipe1");
  EXPECT_TRUE(o->files.empty());

  const struct {
    std::vector<std::string> args;
    bool acceptsFiles;
    const char* error;
  } mistakes[] = {
      {{"--profile"}, true, "--profile needs a folder"},
      {{"--office", ""}, true, "--office needs the name of a UNO pipe"},
      {{"--soffice"}, false, "--soffice needs the path of the program"},
      {{"--bogus"}, true, "unknown option \"--bogus\" (see --help)"},
      {{"a.oxt", "b.oxt"}, true, "one file only, 2 given"},
      {{"a.oxt"}, false, "unexpected argument \"a.oxt\""},
      {{"--office", "p", "--profile", "/tmp/p"},
       false,
       "--office and --profile exclude each other (the running office has its profile)"},
  };
  for (const auto& m : mistakes) {
    error.clear();
    EXPECT_FALSE(parseInstallerOptions(m.args, m.acceptsFiles, &error));
    EXPECT_EQ(error, m.error);
  }
  auto help = parseInstallerOptions({"-h"}, false, &error);
  ASSERT_TRUE(help);
  EXPECT_TRUE(help->help);
}

TEST(InstallerPipe, OnePerUserAndProfileAndStableBetweenRuns) {
  const std::string a = installerPipe("/tmp/profile-a", 1000);
  EXPECT_EQ(a, installerPipe("/tmp/profile-a", 1000));
  EXPECT_EQ(a, installerPipe("/tmp/profile-a/", 1000)) << "the same folder written differently";
  std::set<std::string> names = {a, installerPipe("/tmp/profile-b", 1000),
                                 installerPipe("/tmp/profile-a", 1001), installerPipe("", 1000),
                                 installerPipe("", 0)};
  EXPECT_EQ(names.size(), 5u);
  for (const auto& n : names) {
    EXPECT_LT(n.size(), 60u);
    EXPECT_EQ(n.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos) << n;
  }
}

TEST(OfficeArguments, VisibleOrHeadlessWithTheProfileAndThePipe) {
  OfficeChoice choice;
  choice.soffice = "/opt/lo/soffice";
  using Args = std::vector<std::string>;
  EXPECT_EQ(officeArguments(choice, "p1", true),
            (Args{"/opt/lo/soffice", "--nodefault", "--nologo", "--accept=pipe,name=p1;urp;"}));
  choice.profile = "/tmp/my profile";
  EXPECT_EQ(officeArguments(choice, "p2", false),
            (Args{"/opt/lo/soffice", "--headless", "--invisible", "--nodefault", "--nologo",
                  "--accept=pipe,name=p2;urp;", "-env:UserInstallation=file:///tmp/my%20profile"}));
}

TEST(Texts, ErrorNumberAndTerminalForms) {
  EXPECT_EQ(errorNumText(429, "LibreOffice cannot be started"),
            "Error Num: 429\r\nLibreOffice cannot be started\r\n");
  EXPECT_EQ(terminalText("Error Num: 53\r\nFile not found: x\r\n"),
            "Error Num: 53\nFile not found: x");
  EXPECT_EQ(terminalText("one line"), "one line");
}

TEST(ToolbarsNamed, EveryBarIsExaminedTheLastOneToo) {
  const std::vector<ToolbarInfo> bars = {
      {"private:resource/toolbar/standardbar", "Standard"},
      {"private:resource/toolbar/custom_orvalent_v38xx_tallyway", "ORVALENT V38XX Tallyway"},
      {"private:resource/toolbar/custom_near", "ORVALENT V38XX Tallyway 2"},
      {"private:resource/toolbar/custom_space", " ORVALENT V38XX TALLYWAY"},
      {"private:resource/toolbar/custom_other", "Orvalent"},
      {"private:resource/toolbar/custom_last", "orvalent v38xx TALLYWAY"},
  };
  EXPECT_EQ(toolbarsNamed(bars, "ORVALENT V38XX TALLYWAY"),
            (std::vector<std::string>{"private:resource/toolbar/custom_orvalent_v38xx_tallyway",
                                      "private:resource/toolbar/custom_last"}));
  // A configuration with only the add-in's bar: the first bar is the last one.
  EXPECT_EQ(toolbarsNamed({bars.back()}, kToolbarName).size(), 1u);
  EXPECT_TRUE(toolbarsNamed({}, kToolbarName).empty());
}

// A data folder and the installed settings template of a throwaway run.
struct Folders {
  Folders() {
    char pattern[] = "/tmp/v38xx-installer-test-XXXXXX";
    root = mkdtemp(pattern);
    std::ofstream(root / "template.ini") << "[Information]\nLanguage=0\n";
  }
  ~Folders() { fs::remove_all(root); }
  fs::path root;
};

LoaderServices services(testsupport::ScriptedInteraction& ui, std::vector<std::string>& status,
                        const Folders& folders) {
  return {ui,
          [&status](const std::string& line) { status.push_back(line); },
          addin::SettingsLocation::in((folders.root / "data").string()),
          (folders.root / "CTRBridgeV38XX.oxt").string(),
          (folders.root / "template.ini").string(),
          (folders.root / "template.fods").string()};
}

TEST(Loader, RefusesFilesItCannotUseWithoutStartingAnOffice) {
  Folders folders;
  OfficeChoice office;
  office.soffice = (folders.root / "no-soffice").string();  // starting it would fail loudly
  office.profile = (folders.root / "profile").string();
  const struct {
    std::string file;
    int status;
    std::string message;
  } cases[] = {
      {"notes.txt", kExitUsage, kOpenFileUse},
      {"", kExitUsage, kOpenFileUse},
      {(folders.root / "missing.oxt").string(), kExitFailed,
       "Error Num: 53\r\nFile not found: " + (folders.root / "missing.oxt").string() + "\r\n"},
      {(folders.root / "missing.ott").string(), kExitFailed,
       "Error Num: 53\r\nFile not found: " + (folders.root / "missing.ott").string() + "\r\n"},
      // *.xla stands for the package installed with the program, missing here.
      {"CTRBRIDGEV38XX.XLA", kExitFailed,
       "Error Num: 53\r\nFile not found: " + (folders.root / "CTRBridgeV38XX.oxt").string() +
           "\r\n"},
  };
  for (const auto& c : cases) {
    testsupport::ScriptedInteraction ui;
    std::vector<std::string> status;
    LoaderServices s = services(ui, status, folders);
    EXPECT_EQ(runLoader(c.file, office, s), c.status) << c.file;
    ASSERT_EQ(ui.shown.size(), 1u) << c.file;
    EXPECT_EQ(ui.shown[0].text, c.message);
    EXPECT_EQ(ui.shown[0].caption, kLoadCaption);
    EXPECT_EQ(ui.shown[0].icon, core::Icon::Error);
    EXPECT_TRUE(status.empty());
  }
  EXPECT_FALSE(fs::exists(folders.root / "data")) << "no settings file for a refused package";
}

TEST(Loader, WithoutAnOfficeTheSettingsFileIsStillMadeAndTheErrorShownOnce) {
  Folders folders;
  std::ofstream(folders.root / "CTRBridgeV38XX.oxt") << "package";
  OfficeChoice office;
  office.soffice = (folders.root / "no-soffice").string();
  office.profile = (folders.root / "profile").string();
  office.headless = true;
  testsupport::ScriptedInteraction ui;
  std::vector<std::string> status;
  LoaderServices s = services(ui, status, folders);
  EXPECT_EQ(runLoader((folders.root / "CTRBridgeV38XX.oxt").string(), office, s), kExitFailed);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Error Num: 429\r\nLibreOffice cannot be started: " + office.soffice +
                                  ": No such file or directory.\r\n");
  EXPECT_TRUE(status.empty());
  // The user's settings are in place for the office that is installed later.
  EXPECT_TRUE(fs::is_regular_file(folders.root / "data/Orvalent/Counter/V38XX/CTR_TOOLV38XX.ini"));
}

TEST(Remover, NoOfficeToStartIsReportedNamingCalc) {
  Folders folders;
  OfficeChoice office;
  office.soffice = (folders.root / "no-soffice").string();
  office.profile = (folders.root / "profile").string();
  testsupport::ScriptedInteraction ui;
  std::vector<std::string> progress;
  RemoverServices s{ui, [&](const std::string& line) { progress.push_back(line); }};
  EXPECT_EQ(runRemover(office, s), kExitFailed);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, std::string(kCouldNotStart) + "\r\nLibreOffice cannot be started: " +
                                  office.soffice + ": No such file or directory.");
  EXPECT_EQ(ui.shown[0].caption, kPurgeCaption);
}

}  // namespace
}  // namespace installer
