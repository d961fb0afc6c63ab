#include "results/working_diagram.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace binodal {
namespace {

void Widen(std::optional<WorkingDiagram::Extent>& extent, double value) {
  if (!extent) {
    extent = WorkingDiagram::Extent{value, value};
  } else {
    extent->Min = std::min(extent->Min, value);
    extent->Max = std::max(extent->Max, value);
  }
}

}  // namespace

AxisScale RoundScale(double min, double max, int intervals) {
  if (max < min) std::swap(min, max);
  if (!(max > min)) {
    const double half = min == 0 ? 1 : std::abs(min) * 0.05;
    min -= half;
    max += half;
  }
  intervals = std::max(1, intervals);
  const double power = std::pow(10.0, std::floor(std::log10((max - min) / intervals)));
  for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0, 20.0}) {
    const double step = factor * power;
    const double low = std::floor(min / step) * step;
    const double high = std::ceil(max / step) * step;
    if ((high - low) / step <= intervals + 1e-9) return {low, high, step};
  }
  return {min, max, max - min};  // not reached: a step of 20 powers always fits
}

void WorkingDiagram::SetSeries(const std::vector<std::string>& solution_phases) {
  model_ = ChartModel{};
  model_.TitleLines = {"       G"};
  model_.FootLines = {"x"};
  for (const std::string& phase : solution_phases) {
    ChartSeries line;
    line.Title = phase;
    line.Kind = SeriesKind::kLine;
    model_.Series.push_back(std::move(line));
  }
  ChartSeries convex;
  convex.Title = kConvexTitle;
  convex.Kind = SeriesKind::kLine;
  convex.Color = kConvexColor;
  model_.Series.push_back(std::move(convex));
  x_.reset();
  g_.reset();
}

void WorkingDiagram::Clear() {
  for (ChartSeries& series : model_.Series) series.Points.clear();
  x_.reset();
  g_.reset();
}

void WorkingDiagram::Add(std::size_t series, double x, double g) {
  if (series >= model_.Series.size() || !std::isfinite(x) || !std::isfinite(g) || g >= kAbsentG) {
    return;
  }
  model_.Series[series].Points.push_back(ChartPoint{x, g, std::nullopt});
  Widen(x_, x);
  Widen(g_, g);
}

}  // namespace binodal
