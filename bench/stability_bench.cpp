// Overlapping Allan and modified Allan deviation at every octave tau on 10^7 frequency
// readings: one pass over the phase array per tau, the phase made in place in the readings'
// own array (no copy). Target: both statistics at all octave taus in under 2 s.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "stability/analysis.h"

namespace {

std::vector<double> readings(std::size_t n) {
  std::mt19937_64 rng(1);
  std::normal_distribution<double> noise(0.0, 0.01);
  std::vector<double> v;
  v.reserve(n + 1);
  for (std::size_t i = 0; i < n; ++i) v.push_back(10e6 + noise(rng));
  return v;
}

void analyseOctaves(benchmark::State& state, std::vector<stability::Statistic> statistics) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> source = readings(n);
  std::size_t points = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<double> copy;
    copy.reserve(n + 1);
    copy = source;
    state.ResumeTiming();
    // The conversion to fractional frequency and phase is part of the analysis.
    const stability::PhaseSeries s =
        stability::toPhase(std::move(copy), {stability::InputKind::Frequency, std::nullopt, 0.1});
    stability::AnalysisOptions options;
    options.statistics = statistics;
    options.taus = stability::TauSet::Octave;
    options.identifyNoise = false;
    const auto result = stability::analyse(s, options);
    points = result.size();
    benchmark::DoNotOptimize(result.data());
  }
  state.counters["taus"] = static_cast<double>(points);
  state.SetItemsProcessed(state.iterations() * static_cast<long long>(n));
}

void OadevAndMdevAllOctaves(benchmark::State& state) {
  analyseOctaves(state, {stability::Statistic::Oadev, stability::Statistic::Mdev});
}
void OadevAllOctaves(benchmark::State& state) {
  analyseOctaves(state, {stability::Statistic::Oadev});
}
void MdevAllOctaves(benchmark::State& state) {
  analyseOctaves(state, {stability::Statistic::Mdev});
}

// 10^6 and 10^7 readings: the time per reading stays the same (linear in N).
BENCHMARK(OadevAndMdevAllOctaves)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(OadevAllOctaves)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MdevAllOctaves)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
