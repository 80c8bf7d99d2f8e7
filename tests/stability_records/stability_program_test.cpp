// v38xx-stability as scripts call it: its output lines, its options, its messages and exit
// status on input it cannot use, and a run recorded from the simulated counter (with the
// counter's overflow answers in it) analysed end to end.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "../stability/nbs14.h"
#include "records/database_files.h"
#include "records/run_info.h"
#include "simulated_run.h"
#include "stability/analysis.h"
#include "stability/recording.h"
#include "stability/report.h"
#include "support/start_directory.h"

namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<std::string> lines() const {
    std::vector<std::string> v;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
  }
};

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the program in the current directory.
Result run(const std::vector<std::string>& args) {
  std::string command = quote(V38XX_STABILITY_PROGRAM);
  for (const std::string& a : args) command += " " + quote(a);
  command += " >stability.out 2>stability.err </dev/null";
  Result r;
  const int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp("stability.out");
  r.err = slurp("stability.err");
  return r;
}

std::vector<std::string> fields(const std::string& line, char sep) {
  std::vector<std::string> f;
  std::istringstream in(line);
  for (std::string x; std::getline(in, x, sep);) f.push_back(x);
  return f;
}

class StabilityProgram : public ::testing::Test {
 protected:
  StabilityProgram() {
    std::ofstream nbs("nbs14.txt");
    nbs << "# NBS14, 1000 points\n";
    for (double v : stabilitytest::nbs14()) nbs << std::setprecision(17) << v << "\n";
  }
  testsupport::StartDirectory dir;
};

TEST_F(StabilityProgram, PrintsAHeaderThenTauNSigmaLoHiPerLine) {
  const Result r = run(
      {"--input", "fractional", "--tau0", "1", "--stat", "adev", "--taus", "decade", "nbs14.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty());
  const auto lines = r.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].rfind("# ", 0), 0u);
  EXPECT_NE(lines[0].find("readings=1000 gaps=0"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("tau n sigma lo hi"), std::string::npos) << lines[0];
  // 1, 2, 4, 10, 20, 40, 100, 200, 400 up to (1001 - 1) / 2.
  ASSERT_EQ(lines.size(), 10u);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto f = fields(lines[i], ' ');
    ASSERT_EQ(f.size(), 5u) << lines[i];
    EXPECT_LE(std::stod(f[3]), std::stod(f[2]));
    EXPECT_GE(std::stod(f[4]), std::stod(f[2]));
  }
  EXPECT_EQ(fields(lines[7], ' ')[0], "100");
  EXPECT_EQ(fields(lines[7], ' ')[1], "9");
  EXPECT_NEAR(std::stod(fields(lines[7], ' ')[2]) / 3.897804e-02, 1.0, 1e-4);
}

