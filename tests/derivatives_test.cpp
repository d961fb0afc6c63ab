#include "expression/derivatives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "common/float_errors.h"
#include "expression/parser.h"

namespace binodal {
namespace {

using Fn = std::function<long double(long double)>;

constexpr long double kPi = std::numbers::pi_v<long double>;

// An expression in X with its closed-form value and derivatives.
struct Case {
  const char* text;
  Fn f, f1, f2;
};

void ExpectClose(long double got, long double want, const std::string& what) {
  const long double tolerance = 1e-12L * std::max(1.0L, std::fabs(want));
  EXPECT_LE(std::fabs(got - want), tolerance)
      << what << ": got " << static_cast<double>(got) << ", want " << static_cast<double>(want);
}

// Checks a case at the points, and that the value part is Value() bit for bit.
void CheckCase(TParser& parser, const Case& c, const std::vector<double>& points) {
  parser.SetExpression(c.text);
  ASSERT_FALSE(parser.ParseFailed()) << c.text;
  for (const double x : points) {
    const std::string where = std::string(c.text) + " at X=" + std::to_string(x);
    SeedRandom(11);
    const ValueAndDerivatives d = parser.Derivatives({{&parser.X(), x, 1, 0}});
    SeedRandom(11);
    parser.X() = x;
    EXPECT_EQ(d.value, parser.Value()) << where;
    ExpectClose(d.value, c.f(x), where + " value");
    ExpectClose(d.first, c.f1(x), where + " first");
    ExpectClose(d.second, c.f2(x), where + " second");
  }
}

Fn K(long double k) {
  return [k](long double) { return k; };
}

TEST(Derivatives, ArithmeticAndPowersMatchClosedForms) {
  const std::vector<Case> cases = {
      {"-X", [](auto x) { return -x; }, K(-1), K(0)},
      {"X*X*X-2*X+1", [](auto x) { return x * x * x - 2 * x + 1; },
       [](auto x) { return 3 * x * x - 2; }, [](auto x) { return 6 * x; }},
      {"1/X", [](auto x) { return 1 / x; }, [](auto x) { return -1 / (x * x); },
       [](auto x) { return 2 / (x * x * x); }},
      {"X/(1+X^2)", [](auto x) { return x / (1 + x * x); },
       [](auto x) { return (1 - x * x) / ((1 + x * x) * (1 + x * x)); },
       [](auto x) { return 2 * x * (x * x - 3) / std::pow(1 + x * x, 3); }},
      {"(2*X+1)^2", [](auto x) { return (2 * x + 1) * (2 * x + 1); },
       [](auto x) { return 4 * (2 * x + 1); }, K(8)},
      {"X^3", [](auto x) { return x * x * x; }, [](auto x) { return 3 * x * x; },
       [](auto x) { return 6 * x; }},
      {"X^4", [](auto x) { return std::pow(x, 4); }, [](auto x) { return 4 * x * x * x; },
       [](auto x) { return 12 * x * x; }},
      {"X^7", [](auto x) { return std::pow(x, 7); }, [](auto x) { return 7 * std::pow(x, 6); },
       [](auto x) { return 42 * std::pow(x, 5); }},
      {"X^-3", [](auto x) { return std::pow(x, -3); }, [](auto x) { return -3 * std::pow(x, -4); },
       [](auto x) { return 12 * std::pow(x, -5); }},
      {"X^1", [](auto x) { return x; }, K(1), K(0)},
      {"X^0", K(1), K(0), K(0)},
      {"X^2.5", [](auto x) { return std::pow(x, 2.5L); },
       [](auto x) { return 2.5L * std::pow(x, 1.5L); },
       [](auto x) { return 3.75L * std::sqrt(x); }},
      {"X^0.5", [](auto x) { return std::sqrt(x); }, [](auto x) { return 0.5L / std::sqrt(x); },
       [](auto x) { return -0.25L / (x * std::sqrt(x)); }},
      {"X^(C+1)", [](auto x) { return x * x; }, [](auto x) { return 2 * x; }, K(2)},  // C = 1
      {"2^X", [](auto x) { return std::pow(2.0L, x); },
       [](auto x) { return std::log(2.0L) * std::pow(2.0L, x); },
       [](auto x) { return std::log(2.0L) * std::log(2.0L) * std::pow(2.0L, x); }},
      {"X^X", [](auto x) { return std::pow(x, x); },
       [](auto x) { return std::pow(x, x) * (std::log(x) + 1); },
       [](auto x) { return std::pow(x, x) * ((std::log(x) + 1) * (std::log(x) + 1) + 1 / x); }},
      {"(10*X)DIV3", [](auto x) { return std::trunc(std::trunc(static_cast<double>(10 * x)) / 3); },
       K(0), K(0)},
      {"X+(10*X)MOD3",
       [](auto x) {
         return x + static_cast<long double>(static_cast<int>(static_cast<double>(10 * x)) % 3);
       },
       K(1), K(0)},
      // A variable that is not seeded has zero derivatives.
      {"A*X^2+LN(B)", [](auto x) { return 3 * x * x + std::log(2.0L); },
       [](auto x) { return 6 * x; }, K(6)},
  };
  TParser parser;
  parser.A() = 3;
  parser.B() = 2;
  parser.C() = 1;
  for (const Case& c : cases) CheckCase(parser, c, {0.1, 0.3, 0.55, 0.9, 1.7});
}

TEST(Derivatives, EveryFunctionMatchesItsClosedForm) {
  const auto ph = [](long double x) {
    const long double c = x * kPi / 2;
    return (c - std::nearbyint(c)) * 2 * kPi;
  };
  const std::vector<Case> cases = {
      {"SIN(2*X)", [](auto x) { return std::sin(2 * x); },
       [](auto x) { return 2 * std::cos(2 * x); }, [](auto x) { return -4 * std::sin(2 * x); }},
      {"COS(X)", [](auto x) { return std::cos(x); }, [](auto x) { return -std::sin(x); },
       [](auto x) { return -std::cos(x); }},
      {"TAN(X)", [](auto x) { return std::tan(x); },
       [](auto x) { return 1 / (std::cos(x) * std::cos(x)); },
       [](auto x) { return 2 * std::sin(x) / std::pow(std::cos(x), 3); }},
      {"ARCTAN(X)", [](auto x) { return std::atan(x); }, [](auto x) { return 1 / (1 + x * x); },
       [](auto x) { return -2 * x / ((1 + x * x) * (1 + x * x)); }},
      {"SINH(X)", [](auto x) { return std::sinh(x); }, [](auto x) { return std::cosh(x); },
       [](auto x) { return std::sinh(x); }},
      {"COSH(X)", [](auto x) { return std::cosh(x); }, [](auto x) { return std::sinh(x); },
       [](auto x) { return std::cosh(x); }},
      {"EXP(X*X)", [](auto x) { return std::exp(x * x); },
       [](auto x) { return 2 * x * std::exp(x * x); },
       [](auto x) { return (2 + 4 * x * x) * std::exp(x * x); }},
      {"LN(X)", [](auto x) { return std::log(x); }, [](auto x) { return 1 / x; },
       [](auto x) { return -1 / (x * x); }},
      {"SQRT(X)", [](auto x) { return std::sqrt(x); }, [](auto x) { return 0.5L / std::sqrt(x); },
       [](auto x) { return -0.25L / (x * std::sqrt(x)); }},
      {"ABS(X-0.5)", [](auto x) { return std::fabs(x - 0.5L); },
       [](auto x) { return x < 0.5L ? -1.0L : 1.0L; }, K(0)},
      {"HEAV(X-0.5)", [](auto x) { return x >= 0.5L ? 1.0L : 0.0L; }, K(0), K(0)},
      {"SIGN(X-0.5)", [](auto x) { return x < 0.5L ? -1.0L : 1.0L; }, K(0), K(0)},
      {"ZERO(X-0.5)*X", [](auto x) { return x; }, K(1), K(0)},
      {"PH(X)", ph, K(kPi * kPi), K(0)},
      {"RND(X)", K(0), K(0), K(0)},  // RND of a number below 1 is 0
      {"MAX(X,1-X)", [](auto x) { return std::max(x, 1 - x); },
       [](auto x) { return x >= 0.5L ? 1.0L : -1.0L; }, K(0)},
      {"MIN(X*X,X)", [](auto x) { return x * x; }, [](auto x) { return 2 * x; }, K(2)},
  };
  TParser parser;
  for (const Case& c : cases) CheckCase(parser, c, {0.1, 0.3, 0.55, 0.9});
}

TEST(Derivatives, KinksTakeTheBranchTheValueTakes) {
  TParser parser;
  const auto at = [&](const char* text, double x) {
    parser.SetExpression(text);
    return parser.Derivatives({{&parser.X(), x, 1, 0}});
  };
  EXPECT_EQ(at("ABS(X)", 0).first, 1);    // from the right
  EXPECT_EQ(at("MAX(X,0)", 0).first, 1);  // MAX(x,y) is x on a tie
  EXPECT_EQ(at("MAX(0,X)", 0).first, 0);
  EXPECT_EQ(at("MIN(X,0)", 0).first, 0);  // MIN(x,y) is y on a tie
  EXPECT_EQ(at("MIN(0,X)", 0).first, 1);
  EXPECT_EQ(at("HEAV(X)", 0).first, 0);
  EXPECT_EQ(at("SIGN(X)", 0).first, 0);
}

TEST(Derivatives, RedlichKisterGibbsEnergy) {
  TParser parser;
  const double a0 = -12000, a1 = 3500, a2 = -800, r = 8.31451, t = 1100;
  parser.AssignVariable("A0", a0);
  parser.AssignVariable("A1", a1);
  parser.AssignVariable("A2", a2);
  parser.AssignVariable("R", r);
  parser.T() = t;
  const Case c{"X*(1-X)*(A0+A1*(1-2*X)+A2*(1-2*X)^2)+R*T*(X*LN(X)+(1-X)*LN(1-X))",
               [&](long double x) {
                 const long double y = 1 - 2 * x;
                 return x * (1 - x) * (a0 + a1 * y + a2 * y * y) +
                        r * t * (x * std::log(x) + (1 - x) * std::log(1 - x));
               },
               [&](long double x) {
                 const long double y = 1 - 2 * x, h = x * (1 - x);
                 const long double p = a0 + a1 * y + a2 * y * y, p1 = -2 * (a1 + 2 * a2 * y);
                 return y * p + h * p1 + r * t * std::log(x / (1 - x));
               },
               [&](long double x) {
                 const long double y = 1 - 2 * x, h = x * (1 - x);
                 const long double p = a0 + a1 * y + a2 * y * y, p1 = -2 * (a1 + 2 * a2 * y);
                 return -2 * p + 2 * y * p1 + h * 8 * a2 + r * t / (x * (1 - x));
               }};
  CheckCase(parser, c, {1e-6, 0.02, 0.3, 0.5, 0.77, 0.999});
}

TEST(Derivatives, SeededCellFollowsTheChainRule) {
  TParser parser;
  const long double r = 8.31451;
  double& sid = parser.AssignVariable("SID", 0);
  parser.T() = 900;
  parser.SetExpression("X*SID^2-T*SID");
  for (const long double x : {0.05L, 0.25L, 0.5L, 0.8L}) {
    const long double s = -r * (x * std::log(x) + (1 - x) * std::log(1 - x));
    const long double s1 = -r * std::log(x / (1 - x));
    const long double s2 = -r / (x * (1 - x));
    const DerivativeSeed seeds[] = {{&parser.X(), static_cast<double>(x), 1, 0},
                                    {&sid, static_cast<double>(s), s1, s2}};
    const ValueAndDerivatives d = parser.Derivatives(seeds);
    EXPECT_EQ(d.value, parser.Value());
    const std::string where = "X=" + std::to_string(static_cast<double>(x));
    ExpectClose(d.value, x * s * s - 900 * s, where);
    ExpectClose(d.first, s * s + 2 * x * s * s1 - 900 * s1, where);
    ExpectClose(d.second, 4 * s * s1 + 2 * x * (s1 * s1 + s * s2) - 900 * s2, where);
  }
}

TEST(Derivatives, FaultsRaiseAsValueDoes) {
  TParser parser;
  const auto run = [&](const char* text, double x) {
    parser.SetExpression(text);
    return parser.Derivatives({{&parser.X(), x, 1, 0}});
  };
  EXPECT_THROW((void)run("1/X", 0), EZeroDivide);
  EXPECT_THROW((void)run("X/X", 0), EInvalidOp);
  EXPECT_THROW((void)run("LN(X-1)", 0.5), EInvalidOp);
  EXPECT_THROW((void)run("EXP(X)", 1e4), EOverflow);
  EXPECT_THROW((void)run("X^-1", 0), EZeroDivide);
  EXPECT_THROW((void)run("X^0.5", -1), EInvalidOp);
  EXPECT_THROW((void)run("XDIV0", 3), EDivByZero);
}

TEST(Derivatives, MissingDerivativesAreNotFinite) {
  TParser parser;
  const auto run = [&](const char* text, double x) {
    parser.SetExpression(text);
    return parser.Derivatives({{&parser.X(), x, 1, 0}});
  };
  ValueAndDerivatives d = run("LN(X)", 0);  // LN(0) reads 0 but has no derivative
  EXPECT_EQ(d.value, 0);
  EXPECT_TRUE(std::isnan(d.first));
  EXPECT_TRUE(std::isnan(d.second));
  d = run("SQRT(X)", 0);
  EXPECT_EQ(d.value, 0);
  EXPECT_FALSE(std::isfinite(d.first));
  d = run("(X-2)^(2*X)", 1);  // varying exponent over a negative base
  EXPECT_EQ(d.value, 1);
  EXPECT_TRUE(std::isnan(d.first));
  // A constant stays constant even where the rule would have no value.
  parser.A() = 0;
  d = run("LN(A)+X", 0.5);
  EXPECT_EQ(d.first, 1);
  EXPECT_EQ(d.second, 0);
}

TEST(Derivatives, EmptyExpressionIsZero) {
  TParser parser;
  const ValueAndDerivatives d = parser.Derivatives({{&parser.X(), 0.5, 1, 0}});
  EXPECT_EQ(d.value, 0);
  EXPECT_EQ(d.first, 0);
  EXPECT_EQ(d.second, 0);
  EXPECT_EQ(parser.X(), 0.5);
}

// A random smooth expression in X: its text and an independent evaluation
// in long double.
struct Generated {
  std::string text;
  Fn f;
};

Generated Generate(std::mt19937& random, int depth) {
  const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  if (depth == 0 || pick(4) == 0) {
    if (pick(2) == 0) return {"X", [](long double x) { return x; }};
    static const char* const kTexts[] = {"0.5", "1.25", "2", "3"};
    static const long double kValues[] = {0.5L, 1.25L, 2, 3};
    const int k = pick(4);
    const long double v = kValues[k];
    return {kTexts[k], [v](long double) { return v; }};
  }
  const Generated a = Generate(random, depth - 1);
  const Fn fa = a.f;
  switch (pick(11)) {
    case 0:
    case 1: {
      const Generated b = Generate(random, depth - 1);
      const Fn fb = b.f;
      return {"(" + a.text + "+" + b.text + ")", [=](long double x) { return fa(x) + fb(x); }};
    }
    case 2: {
      const Generated b = Generate(random, depth - 1);
      const Fn fb = b.f;
      return {"(" + a.text + "-" + b.text + ")", [=](long double x) { return fa(x) - fb(x); }};
    }
    case 3: {
      const Generated b = Generate(random, depth - 1);
      const Fn fb = b.f;
      return {"(" + a.text + "*" + b.text + ")", [=](long double x) { return fa(x) * fb(x); }};
    }
    case 4: {
      const Generated b = Generate(random, depth - 1);
      const Fn fb = b.f;
      return {"(" + a.text + "/(1+(" + b.text + ")^2))",
              [=](long double x) { return fa(x) / (1 + fb(x) * fb(x)); }};
    }
    case 5:
      return {"(" + a.text + ")^3", [=](long double x) { return std::pow(fa(x), 3); }};
    case 6:
      return {"(1+(" + a.text + ")^2)^0.7",
              [=](long double x) { return std::pow(1 + fa(x) * fa(x), 0.7L); }};
    case 7:
      return {"SIN(" + a.text + ")", [=](long double x) { return std::sin(fa(x)); }};
    case 8:
      return {"EXP(COS(" + a.text + "))", [=](long double x) { return std::exp(std::cos(fa(x))); }};
    case 9:
      return {"LN(1+(" + a.text + ")^2)",
              [=](long double x) { return std::log(1 + fa(x) * fa(x)); }};
    default:
      return {"ARCTAN(" + a.text + ")", [=](long double x) { return std::atan(fa(x)); }};
  }
}

// Fourth-order central differences in long double with step h = 1e-3: their
// truncation error is about h^4 times the sixth derivative and their rounding
// about 1e-19/h^2, while the derivatives under test see every intermediate
// value rounded to double; agreement within 1e-7 relative (to the larger of
// 1 and the derivative) is expected.
TEST(Derivatives, AgreeWithCentralDifferencesOnRandomExpressions) {
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> point(-1.5, 1.5);
  TParser parser;
  for (int n = 0; n < 300; ++n) {
    const Generated g = Generate(random, 4);
    parser.SetExpression(g.text);
    ASSERT_FALSE(parser.ParseFailed()) << g.text;
    for (int k = 0; k < 3; ++k) {
      const double x = point(random);
      const long double h = 1e-3L;
      const long double fm2 = g.f(x - 2 * h), fm1 = g.f(x - h), f0 = g.f(x), fp1 = g.f(x + h),
                        fp2 = g.f(x + 2 * h);
      const long double d1 = (fm2 - 8 * fm1 + 8 * fp1 - fp2) / (12 * h);
      const long double d2 = (-fm2 + 16 * fm1 - 30 * f0 + 16 * fp1 - fp2) / (12 * h * h);
      const ValueAndDerivatives d = parser.Derivatives({{&parser.X(), x, 1, 0}});
      const std::string where = g.text + " at X=" + std::to_string(x);
      EXPECT_NEAR(static_cast<double>(d.value), static_cast<double>(f0),
                  static_cast<double>(1e-12 * std::max(1.0L, std::fabs(f0))))
          << where;
      EXPECT_NEAR(static_cast<double>(d.first), static_cast<double>(d1),
                  static_cast<double>(1e-7 * std::max(1.0L, std::fabs(d1))))
          << where;
      EXPECT_NEAR(static_cast<double>(d.second), static_cast<double>(d2),
                  static_cast<double>(1e-7 * std::max(1.0L, std::fabs(d2))))
          << where;
    }
  }
}

}  // namespace
}  // namespace binodal
