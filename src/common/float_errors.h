// Arithmetic faults of an evaluation.
//
// Evaluating an expression (and everything built on it) reports invalid
// operations, division by zero and overflow as C++ exceptions. Their messages
// are the texts the user sees in the program's dialogs. Underflow and inexact
// results are never errors.
#pragma once

#include <stdexcept>

namespace binodal {

// Base of every arithmetic fault.
class EArithmeticError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Invalid operation: logarithm or square root of a negative number, 0/0, a
// non-integral power of a negative base, an integer operand out of range.
class EInvalidOp : public EArithmeticError {
 public:
  EInvalidOp() : EArithmeticError("Invalid floating point operation") {}
};

// Division of a non-zero number by zero, or a negative power of zero.
class EZeroDivide : public EArithmeticError {
 public:
  EZeroDivide() : EArithmeticError("Floating point division by zero") {}
};

// A result beyond the range of a double.
class EOverflow : public EArithmeticError {
 public:
  EOverflow() : EArithmeticError("Floating point overflow") {}
};

// Integer division (DIV, MOD) by zero.
class EDivByZero : public EArithmeticError {
 public:
  EDivByZero() : EArithmeticError("Division by zero") {}
};

// Rounds an extended-precision value to double as a store to a double cell
// does: a finite value beyond the double range raises EOverflow; underflow
// gives zero or a denormal.
double RoundToDouble(long double value);

}  // namespace binodal
