// The View Record dialog's logic: list, statistics, pages, search, CSV export, deletion and
// refresh, on database files written directly through SQLite.

#include "records/view_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <tuple>

#include "measure/texts.h"
#include "reading_files.h"
#include "records/recorder.h"
#include "records/setting_mode.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"
#include "tests/records/records_fixture.h"

namespace {

using records::GridRow;
using records::ViewRecord;
using testsupport::ScriptedInteraction;
using viewtest::StartDirectory;
using Lines = std::vector<std::string>;

const std::string kEntry3 = "Database 3            ( 11 / 11 / 10 -- 09 : 06 : 32 )";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string cwd() { return std::filesystem::current_path().string(); }

// ---- Text rules ----------------------------------------------------------------------------

TEST(ViewRecordTexts, StatisticTrimsZerosThenPoint) {
  struct Case {
    const char* name;
    double value;
    const char* text;
  };
  const Case cases[] = {
      {"whole number", 5, "5"},
      {"fraction", 0.25, "0.25"},
      {"zeros before the point stay", 100, "100"},
      {"maximum of 12.5", 12.5, "12.5"},
      {"average of 3", 3, "3"},
      {"zero", 0, "0"},
      {"negative", -2.5, "-2.5"},
      {"small value keeps its digits", 0.00001, "0.0000100000000000000008"},
      {"frequency", 10000000.123, "10000000.1229999996721744537354"},
  };
  for (const Case& c : cases) EXPECT_EQ(records::statisticText(c.value), c.text) << c.name;
}

TEST(ViewRecordTexts, RangesWithTheirRemainder) {
  struct Case {
    const char* name;
    long long count;
    Lines ranges;
  };
  const Case cases[] = {
      {"25,000 records", 25000, {" 1 - 10000 ", " 10001 - 20000 ", " 20001 - 25000 "}},
      {"an exact multiple has no empty last page", 20000, {" 1 - 10000 ", " 10001 - 20000 "}},
      {"no records, no page", 0, {}},
      {"less than a page", 9999, {" 1 - 9999 "}},
      {"one full page", 10000, {" 1 - 10000 "}},
      {"one more than twelve pages",
       120001,
       {" 1 - 10000 ", " 10001 - 20000 ", " 20001 - 30000 ", " 30001 - 40000 ", " 40001 - 50000 ",
        " 50001 - 60000 ", " 60001 - 70000 ", " 70001 - 80000 ", " 80001 - 90000 ",
        " 90001 - 100000 ", " 100001 - 110000 ", " 110001 - 120000 ", " 120001 - 120001 "}},
  };
  for (const Case& c : cases) EXPECT_EQ(records::rangeEntries(c.count), c.ranges) << c.name;
}

TEST(ViewRecordTexts, EntriesValuesTimesCsvAndLayout) {
  const records::DateTime start{2011, 11, 10, 9, 6, 32};
  EXPECT_EQ(records::viewRecordEntry(3, start), kEntry3);
  for (int n : {1, 7, 10}) {
    EXPECT_EQ(records::entryDatabaseNumber(records::viewRecordEntry(n, start)), n);
  }
  EXPECT_EQ(records::pageValueText(0.5), "0.500000000000000000000");
  EXPECT_EQ(records::pageValueText(10000000.123), "10000000.12299999967217");
  EXPECT_EQ(records::searchValueText(10000000.123), "10000000.1229999996721");
  EXPECT_EQ(records::fixedText(0.1, 30), "0.100000000000000005551115123126");
  const records::DateTime t{0, 0, 0, 9, 6, 32};
  EXPECT_EQ(records::pageTimeText(t), "09:06:32");
  EXPECT_EQ(records::spacedTimeText(t), "09 : 06 : 32");
  EXPECT_EQ(records::csvHeader(kEntry3),
            "Time,Value, ,DateTime : ( 11 / 11 / 10 -- 09 : 06 : 32 )\r\n");
  EXPECT_EQ(records::csvLine(t, 0.5), "\"09 : 06 : 32\",0.500000000000000000000000000000\r\n");

  const records::GridLayout at120 = records::gridLayout(120, 120);
  EXPECT_EQ((std::tuple(at120.face, at120.pointSize, at120.weight, at120.columnTwips)),
            (std::tuple("Arial", 10, 400, std::array<int, 3>{800, 2900, 1500})));
  const records::GridLayout at96 = records::gridLayout(96, 96);
  EXPECT_EQ((std::tuple(at96.pointSize, at96.columnTwips)),
            (std::tuple(12, std::array<int, 3>{1000, 3050, 1600})));
  EXPECT_EQ(records::gridLayout(120, 96), at96) << "120 dpi needs both directions";
}

// The exports print 100 million values through a fast path of their own; it must print what
// printf prints, digit for digit, rounding included.
TEST(ViewRecordTexts, FixedDecimalsAreWhatPrintfPrints) {
  const auto printfText = [](double v, int decimals) {
    std::vector<char> text(400);
    std::snprintf(text.data(), text.size(), "%.*f", decimals, v);
    return std::string(text.data());
  };
  struct Case {
    const char* name;
    double value;
    int decimals;
  };
  const Case cases[] = {
      {"tie rounds to even, down", 0.5, 0},
      {"tie rounds to even, up", 1.5, 0},
      {"tie 2.5", 2.5, 0},
      {"binary tie in the decimals", 0.125, 2},
      {"carry into the integer part", 0.99999999999999999, 15},
      {"carry through all decimals", 9.9999999999999999999, 30},
      {"negative zero keeps its sign", -0.0, 30},
      {"negative that rounds to zero", -1e-40, 30},
      {"overflow answer", 9.91e37, 30},
      {"largest fast integer", 9223372036854775807.0 / 2, 30},
      {"smallest double", 4.9e-324, 30},
      {"time interval", 1.25e-9, 30},
      {"frequency", 10000000.123, 30},
      {"period", -0.000123456789, 22},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(records::fixedText(c.value, c.decimals), printfText(c.value, c.decimals)) << c.name;
  }
  std::mt19937_64 random(20111110);
  std::uniform_int_distribution<int> exponent(-80, 70);
  std::uniform_int_distribution<int> decimals(0, 30);
  for (int i = 0; i < 200000; ++i) {
    const double mantissa = static_cast<double>(random() >> 11) / 9007199254740992.0;
    const double v = std::ldexp(i % 2 ? mantissa : -mantissa, exponent(random));
    const int d = i % 3 ? 30 : decimals(random);
    ASSERT_EQ(records::fixedText(v, d), printfText(v, d)) << v << " with " << d << " decimals";
  }
}

TEST(ViewRecordTexts, CsvFileNameGetsTheExtensionOnce) {
  const std::pair<const char*, const char*> cases[] = {
      {"data", "data.csv"},     {"data.csv", "data.csv"},     {"DATA.CSV", "DATA.CSV"},
      {"Data.Csv", "Data.Csv"}, {"data.txt", "data.txt.csv"}, {"csv", "csv.csv"},
  };
  for (const auto& [typed, file] : cases) EXPECT_EQ(records::csvFileName(typed), file) << typed;
}

// ---- The dialog ----------------------------------------------------------------------------

class ViewRecordTest : public ::testing::Test {
 protected:
  void openDialog() { dialog.open(96, 96); }
  // Opens the dialog and chooses the entry of database n.
  void choose(int n) {
    openDialog();
    const auto& entries = dialog.view().entries;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (records::entryDatabaseNumber(entries[i]) == n) {
        dialog.chooseDatabase(static_cast<int>(i));
        return;
      }
    }
    FAIL() << "database " << n << " is not listed";
  }
  Lines rowValues() const {
    Lines out;
    for (const GridRow& r : dialog.view().rows) out.push_back(r.value);
    return out;
  }

