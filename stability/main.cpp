// v38xx-stability: the frequency-stability analysis of a recording database or a text file of
// readings, for scripts. See --help.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/database.h"
#include "records/database_files.h"
#include "stability/analysis.h"
#include "stability/recording.h"
#include "stability/report.h"
#include "stability/text_input.h"

namespace {

constexpr const char* kProgram = "v38xx-stability";

constexpr const char* kHelp = R"(Usage: v38xx-stability [options] SOURCE
       v38xx-stability [options] --db N

Frequency-stability analysis of counter readings: Allan deviation and its relatives over
averaging times tau = m * tau0, each with its number of terms and a confidence interval.

SOURCE is a recording database of the V38XX front panel (an SQLite file such as
DB/DBfile_DB3.db) or a text file of one value per line ('#' starts a comment, blank lines
are skipped). From a database the readings of its last recorded run are analysed, with
tau0 from the run's stored "Read Speed".

Options:
  --db N            analyse database N (1 to 10) of the default folder: the DB folder of the
                    current directory (the front panel's rule: ./DB, or the current directory
                    itself when its path contains "DB") when it exists, otherwise
                    ${XDG_DATA_HOME:-~/.local/share}/v38xx/DB
  --input KIND      what the readings are (default: frequency):
                      frequency   readings in Hz, converted to fractional frequency
                                  y = (f - F) / F with F from --nominal
                      period      readings in seconds, y = (P0 - P) / P with P0 from
                                  --nominal (the default for a database recorded with the
                                  Period function)
                      fractional  fractional frequency, dimensionless
                      phase       time error in seconds
  --nominal F       nominal frequency in Hz (period input: nominal period in s) of the
                    conversion to fractional frequency (default: the mean of the readings)
  --tau0 SECONDS    interval between readings (default: the recorded run's "Read Speed";
                    required for a text file and a database without stored settings)
  --stat NAME       statistic, repeatable (default: oadev):
                      adev    Allan deviation
                      oadev   overlapping Allan deviation
                      mdev    modified Allan deviation
                      tdev    time deviation
                      hdev    Hadamard deviation
                      ohdev   overlapping Hadamard deviation
                      totdev  total deviation
  --taus SET        averaging factors m (default: octave):
                      all      1, 2, 3, ... (one pass over the data per m: slow on long
                               recordings)
                      octave   1, 2, 4, 8, ...
                      decade   1, 2, 4, 10, 20, 40, 100, ...
                    up to (N-1)/2 for adev, oadev and totdev, (N-1)/3 for hdev and ohdev and
                    N/3 for mdev and tdev, N being the number of phase points (readings + 1
                    for frequency data)
  --csv             separate the columns by commas instead of spaces
  -h, --help        show this help and exit
  --version         show the program version and exit

Output:
  One header line starting with '#' names the source, the number of readings and of gaps,
  tau0 and where it came from, the input kind, the nominal value, the confidence level and
  the columns. Then one line per tau:
      tau n sigma lo hi
  with tau in seconds, n the number of terms used, sigma the deviation (TDEV in seconds,
  the others dimensionless) and lo, hi its confidence interval. With more than one --stat
  each line starts with the statistic's name (stat tau n sigma lo hi), the statistics in
  the order given. A tau at which every term touches a gap is left out.

Gaps:
  Readings that are not measurements are gaps: the counter's overflow answer +-9.91E+37
  (and anything at or beyond +-9.91E+36), values that are not numbers (text lines that are
  not one number, empty database values), and for frequency and period input a value of
  exactly 0 (what the front panel stores for an answer without a number). Every term of a
  statistic that touches a gap is left out, and the header says how many readings were
  gaps. For frequency data a term touches a gap when the gap lies within the readings its
  averages span; for phase data when it uses the gap's point.

Conversion:
  Frequency: y = (f - F) / F. Period: y = (P0 - P) / P (that is P0/P - 1). Phase x is the
  running sum of y * tau0. The statistics do not depend on a constant frequency offset:
  the nominal value only sets the scale (sigma is proportional to 1/F).

Confidence intervals:
  68.3 % (plus or minus one standard deviation), chi-squared with the equivalent degrees
  of freedom of white frequency noise: Greenhall's generalised algorithm (Greenhall and
  Riley 2003, NIST SP 1065 5.3.3) with alpha = 0 for adev, oadev, mdev, tdev, hdev and
  ohdev; 1.5 N / m for totdev. With gaps, N is that of a gap-free series with the same
  number of terms.

Exit status:
  0 on success, 1 when the source cannot be read or holds too few measurements, 2 on a
  wrong option.

Examples:
  v38xx-stability --db 3
  v38xx-stability --stat adev --stat mdev --taus decade --csv DB/DBfile_DB3.db
  v38xx-stability --input phase --tau0 1 --stat tdev timeerror.txt
)";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

double parsePositive(std::string_view option, const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v > 0.0) || !std::isfinite(v)) {
    throw UsageError(std::string(option) + " needs a positive number, not '" + text + "'");
  }
  return v;
}

