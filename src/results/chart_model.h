// What a chart shows, independent of any drawing library: series of points
// or lines with their looks, a title and a foot. The phase diagram and the
// working diagram are built as such models; the chart code of the desktop
// program and of the command line draws them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/color.h"

namespace binodal {

enum class SeriesKind : std::uint8_t { kPoints, kLine };
enum class MarkerStyle : std::uint8_t { kCircle, kTriangle };

struct ChartPoint {
  double X = 0;
  double Y = 0;
  std::optional<TColor> Color;  // none: the series' colour
  bool operator==(const ChartPoint&) const = default;
};

struct ChartSeries {
  std::string Title;
  SeriesKind Kind = SeriesKind::kPoints;
  std::optional<TColor> Color;  // none: chosen by the chart
  MarkerStyle Marker = MarkerStyle::kCircle;
  int MarkerSize = 2;          // pixels, width = height
  bool DottedOutline = false;  // marker outline drawn dotted in the series colour
  std::vector<ChartPoint> Points;
  bool Visible = true;  // a hidden series keeps its points but is not drawn
  bool operator==(const ChartSeries&) const = default;
};

struct ChartModel {
  std::vector<std::string> TitleLines;  // drawn above the Y axis, left aligned
  std::vector<std::string> FootLines;   // drawn below the x axis, right aligned
  std::vector<ChartSeries> Series;
  bool operator==(const ChartModel&) const = default;
};

}  // namespace binodal