  StartDirectory dir;
  ScriptedInteraction ui;
  measure::Texts texts;
  ViewRecord dialog{ui, texts};
};

TEST_F(ViewRecordTest, OpeningShowsTextsPlaceholdersAndDatedDatabasesOnly) {
  records::createDatabase(dir.path(1));  // created, never recorded into
  viewtest::writeValues(dir.path(3), {1, 2});
  viewtest::writeValues(dir.path(10), {1}, "2024-02-29 23:59:58");
  openDialog();
  const auto& v = dialog.view();
  EXPECT_EQ(v.entries, (Lines{kEntry3, "Database 10            ( 24 / 02 / 29 -- 23 : 59 : 58 )"}));
  EXPECT_EQ(v.currentEntry, -1);
  EXPECT_EQ(v.title, "View Record");
  EXPECT_EQ((Lines{v.databaseListLabel, v.refreshText, v.deleteText, v.exportText, v.contentsGroup,
                   v.countLabel, v.maxLabel, v.minLabel, v.avgLabel, v.filterGroup, v.hiLabel,
                   v.loLabel, v.rangeLabel, v.searchText, v.exitText}),
            (Lines{"Database List", "Refresh", "Delete Record", "Output to CSV", "Record Contents",
                   "Record count :", "MAX :", "MIN :", "AVG :", "Data Filter", "HI Limiter",
                   "LO Limiter", "Range browsing", "Search", "Exit"}));
  EXPECT_EQ((Lines{v.refreshTooltip, v.deleteTooltip, v.exportTooltip, v.exitTooltip}),
            (Lines{"Refresh Database list ...", "Delete Database ...",
                   "Output record to CSV format ...", "Exit ..."}));
  EXPECT_EQ((Lines{v.countText, v.maxText, v.minText, v.avgText}), (Lines{"0", "0", "0", "0"}));
  EXPECT_EQ(v.gridRows, 2);
  EXPECT_EQ(v.rows,
            (std::vector<GridRow>{{"", "_________________________", "____________________"}}));
  EXPECT_FALSE(v.limitsEnabled);
  EXPECT_FALSE(v.deleteEnabled);
  EXPECT_FALSE(v.exportEnabled);
  EXPECT_EQ(dialog.folder(), dir.dbFolder());
  EXPECT_EQ(cwd(), dir.dbFolder());
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ViewRecordTest, MissingFolderIsReportedAndNothingIsListed) {
  std::filesystem::remove(dir.dbFolder());
  openDialog();
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Database working folder not found.");
  EXPECT_EQ(ui.shown[0].caption, "RecordView Database folder check");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::None);
  EXPECT_TRUE(dialog.view().entries.empty());
}

