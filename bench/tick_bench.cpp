// Cost of one reading tick of the main window: the query to an in-process simulated V3800A,
// parsing the answer, the statistics, the value texts, the trend window and chart geometry,
// and (with Save on) the database row with its own commit.
//   BM_Tick/save:0|1/dots:100|1000  the whole tick through app::FrontPanel
//   BM_TickOwnWork/dots:100|1000     the loop's own work, with the instrument and store stubbed
//   BM_QueryOnly                     the simulated counter's share: one fetch? write and read

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/front_panel.h"
#include "core/clock.h"
#include "reading/reading_loop.h"
#include "visa/builtin_library.h"

namespace {

namespace fs = std::filesystem;

class QuietInteraction final : public core::Interaction {
 public:
  core::Answer message(const std::string&, const std::string&, core::Icon,
                       core::Buttons buttons) override {
    return buttons == core::Buttons::YesNo ? core::Answer::Yes : core::Answer::Ok;
  }
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return std::nullopt;
  }
};

struct NoTimers final : app::Timers {
  void start(int, int) override {}
  void stop(int) override {}
};

struct NoDialogs final : app::Dialogs {
  void showSettingMode(records::SettingMode& m) override {
    m.open(96, 96);
    m.close();
  }
  bool showTcpipAddress(instrument::TcpipAddressData&) override { return false; }
  void open(app::Dialog) override {}
};

// A fresh database folder as the process's current directory.
class DatabaseFolder {
 public:
  DatabaseFolder() : previous_(fs::current_path()) {
    char pattern[] = "/tmp/v38xx_tick_XXXXXX";
    root_ = mkdtemp(pattern);
    fs::create_directory(root_ / "DB");
    fs::current_path(root_ / "DB");
  }
  ~DatabaseFolder() {
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

 private:
  fs::path previous_;
  fs::path root_;
};

int dotsIndex(int dots) { return dots == 1000 ? 5 : 1; }  // "Dots" entries 50 100 ... 1000

void BM_Tick(benchmark::State& state) {
  DatabaseFolder folder;
  core::SystemClock clock;
  visa::BuiltinLibrary visa;
  QuietInteraction ui;
  NoTimers timers;
  NoDialogs dialogs;
  app::FrontPanel fp(visa, ui, clock, timers, dialogs, {"", "English(U.S)"});
  fp.setChartSize(808, 300);
  fp.initialize();
  fp.panel().select(measure::Ctl::Dots, dotsIndex(static_cast<int>(state.range(1))));
  fp.selection().save = state.range(0) != 0;
  fp.selection().database = 1;
  fp.command(app::Command::RunStart);
  if (!fp.running()) {
    state.SkipWithError("the run did not start");
    return;
  }
  for (auto _ : state) fp.onTimer();
  const int readings = fp.loop().count();
  fp.command(app::Command::RunStop);
  if (readings != state.iterations()) state.SkipWithError("a tick took no reading");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Tick)
    ->ArgNames({"save", "dots"})
    ->Args({0, 100})
    ->Args({1, 100})
    ->Args({1, 1000})
    ->Unit(benchmark::kMicrosecond);

struct FixedLink final : reading::ReadingLink {
  void write(const std::string&) override {}
  std::string read() override {
    // Alternating answers keep the chart's span and scale at work.
    flip = !flip;
    return flip ? "+1.00000012345E+007\n" : "+9.99999987650E+006\n";
  }
  bool lastReadFailed() const override { return false; }
  bool flip = false;
};
struct NoStore final : reading::ReadingStore {
  bool append(const std::string&, std::string*) override { return true; }
};
struct PlainControls final : reading::RunControls {
  std::string modelCode() const override { return "3800"; }
  bool stopTimeChecked() const override { return false; }
  reading::StopTime stopTime() const override { return {}; }
  bool stopAfterNChecked() const override { return false; }
  long long stopAfterN() const override { return 0; }
  bool setScaleOffsetChecked() const override { return false; }
  bool scaleOffsetCompactChecked() const override { return false; }
};
struct SinkDisplay final : reading::ReadingDisplay {
  void showCount(const std::string& t) override { benchmark::DoNotOptimize(t.data()); }
  void showStdev(const std::string& t) override { benchmark::DoNotOptimize(t.data()); }
  void showElapsed(const std::string& t) override { benchmark::DoNotOptimize(t.data()); }
  void showCurrent(const std::string& t) override { benchmark::DoNotOptimize(t.data()); }
  void showTrend(const reading::TrendChart& c) override {
    benchmark::DoNotOptimize(c.geometry.line.data());
  }
  int chartWidth() const override { return 808; }
  int chartHeight() const override { return 300; }
};

void BM_TickOwnWork(benchmark::State& state) {
  FixedLink link;
  NoStore store;
  PlainControls controls;
  SinkDisplay display;
  QuietInteraction ui;
  core::SystemClock clock;
  reading::ReadingLoop loop({link, store, controls, display, ui, clock, nullptr});
  loop.setDots(static_cast<int>(state.range(0)));
  loop.setRunning(true);
  loop.start({0, false, true});
  for (auto _ : state) loop.tick();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TickOwnWork)->ArgName("dots")->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_QueryOnly(benchmark::State& state) {
  visa::BuiltinLibrary visa;
  ViSession rm = 0, s = 0;
  visa.viOpenDefaultRM(&rm);
  visa.viOpen(rm, "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR", 0, 0, &s);
  const std::string on = "INIT:CONT ON";
  ViUInt32 n = 0;
  visa.viWrite(s, reinterpret_cast<const ViByte*>(on.data()), on.size(), &n);
  const std::string query = "fetch?\n";
  ViByte buffer[129];
  for (auto _ : state) {
    visa.viWrite(s, reinterpret_cast<const ViByte*>(query.data()), query.size(), &n);
    visa.viRead(s, buffer, 128, &n);
  }
  visa.viClose(rm);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QueryOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
