// The record dialogs on real-sized recordings: databases of 1 M and 10 M readings are written
// once per run into a temporary folder (one transaction each) and removed at the end.
//   opening a database (statistics and the first page), the first, middle and last page,
//   a search matching 10,000 readings spread over the whole file, the CSV export (rows per
//   second), drawing every record into the chart picture.
// Each result carries the process's peak resident memory so far (max_rss_MB); run one size
// at a time (--benchmark_filter='/1000000(/|$)' or '/10000000(/|$)') to compare the peaks.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <filesystem>
#include <map>
#include <memory>

#include "core/interaction.h"
#include "measure/texts.h"
#include "records/chart_record.h"
#include "records/chart_record_widget.h"
#include "records/view_record.h"
#include "tests/records_view/reading_files.h"

namespace {

namespace fs = std::filesystem;

// Answers every question with Yes and every Save As with a file in the scratch folder.
class BenchInteraction : public core::Interaction {
 public:
  std::string exportFolder;
  core::Answer message(const std::string&, const std::string&, core::Icon, core::Buttons) override {
    return core::Answer::Yes;
  }
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return core::SaveFileChoice{exportFolder, "export.csv"};
  }
};

// Readings of database n: 10,000 of each of count / 10,000 distinct values, in turn, on a
// slow wave, so a search for one value matches 10,000 readings spread over the whole file.
double readingValue(long long i, long long count) {
  const long long distinct = std::max(1LL, count / 10000);
  return 1e7 + static_cast<double>(i % distinct) * 0.5;
}

// The scratch folder with database 1 (1 M readings) and database 2 (10 M readings).
class Recordings {
 public:
  static Recordings& instance() {
    static Recordings recordings;
    return recordings;
  }
  // The number of the database holding `count` readings, written on first use.
  int database(long long count) {
    const int n = count >= 10000000 ? 2 : 1;
    if (!written_[n]) {
      viewtest::writeReadings(dir_->path(n), count,
                              [count](long long i) { return readingValue(i, count); });
      written_[n] = true;
    }
    fs::current_path(dir_->root());
    return n;
  }
  const std::string& root() const { return dir_->root(); }

 private:
  Recordings() : dir_(std::make_unique<viewtest::StartDirectory>()) {}
  std::unique_ptr<viewtest::StartDirectory> dir_;
  std::map<int, bool> written_;
};

void reportMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["max_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Opens the View Record dialog's logic and chooses the database with `count` readings.
int chooseIn(records::ViewRecord& view, long long count) {
  const int n = Recordings::instance().database(count);
  view.open(96, 96);
  const auto& entries = view.view().entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (records::entryDatabaseNumber(entries[i]) == n) return static_cast<int>(i);
  }
  return -1;
}

void BM_OpenDatabase(benchmark::State& state) {
  BenchInteraction ui;
  measure::Texts texts;
  records::ViewRecord view(ui, texts);
  Recordings::instance().database(state.range(0));  // written before the timing
  for (auto _ : state) {
    const int entry = chooseIn(view, state.range(0));
    view.chooseDatabase(entry);
    benchmark::DoNotOptimize(view.view().rows.size());
  }
  if (view.view().countText != std::to_string(state.range(0))) state.SkipWithError("wrong count");
  reportMemory(state);
}

void showPage(benchmark::State& state, int which) {
  BenchInteraction ui;
  measure::Texts texts;
  records::ViewRecord view(ui, texts);
  view.chooseDatabase(chooseIn(view, state.range(0)));
  // The last page holding readings (a count that fills its pages exactly ends with an empty
  // one).
  const int pages = static_cast<int>(view.view().ranges.size()) - (state.range(0) % 10000 ? 0 : 1);
  const int page = which < 0 ? pages - 1 : which == 0 ? 0 : pages / 2;
  for (auto _ : state) {
    view.chooseRange(page);
    benchmark::DoNotOptimize(view.view().rows.size());
  }
  if (view.view().gridRows < 2) state.SkipWithError("empty page");
  reportMemory(state);
}

void BM_FirstPage(benchmark::State& state) { showPage(state, 0); }
void BM_MiddlePage(benchmark::State& state) { showPage(state, 1); }
void BM_LastPage(benchmark::State& state) { showPage(state, -1); }

void BM_Search10000Matches(benchmark::State& state) {
  BenchInteraction ui;
  measure::Texts texts;
  records::ViewRecord view(ui, texts);
  view.chooseDatabase(chooseIn(view, state.range(0)));
  const std::string limit = records::fixedText(readingValue(1, state.range(0)), 3);
  view.setHiText(limit);
  view.setLoText(limit);
  for (auto _ : state) {
    view.search();
    benchmark::DoNotOptimize(view.view().rows.size());
  }
  if (view.view().rows.size() != 10000) state.SkipWithError("not 10,000 matches");
  reportMemory(state);
}

void BM_ExportCsv(benchmark::State& state) {
  BenchInteraction ui;
  ui.exportFolder = Recordings::instance().root();
  measure::Texts texts;
  records::ViewRecord view(ui, texts);
  view.chooseDatabase(chooseIn(view, state.range(0)));
  for (auto _ : state) view.exportCsv();
  state.SetItemsProcessed(state.iterations() * state.range(0));
  const fs::path file = fs::path(ui.exportFolder) / "export.csv";
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
  fs::remove(file);
  reportMemory(state);
}

void BM_DrawAll(benchmark::State& state) {
  BenchInteraction ui;
  measure::Texts texts;
  records::ChartRecord chart(ui, texts);
  const int n = Recordings::instance().database(state.range(0));
  chart.open();
  const auto& entries = chart.view().entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (records::entryDatabaseNumber(entries[i]) == n) chart.chooseDatabase(static_cast<int>(i));
  }
  const QSize size(660, 300);
  QImage picture(size, QImage::Format_RGB32);
  size_t points = 0;
  for (auto _ : state) {
    const auto trace = chart.draw(size.width(), size.height());
    if (!trace) {
      state.SkipWithError("nothing drawn");
      break;
    }
    QPainter p(&picture);
    records::paintChartBackground(p, size);
    records::paintChartTrace(p, *trace, QColor(0, 255, 255));
    points = trace->points.size();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["points"] = static_cast<double>(points);
  reportMemory(state);
}

}  // namespace

BENCHMARK(BM_OpenDatabase)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_FirstPage)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MiddlePage)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LastPage)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search10000Matches)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_ExportCsv)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DrawAll)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(3);