TEST_F(ViewRecordTest, ChoosingShowsStatisticsRangesAndTheFirstPage) {
  viewtest::writeValues(dir.path(3), {2.5, 12.5, -1, 0.25, 0.75});
  choose(3);
  const auto& v = dialog.view();
  EXPECT_EQ((Lines{v.countText, v.maxText, v.minText, v.avgText}), (Lines{"5", "12.5", "-1", "3"}));
  EXPECT_TRUE(v.limitsEnabled && v.deleteEnabled && v.exportEnabled);
  EXPECT_EQ(v.ranges, (Lines{" 1 - 5 "}));
  EXPECT_EQ(v.currentRange, 0);
  EXPECT_EQ(v.gridRows, 6);
  ASSERT_EQ(v.rows.size(), 5u);
  EXPECT_EQ(v.rows[0], (GridRow{"1", "2.500000000000000000000", "09:06:32"}));
  EXPECT_EQ(v.rows[4], (GridRow{"5", "0.750000000000000000000", "09:06:36"}));
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ViewRecordTest, PagesOf25000RecordsRestartTheirNumbering) {
  viewtest::writeReadings(dir.path(2), 25000,
                          [](long long i) { return static_cast<double>(i + 1); });
  choose(2);
  const auto& v = dialog.view();
  EXPECT_EQ(v.ranges, (Lines{" 1 - 10000 ", " 10001 - 20000 ", " 20001 - 25000 "}));
  EXPECT_EQ(v.gridRows, 10001);
  EXPECT_EQ(v.rows.back().number, "10000");
  EXPECT_EQ(v.rows.back().value, "10000.00000000000000000");

  dialog.chooseRange(1);
  EXPECT_EQ(v.gridRows, 10001);
  EXPECT_EQ(v.rows.front(), (GridRow{"1", "10001.00000000000000000",
                                     viewtest::timeOfDayText(9 * 3600 + 6 * 60 + 32 + 10000)}));

  dialog.chooseRange(2);
  EXPECT_EQ(v.currentRange, 2);
  EXPECT_EQ(v.gridRows, 5001);
  EXPECT_EQ(v.rows.front().number, "1");
  EXPECT_EQ(v.rows.front().value, "20001.00000000000000000");
  EXPECT_EQ(v.rows.back().number, "5000");
  EXPECT_EQ(v.rows.back().value, "25000.00000000000000000");
}

TEST_F(ViewRecordTest, ExactMultipleOfAPageHasNoEmptyPage) {
  viewtest::writeReadings(dir.path(4), 20000, [](long long i) { return 1.0; });
  choose(4);
  EXPECT_EQ(dialog.view().ranges, (Lines{" 1 - 10000 ", " 10001 - 20000 "}));
  dialog.chooseRange(1);
  EXPECT_EQ(dialog.view().gridRows, 10001) << "the last page is a full one";
  dialog.chooseRange(2);
  EXPECT_EQ(dialog.view().currentRange, 1) << "there is no third page to choose";
}