TEST_F(StabilityProgram, SeveralStatisticsGetAStatColumnAndCsvGetsCommas) {
  const Result r = run({"--input=fractional", "--tau0=1", "--stat", "mdev", "--stat", "totdev",
                        "--csv", "nbs14.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = r.lines();
  EXPECT_NE(lines[0].find("stat,tau,n,sigma,lo,hi"), std::string::npos) << lines[0];
  // Octaves: mdev up to 1001 / 3 = 333 (1 .. 256: 9 lines), totdev up to 500 (9 lines).
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(fields(lines[1], ',')[0], "mdev");
  EXPECT_EQ(fields(lines[18], ',')[0], "totdev");
  EXPECT_EQ(fields(lines[1], ',').size(), 6u);
}

TEST_F(StabilityProgram, SaysWhatIsWrongAndExitsNonZero) {
  std::ofstream("words.txt") << "no\nnumbers\nhere\n";
  std::ofstream("one.txt") << "10000000\n";
  std::ofstream("broken.db") << "SQLite format 3" << std::string(1, '\0') << "garbage garbage";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {"missing file", {"--tau0", "1", "missing.txt"}, 1, "cannot open missing.txt"},
      {"no number in it", {"--tau0", "1", "words.txt"}, 1, "no line of words.txt is a number"},
      {"one reading", {"--tau0", "1", "one.txt"}, 1, "fewer than two readings"},
      {"damaged database", {"broken.db"}, 1, "cannot read broken.db"},
      {"text without tau0", {"nbs14.txt"}, 2, "give it with --tau0"},
      {"unknown statistic", {"--stat", "xdev", "nbs14.txt"}, 2, "--stat is adev"},
      {"database 11", {"--db", "11"}, 2, "1 to 10"},
      {"negative tau0", {"--tau0", "-1", "nbs14.txt"}, 2, "positive number"},
      {"no source", {"--tau0", "1"}, 2, "no SOURCE"},
      {"two sources", {"--tau0", "1", "a", "b"}, 2, "one SOURCE only"},
      {"unknown option", {"--fast", "nbs14.txt"}, 2, "unknown option --fast"},
      {"missing database", {"--db", "4"}, 1, "cannot read"},
  };
  for (const Case& c : cases) {
    const Result r = run(c.args);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_TRUE(r.out.empty()) << c.name;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
    EXPECT_EQ(r.err.rfind("v38xx-stability: ", 0), 0u) << c.name;
  }
}

TEST_F(StabilityProgram, HelpNamesEveryOptionAndVersionTheRelease) {
  const Result help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: v38xx-stability [options] SOURCE", 0), 0u);
  for (const char* option :
       {"--db N", "--input KIND", "--nominal F", "--tau0 SECONDS", "--stat NAME", "--taus SET",
        "--csv", "--help", "--version", "Exit status", "9.91E+37"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  const Result version = run({"--version"});
  EXPECT_EQ(version.out, std::string("v38xx-stability ") + V38XX_VERSION + "\n");
}

// A run of the simulated V3800A recorded at "100 ms", its input disconnected for a few
// ticks (overflow answers): the stored settings give tau0, the gaps are counted, and the
// program's lines are those of the analysis of the stored readings with every term touching
// an overflow answer left out.
TEST_F(StabilityProgram, AnalysesARecordedSimulatorRunEndToEnd) {
  const std::vector<int> quiet{40, 41, 42, 150, 151, 299};
  ASSERT_TRUE(stabilitytest::recordSimulatedRun(3, 300, 0, quiet).empty());
  const std::string path = dir.path(3);
  const auto settings = records::lastRunInfo(path);
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->readSpeedMs, 100);
  EXPECT_EQ(settings->model, "V3800A");
  EXPECT_EQ(settings->functionName, "Freq");
  EXPECT_NE(settings->program.find("FUNC 'FREQ 1'\n"), std::string::npos) << settings->program;

  stability::Recording rec = stability::loadRecording(path);
  ASSERT_EQ(rec.values.size(), 300u);
  EXPECT_EQ(*stability::recordedTau0(rec), 0.1);
  std::size_t overflow = 0;
  for (double v : rec.values) overflow += std::fabs(v) >= 9.91e36;
  EXPECT_EQ(overflow, quiet.size());

  const Result r =
      run({"--db", "3", "--stat", "oadev", "--stat", "adev", "--taus", "all", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = r.lines();
  EXPECT_NE(lines[0].find("readings=300 gaps=6 tau0=0.1s(run_info) input=frequency"),
            std::string::npos)
      << lines[0];

  // Brute force on the stored values: every overlapping term, those touching a gap left out.
  std::vector<double> y;
  double mean = 0;
  int valid = 0;
  const std::vector<double> f(rec.values.begin(), rec.values.end() - 1);  // 299 is trimmed
  for (double v : f)
    if (std::fabs(v) < 9.91e36) mean += v, ++valid;
  mean /= valid;
  for (double v : f) y.push_back(std::fabs(v) < 9.91e36 ? (v - mean) / mean : std::nan(""));
  std::size_t checked = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto col = fields(lines[i], ',');
    if (col[0] != "oadev") continue;
    const double tau = std::stod(col[1]);
    const std::size_t m = static_cast<std::size_t>(std::lround(tau / 0.1));
    double sum = 0;
    std::size_t terms = 0;
    for (std::size_t k = 0; k + 2 * m <= y.size(); ++k) {
      double a = 0, b = 0;
      bool gap = false;
      for (std::size_t j = 0; j < m; ++j) {
        a += y[k + j];
        b += y[k + m + j];
        gap = gap || std::isnan(y[k + j]) || std::isnan(y[k + m + j]);
      }
      if (gap) continue;
      const double d = (b - a) / m;
      sum += d * d;
      ++terms;
    }
    ASSERT_EQ(std::stoul(col[2]), terms) << lines[i];
    EXPECT_NEAR(std::stod(col[3]) / std::sqrt(sum / (2.0 * terms)), 1.0, 1e-5) << lines[i];
    ++checked;
  }
  EXPECT_GT(checked, 50u);
}

}  // namespace
