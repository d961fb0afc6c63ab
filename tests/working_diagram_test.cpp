// The working diagram's series as the run fills them, without a window.
#include "results/working_diagram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace binodal {
namespace {

TEST(WorkingDiagramTest, OneLinePerSolutionPhaseThenConvexWithoutAbsentPoints) {
  WorkingDiagram diagram;
  diagram.SetSeries({"LIQUID", "FCC_A1"});
  const ChartModel& model = diagram.Model();
  ASSERT_EQ(model.Series.size(), 3U);
  EXPECT_EQ(model.Series[0].Title, "LIQUID");
  EXPECT_EQ(model.Series[1].Title, "FCC_A1");
  EXPECT_EQ(model.Series[2].Title, "Convex");
  for (const ChartSeries& series : model.Series) EXPECT_EQ(series.Kind, SeriesKind::kLine);
  EXPECT_EQ(model.TitleLines, (std::vector<std::string>{"       G"}));
  EXPECT_EQ(model.FootLines, (std::vector<std::string>{"x"}));

  diagram.Add(0, 0.0, -100);
  diagram.Add(0, 0.5, -300);
  diagram.Add(1, 0.0, 1e30);  // outside the phase's composition window
  diagram.Add(1, 0.5, -250);
  diagram.Add(1, 1.0, std::numeric_limits<double>::quiet_NaN());
  diagram.Add(2, 0.5, -300);
  diagram.Add(3, 0.5, -5000);  // no such series
  EXPECT_EQ(model.Series[0].Points,
            (std::vector<ChartPoint>{{0.0, -100, std::nullopt}, {0.5, -300, std::nullopt}}));
  EXPECT_EQ(model.Series[1].Points, (std::vector<ChartPoint>{{0.5, -250, std::nullopt}}));
  EXPECT_EQ(model.Series[2].Points.size(), 1U);
  EXPECT_EQ(diagram.XExtent(), (WorkingDiagram::Extent{0.0, 0.5}));
  EXPECT_EQ(diagram.GExtent(), (WorkingDiagram::Extent{-300, -100}));

  // A new row starts empty; the series stay.
  diagram.Clear();
  EXPECT_EQ(model.Series.size(), 3U);
  for (const ChartSeries& series : model.Series) EXPECT_TRUE(series.Points.empty());
  EXPECT_FALSE(diagram.GExtent().has_value());
}

TEST(RoundScaleTest, RoundStepsCoverTheRangeInAtMostTheIntervalsAsked) {
  struct Case {
    double min;
    double max;
    AxisScale scale;
  };
  const Case cases[] = {
      {-62900, -45200, {-65000, -45000, 5000}},
      {-63100, -45100, {-65000, -45000, 5000}},  // drifted a little: the same scale
      {-180, 9180, {-2500, 10000, 2500}},
      {0.25, 0.75, {0.2, 0.8, 0.2}},
      {3, 3, {2.8, 3.2, 0.1}},  // no width: widened around the value
      {0, 0, {-1, 1, 0.5}},
  };
  for (const Case& c : cases) {
    const AxisScale scale = RoundScale(c.min, c.max, 5);
    EXPECT_NEAR(scale.Min, c.scale.Min, 1e-9 * std::abs(c.scale.Step)) << c.min << " " << c.max;
    EXPECT_NEAR(scale.Max, c.scale.Max, 1e-9 * std::abs(c.scale.Step)) << c.min << " " << c.max;
    EXPECT_NEAR(scale.Step, c.scale.Step, 1e-12 * std::abs(c.scale.Step)) << c.min << " " << c.max;
  }
}

// Whatever the values, an axis gets a range the chart library can tell from
// its neighbours (it takes values less than 1e-12 apart for one) and a step
// that labels it in a handful of ticks, reached by adding the step.
TEST(AxisScaleTest, AnyRangeGetsADrawableSpanAndAFewRoundSteps) {
  constexpr double kDenormal = std::numeric_limits<double>::denorm_min();
  constexpr double kLargest = std::numeric_limits<double>::max();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double min, max;
    bool contained;  // the range holds the values given
  };
  const Case cases[] = {
      {300, 1400, true},       {0, 0, true},           {1e-12, 1e-12, true},
      {0, 1e-12, true},        {0, kDenormal, true},   {kDenormal, kDenormal, true},
      {-1e-300, 1e-300, true}, {1e15, 1e15 + 1, true}, {-7.5e9, -7.5e9, true},
      {1e300, 1e300, true},    {1, -1, true},          {-kLargest, kLargest, false},
      {kNaN, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.min) + " " + std::to_string(c.max));
    const auto [low, high] = DrawableRange(c.min, c.max);
    ASSERT_TRUE(std::isfinite(low) && std::isfinite(high));
    const double span = high - low;
    EXPECT_GE(span, 1e-9);
    EXPECT_GE(span, 1e-9 * std::max(std::abs(low), std::abs(high)));
    if (c.contained) {
      EXPECT_LE(low, std::min(c.min, c.max));
      EXPECT_GE(high, std::max(c.min, c.max));
    }

    const double step = RoundStep(span, 8);
    EXPECT_GE(span / step, 4 - 1e-9);
    EXPECT_LE(span / step, 8 + 1e-9);

    const AxisScale scale = RoundScale(c.min, c.max, 5);
    EXPECT_LE(scale.Min, low);
    EXPECT_GE(scale.Max, high);
    int ticks = 0;
    for (double v = scale.Min; v <= scale.Max && ticks < 100; v += scale.Step) ++ticks;
    EXPECT_GE(ticks, 2);
    EXPECT_LE(ticks, 7);
  }
  for (const double span : {0.0, -1.0, kNaN, std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(RoundStep(span, 8), 1) << span;
  }
}

}  // namespace
}  // namespace binodal
