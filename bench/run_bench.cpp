// Whole runs of the bundled example systems: time per run and per grid point,
// beside the native reference (bench/native_reference.h) on the same grid.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include "calc/run.h"
#include "example_database.h"
#include "native_reference.h"
#include "results/run_diagram.h"
#include "thermo/data_module.h"

namespace {

using namespace binodal;
using bench::Database;
using bench::QuietDialogs;

// Peak resident memory of the whole process so far, in MiB. It only grows:
// run one benchmark per process (--benchmark_filter) for the figure of one size.
double PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void PerPointCounters(benchmark::State& state, double points, double phases) {
  state.counters["grid_points"] = points;
  state.counters["ns_per_grid_point"] =
      benchmark::Counter(points * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_point_phase"] =
      benchmark::Counter(points * phases * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["peak_MiB"] = PeakMemoryMiB();
}

void RunSystem(benchmark::State& state, const char* system) {
  QuietDialogs dialogs;
  TDM dm(dialogs);
  dm.Start(Database().folder);
  dm.tblSystems.Locate("System_designation", system);
  const int n = static_cast<int>(state.range(0));
  const int m = static_cast<int>(state.range(1));
  TRun run(dm, dialogs);
  run.OnBuildDiagram = [&](TRun& r) { benchmark::DoNotOptimize(BuildRunDiagram(r, dm)); };
  for (auto _ : state) {
    RunOverrides grid;
    grid.XPoints = n;
    grid.YPoints = m;
    if (run.Run(grid) != RunOutcome::kCompleted) {
      state.SkipWithError("the run did not complete");
      return;
    }
  }
  const double points = static_cast<double>(run.Results.CompositionList.size()) * (m + 1);
  const double phases =
      static_cast<double>(run.Phases.SolutionList().Count() + run.Phases.PointPhaseList().Count());
  PerPointCounters(state, points, phases);
  state.counters["messages"] = dialogs.errors;
}

// The Ag-Cu system's own range: 600 K to 1400 K.
void BM_NativeAgCu(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int m = static_cast<int>(state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(bench::RunNativeAgCu(n, m, 600, 1400));
  PerPointCounters(state, static_cast<double>(n + 1) * (m + 1), 2);
}

void BM_RunAgCu(benchmark::State& state) { RunSystem(state, "Ag+Cu"); }
void BM_RunMgSi(benchmark::State& state) { RunSystem(state, "Mg+Si"); }
BENCHMARK(BM_RunAgCu)
    ->Args({100, 100})
    ->Args({1000, 1000})
    ->Args({3000, 1000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NativeAgCu)
    ->Args({100, 100})
    ->Args({1000, 1000})
    ->Args({3000, 1000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunMgSi)->Args({100, 100})->Args({1000, 1000})->Unit(benchmark::kMillisecond);

}  // namespace
