// The compiled form of an expression: a flat list of operations over 8-byte
// value cells, and the routines that run it.
//
// Every routine reads its argument cells, computes in extended precision and
// rounds the result to double on store. Invalid operations, division by zero
// and overflow raise the exceptions of common/float_errors.h; the faulting
// operation leaves its destination unchanged, earlier ones keep what they wrote.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace binodal {

// Operation tokens. Tokens 0 and 1 are identities (a variable or a number).
enum class Token : std::uint8_t {
  kVariable = 0,
  kNumber = 1,
  kNegate = 2,
  kAdd = 3,
  kSubtract = 4,
  kMultiply = 5,
  kDivide = 6,
  kMod = 7,
  kDiv = 8,
  kIntPower = 9,
  kPower = 10,
  kSquare = 11,
  kCube = 12,
  kFourth = 13,
  kCall1 = 14,
  kCall2 = 15,
};

// A short name of the operation a token stands for ("add", "square", ...).
[[nodiscard]] std::string_view TokenName(Token token);

// True for the tokens whose operation takes one operand.
[[nodiscard]] constexpr bool IsUnary(Token token) {
  return token == Token::kNegate || token == Token::kSquare || token == Token::kCube ||
         token == Token::kFourth || token == Token::kCall1;
}

using Function1 = long double (*)(long double);
using Function2 = long double (*)(long double, long double);

// One instruction. Cells are observed, never owned: variable cells belong to
// the parser's variable table, constant and result cells to the compiled
// expression.
struct Operation {
  const double* a = nullptr;  // first argument
  const double* b = nullptr;  // second argument; unused by one-operand operations
  double* dest = nullptr;     // result cell
  Token token = Token::kVariable;
  Function1 function1 = nullptr;  // for Token::kCall1
  Function2 function2 = nullptr;  // for Token::kCall2
};

// Runs the operations in order. Allocates nothing.
void RunOperations(std::span<const Operation> operations);

// The routines behind the built-in functions, by name.
long double FnTan(long double x);
long double FnSin(long double x);
long double FnCos(long double x);
long double FnSinh(long double x);
long double FnCosh(long double x);
long double FnArctan(long double x);
long double FnExp(long double x);
long double FnLn(long double x);
long double FnSqrt(long double x);
long double FnAbs(long double x);
long double FnHeav(long double x);
long double FnSign(long double x);
long double FnZero(long double x);
long double FnPh(long double x);
long double FnRnd(long double x);
long double FnMax(long double x, long double y);
long double FnMin(long double x, long double y);

// Seeds the generator behind RND (one per thread), for repeatable runs.
void SeedRandom(std::uint64_t seed);

}  // namespace binodal
