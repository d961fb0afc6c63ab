// How a chart model is drawn: the parts of a chart's appearance that the
// model itself does not carry (axis ranges and ticks, legend, fonts, marker
// scale). Plain values, no Qt; the chart builder reads them.
#pragma once

#include <optional>
#include <string>

#include "common/color.h"

namespace binodal::charts {

struct AxisRange {
  double Min = 0;
  double Max = 1;
  bool operator==(const AxisRange&) const = default;
};

struct ChartLook {
  // Axis ranges; none: from the points of all series, widened to whole
  // multiples of the tick interval (a range of width 0 is widened around its
  // value so that it stays drawable).
  std::optional<AxisRange> XRange;
  std::optional<AxisRange> YRange;
  // Distance between labelled ticks; none: a round step giving about eight
  // labels over the range.
  std::optional<double> XTickInterval;
  std::optional<double> YTickInterval;
  int XMinorTicks = 9;  // minor ticks between two labelled ticks
  int YMinorTicks = 4;
  bool ShowLegend = false;  // the legend, on the right, lists the series titles
  TColor Background = 0xFFFFFF;
  // The title and foot texts: font family (empty: the application's font),
  // size in pixels (0 or less: the application's size), style and colour.
  std::string TitleFontFamily;
  int TitlePixelSize = 13;
  bool TitleBold = false;
  bool TitleItalic = false;
  TColor TitleColor = 0;
  std::string FootFontFamily;
  int FootPixelSize = 13;
  bool FootBold = false;
  bool FootItalic = false;
  TColor FootColor = 0;
  // Markers are drawn MarkerSize * MarkerScale pixels wide. The sizes a model
  // gives (2 and 3 pixels) are those of tiny screen markers; at 2.5 they
  // become 5 and 7.5 pixels, which stay readable on a picture about 800
  // pixels wide.
  double MarkerScale = 2.5;
  bool operator==(const ChartLook&) const = default;
};

// The phase diagram: no legend, composition ticks every 0.1 with 9 minor
// ticks, 4 minor ticks on the Y axis.
[[nodiscard]] ChartLook PhaseDiagramLook();

// The working diagram (G against x): legend shown, italic title, 12-pixel
// foot.
[[nodiscard]] ChartLook WorkingDiagramLook();

}  // namespace binodal::charts
