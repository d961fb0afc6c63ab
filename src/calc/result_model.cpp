#include "calc/result_model.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace binodal {

void TPhaseMatrix::SetSize(int cols, int rows) {
  if (cols < 0 || rows < 0) throw std::out_of_range("negative matrix size");
  if (cols == 0 || rows == 0) {
    cells_.clear();
    ClearTexts();
  } else if (cols == cols_) {
    cells_.resize(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
  } else {
    std::vector<TextNumber> cells(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
    for (int r = 0; r < std::min(rows, rows_); ++r) {
      for (int c = 0; c < std::min(cols, cols_); ++c) {
        cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
              static_cast<std::size_t>(c)] = cells_[Index(c, r)];
      }
    }
    cells_ = std::move(cells);
  }
  cols_ = cols;
  rows_ = rows;
}

void TPhaseMatrix::Reserve(int cols, int rows) {
  if (cols > 0 && rows > 0) {
    cells_.reserve(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
  }
}

std::size_t TPhaseMatrix::Index(int col, int row) const {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_) {
    throw std::out_of_range("matrix cell [" + std::to_string(col) + "][" + std::to_string(row) +
                            "] outside " + std::to_string(cols_) + " x " + std::to_string(rows_));
  }
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
         static_cast<std::size_t>(col);
}

const std::string& TPhaseMatrix::Cell(int col, int row) const {
  return texts_[cells_[Index(col, row)]];
}

void TPhaseMatrix::SetCell(int col, int row, std::string_view text) {
  const std::size_t index = Index(col, row);
  cells_[index] = Intern(text);
}

TPhaseMatrix::TextNumber TPhaseMatrix::Intern(std::string_view text) {
  // A row is mostly runs of one text ("E" or a designation).
  if (texts_[last_text_] == text) return last_text_;
  if (const auto found = numbers_.find(text); found != numbers_.end()) {
    last_text_ = found->second;
    return last_text_;
  }
  if (texts_.size() > std::numeric_limits<TextNumber>::max()) {
    throw std::length_error("too many distinct texts in the phase matrix");
  }
  const auto number = static_cast<TextNumber>(texts_.size());
  texts_.emplace_back(text);
  numbers_.emplace(std::string(text), number);
  last_text_ = number;
  return number;
}

void TPhaseMatrix::ClearTexts() {
  texts_.assign(1, std::string());
  last_text_ = 0;
  numbers_.clear();
  numbers_.emplace(std::string(), 0);
}

}  // namespace binodal
