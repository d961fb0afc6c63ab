#include "results/phase_diagram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/phase_matrix.h"

namespace binodal {
namespace {

using testing_support::MatrixOf;

// One node at 800 K (0, 0.3, 0.6) and, below it, an appearance point.
TPhaseMatrix NodeAndAppearanceMatrix() {
  return MatrixOf({{" Y/X", "0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6"},
                   {"800", "α", "E", "L", "L", "L", "E", "β"},
                   {"790", "α", "E", "E", "E", "E", "E", "β"},
                   {"780", "α", "E", "E", "E", "E", "E", "γ"}});
}

ChartPoint P(double x, double y) { return {x, y, std::nullopt}; }
ChartPoint OfSeriesZero(double x, double y) { return {x, y, kSeriesZeroColor}; }

class PhaseDiagramTest : public testing::Test {
 protected:
  PhaseDiagramTest() {
    input_.Matrix = &matrix_;
    input_.BoundaryPoints = boundary_;
    input_.BoundaryLast = 1;
  }

  TPhaseMatrix matrix_ = NodeAndAppearanceMatrix();
  std::vector<TZPoint> boundary_ = {{0.6, 800, 7, "β"}, {0.1, 800, 2, "α"}, {0.5, 790, 6, "β"}};
  PhaseDiagramInput input_;
};

TEST_F(PhaseDiagramTest, BuildsTheSeriesInOrder) {
  input_.ExperimentalPoints = {{0.25, 805}, {0.75, 770.5}};
  SpecialPointResult search;
  const ChartModel chart = BuildPhaseDiagram(input_, &search);

  ChartModel expected;
  expected.TitleLines = {"T, K"};
  expected.FootLines = {"Mole fraction (x) of component B in A-B system"};
  expected.Series = {
      {"Phase boundaries",
       SeriesKind::kPoints,
       std::nullopt,
       MarkerStyle::kCircle,
       2,
       false,
       {P(0.6, 800), P(0.1, 800)}},
      {"Special points",
       SeriesKind::kPoints,
       255,
       MarkerStyle::kCircle,
       2,
       true,
       {P(0, 800), P(0.3, 800), P(0.6, 800), P(0.6, 785)}},
      {"Node at 800K",
       SeriesKind::kLine,
       0,
       MarkerStyle::kCircle,
       2,
       false,
       {OfSeriesZero(0, 800), OfSeriesZero(0.6, 800)}},
      {"Experimental points",
       SeriesKind::kPoints,
       std::nullopt,
       MarkerStyle::kTriangle,
       3,
       false,
       {P(0.25, 805), P(0.75, 770.5)}},
  };
  EXPECT_EQ(chart, expected);

  EXPECT_EQ(search.NodeList, (std::vector<TNode>{{.Y = 800, .X = 0.3, .XLeft = 0, .XRight = 0.6}}));
  EXPECT_EQ(search.OtherSpecialPoints,
            (std::vector<TOtherSpecialPoint>{{"T(X = 0.6) = 785 ", 0.6, 785}}));
}

TEST_F(PhaseDiagramTest, NoExperimentalPointsMeansNoSeries) {
  const ChartModel chart = BuildPhaseDiagram(input_);
  ASSERT_EQ(chart.Series.size(), 3u);
  EXPECT_EQ(chart.Series.back().Title, "Node at 800K");
}

TEST_F(PhaseDiagramTest, PhaseBoundariesTakeEntriesUpToBoundaryLast) {
  struct Case {
    int last;
    std::vector<ChartPoint> expected;
  };
  const std::vector<Case> cases = {
      {-1, {}},
      {-7, {}},
      {0, {P(0.6, 800)}},
      {2, {P(0.6, 800), P(0.1, 800), P(0.5, 790)}},
      {99, {P(0.6, 800), P(0.1, 800), P(0.5, 790)}},
  };
  for (const Case& c : cases) {
    input_.BoundaryLast = c.last;
    const ChartModel chart = BuildPhaseDiagram(input_);
    ASSERT_EQ(chart.Series.size(), 3u) << c.last;
    EXPECT_EQ(chart.Series[0].Points, c.expected) << c.last;
    EXPECT_EQ(chart.Series[1].Title, "Special points") << c.last;
  }
}

TEST_F(PhaseDiagramTest, WithoutMatrixOnlyTheTwoPointSeriesRemain) {
  input_.Matrix = nullptr;
  const ChartModel chart = BuildPhaseDiagram(input_);
  ASSERT_EQ(chart.Series.size(), 2u);
  EXPECT_TRUE(chart.Series[1].Points.empty());
}

TEST_F(PhaseDiagramTest, AppearancePointsStartWithTheSelectorLetter) {
  struct Case {
    int index;
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {kYTemperature, "Temperature", "T(X = 0.6) = 785 "},
      {kYPressure, "Pressure", "P(X = 0.6) = 785 "},
      {kYOther, "Y", "Y(X = 0.6) = 785 "},
      {kYPressure, "", "P(X = 0.6) = 785 "},
      {kYOther, "", "Y(X = 0.6) = 785 "},
  };
  for (const Case& c : cases) {
    input_.YItemIndex = c.index;
    input_.YItemText = c.text;
    SpecialPointResult search;
    (void)BuildPhaseDiagram(input_, &search);
    ASSERT_EQ(search.OtherSpecialPoints.size(), 1u) << c.text;
    EXPECT_EQ(search.OtherSpecialPoints[0].Text, c.expected) << c.index << " " << c.text;
  }
}

TEST_F(PhaseDiagramTest, DecimalCommaReachesTextsAndTitles) {
  input_.Separators = {',', '.'};
  matrix_.SetCell(0, 1, "800,5");
  SpecialPointResult search;
  const ChartModel chart = BuildPhaseDiagram(input_, &search);
  EXPECT_EQ(chart.Series[2].Title, "Node at 800,5K");
  EXPECT_EQ(search.OtherSpecialPoints.at(0).Text, "T(X = 0,6) = 785 ");
}

TEST(DiagramCaptionsTest, TitleNamesTheYQuantity) {
  struct Case {
    int index;
    std::string text;
    std::string y_caption;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {kYTemperature, "Temperature", "", "T, K"},
      {kYTemperature, "Temperature", "t, °C", "T, K"},
      {kYPressure, "Pressure", "My pressure", "p, bar"},
      {kYOther, "Y", "Fraction of O2", "Fraction of O2"},
      {kYOther, "Y", "", "Y"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DiagramTitle(c.index, c.text, c.y_caption), c.expected) << c.index;
  }

  PhaseDiagramInput input;
  input.YItemIndex = kYOther;
  input.YItemText = "Y";
  input.YCaption = "x(O2)";
  EXPECT_EQ(BuildPhaseDiagram(input).TitleLines, std::vector<std::string>{"x(O2)"});
}

TEST(DiagramCaptionsTest, FootIsTheXCaptionElseTheFootText) {
  struct Case {
    std::string x_caption;
    std::string foot_text;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"", std::string(kDefaultFootText), {"Mole fraction (x) of component B in A-B system"}},
      {"x(Cu)", "ignored", {"x(Cu)"}},
      {"first\r\nsecond", "ignored", {"first", "second"}},
      {"a\nb\rc", "", {"a", "b", "c"}},
      {"a\r\n\r\nb\r\n", "", {"a", "", "b"}},
      {"", "one\r\ntwo", {"one", "two"}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DiagramFoot(c.x_caption, c.foot_text), c.expected) << c.x_caption;
  }

