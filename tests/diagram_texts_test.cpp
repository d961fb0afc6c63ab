// The texts the diagram and special points windows take from a run's
// results: phase label names, the coordinate read-out, the nodes table.
#include "results/diagram_texts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "results/phase_diagram.h"
#include "results/special_points_table.h"
#include "support/phase_matrix.h"

namespace binodal {
namespace {

using testing_support::MatrixOf;

// A point phase AgX at 0.25 between α and β, with two-phase fields on both
// sides of it at 900 and 800.
TPhaseMatrix Fixture() {
  return MatrixOf({{" Y/X", "0", "0.1", "0.2", "0.25", "0.3", "0.4"},
                   {"1000", "L", "L", "L", "L", "L", "L"},
                   {"900", "α", "E", "E", "AgX-(C)", "E", "β"},
                   {"800", "α", "α", "E", "AgX-(C)", "E", "β"}});
}

TEST(PhaseLabelTextTest, NamesTheFieldUnderThePoint) {
  const TPhaseMatrix matrix = Fixture();
  struct Case {
    double x, y;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      // Two-phase fields: the designations at both ends, point phases bare.
      {0.15, 950, "α+AgX"},
      {0.3, 850, "AgX+β"},
      {0.26, 800, "AgX+β"},
      // On the point phase's own column.
      {0.25, 850, "AgX"},
      {0.22, 800, "AgX"},
      // Single-phase cells; above the first row and left of the first column.
      {0.35, 850, "β"},
      {0.05, 1000, "L"},
      {-0.5, 2000, "L"},
      {0.4, 800, "β"},
      // Right of the last column, below the last row: nothing.
      {0.41, 900, std::nullopt},
      {0.2, 799.9, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PhaseLabelText(matrix, c.x, c.y), c.text) << c.x << ", " << c.y;
  }
}

TEST(PhaseLabelTextTest, NoTextWithoutData) {
  EXPECT_EQ(PhaseLabelText(TPhaseMatrix(), 0, 0), std::nullopt);
  // A row a stopped run did not reach stays empty.
  const TPhaseMatrix unfilled = MatrixOf({{" Y/X", "0", "1"}, {"10", "α", "β"}, {"5", "", ""}});
  EXPECT_EQ(PhaseLabelText(unfilled, 0.5, 10), "β");
  EXPECT_EQ(PhaseLabelText(unfilled, 0.5, 7), std::nullopt);
}

TEST(ReadoutTest, NumbersAreTwelveCharactersLeftAligned) {
  const std::pair<double, const char*> cases[] = {
      {0.25, "2.50000E-001"},   {987.125, "987.125     "},   {0, "0.00000E+000"},
      {-0.5, "-5.00000E-001"},  {1, "1.000       "},         {-1234.5, "-1234.500   "},
      {1e-120, "1.00000E-120"}, {0.0012345, "1.23450E-003"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(ReadoutNumber(value), text) << value;
}

TEST(ReadoutTest, JoinsBothCoordinatesWithTheTitle) {
  EXPECT_EQ(ReadoutText(0.25, 987.125, "T, K"), "X = 2.50000E-001    T, K = 987.125     ");
  EXPECT_EQ(ReadoutText(0.5, 12.5, "p, bar", ','), "X = 5,00000E-001    p, bar = 12,500      ");
}

TEST(SpecialPointsTableTest, YColumnDependsOnWhoFillsIt) {
  const std::vector<TNode> nodes = {{0.0004, 0.5, 0.3333333, 0.6}, {987.5, 0.25, 0.125, 0.9}};
  const SpecialPointsTable main =
      MakeSpecialPointsTable(nodes, kYTemperature, NodeYFormat::kMainWindow);
  EXPECT_EQ(main.Headers, (SpecialPointsTable::Row{" T", " X(left)", " X", " X(right)"}));
  EXPECT_EQ(main.Rows, (std::vector<SpecialPointsTable::Row>{
                           {" 0", " 0.333", " 0.5", " 0.6"},
                           {" 987.5", " 0.125", " 0.25", " 0.9"},
                       }));
  const SpecialPointsTable diagram =
      MakeSpecialPointsTable(nodes, kYTemperature, NodeYFormat::kDiagramWindow);
  EXPECT_EQ(diagram.Rows[0][0], " 4e-04");
  EXPECT_EQ(diagram.Rows[1], main.Rows[1]);
  const std::vector<TNode> negative = {{-0.001, 0, 0, 0}};
  EXPECT_EQ(MakeSpecialPointsTable(negative, kYOther, NodeYFormat::kDiagramWindow).Rows[0][0],
            " -1e-03");
}

TEST(SpecialPointsTableTest, WithoutNodesOneEmptyRowAndPressureHeader) {
  for (const int item : {kYPressure, kYOther}) {
    const SpecialPointsTable table = MakeSpecialPointsTable({}, item, NodeYFormat::kMainWindow);
    EXPECT_EQ(table.Headers[0], " p");
    EXPECT_EQ(table.Rows, std::vector<SpecialPointsTable::Row>(1));
  }
}

}  // namespace
}  // namespace binodal
