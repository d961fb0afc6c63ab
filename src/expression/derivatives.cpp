#include "expression/derivatives.h"

#include <cmath>
#include <limits>
#include <unordered_map>

namespace binodal {
namespace {

using Extended = long double;

constexpr Extended kNaN = std::numeric_limits<Extended>::quiet_NaN();

// The first and second derivative of a cell.
struct Slope {
  Extended first = 0;
  Extended second = 0;
  [[nodiscard]] bool zero() const { return first == 0 && second == 0; }
};

constexpr Slope kUndefined{kNaN, kNaN};

// x*y where a zero factor wins: a term whose seed is zero vanishes even when
// the other factor is infinite or NaN.
Extended Term(Extended x, Extended y) { return x == 0 || y == 0 ? 0 : x * y; }

// The slopes of f(u) from f'(u0), f''(u0) and the slopes of u.
Slope Chain(const Slope& u, Extended f1, Extended f2) {
  if (u.zero()) return {};
  return {Term(f1, u.first), Term(f2, u.first * u.first) + Term(f1, u.second)};
}

// The slopes of u^p for a constant exponent p.
Slope PowerRule(Extended u0, const Slope& u, Extended p) {
  if (u.zero()) return {};
  const Extended f1 = p == 0 ? 0 : p * std::pow(u0, p - 1);
  const Extended c2 = p * (p - 1);
  const Extended f2 = c2 == 0 ? 0 : c2 * std::pow(u0, p - 2);
  return Chain(u, f1, f2);
}

// The slopes of a^b = exp(b ln a) with r0 its value, for a varying exponent.
Slope VaryingPower(Extended a0, const Slope& a, Extended b0, const Slope& b, Extended r0) {
  if (!(a0 > 0)) return kUndefined;
  const Extended ln_a = std::log(a0);
  const Extended ra = a.first / a0;
  const Extended g1 = b.first * ln_a + b0 * ra;
  const Extended g2 = b.second * ln_a + 2 * b.first * ra + b0 * (a.second / a0 - ra * ra);
  return {r0 * g1, r0 * (g2 + g1 * g1)};
}

Slope Call1(Function1 f, Extended x, const Slope& u) {
  if (u.zero()) return {};
  if (f == FnSin) return Chain(u, std::cos(x), -std::sin(x));
  if (f == FnCos) return Chain(u, -std::sin(x), -std::cos(x));
  if (f == FnTan) {
    const Extended t = std::tan(x);
    const Extended sec2 = 1 + t * t;
    return Chain(u, sec2, 2 * t * sec2);
  }
  if (f == FnSinh) return Chain(u, FnCosh(x), FnSinh(x));
  if (f == FnCosh) return Chain(u, FnSinh(x), FnCosh(x));
  if (f == FnArctan) {
    const Extended q = 1 / (1 + x * x);
    return Chain(u, q, -2 * x * q * q);
  }
  if (f == FnExp) {
    const Extended e = std::exp(x);
    return Chain(u, e, e);
  }
  if (f == FnLn) {
    if (x == 0) return kUndefined;  // LN(0) reads 0 but has no derivative
    return Chain(u, 1 / x, -1 / (x * x));
  }
  if (f == FnSqrt) {
    const Extended s = std::sqrt(x);
    return Chain(u, 0.5L / s, -0.25L / (s * s * s));
  }
  if (f == FnAbs) return Chain(u, x < 0 ? -1 : 1, 0);
  if (f == FnPh) {
    constexpr Extended kTwoOverPi = 0.63661977236758134308L;
    constexpr double kTwoPi = 6.283185307179586477;
    return Chain(u, kTwoPi / kTwoOverPi, 0);
  }
  if (f == FnHeav || f == FnSign || f == FnZero || f == FnRnd) return {};
  return kUndefined;
}

Slope Call2(Function2 f, Extended x, const Slope& sx, Extended y, const Slope& sy) {
  if (sx.zero() && sy.zero()) return {};
  if (f == FnMax) return x >= y ? sx : sy;
  if (f == FnMin) return x >= y ? sy : sx;
  return kUndefined;
}

}  // namespace

ValueAndDerivatives EvaluateDerivatives(std::span<const Operation> operations,
                                        std::span<const DerivativeSeed> seeds) {
  std::unordered_map<const double*, Slope> slopes;
  slopes.reserve(operations.size() + seeds.size());
  for (const DerivativeSeed& seed : seeds) {
    if (seed.cell == nullptr) continue;
    *seed.cell = seed.value;
    slopes[seed.cell] = Slope{seed.first, seed.second};
  }
  if (operations.empty()) return {};

  const auto slope_of = [&](const double* cell) -> Slope {
    if (cell == nullptr) return {};
    const auto it = slopes.find(cell);
    return it == slopes.end() ? Slope{} : it->second;
  };

  for (std::size_t i = 0; i < operations.size(); ++i) {
    const Operation& op = operations[i];
    // Arguments are read before the operation runs: its result cell may be one of them.
    const Extended a0 = op.a != nullptr ? *op.a : 0;
    const Extended b0 = op.b != nullptr ? *op.b : 0;
    const Slope a = slope_of(op.a);
    const Slope b = slope_of(op.b);
    RunOperations(operations.subspan(i, 1));
    if (op.dest == nullptr) continue;
    const Extended r0 = *op.dest;

    Slope r;
    switch (op.token) {
      case Token::kVariable:
      case Token::kNumber:
        r = a;
        break;
      case Token::kNegate:
        r = {-a.first, -a.second};
        break;
      case Token::kAdd:
        r = {a.first + b.first, a.second + b.second};
        break;
      case Token::kSubtract:
        r = {a.first - b.first, a.second - b.second};
        break;
      case Token::kMultiply:
        r = {Term(a.first, b0) + Term(a0, b.first),
             Term(a.second, b0) + 2 * Term(a.first, b.first) + Term(a0, b.second)};
        break;
      case Token::kDivide: {
        if (a.zero() && b.zero()) break;
        const Extended q0 = a0 / b0;
        const Extended q1 = (a.first - Term(q0, b.first)) / b0;
        r = {q1, (a.second - 2 * Term(q1, b.first) - Term(q0, b.second)) / b0};
        break;
      }
      case Token::kMod:
      case Token::kDiv:
        break;  // of integer-truncated operands: piecewise constant
      case Token::kIntPower:
        r = PowerRule(a0, a, std::trunc(b0));
        break;
      case Token::kPower:
        r = b.zero() ? PowerRule(a0, a, b0) : VaryingPower(a0, a, b0, b, r0);
        break;
      case Token::kSquare:
        r = Chain(a, 2 * a0, 2);
        break;
      case Token::kCube:
        r = Chain(a, 3 * a0 * a0, 6 * a0);
        break;
      case Token::kFourth:
        r = Chain(a, 4 * a0 * a0 * a0, 12 * a0 * a0);
        break;
      case Token::kCall1:
        r = Call1(op.function1, a0, a);
        break;
      case Token::kCall2:
        r = Call2(op.function2, a0, a, b0, b);
        break;
    }
    if (r.zero()) {
      slopes.erase(op.dest);
    } else {
      slopes[op.dest] = r;
    }
  }
  const double* result = operations.back().dest;
  const Slope s = slope_of(result);
  return {result != nullptr ? *result : 0, s.first, s.second};
}

}  // namespace binodal