TEST_F(ViewRecordTest, EmptyTableShowsZerosAndAnEmptyGrid) {
  viewtest::writeValues(dir.path(5), {});
  choose(5);
  const auto& v = dialog.view();
  EXPECT_EQ((Lines{v.countText, v.maxText, v.minText, v.avgText}), (Lines{"0", "0", "0", "0"}));
  EXPECT_TRUE(v.ranges.empty()) << "no page to browse";
  EXPECT_EQ(v.currentRange, -1);
  EXPECT_EQ(v.gridRows, 1);
  dialog.setHiText("10");
  dialog.setLoText("0");
  dialog.search();
  EXPECT_EQ(v.gridRows, 1);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ViewRecordTest, PagesAreRightInAFileWhoseRowIdsHaveGaps) {
  viewtest::writeReadings(dir.path(6), 25000,
                          [](long long i) { return static_cast<double>(i + 1); });
  // A tool removed rows 5 to 9: positions shift, row ids no longer count from 1 to n.
  viewtest::sqlExec(dir.path(6), "DELETE FROM read WHERE rowid BETWEEN 5 AND 9");
  choose(6);
  const auto& v = dialog.view();
  EXPECT_EQ(v.countText, "24995");
  EXPECT_EQ(v.rows[4].value, "10.00000000000000000000");
  dialog.chooseRange(1);
  EXPECT_EQ(v.rows.front().value, "10006.00000000000000000");
  dialog.chooseRange(2);
  EXPECT_EQ(v.gridRows, 4996);
  EXPECT_EQ(v.rows.back().value, "25000.00000000000000000");
}

TEST_F(ViewRecordTest, SearchMessagesAndLimits) {
  viewtest::writeValues(dir.path(3), {5, 4.5, 5, 6, 10000000.123, 5});
  choose(3);
  const auto& v = dialog.view();
  const std::vector<GridRow> page = v.rows;

  struct Case {
    const char* name;
    const char* hi;
    const char* lo;
    Lines values;      // the grid after the search (the page when it stays)
    const char* text;  // the message, or none
  };
  const Case cases[] = {
      {"HI = LO = 5 lists exactly the fives",
       "5",
       "5",
       {"5.00000000000000000000", "5.00000000000000000000", "5.00000000000000000000"},
       nullptr},
      {"both bounds included",
       "6",
       "4.5",
       {"5.00000000000000000000", "4.50000000000000000000", "5.00000000000000000000",
        "6.00000000000000000000", "5.00000000000000000000"},
       nullptr},
      {"empty LO changes nothing", "5", "", {}, "Please input a valid value."},
      {"empty HI changes nothing", "", "5", {}, "Please input a valid value."},
      {"HI below LO empties the grid", "1", "2", {}, "Please re-enter a valid range."},
      {"no match empties the grid silently", "-1", "-2", {}, nullptr},
      {"text without a number counts as 0", "abc", "-1", {}, nullptr},
      {"leading number of the text", "10000001xyz", "7", {"10000000.1229999996721"}, nullptr},
  };
  for (const Case& c : cases) {
    dialog.chooseRange(0);
    ui.shown.clear();
    dialog.setHiText(c.hi);
    dialog.setLoText(c.lo);
    dialog.search();
    if (c.text) {
      ASSERT_EQ(ui.shown.size(), 1u) << c.name;
      EXPECT_EQ(ui.shown[0].text, c.text) << c.name;
      EXPECT_EQ(ui.shown[0].caption, "V38XX_AP") << c.name;
      EXPECT_EQ(ui.shown[0].icon, core::Icon::Exclamation) << c.name;
    } else {
      EXPECT_TRUE(ui.shown.empty()) << c.name;
    }
    if (c.text && std::string(c.text) == "Please input a valid value.") {
      EXPECT_EQ(v.rows, page) << c.name;
      continue;
    }
    EXPECT_EQ(rowValues(), c.values) << c.name;
    EXPECT_EQ(v.gridRows, static_cast<int>(c.values.size()) + 1) << c.name;
  }
  dialog.setHiText("6");
  dialog.setLoText("6");
  dialog.search();
  EXPECT_EQ(v.rows, (std::vector<GridRow>{{"1", "6.00000000000000000000", "09 : 06 : 35"}}))
      << "search rows: value cut to 22 characters, the time spaced";
  EXPECT_EQ((Lines{v.countText, v.maxText}), (Lines{"6", "10000000.1229999996721744537354"}))
      << "a search leaves the statistics alone";
  EXPECT_EQ(v.ranges.size(), 1u);
}

