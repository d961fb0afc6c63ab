#include "common/float_errors.h"

#include <cmath>

namespace binodal {

double RoundToDouble(long double value) {
  const double rounded = static_cast<double>(value);
  if (std::isinf(rounded) && std::isfinite(value)) throw EOverflow();
  return rounded;
}

}  // namespace binodal
