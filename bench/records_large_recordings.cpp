// The record dialogs on recordings of 10 million and 100 million readings, side by side with
// the sqlite3 program running SQL that does the same job: with the summary tables (what the
// program reads now) and by full scans (what opening, charting and exporting used to read).
//
//   records_large_recordings [--folder DIR] [--sizes 10000000,100000000] [--repeat 3] [--keep]
//
// For each size a file is generated first, outside every timing, as an older program left it
// (the two reading tables only); its first opening, which reads every row and stores the
// summary, is timed once. Every operation then runs `repeat` times, each in a child process
// of its own, so that the peak resident memory reported is the operation's own; the median
// time is shown. The generated files (several GB at 10^8) are deleted at the end (the deletion
// is timed) unless --keep is given; kept files are reused by the next run.

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/interaction.h"
#include "measure/texts.h"
#include "records/chart_record.h"
#include "records/chart_record_widget.h"
#include "records/database_files.h"
#include "records/view_record.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Answers every question with Yes and every Save As with the export file.
class BenchInteraction : public core::Interaction {
 public:
  std::string exportFolder;
  std::string exportName = "export.csv";
  core::Answer message(const std::string& text, const std::string&, core::Icon,
                       core::Buttons) override {
    messages.push_back(text);
    return core::Answer::Yes;
  }
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return core::SaveFileChoice{exportFolder, exportName};
  }
  std::vector<std::string> messages;
};

// Readings of a file of `count`: 10,000 of each of count / 10,000 distinct values, in turn
// (a slow sawtooth), so that a search for one value matches 10,000 readings spread over the
// whole file.
double readingValue(long long i, long long count) {
  const long long distinct = std::max(1LL, count / 10000);
  return 1e7 + static_cast<double>(i % distinct) * 0.5;
}

void check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
  }
}

// A reading database as an older program left it: both tables, no summary, `count` readings
// one second apart, dated 10 November 2011.
void generate(const std::string& path, long long count) {
  fs::remove(path);
  sqlite3* db = nullptr;
  check(sqlite3_open(path.c_str(), &db), db, "creating");
  check(sqlite3_exec(db,
                     "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-262144;"
                     "CREATE TABLE \"read\" (\"read_value\" REAL, \"read_time\" DATETIME);"
                     "CREATE TABLE \"read_date\" (\"r_date\" DATETIME);"
                     "INSERT INTO read_date VALUES ('2011-11-10 09:06:32'); BEGIN;",
                     nullptr, nullptr, nullptr),
        db, "creating");
  sqlite3_stmt* insert = nullptr;
  check(sqlite3_prepare_v2(db, "INSERT INTO read (read_value, read_time) VALUES (?1, ?2)", -1,
                           &insert, nullptr),
        db, "preparing");
  for (long long i = 0; i < count; ++i) {
    const long long second = (9 * 3600 + 6 * 60 + 32 + i) % 86400;
    char time[16];
    std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", second / 3600, second / 60 % 60,
                  second % 60);
    sqlite3_bind_double(insert, 1, readingValue(i, count));
    sqlite3_bind_text(insert, 2, time, 8, SQLITE_TRANSIENT);
    check(sqlite3_step(insert), db, "inserting");
    sqlite3_reset(insert);
    if (i % 5000000 == 4999999) {
      check(sqlite3_exec(db, "COMMIT; BEGIN", nullptr, nullptr, nullptr), db, "committing");
      std::fprintf(stderr, "\r  %lld M readings", (i + 1) / 1000000);
    }
  }
  sqlite3_finalize(insert);
  check(sqlite3_exec(db, "COMMIT; PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), db,
        "committing");
  sqlite3_close(db);
  std::fprintf(stderr, "\n");
}

// Whether the file has the reading summary (a kept file of an earlier run does).
bool hasSummary(const std::string& path) {
  sqlite3* db = nullptr;
  bool found = false;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE name = 'read_summary'", -1,
                           &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      found = sqlite3_column_int(st, 0) > 0;
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return found;
}

struct Sample {
  double ms = 0;
  double cpuMs = 0;  // processor time of the timed part
  double rssMb = 0;
  std::string note;
};

double cpuMilliseconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Runs `body` in a child process: it does its set-up, then returns the milliseconds of its
// timed part (and a note); the parent adds the child's peak resident memory.
Sample inChild(const std::function<std::pair<double, std::string>()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) std::exit(1);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const double cpu = cpuMilliseconds();
    const auto [ms, note] = body();
    // The set-up before the timed part is short; its processor time is counted too.
    const std::string line =
        std::to_string(ms) + " " + std::to_string(cpuMilliseconds() - cpu) + " " + note + "\n";
    [[maybe_unused]] const ssize_t n = ::write(fds[1], line.data(), line.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, n);
  ::close(fds[0]);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  Sample s;
  std::istringstream in(out);
  in >> s.ms >> s.cpuMs;
  std::getline(in >> std::ws, s.note);
  s.rssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || out.empty()) s.ms = std::nan("");
  return s;
}

// Every statement a connection runs, with its parameters, one to a line (in a child only).
std::FILE* tracedSql = nullptr;

int traceStatements(sqlite3* db, char**, const void*) {
  sqlite3_trace_v2(
      db, SQLITE_TRACE_STMT,
      [](unsigned, void*, void* statement, void* text) {
        // Statements of triggers come as comments; the statement itself is what to run.
        if (tracedSql && std::strncmp(static_cast<const char*>(text), "--", 2) != 0) {
          char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement));
          if (sql) std::fprintf(tracedSql, "%s;\n", sql);
          sqlite3_free(sql);
        }
        return 0;
      },
      nullptr);
  return SQLITE_OK;
}

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs `sql` with the sqlite3 program on `path` (output thrown away unless `output` names a
// file); the wall-clock milliseconds, NaN when it failed.
double sqlite3Program(const std::string& path, const std::string& sql,
                      const std::string& output = "/dev/null", const char* mode = "list") {
  const fs::path script = fs::temp_directory_path() / ("v38xx-bench-" + std::to_string(::getpid()));
  {
    std::FILE* f = std::fopen(script.c_str(), "w");
    std::fprintf(f, ".mode %s\n%s\n", mode, sql.c_str());
    std::fclose(f);
  }
  const auto start = Clock::now();
  const std::string command =
      "sqlite3 -bail '" + path + "' < '" + script.string() + "' > '" + output + "'";
  const int rc = std::system(command.c_str());
  const double ms = millisecondsSince(start);
  fs::remove(script);
  return rc == 0 ? ms : std::nan("");
}

double median(std::vector<double> v) {
  std::erase_if(v, [](double d) { return std::isnan(d); });
  if (v.empty()) return std::nan("");
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Result {
  double ms = std::nan("");
  double cpuMs = std::nan("");
  double rate = std::nan("");  // million rows a second (export)
  double rssMb = std::nan("");
  double summarySql = std::nan("");
  double fullScanSql = std::nan("");
  std::string note;
};

// One recording under test: its start directory, database folder and file (database 1).
struct Recording {
  long long count = 0;
  std::string start;
  std::string folder;
  std::string path;
};

int entryOf(const std::vector<std::string>& entries) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (records::entryDatabaseNumber(entries[i]) == 1) return static_cast<int>(i);
  }
  return -1;
}

// The View Record logic opened in the recording's folder, with database 1 chosen.
struct Viewer {
  BenchInteraction ui;
  measure::Texts texts;
  records::ViewRecord view{ui, texts};
  explicit Viewer(const Recording& r) {
    fs::current_path(r.start);
    ui.exportFolder = r.start;
    view.open(96, 96);
  }
  void choose() { view.chooseDatabase(entryOf(view.view().entries)); }
};

struct Charter {
  BenchInteraction ui;
  measure::Texts texts;
  records::ChartRecord chart{ui, texts};
  explicit Charter(const Recording& r) {
    fs::current_path(r.start);
    chart.open();
  }
  void choose() { chart.chooseDatabase(entryOf(chart.view().entries)); }
};

