// Axis ranges and round tick steps for any finite numbers. The phase
// diagram, its zoom and the working diagram plan their axes here, so that
// whatever the values (all equal, a few spacings of the numbers apart, close
// to the largest doubles) an axis gets a range the chart library keeps and a
// step that labels it in a handful of ticks.
#pragma once

#include <utility>

namespace binodal {

// The narrowest span of an axis: absolutely, and against the larger
// magnitude of its ends. The chart library takes values less than about
// 1e-12 apart (absolutely, or relatively to their size) for the same value:
// a narrower range would be dropped for the previous one and labelled with
// its own tiny step, tick after tick without end.
inline constexpr double kMinAxisSpan = 1e-9;
inline constexpr double kMinRelativeAxisSpan = 1e-9;
// The largest magnitude of an axis end, which keeps every span finite.
inline constexpr double kMaxAxisMagnitude = 1e300;

// An axis scale: from Min to Max in labelled steps of Step.
struct AxisScale {
  double Min = 0;
  double Max = 1;
  double Step = 1;
  bool operator==(const AxisScale&) const = default;
};

// [min, max] as an axis can show it: in order, each end within
// kMaxAxisMagnitude (a value that is not a number counts as 0), and at least
// the narrowest span wide. A range of width 0 is widened by 5 % of its value
// on each side (by 1 at 0); a range still narrower than the narrowest span is
// widened to it about its middle.
[[nodiscard]] std::pair<double, double> DrawableRange(double min, double max);

// The round step (1, 2, 2.5 or 5 times a power of ten) that divides `span`
// into about `parts` parts, at least one; 1 when the span is not a positive
// finite number.
[[nodiscard]] double RoundStep(double span, int parts);

// The scale that covers [min, max] (made drawable first) with whole
// multiples of a round step (1, 2, 2.5 or 5 times a power of ten), the finest
// that needs no more than `intervals` steps. Values close together give the
// same scale, so that an axis fitted row by row stays put while the values
// drift.
[[nodiscard]] AxisScale RoundScale(double min, double max, int intervals);

}  // namespace binodal