TEST_F(ViewRecordTest, SearchShowsAtMost10000Matches) {
  viewtest::writeReadings(dir.path(7), 10001, [](long long i) { return i % 2 ? 1.0 : 2.0; });
  viewtest::writeReadings(dir.path(8), 10000, [](long long) { return 1.0; });
  struct Case {
    const char* name;
    int n;
    const char* hi;
    int gridRows;
    bool narrowMessage;
  };
  for (const Case& c : {Case{"10,001 matches", 7, "2", 10001, true},
                        Case{"exactly 10,000 matches", 8, "1", 10001, false},
                        Case{"5,000 of 10,001", 7, "1", 5001, false}}) {
    choose(c.n);
    ui.shown.clear();
    dialog.setHiText(c.hi);
    dialog.setLoText("0");
    dialog.search();
    EXPECT_EQ(dialog.view().gridRows, c.gridRows) << c.name;
    ASSERT_EQ(ui.shown.size(), c.narrowMessage ? 1u : 0u) << c.name;
    if (c.narrowMessage) {
      EXPECT_EQ(ui.shown[0].text, "Please narrow the searching range.");
      EXPECT_EQ(ui.shown[0].icon, core::Icon::None);
      EXPECT_EQ(dialog.view().rows.back().number, "10000");
    }
  }
}

TEST_F(ViewRecordTest, SearchDoesNothingWhileNoDatabaseIsChosen) {
  viewtest::writeValues(dir.path(3), {1});
  openDialog();
  dialog.setHiText("");
  dialog.search();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(dialog.view().gridRows, 2);
}

TEST_F(ViewRecordTest, ExportWritesTheHeaderAndOneLinePerReading) {
  viewtest::writeValues(dir.path(3), {0.5, 10000000.123, -2});
  choose(3);
  const std::string before = cwd();
  ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "data"});
  dialog.exportCsv();
  ASSERT_EQ(ui.saveRequests.size(), 1u);
  EXPECT_EQ(ui.saveRequests[0].filter, "CSV Files(*.CSV)|*.CSV||");
  EXPECT_EQ(readFile(dir.root() + "/data.csv"),
            "Time,Value, ,DateTime : ( 11 / 11 / 10 -- 09 : 06 : 32 )\r\n"
            "\"09 : 06 : 32\",0.500000000000000000000000000000\r\n"
            "\"09 : 06 : 33\",10000000.122999999672174453735351562500\r\n"
            "\"09 : 06 : 34\",-2.000000000000000000000000000000\r\n");
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Output to CSV completed.");
  EXPECT_EQ(ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::Information);
  EXPECT_EQ(cwd(), before);
}

TEST_F(ViewRecordTest, ExportNamesAndFailures) {
  viewtest::writeValues(dir.path(3), {1});
  choose(3);
  const std::string before = cwd();
  struct Case {
    const char* name;
    std::optional<core::SaveFileChoice> choice;
    const char* file;  // the file that must exist afterwards, or none
    const char* text;  // the message, or none
    const char* caption;
  };
  std::filesystem::create_directory(dir.root() + "/out");
  const std::string out = dir.root() + "/out";
  const Case cases[] = {
      {"typed with the extension", core::SaveFileChoice{out, "data.csv"}, "data.csv",
       "Output to CSV completed.", "V38XX_AP"},
      {"upper-case extension", core::SaveFileChoice{out, "UP.CSV"}, "UP.CSV",
       "Output to CSV completed.", "V38XX_AP"},
      {"cancelled", std::nullopt, nullptr, nullptr, nullptr},
      {"folder that does not exist", core::SaveFileChoice{out + "/none", "x"}, nullptr,
       "Save As Error.", "Error"},
  };
  for (const Case& c : cases) {
    ui.shown.clear();
    ui.saveChoices.push_back(c.choice);
    dialog.exportCsv();
    if (c.file) {
      EXPECT_TRUE(std::filesystem::exists(out + "/" + c.file)) << c.name;
    }
    if (c.text) {
      ASSERT_EQ(ui.shown.size(), 1u) << c.name;
      EXPECT_EQ(ui.shown[0].text, c.text) << c.name;
      EXPECT_EQ(ui.shown[0].caption, c.caption) << c.name;
      if (std::string(c.caption) == "Error") {
        EXPECT_EQ(ui.shown[0].icon, core::Icon::None) << c.name;
      }
    } else {
      EXPECT_TRUE(ui.shown.empty()) << c.name;
    }
    EXPECT_EQ(cwd(), before) << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(out + "/data.csv.csv"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 2);
}

TEST_F(ViewRecordTest, ExportThatCannotBeWrittenInFullIsNotReportedCompleted) {
  viewtest::writeReadings(dir.path(3), 1000, [](long long i) { return 1.0 * i; });
  choose(3);
  // The chosen file is a link to a device that is always full.
  std::filesystem::create_symlink("/dev/full", dir.root() + "/full.csv");
  ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "full.csv"});
  dialog.exportCsv();
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Save As Error.");
  EXPECT_EQ(ui.shown[0].caption, "Error");
}