std::string fixed(double v, int decimals) {
  if (std::isnan(v)) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = (fs::current_path() / "large-recordings").string();
  std::vector<long long> sizes = {10000000, 100000000};
  int repeat = 3;
  bool keep = false;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--folder" && i + 1 < argc) {
      root = argv[++i];
    } else if (a == "--sizes" && i + 1 < argc) {
      sizes.clear();
      std::stringstream list(argv[++i]);
      for (std::string s; std::getline(list, s, ',');) sizes.push_back(std::stoll(s));
    } else if (a == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--keep") {
      keep = true;
    } else if (a == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--folder DIR] [--sizes N,N] [--repeat R] [--keep] [--only TEXT]\n",
                   argv[0]);
      return 2;
    }
  }

  // ---- The recordings, generated outside every timing
  std::vector<Recording> recordings;
  std::map<long long, Result> firstOpening;
  for (long long count : sizes) {
    Recording r;
    r.count = count;
    r.start = root + "/readings-" + std::to_string(count);
    fs::create_directories(r.start);
    r.folder = records::databaseFolderFor(r.start);
    fs::create_directories(r.folder);
    r.path = records::databasePath(r.folder, 1);
    Result first;
    if (!fs::exists(r.path)) {
      std::fprintf(stderr, "generating %lld readings in %s\n", count, r.path.c_str());
      const auto start = Clock::now();
      generate(r.path, count);
      std::fprintf(stderr, "  %.0f s, %.2f GB\n", millisecondsSince(start) / 1000,
                   static_cast<double>(fs::file_size(r.path)) / 1e9);
    }
    if (!hasSummary(r.path)) {
      // The older file's first opening: every row read once, the summary stored.
      std::fprintf(stderr, "first opening of %s\n", r.path.c_str());
      const Sample s = inChild([&] {
        Viewer v(r);
        const auto t = Clock::now();
        v.choose();
        return std::pair(millisecondsSince(t), v.view.view().countText);
      });
      first.ms = s.ms;
      first.cpuMs = s.cpuMs;
      first.rssMb = s.rssMb;
      first.note = "count " + s.note;
      first.fullScanSql = sqlite3Program(
          r.path,
          "SELECT avg(read_value), count(read_value), max(read_value), min(read_value) "
          "FROM read; SELECT read_value, read_time FROM read ORDER BY rowid LIMIT 10000;");
    }
    firstOpening[count] = first;
    recordings.push_back(r);
  }

  // ---- The operations
  struct Operation {
    std::string name;
    bool exporting;
    std::function<Sample(const Recording&)> run;
    std::function<std::string(const Recording&)> summarySql;
    std::function<std::string(const Recording&)> fullScanSql;
  };
  const auto searchValue = [](const Recording& r) {
    return records::fixedText(readingValue(1, r.count), 3);
  };
  const auto pageSql = [](long long firstRow) {
    return "SELECT read_value, read_time FROM read WHERE rowid >= " + std::to_string(firstRow) +
           " ORDER BY rowid LIMIT 10000;";
  };
  const std::vector<Operation> operations = {
      {"View Record: open (statistics and first page)", false,
       [](const Recording& r) {
         return inChild([&] {
           const auto t = Clock::now();
           Viewer v(r);
           v.choose();
           return std::pair(millisecondsSince(t),
                            v.view.view().countText + " " + v.view.view().avgText);
         });
       },
       [&](const Recording&) {
         return "SELECT row_count, value_max, value_min, (value_sum + value_comp) / row_count "
                "FROM read_summary;" +
                pageSql(1);
       },
       [&](const Recording&) {
         return "SELECT avg(read_value), count(read_value), max(read_value), min(read_value) "
                "FROM read;" +
                pageSql(1);
       }},
      {"View Record: last page", false,
       [](const Recording& r) {
         return inChild([&] {
           Viewer v(r);
           v.choose();
           const auto t = Clock::now();
           v.view.chooseRange(static_cast<int>((r.count - 1) / records::kPageRows));
           return std::pair(millisecondsSince(t), std::to_string(v.view.view().rows.size()));
         });
       },
       [&](const Recording& r) { return pageSql((r.count - 1) / 10000 * 10000 + 1); },
       [&](const Recording& r) { return pageSql((r.count - 1) / 10000 * 10000 + 1); }},
      {"Chart Record: database choice", false,
       [](const Recording& r) {
         return inChild([&] {
           const auto t = Clock::now();
           Charter c(r);
           c.choose();
           return std::pair(millisecondsSince(t), c.chart.view().countText);
         });
       },
       [](const Recording&) { return std::string("SELECT row_count FROM read_summary;"); },
       [](const Recording&) { return std::string("SELECT count(read_value) FROM read;"); }},
      {"Chart Record: draw every reading (660 x 300)", false,
       [](const Recording& r) {
         return inChild([&] {
           Charter c(r);
           c.choose();
           const QSize size(660, 300);
           QImage picture(size, QImage::Format_RGB32);
           const auto t = Clock::now();
           const auto trace = c.chart.draw(size.width(), size.height());
           if (!trace) return std::pair(std::nan(""), std::string("nothing drawn"));
           QPainter p(&picture);
           records::paintChartBackground(p, size);
           records::paintChartTrace(p, *trace, QColor(0, 255, 255));
           p.end();
           return std::pair(millisecondsSince(t), std::to_string(trace->points.size()) + " points");
         });
       },
       // The very statements the drawing ran, as the engine traced them.
       [](const Recording& r) {
         const std::string log = (fs::path(r.start) / "draw.sql").string();
         inChild([&] {
           Charter c(r);
           c.choose();
           tracedSql = std::fopen(log.c_str(), "w");
           sqlite3_auto_extension(reinterpret_cast<void (*)()>(&traceStatements));
           c.chart.draw(660, 300);
           std::fclose(tracedSql);
           return std::pair(0.0, std::string());
         });
         std::FILE* f = std::fopen(log.c_str(), "r");
         std::string sql;
         char buffer[4096];
         size_t n;
         while (f && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) sql.append(buffer, n);
         if (f) std::fclose(f);
         fs::remove(log);
         return sql;
       },
       [](const Recording&) {
         return std::string("SELECT read_value FROM read WHERE rowid >= 1 ORDER BY rowid;");
       }},
      {"View Record: search (10,000 matches)", false,
       [&](const Recording& r) {
         return inChild([&] {
           Viewer v(r);
           v.choose();
           const std::string limit = searchValue(r);
           v.view.setHiText(limit);
           v.view.setLoText(limit);
           const auto t = Clock::now();
           v.view.search();
           return std::pair(millisecondsSince(t), std::to_string(v.view.view().rows.size()));
         });
       },
       [&](const Recording& r) {
         const std::string x = searchValue(r);
         return "SELECT r.read_value, r.read_time FROM read_pyramid p JOIN read r ON r.rowid "
                "BETWEEN p.first_row AND p.first_row + 1023 WHERE p.level = 2 AND p.max_value >= " +
                x + " AND p.min_value <= " + x + " AND r.read_value <= " + x +
                " AND r.read_value >= " + x + " ORDER BY r.rowid LIMIT 10001;";
       },
       [&](const Recording& r) {
         const std::string x = searchValue(r);
         return "SELECT read_value, read_time FROM read WHERE read_value <= " + x +
                " AND read_value >= " + x + " ORDER BY rowid LIMIT 10001;";
       }},
      {"View Record: export to CSV",
       true,
       [](const Recording& r) {
         return inChild([&] {
           Viewer v(r);
           v.choose();
           const auto t = Clock::now();
           v.view.exportCsv();
           const double ms = millisecondsSince(t);
           const fs::path file = fs::path(r.start) / "export.csv";
           const double gb = static_cast<double>(fs::file_size(file)) / 1e9;
           fs::remove(file);
           return std::pair(ms, fixed(gb, 2) + " GB");
         });
       },
       [](const Recording&) {
         return std::string("SELECT read_time, read_value FROM read ORDER BY rowid;");
       },
       {}},
      // The same without the disk: what reading and formatting alone cost.
      {"View Record: export to CSV, to /dev/null",
       true,
       [](const Recording& r) {
         return inChild([&] {
           Viewer v(r);
           const fs::path link = fs::path(r.start) / "null.csv";
           fs::remove(link);
           fs::create_symlink("/dev/null", link);
           v.ui.exportName = "null.csv";
           v.choose();
           const auto t = Clock::now();
           v.view.exportCsv();
           const double ms = millisecondsSince(t);
           fs::remove(link);
           return std::pair(ms, v.ui.messages.empty() ? std::string() : v.ui.messages.back());
         });
       },
       [](const Recording&) {
         return std::string("SELECT read_time, read_value FROM read ORDER BY rowid;");
       },
       {}},
  };

  std::map<std::string, std::map<long long, Result>> results;
  for (const Operation& op : operations) {
    if (!only.empty() && op.name.find(only) == std::string::npos) continue;
    for (const Recording& r : recordings) {
      std::fprintf(stderr, "%s, %lld readings\n", op.name.c_str(), r.count);
      std::vector<double> times, cpu;
      Result res;
      for (int i = 0; i < repeat; ++i) {
        const Sample s = op.run(r);
        times.push_back(s.ms);
        cpu.push_back(s.cpuMs);
        res.rssMb = std::isnan(res.rssMb) ? s.rssMb : std::max(res.rssMb, s.rssMb);
        res.note = s.note;
      }
      res.ms = median(times);
      res.cpuMs = median(cpu);
      const std::string csv = op.name.find("/dev/null") != std::string::npos
                                  ? std::string("/dev/null")
                                  : (fs::path(r.start) / "sqlite3-export.csv").string();
      const bool exporting = op.exporting;
      std::vector<double> summary, full;
      for (int i = 0; i < repeat; ++i) {
        summary.push_back(exporting ? sqlite3Program(r.path, op.summarySql(r), csv, "csv")
                                    : sqlite3Program(r.path, op.summarySql(r)));
        if (op.fullScanSql && (i == 0 || r.count < 50000000)) {
          full.push_back(sqlite3Program(r.path, op.fullScanSql(r)));
        }
      }
      if (csv != "/dev/null") fs::remove(csv);
      res.summarySql = median(summary);
      res.fullScanSql = median(full);
      if (exporting) res.rate = r.count / (res.ms / 1000) / 1e6;
      results[op.name][r.count] = res;
    }
  }

  // ---- Deleting the recordings (timed), unless they are kept for the next run
  std::map<long long, double> deletion;
  if (!keep) {
    for (const Recording& r : recordings) {
      const auto t = Clock::now();
      records::deleteDatabase(r.folder, 1);
      deletion[r.count] = millisecondsSince(t);
      fs::remove_all(r.start);
    }
  }

  // ---- The table
  const long long small = sizes.front();
  const long long large = sizes.back();
  std::printf(
      "\nTimes in ms (median of %d), sqlite3 program times in ms.\n\n"
      "| Operation | %lld | %lld | growth | peak RSS MB | sqlite3, summary SQL | "
      "sqlite3, full-scan SQL |\n|---|---|---|---|---|---|---|\n",
      repeat, small, large);
  const auto row = [&](const std::string& name, const std::map<long long, Result>& byCount) {
    const Result& a = byCount.at(small);
    const Result& b = byCount.at(large);
    const auto time = [](const Result& r) {
      return fixed(r.ms, 1) + (std::isnan(r.rate) ? "" : " (" + fixed(r.rate, 2) + " M rows/s)");
    };
    std::printf("| %s | %s | %s | %sx | %s / %s | %s / %s | %s / %s |\n", name.c_str(),
                time(a).c_str(), time(b).c_str(), fixed(b.ms / a.ms, 2).c_str(),
                fixed(a.rssMb, 0).c_str(), fixed(b.rssMb, 0).c_str(),
                fixed(a.summarySql, 1).c_str(), fixed(b.summarySql, 1).c_str(),
                fixed(a.fullScanSql, 1).c_str(), fixed(b.fullScanSql, 1).c_str());
  };
  if (!std::isnan(firstOpening[small].ms) && !std::isnan(firstOpening[large].ms)) {
    std::map<long long, Result> first = firstOpening;
    for (auto& [count, res] : first) res.summarySql = std::nan("");
    row("Older file, first opening (reads every row, stores the summary)", first);
  }
  for (const Operation& op : operations) {
    if (results.count(op.name)) row(op.name, results[op.name]);
  }
  if (!deletion.empty()) {
    std::printf("| Delete Record (ms) | %s | %s | %s | | | |\n", fixed(deletion[small], 1).c_str(),
                fixed(deletion[large], 1).c_str(),
                (fixed(deletion[large] / deletion[small], 2) + "x").c_str());
  }
  std::printf("\nNotes (last run of each, at %lld readings):\n", large);
  if (!std::isnan(firstOpening[large].ms)) {
    std::printf("  Older file, first opening: %s; processor time %s / %s ms\n",
                firstOpening[large].note.c_str(), fixed(firstOpening[small].cpuMs, 1).c_str(),
                fixed(firstOpening[large].cpuMs, 1).c_str());
  }
  for (const auto& [name, byCount] : results) {
    std::printf("  %s: %s; processor time %s / %s ms\n", name.c_str(),
                byCount.at(large).note.c_str(), fixed(byCount.at(small).cpuMs, 1).c_str(),
                fixed(byCount.at(large).cpuMs, 1).c_str());
  }
  return 0;
}
