// Forward-mode differentiation of a compiled expression to second order.
//
// The operation list runs as Value() runs it, and beside each cell it carries
// the first and second derivative with respect to one variable v. The caller
// seeds every variable cell that depends on v with its value and derivatives,
// e.g. X with (x, 1, 0) and a cell S(X) with (s, s', s''); every other cell
// has zero derivatives.
//
// - The value part is the value Value() gives for the same cells, bit for bit;
//   its faults raise the same exceptions (common/float_errors.h).
// - Derivatives are carried in extended precision and never raise. Where one
//   does not exist (LN or SQRT at 0, a non-integral power at base 0, a power
//   with a varying exponent and a non-positive base, a function without a
//   rule) it comes out NaN or infinite; test with std::isfinite.
// - Operations whose arguments have zero derivatives have zero derivatives.
// - Piecewise functions take the derivative of the piece the value routine
//   picks: ABS at 0 has slope +1 (from the right), MAX and MIN follow the
//   argument they return (MAX(x,y) is x on a tie, MIN(x,y) is y). HEAV, SIGN,
//   ZERO, RND, DIV and MOD (both truncate their operands to integers) have
//   zero derivatives everywhere, also at their jumps.
#pragma once

#include <span>

#include "expression/operations.h"

namespace binodal {

// A value and its first and second derivative with respect to v.
struct ValueAndDerivatives {
  long double value = 0;
  long double first = 0;
  long double second = 0;
};

// A variable cell that depends on v. `value` is written to the cell before
// the run.
struct DerivativeSeed {
  double* cell = nullptr;
  double value = 0;
  long double first = 0;
  long double second = 0;
};

// Runs the operations (their last destination holds the result) and returns
// the result with its derivatives; {0, 0, 0} for an empty list. Allocates a
// table of the cells' derivatives.
[[nodiscard]] ValueAndDerivatives EvaluateDerivatives(std::span<const Operation> operations,
                                                      std::span<const DerivativeSeed> seeds);

}  // namespace binodal