TEST_F(ViewRecordTest, ExportOfAnEmptyOrVanishedDatabase) {
  viewtest::writeValues(dir.path(3), {});
  viewtest::writeValues(dir.path(4), {1, 2});
  choose(3);
  ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "empty"});
  dialog.exportCsv();
  EXPECT_EQ(readFile(dir.root() + "/empty.csv"),
            "Time,Value, ,DateTime : ( 11 / 11 / 10 -- 09 : 06 : 32 )\r\n");
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "No data in file");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::Exclamation);

  ui.shown.clear();
  choose(4);
  std::filesystem::remove(dir.path(4));
  ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "gone"});
  dialog.exportCsv();
  EXPECT_EQ(readFile(dir.root() + "/gone.csv"),
            "Time,Value, ,DateTime : ( 11 / 11 / 10 -- 09 : 06 : 32 )\r\n");
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ViewRecordTest, DeletionAsksThenFreesTheNumber) {
  viewtest::writeValues(dir.path(3), {2.5, 12.5});
  viewtest::writeValues(dir.path(5), {1});
  choose(3);
  const auto& v = dialog.view();
  const std::vector<GridRow> grid = v.rows;

  ui.answers.push_back(core::Answer::No);
  dialog.deleteChosen();
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Are you sure want to delete this Database ?");
  EXPECT_EQ(ui.shown[0].caption, "V38XX_AP");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::Question);
  EXPECT_EQ(ui.shown[0].buttons, core::Buttons::YesNo);
  EXPECT_TRUE(std::filesystem::exists(dir.path(3)));
  EXPECT_EQ(v.entries.size(), 2u);

  ui.answers.push_back(core::Answer::Yes);
  dialog.deleteChosen();
  EXPECT_FALSE(std::filesystem::exists(dir.path(3)));
  EXPECT_EQ(v.entries, (Lines{"Database 5            ( 11 / 11 / 10 -- 09 : 06 : 32 )"}));
  EXPECT_EQ(v.currentEntry, -1);
  EXPECT_FALSE(v.deleteEnabled);
  EXPECT_FALSE(v.exportEnabled);
  EXPECT_EQ(v.rows, grid) << "the grid keeps what it showed";
  EXPECT_EQ(v.maxText, "12.5") << "the statistics keep what they showed";

  // The Setting Mode dialog now offers database 3 as free.
  records::RecordingSelection selection;
  selection.foundInstruments = 1;
  ScriptedInteraction settingUi;
  records::SettingMode setting(selection, settingUi, texts);
  setting.open(96, 96);
  EXPECT_EQ(setting.view().entries[2], "Database 3");
  EXPECT_EQ(setting.view().entries[4], "Database 5 ( 11 / 11 / 10 -- 09 : 06 : 32 )");
}

TEST_F(ViewRecordTest, RefreshListsNewRecordingsAndForgetsTheChoice) {
  viewtest::writeValues(dir.path(3), {1});
  choose(3);
  viewtest::writeValues(dir.path(9), {1});
  dialog.refresh();
  const auto& v = dialog.view();
  EXPECT_EQ(v.entries.size(), 2u);
  EXPECT_EQ(v.currentEntry, -1);
  EXPECT_FALSE(v.deleteEnabled);
  EXPECT_FALSE(v.exportEnabled);
  ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "after"});
  dialog.exportCsv();
  EXPECT_TRUE(ui.saveRequests.empty()) << "no export without a chosen database";
}

TEST_F(ViewRecordTest, DamagedFileIsReportedNotListed) {
  viewtest::writeValues(dir.path(3), {1});
  {
    std::ofstream damaged(dir.path(4), std::ios::binary);
    damaged << std::string(4096, 'x');
  }
  openDialog();
  EXPECT_EQ(dialog.view().entries, (Lines{kEntry3}));
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text,
            "The Database 4 could not be read: the file is damaged or is not a reading "
            "database.");
  EXPECT_EQ(ui.shown[0].icon, core::Icon::Error);
}

// ---- Row ids of recorded files ---------------------------------------------------------------

// ---- Large files: summaries, progress and Cancel ---------------------------------------------

