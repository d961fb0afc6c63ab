// The matrix window's grid without a window: how cells are painted, the copy
// of the matrix and "Compact the grid".
#include "results/matrix_grid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/phase_matrix.h"

namespace binodal {
namespace {

using testing_support::MatrixOf;

TEST(CellLookTest, FixedCellsThenAnyCapitalEThenPlain) {
  struct Case {
    int col;
    int row;
    const char* text;
    CellLook look;
  };
  const Case cases[] = {
      {0, 0, " Y/X", CellLook::kFixed},
      {3, 0, "0.35", CellLook::kFixed},
      {0, 4, "1000", CellLook::kFixed},
      {0, 4, "E", CellLook::kFixed},  // a fixed cell stays fixed whatever it holds
      {2, 1, "E", CellLook::kTwoPhase},
      {2, 1, "BETA", CellLook::kTwoPhase},  // a designation with a capital E looks two-phase
      {2, 1, "CEMENTITE-(C)", CellLook::kTwoPhase},
      {2, 1, "LIQUID", CellLook::kPlain},
      {2, 1, "MG2SI-(C)", CellLook::kPlain},  // a point phase is painted like any phase
      {2, 1, "Liquid", CellLook::kPlain},     // a small e is no mark
      {2, 1, "", CellLook::kPlain},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CellLookOf(c.col, c.row, c.text), c.look) << c.col << "," << c.row << " " << c.text;
  }
}

std::vector<std::vector<std::string>> Cells(const MatrixGrid& grid) {
  std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(grid.RowCount()));
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = 0; c < grid.ColCount(); ++c) rows[r].push_back(grid.Cell(c, r));
  }
  return rows;
}

TEST(MatrixGridTest, EmptyMatrixGivesOneEmptyCell) {
  MatrixGrid grid;
  grid.CopyFrom(TPhaseMatrix{});  // before any run both counts are 0
  EXPECT_EQ(Cells(grid), (std::vector<std::vector<std::string>>{{""}}));
  EXPECT_EQ(grid.Compact(), 0);
}

TEST(MatrixGridTest, CompactRemovesColumnsEmptyBelowRowZeroAndLeavesTheMatrix) {
  const std::vector<std::vector<std::string>> rows = {
      {" Y/X", "0", "0.25", "0.5", "0.75", "1"},
      {"900", "L", "", "", "", "L"},
      {"800", "L", "", "E", "", "S"},
      {"700", "L", "", "", "", ""},
  };
  const TPhaseMatrix matrix = MatrixOf(rows);
  MatrixGrid grid;
  grid.CopyFrom(matrix);
  ASSERT_EQ(Cells(grid), rows);

  // 0.25 and 0.75 are empty in every data row; "E" and a partly filled column stay.
  EXPECT_EQ(grid.Compact(), 2);
  EXPECT_EQ(Cells(grid), (std::vector<std::vector<std::string>>{
                             {" Y/X", "0", "0.5", "1"},
                             {"900", "L", "", "L"},
                             {"800", "L", "E", "S"},
                             {"700", "L", "", ""},
                         }));
  EXPECT_EQ(grid.Compact(), 0);  // nothing left to remove
  EXPECT_EQ(grid.ColCount(), 4);
  // The run's matrix is untouched; copying it again restores the grid.
  EXPECT_EQ(matrix.sg2ColCount(), 6);
  grid.CopyFrom(matrix);
  EXPECT_EQ(Cells(grid), rows);

  // With no data row every column but the first counts as empty.
  grid.CopyFrom(MatrixOf({{" Y/X", "0", "1"}}));
  EXPECT_EQ(grid.Compact(), 2);
  EXPECT_EQ(Cells(grid), (std::vector<std::vector<std::string>>{{" Y/X"}}));
}

}  // namespace
}  // namespace binodal
