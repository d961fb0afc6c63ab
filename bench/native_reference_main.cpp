// native_reference: the whole run of Ag+Cu (liquid and fcc) beside the native
// reference on the same grids, each measured in a child process of its own so
// that the peak memory belongs to that one calculation. Prints CPU time (user
// plus system), ns per grid point per phase, the ratio and the peak resident
// memory. With --matrix it also measures a 3000 x 3000 run. With --native N M
// it is only the native reference, as a program of its own, on an N x M grid:
// the yardstick for a whole `binodal-cli calc --no-output` process.
//
//   native_reference [--matrix | --native N M]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

#include "calc/run.h"
#include "example_database.h"
#include "native_reference.h"
#include "results/run_diagram.h"

namespace {

using namespace binodal;

struct Measure {
  double cpu_seconds = -1;
  double peak_mib = -1;
  double phases = 0;
  double points = 0;
};

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs `work` in a child; the child reports its CPU time and peak memory.
Measure InChild(const std::function<Measure()>& work) {
  int fd[2];
  if (pipe(fd) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fd[0]);
    const double start = CpuSeconds();
    Measure m = work();
    m.cpu_seconds = CpuSeconds() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    m.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const ssize_t written = write(fd[1], &m, sizeof m);
    _exit(written == static_cast<ssize_t>(sizeof m) ? 0 : 1);
  }
  close(fd[1]);
  Measure m;
  if (read(fd[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) m = {};
  close(fd[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return m;
}

Measure WholeRun(const std::string& folder, const char* system, int n, int m) {
  bench::QuietDialogs dialogs;
  TDM dm(dialogs);
  dm.Start(folder);
  dm.tblSystems.Locate("System_designation", system);
  TRun run(dm, dialogs);
  run.OnBuildDiagram = [&](TRun& r) { (void)BuildRunDiagram(r, dm); };
  RunOverrides grid;  // n, m = 0: the system's own grid
  if (n > 0) grid.XPoints = n;
  if (m > 0) grid.YPoints = m;
  if (run.Run(grid) != RunOutcome::kCompleted) return {};
  Measure result;
  result.phases =
      static_cast<double>(run.Phases.SolutionList().Count() + run.Phases.PointPhaseList().Count());
  result.points = static_cast<double>(run.Results.CompositionList.size()) * (run.YPoints + 1);
  return result;
}

double NsPerPointPhase(const Measure& m) { return m.cpu_seconds * 1e9 / (m.points * m.phases); }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--native") == 0) {
    const int n = std::atoi(argv[2]);
    const int m = std::atoi(argv[3]);
    const bench::NativeResult r = bench::RunNativeAgCu(n, m, 600, 1400);
    std::printf("native Ag+Cu %dx%d: %d columns, %d rows, %lld hull vertices\n", n, m, r.columns,
                r.rows, static_cast<long long>(r.hull_vertices));
    return 0;
  }
  const bool matrix = argc > 1 && std::strcmp(argv[1], "--matrix") == 0;
  const std::string folder = bench::Database().folder;
  std::vector<std::pair<int, int>> sizes = {{100, 100}, {1000, 1000}, {3000, 1000}};
  if (matrix) sizes.emplace_back(3000, 3000);

  std::printf("%-12s %-12s %10s %10s %10s %10s %8s %10s %10s\n", "system", "grid", "run_cpu_s",
              "native_s", "ratio", "run_ns/pp", "nat_ns/pp", "run_MiB", "nat_MiB");
  for (const auto& [n, m] : sizes) {
    const Measure run = InChild([&, n = n, m = m] { return WholeRun(folder, "Ag+Cu", n, m); });
    const Measure native = InChild([n = n, m = m] {
      const bench::NativeResult r = bench::RunNativeAgCu(n, m, 600, 1400);
      Measure result;
      result.phases = 2;
      result.points =
          static_cast<double>(r.columns) * r.rows + 0 * static_cast<double>(r.hull_vertices);
      return result;
    });
    std::printf("%-12s %5dx%-6d %10.3f %10.4f %10.1f %10.1f %8.2f %10.1f %10.1f\n", "Ag+Cu", n, m,
                run.cpu_seconds, native.cpu_seconds, run.cpu_seconds / native.cpu_seconds,
                NsPerPointPhase(run), NsPerPointPhase(native), run.peak_mib, native.peak_mib);
  }
  for (const auto& [n, m] : {std::pair{100, 100}, std::pair{1000, 1000}}) {
    const Measure run = InChild([&, n = n, m = m] { return WholeRun(folder, "Mg+Si", n, m); });
    std::printf("%-12s %5dx%-6d %10.3f %10s %10s %10.1f %8s %10.1f %10s\n", "Mg+Si", n, m,
                run.cpu_seconds, "-", "-", NsPerPointPhase(run), "-", run.peak_mib, "-");
  }
  // Every bundled system on the grid it is stored with.
  for (const char* system : {"A+B", "Ag+Cu", "Al+Zn", "Mg+Si", "Pb+Sn"}) {
    const Measure run = InChild([&] { return WholeRun(folder, system, 0, 0); });
    std::printf("%-12s %12s %10.3f %10s %10s %10.1f %8s %10.1f %10s\n", system, "own grid",
                run.cpu_seconds, "-", "-", NsPerPointPhase(run), "-", run.peak_mib, "-");
  }
  return 0;
}
