#include "results/phase_diagram.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace binodal {

FixedQuantity FixedQuantityFor(int y_item_index) {
  switch (y_item_index) {
    case kYTemperature:
      return {"p, bar", true};
    case kYPressure:
      return {"T, K", true};
    case kYOther:
      return {"p = 1 bar, T = 300 K", false};
    default:
      return {"", false};
  }
}

char YLetter(int y_item_index, std::string_view y_item_text) {
  if (!y_item_text.empty()) return y_item_text.front();
  switch (y_item_index) {
    case kYTemperature:
      return 'T';
    case kYPressure:
      return 'P';
    default:
      return 'Y';
  }
}

std::string DiagramTitle(int y_item_index, std::string_view y_item_text,
                         std::string_view y_caption) {
  switch (y_item_index) {
    case kYTemperature:
      return "T, K";
    case kYPressure:
      return "p, bar";
    default:
      return std::string(y_caption.empty() ? y_item_text : y_caption);
  }
}

std::vector<std::string> TextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::vector<std::string> DiagramFoot(std::string_view x_caption, std::string_view foot_text) {
  return TextLines(x_caption.empty() ? foot_text : x_caption);
}

ChartSeries PhaseBoundariesSeries(std::span<const TZPoint> boundary_points, int boundary_last) {
  ChartSeries series;
  series.Title = "Phase boundaries";
  series.Kind = SeriesKind::kPoints;
  series.Marker = MarkerStyle::kCircle;
  series.MarkerSize = 2;
  if (boundary_last >= 0) {
    const std::size_t count =
        std::min(boundary_points.size(), static_cast<std::size_t>(boundary_last) + 1);
    for (const TZPoint& point : boundary_points.first(count)) {
      series.Points.push_back({point.X, point.Y, std::nullopt});
    }
  }
  return series;
}

ChartSeries SpecialPointsSeries(std::span<const ChartPoint> points) {
  ChartSeries series;
  series.Title = "Special points";
  series.Kind = SeriesKind::kPoints;
  series.Color = kSpecialPointsColor;
  series.Marker = MarkerStyle::kCircle;
  series.MarkerSize = 2;
  series.DottedOutline = true;
  series.Points.assign(points.begin(), points.end());
  return series;
}

ChartSeries NodeLineSeries(const TNode& node, NumberSeparators separators) {
  ChartSeries series;
  series.Title = "Node at " + FormatFloat("0.###", node.Y, separators) + "K";
  series.Kind = SeriesKind::kLine;
  series.Color = kNodeLineColor;
  series.Points = {{node.XLeft, node.Y, kSeriesZeroColor}, {node.XRight, node.Y, kSeriesZeroColor}};
  return series;
}

ChartSeries ExperimentalPointsSeries(std::span<const ExperimentalPoint> points) {
  ChartSeries series;
  series.Title = "Experimental points";
  series.Kind = SeriesKind::kPoints;
  series.Marker = MarkerStyle::kTriangle;
  series.MarkerSize = 3;
  for (const ExperimentalPoint& point : points) {
    series.Points.push_back({point.X_value, point.Y_value, std::nullopt});
  }
  return series;
}

void DrawNodeLines(ChartModel& chart, std::span<const TNode> nodes, NumberSeparators separators) {
  for (const TNode& node : nodes) chart.Series.push_back(NodeLineSeries(node, separators));
}

ChartModel BuildPhaseDiagram(const PhaseDiagramInput& input, SpecialPointResult* search_out) {
  ChartModel chart;
  chart.TitleLines = {DiagramTitle(input.YItemIndex, input.YItemText, input.YCaption)};
  chart.FootLines = DiagramFoot(input.XCaption, input.FootText);
  chart.Series.push_back(PhaseBoundariesSeries(input.BoundaryPoints, input.BoundaryLast));

  const TPhaseMatrix empty_matrix;
  SpecialPointResult search =
      FindSpecialPoints(input.Matrix != nullptr ? *input.Matrix : empty_matrix,
                        YLetter(input.YItemIndex, input.YItemText), input.Separators);
  chart.Series.push_back(SpecialPointsSeries(search.SpecialSeriesPoints));
  DrawNodeLines(chart, search.NodeList, input.Separators);

  if (!input.ExperimentalPoints.empty()) {
    chart.Series.push_back(ExperimentalPointsSeries(input.ExperimentalPoints));
  }
  if (search_out != nullptr) *search_out = std::move(search);
  return chart;
}

}  // namespace binodal