TEST_F(ViewRecordTest, OlderFileOpensWithProgressAndIsGivenASummary) {
  viewtest::writeReadings(dir.path(3), 60000, [](long long i) { return 0.5 * (i % 1000); });
  viewtest::dropSummary(dir.path(3));
  choose(3);
  ASSERT_EQ(ui.progressRequests.size(), 1u);
  EXPECT_EQ(ui.progressRequests[0].text, "Reading Database 3 ...");
  EXPECT_EQ(ui.progressRequests[0].cancelText, "Cancel");
  EXPECT_GT(ui.progressReports, 0);
  const auto& v = dialog.view();
  EXPECT_EQ((Lines{v.countText, v.maxText, v.minText, v.avgText}),
            (Lines{"60000", "499.5", "0", "249.75"}));
  EXPECT_EQ(v.ranges.size(), 6u);
  EXPECT_EQ(viewtest::sqlValue(dir.path(3), "SELECT state FROM read_summary"), "0");
  // The next opening reads the summary: no progress window, the same figures.
  ui.progressRequests.clear();
  choose(3);
  EXPECT_TRUE(ui.progressRequests.empty());
  EXPECT_EQ((Lines{v.countText, v.maxText, v.minText, v.avgText}),
            (Lines{"60000", "499.5", "0", "249.75"}));
}

TEST_F(ViewRecordTest, CancelledOperationsLeaveNothingHalfDone) {
  viewtest::writeReadings(dir.path(3), 60000, [](long long i) { return 1.0 * (i % 1000); });
  viewtest::dropSummary(dir.path(3));

  // Opening: nothing shown (not even the database chosen before), nothing written.
  viewtest::writeValues(dir.path(4), {7, 8});
  choose(4);
  ASSERT_EQ(dialog.view().countText, "2");
  ui.cancelAfterReports = 0;
  dialog.chooseDatabase(0);  // database 3, in the same opening of the dialog
  ASSERT_EQ(records::entryDatabaseNumber(dialog.view().entries.at(0)), 3);
  EXPECT_EQ((Lines{dialog.view().countText, dialog.view().maxText}), (Lines{"0", "0"}));
  EXPECT_TRUE(dialog.view().ranges.empty());
  EXPECT_EQ(dialog.view().gridRows, 1);
  EXPECT_EQ(viewtest::sqlValue(dir.path(3),
                               "SELECT count(*) FROM sqlite_master WHERE name = 'read_summary'"),
            "0");
  EXPECT_TRUE(ui.shown.empty());

  // Search over every row: the grid keeps what it showed, no message.
  ui.cancelAfterReports = -1;
  choose(3);
  viewtest::sqlExec(dir.path(3), "UPDATE read_summary SET state = 1");  // every row is read
  const Lines before = rowValues();
  ui.cancelAfterReports = ui.progressReports;
  dialog.setHiText("5");
  dialog.setLoText("5");
  dialog.search();
  EXPECT_EQ(rowValues(), before);
  EXPECT_TRUE(ui.shown.empty());

  // Export: the partial file is removed, and a file of that name from before is kept as it
  // was.
  for (const bool existed : {false, true}) {
    const std::string file = dir.root() + "/data.csv";
    if (existed) std::ofstream(file) << "an earlier export\n";
    ui.cancelAfterReports = ui.progressReports;
    ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "data"});
    dialog.exportCsv();
    if (existed) {
      std::ifstream in(file);
      std::string line;
      std::getline(in, line);
      EXPECT_EQ(line, "an earlier export");
    } else {
      EXPECT_FALSE(std::filesystem::exists(file));
    }
    for (const auto& e : std::filesystem::directory_iterator(dir.root()))
      EXPECT_EQ(e.path().filename().string().find(".part-"), std::string::npos) << e.path();
    EXPECT_TRUE(ui.shown.empty());
  }
  // Not cancelled, the same export completes.
  ui.cancelAfterReports = -1;
  ui.saveChoices.push_back(core::SaveFileChoice{dir.root(), "data"});
  dialog.exportCsv();
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, "Output to CSV completed.");
  const std::string csv = readFile(dir.root() + "/data.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 60001);
}

TEST_F(ViewRecordTest, ReadOnlyDatabaseIsListedShownAndLeftAlone) {
  // An older file (no summary) in a database folder that cannot be written.
  viewtest::writeReadings(dir.path(4), 3000, [](long long i) { return 2.0 * i; });
  viewtest::dropSummary(dir.path(4));
  const std::string before = readFile(dir.path(4));
  recordstest::Child child([&](int out) {
    if (!recordstest::makeFolderReadOnlyInChild(dir.dbFolder())) {
      recordstest::writeLine(out, "skip");
      return;
    }
    choose(4);
    const auto& v = dialog.view();
    recordstest::writeLine(out, v.countText + " " + v.maxText + " " + std::to_string(v.gridRows) +
                                    " " + std::to_string(ui.shown.size()));
  });
  const auto lines = child.readAll();
  child.wait();
  ASSERT_FALSE(lines.empty());
  if (lines[0] == "skip") GTEST_SKIP() << "cannot make a read-only folder here";
  EXPECT_EQ(lines[0], "3000 5998 3001 0");
  EXPECT_EQ(readFile(dir.path(4)), before);
}

