// Phase matrices written out cell by cell, for the tests of their readers.
#pragma once

#include <string>
#include <vector>

#include "calc/result_model.h"

namespace binodal::testing_support {

// Rows of cells, row 0 (the captions) first; every row as long as row 0.
inline TPhaseMatrix MatrixOf(const std::vector<std::vector<std::string>>& rows) {
  TPhaseMatrix matrix;
  matrix.SetSize(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      matrix.SetCell(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
    }
  }
  return matrix;
}

}  // namespace binodal::testing_support
