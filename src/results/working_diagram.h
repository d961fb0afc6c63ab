// The working diagram of a run: the Gibbs energy G of every solution phase
// against x on the row being computed, and the lower convex hull of the row's
// candidates as the line "Convex". The run gives the points one by one; the
// window takes a whole row at once.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "results/axis_scale.h"
#include "results/chart_model.h"

namespace binodal {

class WorkingDiagram {
 public:
  static constexpr const char* kConvexTitle = "Convex";
  static constexpr TColor kConvexColor = 0x000000;  // black, over the coloured curves
  // The evaluators give 1e30 where a phase is absent (outside its composition
  // window); at or above 1e10 no phase is defined. Such a point would squash
  // every curve against the axis, so it is left out.
  static constexpr double kAbsentG = 1e10;

  struct Extent {
    double Min = 0;
    double Max = 0;
    bool operator==(const Extent&) const = default;
  };

  WorkingDiagram() { SetSeries({}); }

  // New, empty series: one line per solution phase, titled with its
  // designation, in the order given, then "Convex".
  void SetSeries(const std::vector<std::string>& solution_phases);
  // Empties every series (the start of a row).
  void Clear();
  // Adds (x, g) to series `series` (the last one is "Convex"). Points of an
  // absent phase, values that are not finite and series that do not exist
  // are left out.
  void Add(std::size_t series, double x, double g);

  // Title "       G" (seven blanks) above the G axis, foot "x", the series as lines.
  [[nodiscard]] const ChartModel& Model() const { return model_; }
  // The extent of the points of all series; none while there are none.
  [[nodiscard]] std::optional<Extent> XExtent() const { return x_; }
  [[nodiscard]] std::optional<Extent> GExtent() const { return g_; }

 private:
  ChartModel model_;
  std::optional<Extent> x_;
  std::optional<Extent> g_;
};

}  // namespace binodal
