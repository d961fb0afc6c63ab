// A yardstick for the run: the Ag-Cu liquid and fcc Gibbs energies written
// directly in C++ (doubles, no expression engine), evaluated on the grid the
// run uses (compositions i/N, rows from Ymax down to Ymin), with the lowest
// phase per column and a lower convex hull per row. The program never uses it;
// the benchmarks put its time beside the run's.
#pragma once

#include <cstdint>
#include <vector>

namespace binodal::bench {

// Gibbs energies in J/mol of atoms at T (K) and x = x(Cu); the ideal mixing
// term is 0 at x = 0 and x = 1.
[[nodiscard]] double AgCuLiquidG(double x, double T);
[[nodiscard]] double AgCuFccG(double x, double T);

struct NativeResult {
  int columns = 0;
  int rows = 0;
  // Per grid point, row-major: 0 liquid, 1 fcc, 2 inside a two-phase field.
  std::vector<std::uint8_t> cells;
  std::int64_t hull_vertices = 0;  // summed over the rows
};

// x_steps intervals (x_steps + 1 columns) and y_steps intervals (y_steps + 1 rows).
[[nodiscard]] NativeResult RunNativeAgCu(int x_steps, int y_steps, double ymin, double ymax);

}  // namespace binodal::bench