  PhaseDiagramInput input;
  input.XCaption = "x(B)\r\nmole fraction";
  EXPECT_EQ(BuildPhaseDiagram(input).FootLines,
            (std::vector<std::string>{"x(B)", "mole fraction"}));
}

TEST(DrawNodeLinesTest, AppendsOneBlackLinePerNodeInOrder) {
  ChartModel chart;
  chart.Series.resize(2);
  const std::vector<TNode> nodes = {{.Y = 987.5, .X = 0.3, .XLeft = 0.1, .XRight = 0.7},
                                    {.Y = 1000, .X = 0.5, .XLeft = 0.5, .XRight = 0.9}};
  DrawNodeLines(chart, nodes);

  ASSERT_EQ(chart.Series.size(), 4u);
  const ChartSeries expected_first{"Node at 987.5K",
                                   SeriesKind::kLine,
                                   0,
                                   MarkerStyle::kCircle,
                                   2,
                                   false,
                                   {OfSeriesZero(0.1, 987.5), OfSeriesZero(0.7, 987.5)}};
  EXPECT_EQ(chart.Series[2], expected_first);
  EXPECT_EQ(chart.Series[3].Title, "Node at 1000K");
  EXPECT_EQ(chart.Series[3].Points,
            (std::vector<ChartPoint>{OfSeriesZero(0.5, 1000), OfSeriesZero(0.9, 1000)}));
}

TEST(DrawNodeLinesTest, TitleShowsAtMostThreeDecimals) {
  struct Case {
    double y;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {987.5, "Node at 987.5K"},  {0.12345, "Node at 0.123K"}, {800.0004, "Node at 800K"},
      {1.0005, "Node at 1.001K"}, {-3.25, "Node at -3.25K"},   {0.0004, "Node at 0K"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NodeLineSeries({.Y = c.y, .X = 0, .XLeft = 0, .XRight = 0}).Title, c.expected) << c.y;
  }
}

TEST(FixedQuantityTest, NamesTheQuantityHeldFixed) {
  EXPECT_EQ(FixedQuantityFor(kYTemperature), (FixedQuantity{"p, bar", true}));
  EXPECT_EQ(FixedQuantityFor(kYPressure), (FixedQuantity{"T, K", true}));
  EXPECT_EQ(FixedQuantityFor(kYOther), (FixedQuantity{"p = 1 bar, T = 300 K", false}));
  EXPECT_EQ(FixedQuantityFor(-1), (FixedQuantity{"", false}));
}

}  // namespace
}  // namespace binodal
