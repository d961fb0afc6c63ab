// Whole runs of the bundled example systems: time per run and per grid point.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include <unistd.h>

#include "calc/run.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "results/run_diagram.h"
#include "thermo/data_module.h"

namespace {

using namespace binodal;

class QuietDialogs : public Dialogs {
 public:
  void Error(std::string_view) override { ++errors; }
  void Warning(std::string_view) override { ++errors; }
  void Information(std::string_view) override {}
  void Message(std::string_view) override { ++errors; }
  bool Confirm(std::string_view) override { return false; }
  int errors = 0;
};

// The example database, made once in a temporary folder.
struct ExampleDatabase {
  ExampleDatabase() {
    folder =
        (std::filesystem::temp_directory_path() / ("binodal_bench_" + std::to_string(::getpid())))
            .string() +
        "/";
    std::filesystem::create_directories(folder);
    TDM::CreateEmptyDatabase(folder);
    QuietDialogs dialogs;
    TDM dm(dialogs);
    dm.Start(folder);
    for (TStoreTable* table : dm.Tables()) table->SetReadOnly(false);
    const std::string data = BINODAL_DATA_DIR;
    UploadStabilityParameters(dm, data + "/STABILITY_PARAMS.txt", dialogs);
    for (const char* system : {"Ag+Cu", "Mg+Si", "Pb+Sn", "Al+Zn", "A+B"}) {
      UploadSystem(dm, data + "/" + system + ".ter", dialogs);
    }
    dm.SaveDatabase();
  }
  ~ExampleDatabase() { std::filesystem::remove_all(folder); }
  std::string folder;
};

const ExampleDatabase& Database() {
  static const ExampleDatabase database;
  return database;
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
  state.counters["grid_points"] = points;
  state.counters["ns_per_grid_point"] =
      benchmark::Counter(points * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["messages"] = dialogs.errors;
}

void BM_RunAgCu(benchmark::State& state) { RunSystem(state, "Ag+Cu"); }
void BM_RunMgSi(benchmark::State& state) { RunSystem(state, "Mg+Si"); }
BENCHMARK(BM_RunAgCu)->Args({100, 100})->Args({1000, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunMgSi)->Args({100, 100})->Unit(benchmark::kMillisecond);

}  // namespace
