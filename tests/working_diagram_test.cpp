// The working diagram's series as the run fills them, without a window.
#include "results/working_diagram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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

}  // namespace
}  // namespace binodal
