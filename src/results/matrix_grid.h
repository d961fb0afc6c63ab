// The grid of the matrix window: a copy of the run's phase matrix that the
// window may compact without touching the results, and how each cell of it
// is painted.
//
// Like the grid control it stands for, the grid has at least one column and
// one row. Column 0 and row 0 are the fixed cells (Y values, compositions).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "calc/result_model.h"

namespace binodal {

// How a cell of the matrix is painted.
enum class CellLook : std::uint8_t {
  kFixed,     // column 0 or row 0: button face, window text
  kTwoPhase,  // a text with a capital E anywhere: yellow, red text
  kPlain,     // window background, window text
};

// Any text holding a capital E is painted as a two-phase cell, a designation
// such as BETA included; the special point search, by contrast, compares a
// cell with "E" for equality.
[[nodiscard]] CellLook CellLookOf(int col, int row, std::string_view text);

class MatrixGrid {
 public:
  MatrixGrid() { cells_.SetSize(1, 1); }

  // Copies the cells [0, sg2ColCount) x [0, sg2RowCount) of `matrix`.
  void CopyFrom(const TPhaseMatrix& matrix);

  [[nodiscard]] int ColCount() const { return cells_.sg2ColCount(); }
  [[nodiscard]] int RowCount() const { return cells_.sg2RowCount(); }
  // Throws std::out_of_range outside the grid.
  [[nodiscard]] const std::string& Cell(int col, int row) const { return cells_.Cell(col, row); }

  // "Compact the grid": removes every column from 1 on whose cells are empty
  // in all rows below row 0 (a column holding "E" is not empty); the columns
  // to its right move one place left, row 0 with them. Column 0 stays.
  // Returns the number of columns removed.
  int Compact();

 private:
  TPhaseMatrix cells_;
};

}  // namespace binodal
