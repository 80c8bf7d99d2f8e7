// The command line of V38XX_AP and the user's data folder that the desktop entry starts it in.

#include "app/start_options.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "records/database_files.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

TEST(StartOptions, OwnOptionsAreTakenAndTheRestLeftToQt) {
  struct Case {
    const char* proves;
    Args args;
    bool help, version, userFolder;
    Args rest;
  };
  const Case cases[] = {
      {"no argument", {"V38XX_AP"}, false, false, false, {"V38XX_AP"}},
      {"--help", {"V38XX_AP", "--help"}, true, false, false, {"V38XX_AP"}},
      {"-h", {"V38XX_AP", "-h"}, true, false, false, {"V38XX_AP"}},
      {"--version", {"V38XX_AP", "--version"}, false, true, false, {"V38XX_AP"}},
      {"the desktop entry's start",
       {"/usr/bin/V38XX_AP", "--user-folder"},
       false,
       false,
       true,
       {"/usr/bin/V38XX_AP"}},
      {"Qt's options stay, in their order, with their values",
       {"V38XX_AP", "-platform", "offscreen", "--user-folder", "-style", "Fusion"},
       false,
       false,
       true,
       {"V38XX_AP", "-platform", "offscreen", "-style", "Fusion"}},
      {"an unknown option is left for the check after Qt",
       {"V38XX_AP", "--frobnicate"},
       false,
       false,
       false,
       {"V38XX_AP", "--frobnicate"}},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto o = app::parseStartOptions(c.args, &error);
    ASSERT_TRUE(o) << c.proves << ": " << error;
    EXPECT_EQ(o->help, c.help) << c.proves;
    EXPECT_EQ(o->version, c.version) << c.proves;
    EXPECT_EQ(o->userFolder, c.userFolder) << c.proves;
    EXPECT_EQ(o->rest, c.rest) << c.proves;
  }
}

TEST(StartOptions, AValueGivenToAnOptionWithoutOneIsRefused) {
  for (const char* arg : {"--user-folder=/tmp", "--help=yes", "--version=1"}) {
    std::string error;
    EXPECT_FALSE(app::parseStartOptions({"V38XX_AP", arg}, &error)) << arg;
    EXPECT_NE(error.find("takes no value"), std::string::npos) << error;
  }
}

TEST(StartOptions, WhatQtLeavesIsNamedAsTheMistake) {
  struct Case {
    Args leftover;
    std::string message;
  };
  const Case cases[] = {
      {{}, ""},
      {{"--frobnicate"}, "unknown option --frobnicate"},
      {{"-x", "y"}, "unknown option -x"},
      {{"run.db"}, "the program takes no file or other argument (\"run.db\")"},
  };
  for (const Case& c : cases) EXPECT_EQ(app::leftoverArgumentsError(c.leftover), c.message);
}

TEST(StartOptions, HelpNamesEveryOptionAndTheFilesItReads) {
  const std::string help = app::kStartHelp;
  for (const char* needed : {"Usage: V38XX_AP [OPTION]...", "--user-folder", "--help", "--version",
                             "visa.conf", "CTR_TOOLV38XX.ini", "DBfile_DB1.db", "V38XX_VISA_CONF",
                             "V38XX_VISA_LIBRARY", "Exit status:"})
    EXPECT_NE(help.find(needed), std::string::npos) << needed;
  // help2man makes the manual page from it: no line wider than a terminal.
  std::size_t start = 0;
  while (start < help.size()) {
    const std::size_t end = help.find('\n', start);
    const std::string line = help.substr(start, end - start);
    EXPECT_LE(line.size(), 96u) << line;
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

TEST(UserDataFolder, FollowsTheBaseDirectoryRules) {
  struct Case {
    const char* proves;
    std::string xdgDataHome, home, folder;
  };
  const Case cases[] = {
      {"XDG_DATA_HOME first", "/data", "/home/u", "/data/v38xx"},
      {"its trailing slashes dropped", "/data//", "/home/u", "/data/v38xx"},
      {"HOME's .local/share without it", "", "/home/u", "/home/u/.local/share/v38xx"},
      {"a relative XDG_DATA_HOME is ignored", "data", "/home/u", "/home/u/.local/share/v38xx"},
      {"the root folder as XDG_DATA_HOME", "/", "/home/u", "/v38xx"},
      {"nothing absolute: no folder", "", "", ""},
      {"a relative HOME gives none either", "", "home", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::userDataFolder(c.xdgDataHome, c.home), c.folder) << c.proves;
}

TEST(UserDataFolder, IsMadeWithItsDbFolderWhichTheDatabaseRuleThenFinds) {
  std::string pattern = (fs::temp_directory_path() / "v38xx-user-XXXXXX").string();
  ASSERT_TRUE(::mkdtemp(pattern.data()));
  const fs::path base = pattern;
  const std::string folder = (base / "share" / "v38xx").string();

  std::string error;
  ASSERT_TRUE(app::prepareUserFolder(folder, &error)) << error;
  EXPECT_TRUE(fs::is_directory(fs::path(folder) / "DB"));
  // The front panel, started there, records into that DB folder.
  if (folder.find("DB") == std::string::npos) {
    EXPECT_EQ(records::databaseFolderFor(folder), folder + "/DB");
  }
  // A second start keeps what is there.
  std::ofstream(fs::path(folder) / "DB" / "DBfile_DB1.db") << "kept";
  ASSERT_TRUE(app::prepareUserFolder(folder, &error)) << error;
  EXPECT_TRUE(fs::exists(fs::path(folder) / "DB" / "DBfile_DB1.db"));

  // A file where the folder should be: refused, with the path in the reason.
  const std::string blocked = (base / "blocked").string();
  std::ofstream(blocked) << "a file";
  error.clear();
  EXPECT_FALSE(app::prepareUserFolder(blocked, &error));
  EXPECT_NE(error.find(blocked), std::string::npos) << error;
  fs::remove_all(base);
}

}  // namespace
