#include "results/matrix_grid.h"

#include <algorithm>
#include <vector>

namespace binodal {

CellLook CellLookOf(int col, int row, std::string_view text) {
  if (col == 0 || row == 0) return CellLook::kFixed;
  return text.find('E') != std::string_view::npos ? CellLook::kTwoPhase : CellLook::kPlain;
}

void MatrixGrid::CopyFrom(const TPhaseMatrix& matrix) {
  if (matrix.sg2ColCount() > 0 && matrix.sg2RowCount() > 0) {
    cells_ = matrix;
  } else {
    cells_.SetSize(0, 0);
    cells_.SetSize(1, 1);
  }
}

int MatrixGrid::Compact() {
  std::vector<int> kept{0};
  for (int c = 1; c < ColCount(); ++c) {
    bool empty = true;
    for (int r = 1; r < RowCount() && empty; ++r) empty = cells_.Cell(c, r).empty();
    if (!empty) kept.push_back(c);
  }
  const int removed = ColCount() - static_cast<int>(kept.size());
  if (removed == 0) return 0;
  TPhaseMatrix compacted;
  compacted.SetSize(static_cast<int>(kept.size()), RowCount());
  for (int r = 0; r < RowCount(); ++r) {
    for (std::size_t c = 0; c < kept.size(); ++c) {
      compacted.SetCell(static_cast<int>(c), r, cells_.Cell(kept[c], r));
    }
  }
  cells_ = std::move(compacted);
  return removed;
}

}  // namespace binodal
