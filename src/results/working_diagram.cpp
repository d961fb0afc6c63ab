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
