#include "calc/result_model.h"

#include <stdexcept>

namespace binodal {

void TPhaseMatrix::SetSize(int cols, int rows) {
  if (cols < 0 || rows < 0) throw std::out_of_range("negative matrix size");
  if (cols == cols_) {
    cells_.resize(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
  } else {
    std::vector<std::string> cells(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
    for (int r = 0; r < std::min(rows, rows_); ++r) {
      for (int c = 0; c < std::min(cols, cols_); ++c) {
        cells[static_cast<std::size_t>(r) * cols + c] = std::move(cells_[Index(c, r)]);
      }
    }
    cells_ = std::move(cells);
  }
  cols_ = cols;
  rows_ = rows;
}

std::size_t TPhaseMatrix::Index(int col, int row) const {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_) {
    throw std::out_of_range("matrix cell [" + std::to_string(col) + "][" + std::to_string(row) +
                            "] outside " + std::to_string(cols_) + " x " + std::to_string(rows_));
  }
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
         static_cast<std::size_t>(col);
}

const std::string& TPhaseMatrix::Cell(int col, int row) const { return cells_[Index(col, row)]; }

void TPhaseMatrix::SetCell(int col, int row, std::string_view text) {
  cells_[Index(col, row)] = std::string(text);
}

}  // namespace binodal
