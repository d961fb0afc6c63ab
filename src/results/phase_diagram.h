// The phase diagram as a chart model: the Y quantity against the composition
// x, built from the results of the last run.
//
// BuildPhaseDiagram produces the series in this order:
//   0      "Phase boundaries"  points, circles 2 x 2, colour chosen by the chart
//   1      "Special points"    points, red circles 2 x 2 with a dotted outline
//   2 ..   "Node at <Y>K"      one black line per node, (XLeft, Y) to (XRight, Y)
//   last   "Experimental points"  triangles 3 x 3, only when there are points
// with the Y quantity as the title line and the composition caption as the foot.
// Every build starts from nothing: the same input gives the same model.
//
// The points of the node lines take the colour the chart chose for series 0.
// As that colour is not known here, they carry the marker kSeriesZeroColor;
// whoever draws the model replaces it with series 0's actual colour.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "calc/result_model.h"
#include "common/number_format.h"
#include "results/chart_model.h"
#include "results/special_points.h"

namespace binodal {

// A ChartPoint colour meaning "the colour of series 0 of the same chart".
// It lies above 0xFFFFFF, so it never equals a real 0xBBGGRR colour.
inline constexpr TColor kSeriesZeroColor = 0x01000000;

inline constexpr TColor kSpecialPointsColor = 255;  // red
inline constexpr TColor kNodeLineColor = 0;         // black

// The diagram window's foot text until the chart settings replace it.
inline constexpr std::string_view kDefaultFootText =
    "Mole fraction (x) of component B in A-B system";

// Items of the main window's Y-quantity selector.
inline constexpr int kYTemperature = 0;
inline constexpr int kYPressure = 1;
inline constexpr int kYOther = 2;  // the item "Y"

// The quantity held fixed during a run, as the main window labels it next to
// its value edit, and whether that edit is shown.
struct FixedQuantity {
  std::string_view Label;
  bool ValueShown = true;
  bool operator==(const FixedQuantity&) const = default;
};

// Temperature selected: "p, bar"; Pressure: "T, K"; Y: "p = 1 bar, T = 300 K"
// with the value edit hidden. Any other index: an empty label, edit hidden.
[[nodiscard]] FixedQuantity FixedQuantityFor(int y_item_index);

// The letter that starts appearance point texts: the first character of the
// selector's text; for an empty text, T, P or Y after the item index.
[[nodiscard]] char YLetter(int y_item_index, std::string_view y_item_text);

// The chart title: "T, K" (temperature), "p, bar" (pressure); for the item
// "Y" (and any unknown index) `y_caption` when not empty, else the selector's text.
[[nodiscard]] std::string DiagramTitle(int y_item_index, std::string_view y_item_text,
                                       std::string_view y_caption);

// The lines of `text`, split at CR LF, CR or LF; a line break at the very end
// adds no empty line, and an empty text has no lines.
[[nodiscard]] std::vector<std::string> TextLines(std::string_view text);

// The chart foot: the lines of `x_caption` when it is not empty, else those
// of `foot_text`.
[[nodiscard]] std::vector<std::string> DiagramFoot(std::string_view x_caption,
                                                   std::string_view foot_text);

struct ExperimentalPoint {
  double X_value = 0;
  double Y_value = 0;
  bool operator==(const ExperimentalPoint&) const = default;
};

// Series 0 with entries 0 .. `boundary_last` of `boundary_points` as (X, Y);
// `boundary_last` beyond the array stops at its end, below 0 gives no point.
[[nodiscard]] ChartSeries PhaseBoundariesSeries(std::span<const TZPoint> boundary_points,
                                                int boundary_last);
// Series 1 holding `points` as given.
[[nodiscard]] ChartSeries SpecialPointsSeries(std::span<const ChartPoint> points);
// The line of one node, titled "Node at " + FormatFloat("0.###", Y) + "K".
[[nodiscard]] ChartSeries NodeLineSeries(const TNode& node, NumberSeparators separators = {});
// The experimental points in the order given.
[[nodiscard]] ChartSeries ExperimentalPointsSeries(std::span<const ExperimentalPoint> points);

// Appends one node line series per node, in the order of `nodes`.
void DrawNodeLines(ChartModel& chart, std::span<const TNode> nodes,
                   NumberSeparators separators = {});

struct PhaseDiagramInput {
  // Entries 0 .. BoundaryLast of the run's boundary points; the caller keeps
  // the array alive while BuildPhaseDiagram runs.
  std::span<const TZPoint> BoundaryPoints;
  int BoundaryLast = -1;
  // The run's matrix, observed; null counts as an empty matrix.
  const TPhaseMatrix* Matrix = nullptr;
  int YItemIndex = kYTemperature;
  std::string YItemText = "Temperature";
  std::string XCaption;                               // "#XCAP=" of the run, may hold line breaks
  std::string YCaption;                               // "#YCAP=" of the run
  std::string FootText{kDefaultFootText};             // the diagram window's own foot text
  std::vector<ExperimentalPoint> ExperimentalPoints;  // the system's, in table order
  NumberSeparators Separators;  // for the texts of appearance points and node titles
};

// Runs the special point search over input.Matrix and builds the diagram.
// When `search_out` is not null it receives the search result (the new node
// list and appearance points for the run results and the special points
// window). Does not throw for any matrix.
[[nodiscard]] ChartModel BuildPhaseDiagram(const PhaseDiagramInput& input,
                                           SpecialPointResult* search_out = nullptr);

}  // namespace binodal