struct Options {
  std::optional<std::string> source;
  std::optional<int> db;
  std::optional<stability::InputKind> input;
  std::optional<double> nominal;
  std::optional<double> tau0;
  std::vector<stability::Statistic> stats;
  stability::TauSet taus = stability::TauSet::Octave;
  bool csv = false;
};

enum class Action { Run, Help, Version };

Action parse(int argc, char** argv, Options& o) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      const std::size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      }
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "-h" || arg == "--help") return Action::Help;
    if (arg == "--version") return Action::Version;
    if (arg == "--csv") {
      o.csv = true;
    } else if (arg == "--db") {
      const std::string v = value();
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || !records::isDatabaseNumber(static_cast<int>(n))) {
        throw UsageError("--db needs a database number from 1 to 10, not '" + v + "'");
      }
      o.db = static_cast<int>(n);
    } else if (arg == "--input") {
      const std::string v = value();
      o.input = stability::parseInputKind(v);
      if (!o.input)
        throw UsageError("--input is frequency, period, fractional or phase, not '" + v + "'");
    } else if (arg == "--nominal") {
      o.nominal = parsePositive(arg, value());
    } else if (arg == "--tau0") {
      o.tau0 = parsePositive(arg, value());
    } else if (arg == "--stat") {
      const std::string v = value();
      const auto s = stability::parseStatistic(v);
      if (!s)
        throw UsageError("--stat is adev, oadev, mdev, tdev, hdev, ohdev or totdev, not '" + v +
                         "'");
      o.stats.push_back(*s);
    } else if (arg == "--taus") {
      const std::string v = value();
      const auto t = stability::parseTauSet(v);
      if (!t) throw UsageError("--taus is all, octave or decade, not '" + v + "'");
      o.taus = *t;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else {
      if (o.source) throw UsageError("one SOURCE only ('" + *o.source + "' and '" + arg + "')");
      o.source = arg;
    }
  }
  if (o.source && o.db) throw UsageError("give either SOURCE or --db, not both");
  if (!o.source && !o.db) throw UsageError("no SOURCE given");
  if (o.stats.empty()) o.stats.push_back(stability::Statistic::Oadev);
  return Action::Run;
}

int run(const Options& o) {
  const std::string path =
      o.db ? records::databasePath(stability::defaultDatabaseFolder(), *o.db) : *o.source;
  stability::ReportSource source;
  source.name = path;
  std::vector<double> readings;
  std::optional<double> tau0 = o.tau0;
  source.tau0Origin = o.tau0 ? "--tau0" : "";
  stability::InputKind kind = o.input.value_or(stability::InputKind::Frequency);
  std::size_t notNumbers = 0;
  if (o.db || stability::looksLikeDatabase(path)) {
    stability::Recording rec;
    try {
      rec = stability::loadRecording(path);
    } catch (const records::DatabaseError& e) {
      throw InputError("cannot read " + path + ": " + records::failureReason(e));
    }
    if (!o.input) kind = stability::recordedInputKind(rec);
    if (!tau0) {
      tau0 = stability::recordedTau0(rec);
      if (tau0) source.tau0Origin = "run_info";
    }
    if (rec.runInfo) {
      source.firstReading =
          "rows=" + std::to_string(rec.firstRow) + "-" + std::to_string(rec.lastRow);
    }
    readings = std::move(rec.values);
  } else {
    stability::TextReadings text;
    try {
      text = stability::readTextReadings(path);
    } catch (const std::exception& e) {
      throw InputError(e.what());
    }
    notNumbers = text.notNumbers;
    readings = std::move(text.values);
  }
  if (readings.empty()) throw InputError("no readings in " + path);
  if (notNumbers == readings.size()) throw InputError("no line of " + path + " is a number");
  if (!tau0) {
    throw UsageError("tau0 is not known for " + path +
                     " (no stored Read Speed): give it with --tau0 SECONDS");
  }
  source.input = kind;

  stability::PhaseSeries series;
  try {
    series = stability::toPhase(std::move(readings), {kind, o.nominal, *tau0});
  } catch (const std::invalid_argument& e) {
    throw InputError(path + ": " + e.what());
  }
  stability::AnalysisOptions options;
  options.statistics = o.stats;
  options.taus = o.taus;
  options.identifyNoise = false;
  const std::vector<stability::Point> points = stability::analyse(series, options);
  const auto sep = o.csv ? stability::Separator::Comma : stability::Separator::Space;
  const bool statColumn = o.stats.size() > 1;
  std::string out = stability::headerLine(source, series, options, sep, statColumn) + "\n";
  for (const stability::Point& p : points) out += stability::pointLine(p, sep, statColumn) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) throw InputError("cannot write the result");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    switch (parse(argc, argv, options)) {
      case Action::Help:
        std::fputs(kHelp, stdout);
        return 0;
      case Action::Version:
        std::printf("%s %s\n", kProgram, V38XX_VERSION);
        return 0;
      case Action::Run:
        return run(options);
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, e.what(),
                 kProgram);
    return 2;
  } catch (const InputError& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    return 1;
  }
  return 0;
}
