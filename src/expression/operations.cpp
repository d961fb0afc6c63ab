#include "expression/operations.h"

#include <cmath>
#include <cstdint>
#include <random>

#include "common/float_errors.h"

namespace binodal {
namespace {

using Extended = long double;

// A result that is not finite although its arguments are is a fault: NaN
// comes from an invalid operation, infinity from overflow. Non-finite
// arguments (only possible when a caller wrote one into a variable cell)
// pass through as they would on the floating-point unit.
[[noreturn]] void RaiseFault(bool nan) {
  if (nan) throw EInvalidOp();
  throw EOverflow();
}

inline void Store(const Operation& op, Extended result, bool arguments_finite) {
  const double rounded = static_cast<double>(result);
  if (!std::isfinite(rounded)) [[unlikely]] {
    if (arguments_finite) RaiseFault(std::isnan(rounded));
  }
  *op.dest = rounded;
}

inline void Store1(const Operation& op, Extended result) {
  Store(op, result, std::isfinite(*op.a));
}

inline void Store2(const Operation& op, Extended result) {
  Store(op, result, std::isfinite(*op.a) && std::isfinite(*op.b));
}

// Truncates toward zero to a 64-bit integer; an operand of magnitude 2^63 or
// more (or NaN) is an invalid operation.
std::int64_t TruncToInt64(double value) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(std::fabs(value) < kLimit)) throw EInvalidOp();
  return static_cast<std::int64_t>(value);
}

std::int32_t TruncToInt32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) throw EInvalidOp();
  return static_cast<std::int32_t>(value);
}

// a^n by square-and-multiply, starting from 1; a negative n takes the
// reciprocal at the end.
Extended IntPower(Extended base, std::int32_t n) {
  std::uint32_t bits = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
  Extended result = 1;
  while (bits != 0) {
    if (bits & 1u) result *= base;
    bits >>= 1;
    if (bits != 0) base *= base;
  }
  if (n < 0) {
    if (std::isinf(result)) throw EOverflow();
    if (result == 0) throw EZeroDivide();
    result = 1 / result;
  }
  return result;
}

Extended GeneralPower(Extended a, Extended b) {
  if (b == 0) return 1;
  if (a == 0 && b > 0) return 0;
  if (std::trunc(b) == b && std::fabs(b) <= 2147483647.0L) {
    return IntPower(a, static_cast<std::int32_t>(b));
  }
  if (a < 0) throw EInvalidOp();    // logarithm of a negative base
  if (a == 0) throw EZeroDivide();  // logarithm of zero
  return std::exp(b * std::log(a));
}

void Execute(const Operation& op) {
  switch (op.token) {
    case Token::kVariable:
    case Token::kNumber:
      return;
    case Token::kNegate:
      *op.dest = -*op.a;
      return;
    case Token::kAdd:
      return Store2(op, Extended{*op.a} + *op.b);
    case Token::kSubtract:
      return Store2(op, Extended{*op.a} - *op.b);
    case Token::kMultiply:
      return Store2(op, Extended{*op.a} * *op.b);
    case Token::kDivide: {
      const double a = *op.a;
      const double b = *op.b;
      if (b == 0 && !std::isnan(a)) {
        if (a == 0) throw EInvalidOp();
        throw EZeroDivide();
      }
      return Store2(op, Extended{a} / b);
    }
    case Token::kMod:
    case Token::kDiv: {
      const std::int64_t i = TruncToInt64(*op.a);
      const std::int64_t j = TruncToInt64(*op.b);
      if (j == 0) throw EDivByZero();
      *op.dest = static_cast<double>(op.token == Token::kMod ? i % j : i / j);
      return;
    }
    case Token::kIntPower:
      return Store2(op, IntPower(*op.a, TruncToInt32(*op.b)));
    case Token::kPower:
      return Store2(op, GeneralPower(*op.a, *op.b));
    case Token::kSquare: {
      const Extended a = *op.a;
      return Store1(op, a * a);
    }
    case Token::kCube: {
      const Extended a = *op.a;
      return Store1(op, (a * a) * a);
    }
    case Token::kFourth: {
      const Extended a = *op.a;
      return Store1(op, (a * a) * (a * a));
    }
    case Token::kCall1:
      return Store1(op, op.function1(*op.a));
    case Token::kCall2:
      return Store2(op, op.function2(*op.a, *op.b));
  }
}

std::mt19937_64& RandomGenerator() {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  return generator;
}

}  // namespace

std::string_view TokenName(Token token) {
  switch (token) {
    case Token::kVariable:
    case Token::kNumber:
      return "identity";
    case Token::kNegate:
      return "negate";
    case Token::kAdd:
      return "add";
    case Token::kSubtract:
      return "subtract";
    case Token::kMultiply:
      return "multiply";
    case Token::kDivide:
      return "divide";
    case Token::kMod:
      return "mod";
    case Token::kDiv:
      return "intdiv";
    case Token::kIntPower:
      return "intpower";
    case Token::kPower:
      return "power";
    case Token::kSquare:
      return "square";
    case Token::kCube:
      return "cube";
    case Token::kFourth:
      return "fourth";
    case Token::kCall1:
      return "call1";
    case Token::kCall2:
      return "call2";
  }
  return "?";
}

void RunOperations(std::span<const Operation> operations) {
  for (const Operation& op : operations) Execute(op);
}

long double FnTan(long double x) { return std::tan(x); }
long double FnSin(long double x) { return std::sin(x); }
long double FnCos(long double x) { return std::cos(x); }
long double FnSinh(long double x) { return (std::exp(x) - std::exp(-x)) * 0.5L; }
long double FnCosh(long double x) { return (std::exp(x) + std::exp(-x)) * 0.5L; }
long double FnArctan(long double x) { return std::atan(x); }
long double FnExp(long double x) { return std::exp(x); }
long double FnLn(long double x) { return x == 0 ? 0 : std::log(x); }
long double FnSqrt(long double x) { return std::sqrt(x); }
long double FnAbs(long double x) { return std::fabs(x); }
long double FnHeav(long double x) { return x >= 0 ? 1 : 0; }
long double FnSign(long double x) { return x < 0 ? -1 : (x > 0 ? 1 : 0); }
long double FnZero(long double x) { return x == 0 ? 0 : 1; }

long double FnPh(long double x) {
  constexpr long double kTwoOverPi = 0.63661977236758134308L;
  constexpr double kTwoPi = 6.283185307179586477;  // held as a double
  const double c = static_cast<double>(x / kTwoOverPi);
  const long double k = std::nearbyint(static_cast<long double>(c));  // ties to even
  return (c - k) * kTwoPi;
}

long double FnRnd(long double x) {
  const double uniform = static_cast<double>(RandomGenerator()() >> 11) * 0x1.0p-53;
  return std::trunc(x) * uniform;
}

long double FnMax(long double x, long double y) { return x >= y ? x : y; }
long double FnMin(long double x, long double y) { return x >= y ? y : x; }

void SeedRandom(std::uint64_t seed) { RandomGenerator().seed(seed); }

}  // namespace binodal
