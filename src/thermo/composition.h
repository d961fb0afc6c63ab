// A grid composition of a run.
#pragma once

#include <string>

namespace binodal {

// One composition of the grid, in column order: matrix column c + 1 holds
// the composition of entry c. The evaluators compute G at exactly these.
struct TXclass {
  std::string Caption;  // the column caption, FormatFloat("0.########", X)
  double X = 0;
  bool operator==(const TXclass&) const = default;
};

}  // namespace binodal
