#include "native_reference.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace binodal::bench {
namespace {

constexpr double kR = 8.31441;

// SGTE unaries (Dinsdale 1991), both temperature pieces.
double GhserAg(double T) {
  const double lnT = std::log(T);
  if (T < 1235.08) {
    return -7209.512 + 118.200733 * T - 23.8463314 * T * lnT - 0.001790585 * T * T -
           3.98587E-07 * T * T * T - 12011 / T;
  }
  return -15095.314 + 190.265169 * T - 33.472 * T * lnT + 1.412186E+29 * std::pow(T, -9);
}

double GhserCu(double T) {
  const double lnT = std::log(T);
  if (T < 1358.02) {
    return -7770.458 + 130.485403 * T - 24.112392 * T * lnT - 0.00265684 * T * T +
           1.29223E-07 * T * T * T + 52478 / T;
  }
  return -13542.33 + 183.804197 * T - 31.38 * T * lnT + 3.64643E+29 * std::pow(T, -9);
}

double GAgLiquid(double T) {
  if (T < 1235.08) return 11025.293 - 8.890146 * T - 1.0322E-20 * std::pow(T, 7) + GhserAg(T);
  return 11507.972 - 9.300495 * T - 1.412186E+29 * std::pow(T, -9) + GhserAg(T);
}

double GCuLiquid(double T) {
  if (T < 1358.02) return 12964.84 - 9.510243 * T - 5.83932E-21 * std::pow(T, 7) + GhserCu(T);
  return 13495.4 - 9.920463 * T - 3.64643E+29 * std::pow(T, -9) + GhserCu(T);
}

double IdealMixing(double x, double T) {
  if (!(x > 0 && x < 1)) return 0;
  return kR * T * (x * std::log(x) + (1 - x) * std::log(1 - x));
}

// Cross product of (b - a) and (c - a): positive when a, b, c turn left.
double Cross(double ax, double ay, double bx, double by, double cx, double cy) {
  return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

}  // namespace

double AgCuLiquidG(double x, double T) {
  const double k = 1 - 2 * x;
  return (1 - x) * GAgLiquid(T) + x * GCuLiquid(T) + IdealMixing(x, T) +
         x * (1 - x) * ((17534.6 - 4.45479 * T) + (2251.3 - 2.6733 * T) * k + 492.7 * k * k);
}

double AgCuFccG(double x, double T) {
  return (1 - x) * GhserAg(T) + x * GhserCu(T) + IdealMixing(x, T) +
         x * (1 - x) * ((33819.1 - 8.1236 * T) + (-5601.9 + 1.32997 * T) * (1 - 2 * x));
}

NativeResult RunNativeAgCu(int x_steps, int y_steps, double ymin, double ymax) {
  NativeResult result;
  const auto columns = static_cast<std::size_t>(x_steps) + 1;
  result.columns = static_cast<int>(columns);
  result.rows = y_steps + 1;
  result.cells.assign(columns * static_cast<std::size_t>(result.rows), 0);
  std::vector<double> xs(columns), g(columns);
  std::vector<std::uint8_t> phase(columns);
  std::vector<std::size_t> hull;
  hull.reserve(columns);
  for (std::size_t i = 0; i < columns; ++i) xs[i] = static_cast<double>(i) / x_steps;
  const double dy = (ymax - ymin) / y_steps;
  for (int row = 0; row < result.rows; ++row) {
    const double T = ymax - row * dy;
    for (std::size_t i = 0; i < columns; ++i) {
      const double liquid = AgCuLiquidG(xs[i], T);
      const double fcc = AgCuFccG(xs[i], T);
      phase[i] = fcc < liquid ? 1 : 0;
      g[i] = std::min(liquid, fcc);
    }
    // Lower hull by the monotone chain; the compositions are sorted already.
    hull.clear();
    for (std::size_t i = 0; i < columns; ++i) {
      while (hull.size() >= 2 && Cross(xs[hull[hull.size() - 2]], g[hull[hull.size() - 2]],
                                       xs[hull.back()], g[hull.back()], xs[i], g[i]) <= 0) {
        hull.pop_back();
      }
      hull.push_back(i);
    }
    result.hull_vertices += static_cast<std::int64_t>(hull.size());
    std::uint8_t* cells = result.cells.data() + static_cast<std::size_t>(row) * columns;
    std::fill(cells, cells + columns, std::uint8_t{2});
    for (std::size_t k = 0; k < hull.size(); ++k) {
      // Neighbouring hull vertices are one phase; a wider gap is a two-phase field.
      cells[hull[k]] = phase[hull[k]];
    }
  }
  return result;
}

}  // namespace binodal::bench
