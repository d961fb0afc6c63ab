#include "expression/row_evaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/float_errors.h"
#include "expression/parser.h"

namespace binodal {
namespace {

// A parser laid out as a phase's evaluator: X and SID per point, T, P and Y
// per row, R fixed.
class RowEvaluation : public ::testing::Test {
 protected:
  RowEvaluation() {
    parser.AssignVariable("R", 8.31441);
    parser.AssignVariable("P", 1);
    parser.AssignVariable("SID", 0);
    parser.SetRowVariables({"X", "SID"}, {"T", "P", "Y"});
  }
  // The row's values, or an empty vector when the row is refused.
  std::vector<double> Row(const RowPoints& row) {
    std::vector<double> values(row.size());
    if (!parser.Rows().EvaluateRow(row, values)) return {};
    return values;
  }

  TParser parser;
  const std::vector<double> xs{0.1, 0.25, 0.5, 0.75, 0.9};
  const RowPoints points{{xs, std::vector<double>(xs.size(), 0.0)}};
};

TEST_F(RowEvaluation, ExpressionCompiledAgainGetsItsOwnValuesForTheSamePoints) {
  // Same operation shape, only the constant of the composition-only term
  // differs: the values kept for the points belong to the first expression.
  for (const double constant : {1000.0, 20000.0, 1000.0, 3.5}) {
    SCOPED_TRACE(constant);
    parser.SetExpression(std::to_string(constant) + "*X*(1-X)+T");
    parser.T() = 700;
    const std::vector<double> values = Row(points);
    ASSERT_EQ(values.size(), xs.size());
    for (std::size_t k = 0; k < xs.size(); ++k) {
      EXPECT_NEAR(values[k], constant * xs[k] * (1 - xs[k]) + 700, 1e-9) << xs[k];
    }
  }
}

TEST_F(RowEvaluation, FollowsTheConditionsAndAFixedVariableThatChanges) {
  parser.SetExpression("R*X*(1-X)+T*P+Y");
  struct Case {
    double r, t, p, y;
  };
  for (const Case& c : {Case{8.31441, 500, 1, 0}, Case{8.31441, 900, 2, 3}, Case{2, 900, 2, 3},
                        Case{2, 100, 1, 0.5}}) {
    SCOPED_TRACE(c.r);
    parser.AssignVariable("R", c.r);
    parser.AssignVariable("P", c.p);
    parser.T() = c.t;
    parser.Y() = c.y;
    const std::vector<double> values = Row(points);
    ASSERT_EQ(values.size(), xs.size());
    for (std::size_t k = 0; k < xs.size(); ++k) {
      EXPECT_NEAR(values[k], c.r * xs[k] * (1 - xs[k]) + c.t * c.p + c.y, 1e-9) << xs[k];
    }
  }
}

TEST_F(RowEvaluation, RowWithAFaultIsRefusedAndTheWalkFaultsAtThatPoint) {
  parser.SetExpression("1/(X-0.5)+T");
  parser.T() = 1;
  EXPECT_TRUE(Row(points).empty());
  const RowPoints without{{{0.25, 0.75}, {0, 0}}};
  EXPECT_EQ(Row(without), (std::vector<double>{-3, 5}));
  EXPECT_EQ(parser.X(), 0.75);  // the last point, as after a walk

  RowEvaluator& rows = parser.Rows();
  rows.BeginRow();
  std::vector<double> walked;
  try {
    for (const double x : xs) {
      parser.X() = x;
      walked.push_back(rows.EvaluatePoint());
    }
  } catch (const EArithmeticError&) {
  }
  EXPECT_EQ(walked, (std::vector<double>{1 / (0.1 - 0.5) + 1, -3}));
}

TEST_F(RowEvaluation, RandomNumbersAndLoneValuesAreLeftToTheWalk) {
  for (const char* text : {"X", "2", "RND(10)+X*T", ""}) {
    SCOPED_TRACE(text);
    parser.SetExpression(text);
    EXPECT_FALSE(parser.Rows().DoesRows());
    EXPECT_TRUE(Row(points).empty());
  }
  parser.SetExpression("X");
  parser.Rows().BeginRow();
  parser.X() = 0.3;
  EXPECT_EQ(parser.Rows().EvaluatePoint(), 0.3);
}

TEST(RowPointsTest, EachSetOfPointsHasASerialOfItsOwn) {
  const RowPoints a{{{1, 2}}};
  const RowPoints b{{{1, 2}}};
  EXPECT_NE(a.serial(), b.serial());
  RowPoints c = a;
  EXPECT_EQ(c.serial(), a.serial());
  const RowPoints moved = std::move(c);
  EXPECT_EQ(moved.serial(), a.serial());
  EXPECT_EQ(c.size(), 0u);  // NOLINT(bugprone-use-after-move): a moved-from set has no points
  EXPECT_THROW(RowPoints({{1, 2}, {1}}), std::invalid_argument);
}

}  // namespace
}  // namespace binodal