// The pages find their first row by arithmetic on the row ids; that holds because files
// written by a recording only ever gain rows at the end.
TEST(ReadingRows, RecordedFilesNumberTheirRowsWithoutGaps) {
  StartDirectory dir;
  ScriptedInteraction ui;
  measure::Texts texts;
  testsupport::ManualClock clock;
  records::Recorder recorder(ui, texts, clock);
  records::RecordingSelection selection;
  selection.save = true;
  selection.database = 2;
  for (int run = 0; run < 3; ++run) {
    // The first run creates the file; the second answers No to the overwrite question and
    // keeps appending; the third answers Yes and starts the file anew.
    if (run > 0) ui.answers.push_back(run == 1 ? core::Answer::No : core::Answer::Yes);
    recorder.prepare(selection, {});
    ASSERT_TRUE(recorder.recording());
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(recorder.append("+1.0E+007", nullptr));
    recorder.close();
    std::filesystem::current_path(dir.root());

    records::Database db;
    records::openReadingDatabase(db, dir.path(2));
    const records::ReadingRows rows = records::readingRows(db);
    const long long expected = run == 1 ? 80 : 40;
    EXPECT_EQ(rows.count, expected) << "run " << run;
    EXPECT_EQ(rows.firstRowId, 1) << "run " << run;
    EXPECT_EQ(rows.lastRowId, expected) << "run " << run;
    EXPECT_TRUE(rows.contiguous());
    EXPECT_EQ(records::readingRowIdAt(db, rows, expected - 1), expected);
    EXPECT_EQ(records::readingRowIdAt(db, rows, expected), std::nullopt);
  }
}

// Row ids anywhere in the 64-bit range (a damaged or crafted file): the gap test must not
// overflow (the sanitizer build stops on signed overflow), and the walk still finds the rows.
TEST(ReadingRows, ExtremeRowIdsAreJudgedWithoutOverflow) {
  constexpr long long kMin = std::numeric_limits<long long>::min();
  constexpr long long kMax = std::numeric_limits<long long>::max();
  struct Case {
    long long count, first, last;
    bool contiguous;
  };
  for (const Case& c :
       {Case{0, 0, 0, true}, Case{2, kMin, kMax, false}, Case{1, kMax, kMax, true},
        Case{1, kMin, kMin, true}, Case{2, kMax - 1, kMax, true}, Case{2, kMin, kMin + 1, true},
        Case{2, kMax, kMin, false}, Case{3, -1, 1, true}, Case{-1, 0, 0, false}}) {
    const records::ReadingRows rows{c.count, c.first, c.last};
    EXPECT_EQ(rows.contiguous(), c.contiguous) << c.count << " " << c.first << " " << c.last;
  }

  StartDirectory dir;
  viewtest::writeReadings(dir.path(1), 0, [](long long i) { return static_cast<double>(i); });
  viewtest::sqlExec(dir.path(1),
                    "INSERT INTO read(rowid, read_value, read_time) VALUES "
                    "(-9223372036854775808, 1.0, '10:00:00'), (9223372036854775807, 2.0, "
                    "'10:00:01')");
  records::Database db;
  records::openReadingDatabase(db, dir.path(1));
  const records::ReadingRows rows = records::readingRows(db);
  EXPECT_EQ(rows.count, 2);
  EXPECT_FALSE(rows.contiguous());
  EXPECT_EQ(records::readingRowIdAt(db, rows, 0), kMin);
  EXPECT_EQ(records::readingRowIdAt(db, rows, 1), kMax);
  EXPECT_EQ(records::readingRowIdAt(db, rows, 2), std::nullopt);
}

TEST(ReadingRows, GapsFallBackToAnOrderedWalk) {
  StartDirectory dir;
  viewtest::writeReadings(dir.path(1), 10, [](long long i) { return static_cast<double>(i); });
  viewtest::sqlExec(dir.path(1), "DELETE FROM read WHERE rowid IN (2, 3)");
  records::Database db;
  records::openReadingDatabase(db, dir.path(1));
  const records::ReadingRows rows = records::readingRows(db);
  EXPECT_FALSE(rows.contiguous());
  struct Case {
    long long position;
    std::optional<long long> rowId;
  };
  for (const Case& c :
       {Case{0, 1}, Case{1, 4}, Case{7, 10}, Case{8, std::nullopt}, Case{-1, std::nullopt}}) {
    EXPECT_EQ(records::readingRowIdAt(db, rows, c.position), c.rowId) << c.position;
  }
}

}  // namespace
