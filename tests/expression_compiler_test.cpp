#include "expression/expression_compiler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "common/float_errors.h"
#include "expression/parser.h"
#include "expression/parser_errors.h"

namespace binodal {
namespace {

struct Assignment {
  const char* name;
  double value;
};

// Compiles text in a parser that has the given variables.
long double Evaluate(TParser& parser, const std::string& text,
                     const std::vector<Assignment>& vars) {
  for (const Assignment& v : vars) parser.AssignVariable(v.name, v.value);
  parser.SetExpression(text);
  return parser.Value();
}

std::vector<int> Tokens(const TParser& parser) {
  std::vector<int> tokens;
  for (const Operation& op : parser.Compiled().operations())
    tokens.push_back(static_cast<int>(op.token));
  return tokens;
}

std::string Chain(int terms, const std::string& op) {
  std::string text = "A";
  for (int i = 1; i < terms; ++i) text += op + "A";
  return text;
}

std::string Negations(int depth) {
  std::string text = "X";
  for (int i = 0; i < depth; ++i) text = "-(" + text + ")";
  return text;
}

// ((A+A)+(A+A))+... over 2^k terms.
std::string Balanced(int terms) {
  if (terms == 1) return "A";
  return "(" + Balanced(terms / 2) + ")+(" + Balanced(terms / 2) + ")";
}

struct ValueCase {
  std::string text;
  std::vector<Assignment> vars;
  double expected;
};

class ExpressionValue : public testing::TestWithParam<ValueCase> {};

TEST_P(ExpressionValue, EvaluatesAsTheLanguageDefines) {
  const ValueCase& c = GetParam();
  TParser parser;
  EXPECT_EQ(static_cast<double>(Evaluate(parser, c.text, c.vars)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Precedence, ExpressionValue,
    testing::Values(
        ValueCase{"x", {{"X", 2}}, 2}, ValueCase{"sin(x)", {{"X", 0.5}}, std::sin(0.5)},
        ValueCase{"2*PI", {}, 2 * std::numbers::pi}, ValueCase{"-PI", {}, -std::numbers::pi},
        ValueCase{"PI*-1", {}, -std::numbers::pi},
        // E with a sign and digits is the number 0, read before any split.
        ValueCase{"E+1", {{"E", 5}}, 0}, ValueCase{"(E+1)+5", {{"E", 5}}, 5},
        ValueCase{"X*E+1", {{"X", 2}, {"E", 3}}, 7}, ValueCase{"E5", {}, 0}, ValueCase{".", {}, 0},
        ValueCase{"1,5*2", {}, 3}, ValueCase{"2*1E-5", {}, 2e-5},
        ValueCase{"805.644E23", {}, 8.05644e25}, ValueCase{"X+5\t", {{"X", 1}}, 6},
        ValueCase{"((X))", {{"X", 4}}, 4}, ValueCase{"-X^2", {{"X", 3}}, -9},
        ValueCase{"2*-3^2", {}, -18}, ValueCase{"A*-2^2", {{"A", 1}}, -4},
        ValueCase{"-A*B", {{"A", 2}, {"B", 3}}, -6}, ValueCase{"-(-(X))", {{"X", 2}}, 2},
        ValueCase{"3*5DIV2", {}, 6}, ValueCase{"5DIV2*3", {}, 6}, ValueCase{"7MOD3*2", {}, 2},
        ValueCase{"5*7MOD3", {}, 5}, ValueCase{"A-B-C", {{"A", 10}, {"B", 3}, {"C", 2}}, 5},
        ValueCase{"A-B+C", {{"A", 5}, {"B", 3}, {"C", 2}}, 4},
        ValueCase{"A/B/C", {{"A", 100}, {"B", 5}, {"C", 2}}, 10}, ValueCase{"100DIV7DIV2", {}, 7},
        ValueCase{"A*BDIVC", {{"A", 3}, {"B", 5}, {"C", 2}}, 6},
        ValueCase{"A/B*C", {{"A", 1}, {"B", 4}, {"C", 2}}, 0.5},
        ValueCase{"MAX(MIN(A,B),C)", {{"A", 1}, {"B", 5}, {"C", 0}}, 1},
        ValueCase{"MAX(1,2,3)", {}, 2.3},
        ValueCase{"SIN(X)*2", {{"X", 1}}, 2 * static_cast<double>(std::sin(1.0L))},
        ValueCase{"SIN(X)+1", {{"X", 0}}, 1}));

INSTANTIATE_TEST_SUITE_P(
    Functions, ExpressionValue,
    testing::Values(
        ValueCase{"7MOD-3", {}, 1}, ValueCase{"-7MOD3", {}, -1}, ValueCase{"-7DIV2", {}, -3},
        ValueCase{"7.9DIV2", {}, 3}, ValueCase{"2^10", {}, 1024},
        ValueCase{"2^0.5", {}, 1.4142135623730951}, ValueCase{"2^-2", {}, 0.25},
        ValueCase{"X^Y", {{"X", 2}, {"Y", 3}}, 8}, ValueCase{"X^(-1)", {{"X", 4}}, 0.25},
        ValueCase{"0^0", {}, 1}, ValueCase{"0^2.5", {}, 0}, ValueCase{"HEAV(0)", {}, 1},
        ValueCase{"HEAV(-1)", {}, 0}, ValueCase{"ZERO(0)", {}, 0}, ValueCase{"ZERO(-0.5)", {}, 1},
        ValueCase{"SIGN(-3)", {}, -1}, ValueCase{"SIGN(0)", {}, 0}, ValueCase{"LN(0)", {}, 0},
        ValueCase{"LN(1)", {}, 0}, ValueCase{"MAX(2,2)", {}, 2}, ValueCase{"MIN(2,2)", {}, 2},
        ValueCase{"MIN(1,2)", {}, 1}, ValueCase{"MAX(1,2)", {}, 2}, ValueCase{"ABS(-2.5)", {}, 2.5},
        ValueCase{"SQRT(16)", {}, 4}, ValueCase{"PH(1)", {}, -2.6967662132698145},
        ValueCase{"ARCTAN(1)", {}, static_cast<double>(std::atan(1.0L))},
        ValueCase{"SINH(1)", {}, static_cast<double>((std::exp(1.0L) - std::exp(-1.0L)) * 0.5L)},
        ValueCase{"COSH(1)", {}, static_cast<double>((std::exp(1.0L) + std::exp(-1.0L)) * 0.5L)}));

struct TokenCase {
  std::string text;
  std::vector<int> tokens;
};

class OperationList : public testing::TestWithParam<TokenCase> {};

TEST_P(OperationList, HasTheOperationsInLevelOrder) {
  TParser parser;
  parser.SetExpression(GetParam().text);
  EXPECT_EQ(Tokens(parser), GetParam().tokens) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, OperationList,
    testing::Values(TokenCase{"X^2", {11}}, TokenCase{"X^2.0", {11}}, TokenCase{"X^3", {12}},
                    TokenCase{"X^4", {13}}, TokenCase{"X^0", {9}}, TokenCase{"X^-2", {9}},
                    TokenCase{"X^2.5", {10}}, TokenCase{"X^Y", {10}}, TokenCase{"X^(2)", {10}},
                    TokenCase{"X^(-1)", {10}}, TokenCase{"X^3000000000", {10}},
                    TokenCase{"((X))", {0}}, TokenCase{"1", {0}},
                    // deepest level first: the outermost operation comes last
                    TokenCase{"-X^2", {11, 2}}, TokenCase{"A*-2^2", {11, 2, 5}},
                    TokenCase{"A*B/C", {6, 5}}, TokenCase{"A*B*C", {5, 5}},
                    TokenCase{"(X+1)*LN(Y)", {3, 14, 5}}, TokenCase{"MAX(X,1)", {15}},
                    TokenCase{"5DIV2", {8}}, TokenCase{"5MOD2", {7}}));

TEST(OperationList, SingleVariableIsItsOwnResultCell) {
  TParser parser;
  parser.X() = 1;
  parser.SetExpression("((X))");
  ASSERT_EQ(parser.Compiled().operations().size(), 1u);
  EXPECT_EQ(parser.Compiled().operations()[0].dest, &parser.X());
  parser.X() = 7;
  EXPECT_EQ(parser.Value(), 7);
}

struct ErrorCase {
  std::string text;
  std::string message;
};

class CompileError : public testing::TestWithParam<ErrorCase> {};

TEST_P(CompileError, RaisesItsMessageAndKeepsNothing) {
  TParser parser;
  try {
    parser.SetExpression(GetParam().text);
    FAIL() << "compiled: " << GetParam().text;
  } catch (const std::exception& e) {
    EXPECT_EQ(e.what(), GetParam().message) << GetParam().text;
  }
  EXPECT_TRUE(parser.ParseFailed());
  EXPECT_TRUE(parser.Compiled().empty());
  EXPECT_EQ(parser.Value(), 0);
}

const std::string kSyntax = "Error parsing expression:\r";

INSTANTIATE_TEST_SUITE_P(
    Messages, CompileError,
    testing::Values(ErrorCase{"A B", "Expression has blanks"},
                    ErrorCase{"(X", "Missing brackets in expression"},
                    ErrorCase{"X)+(1", kSyntax + "X)\r(1"}, ErrorCase{")X(", kSyntax + ")X("},
                    ErrorCase{"a+", kSyntax + "A+"}, ErrorCase{"*A", kSyntax + "*A"},
                    ErrorCase{"   ", kSyntax}, ErrorCase{"()", kSyntax + "()"},
                    ErrorCase{"X^-Y", kSyntax + "X\r-Y"}, ErrorCase{"Q+1", kSyntax + "Q\r1"},
                    ErrorCase{"X^2^3", kSyntax + "X^2\r3"}, ErrorCase{"A*-X", kSyntax + "A\r-X"},
                    ErrorCase{"A+-X", kSyntax + "A+\rX"}, ErrorCase{"A*-(X)", kSyntax + "A\r-(X)"},
                    ErrorCase{"--X", kSyntax + "-\rX"}, ErrorCase{"MAX(A,B,C)", kSyntax + "A,B\rC"},
                    ErrorCase{"SIN(Q)", kSyntax + "SIN(Q)"},
                    ErrorCase{"1E400", "Floating point overflow"},
                    ErrorCase{Negations(21), "Expression contains too many nestings"},
                    ErrorCase{Chain(22, "+"), "Expression contains too many nestings"},
                    ErrorCase{Chain(22, "-"), "Expression contains too many nestings"},
                    ErrorCase{Chain(22, "*"), "Expression contains too many nestings"},
                    ErrorCase{Chain(22, "/"), "Expression contains too many nestings"},
                    ErrorCase{Balanced(128), "Expression is too complex"},
                    ErrorCase{std::string(5000, '(') + "X" + std::string(5000, ')'),
                              "Expression contains too many nestings"}));

TEST(CompileLimits, DeepestAcceptedShapesCompile) {
  TParser parser;
  parser.A() = 1;
  parser.X() = 3;
  for (const char* op : {"+", "-", "*", "/"}) {
    EXPECT_NO_THROW(parser.SetExpression(Chain(21, op))) << op;
  }
  parser.SetExpression(Chain(21, "-"));
  EXPECT_EQ(parser.Value(), -19);
  parser.SetExpression(Negations(20));
  EXPECT_EQ(parser.Value(), 3);
  parser.SetExpression(Balanced(64));
  EXPECT_EQ(parser.Value(), 64);
  parser.SetExpression(std::string(500, '(') + "X" + std::string(500, ')'));
  EXPECT_EQ(parser.Value(), 3);
}

// Long chains are refused for their nesting before the trial splitting, which
// would cost cubic time on them (seconds at 5,000 terms). The times are in
// bench/expression_bench.cpp; a regression shows here as a test that hangs.
TEST(CompileLimits, LongChainsAreRefusedForTheirNesting) {
  TParser parser;
  const auto chain = [](int terms, std::string_view term, std::string_view op) {
    std::string text(term);
    for (int i = 1; i < terms; ++i) text.append(op).append(term);
    return text;
  };
  for (const char* term : {"1", "X", "E", "2.5", "1E-5"}) {
    for (const char* op : {"-", "+", "*", "/", "DIV", "MOD"}) {
      const std::string text = chain(5000, term, op);
      for (const std::string& shape : {text, "SIN(" + text + ")", "1+(" + text + ")*2"}) {
        SCOPED_TRACE(shape.substr(0, 20));
        EXPECT_THROW(parser.SetExpression(shape), ETooManyNestings);
      }
    }
  }
  for (const char* op : {"-", "/", "*"}) {
    EXPECT_THROW(parser.SetExpression(chain(100000, "1", op)), ETooManyNestings) << op;
  }
  // A text that would nest too deep is refused for that, whatever else is
  // wrong with it further on.
  EXPECT_THROW(parser.SetExpression(Chain(5000, "-") + "+Q"), ETooManyNestings);
}

TEST(CompileLimits, ErrorMessagesShowLongTextsCut) {
  TParser parser;
  const std::string unknown(300000, 'Q');
  for (const std::string& text : {unknown, "X+" + unknown}) {
    try {
      parser.SetExpression(text);
      FAIL() << "compiled";
    } catch (const ESyntaxError& e) {
      const std::string message = e.what();
      EXPECT_LT(message.size(), 600u);
      EXPECT_NE(message.find(std::string(200, 'Q') + "... (300000 characters)"), message.npos)
          << message.substr(0, 300);
    }
  }
}

// The bound must never pass the real nesting of a text that compiles. The
// real nesting is found without the bound: a text that compiles inside d
// calls of SIN but not inside d + 1 nests 20 - d levels deep.
TEST(CompileLimits, NestingBoundIsNeverAboveTheNestingOfARandomText) {
  std::vector<double> cells(8, 0.5);
  VariableTable variables;
  const char* const names[] = {"A", "B", "C", "D", "E", "X", "Y", "T"};
  for (std::size_t i = 0; i < 8; ++i) variables.Add(names[i], &cells[i]);
  FunctionTable1 functions1;
  functions1.Add("SIN", FnSin);
  functions1.Add("LN", FnLn);
  FunctionTable2 functions2;
  functions2.Add("MAX", FnMax);

  std::mt19937 random(17);
  const auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  std::function<std::string(int)> expression = [&](int depth) {
    static const char* const kTerms[] = {"X",    "A",   "E",  "1", "2.5", "1E-5",
                                         "1E+5", "X^2", "-1", "D", "1,5", ".5"};
    static const char* const kOps[] = {"+", "-", "*", "/", "DIV", "MOD", "-", "-", "+", "*", "/"};
    std::string text;
    const unsigned terms = 1 + below(depth == 0 ? 24 : 8);
    const char* const chain = kOps[below(std::size(kOps))];  // makes up most of the operators
    for (unsigned i = 0; i < terms; ++i) {
      if (i > 0) text += below(4) == 0 ? kOps[below(std::size(kOps))] : chain;
      const unsigned kind = depth < 3 ? below(16) : 0;
      if (kind == 13) {
        text += "(" + expression(depth + 1) + ")";
      } else if (kind == 14) {
        text += "SIN(" + expression(depth + 1) + ")";
      } else if (kind == 15) {
        text += "MAX(" + expression(depth + 1) + "," + expression(depth + 1) + ")";
      } else {
        text += kTerms[below(std::size(kTerms))];
      }
    }
    return text;
  };
  const auto compiles = [&](const std::string& text) {
    try {
      (void)CompileExpression(text, variables, functions1, functions2);
      return true;
    } catch (const ETooManyNestings&) {
      return false;
    }
  };
  int compiled = 0, deep = 0;
  for (int n = 0; n < 1000; ++n) {
    const std::string text = expression(0);
    try {
      if (!compiles(text)) continue;
    } catch (const std::exception&) {
      continue;  // not a text of the language
    }
    const auto wrapped = [&](int d) {
      std::string calls;
      for (int i = 0; i < d; ++i) calls += "SIN(";
      return calls + text + std::string(d, ')');
    };
    int lo = 0, hi = 20;  // it compiles in lo calls; the answer is at most hi
    try {
      while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (compiles(wrapped(mid))) {
          lo = mid;
        } else {
          hi = mid - 1;
        }
      }
    } catch (const std::exception&) {
      continue;  // refused for another reason (too complex)
    }
    const int nesting = 20 - lo;
    const int bound = NestingLowerBound(text, variables, functions1, functions2);
    ++compiled;
    if (bound >= 8) ++deep;
    EXPECT_LE(bound, nesting) << text;
  }
  EXPECT_GT(compiled, 300);
  EXPECT_GT(deep, 50);  // the bound is put to the test, not only at 0 or 1
}

struct FaultCase {
  std::string text;
  std::vector<Assignment> vars;
  std::string message;
};

class EvaluationFault : public testing::TestWithParam<FaultCase> {};

TEST_P(EvaluationFault, RaisesThePlatformMessage) {
  const FaultCase& c = GetParam();
  TParser parser;
  try {
    Evaluate(parser, c.text, c.vars);
    FAIL() << "no fault: " << c.text;
  } catch (const EArithmeticError& e) {
    EXPECT_EQ(e.what(), c.message) << c.text;
  }
}

const std::string kInvalid = "Invalid floating point operation";
const std::string kZeroDivide = "Floating point division by zero";
const std::string kOverflow = "Floating point overflow";

INSTANTIATE_TEST_SUITE_P(
    Faults, EvaluationFault,
    testing::Values(
        FaultCase{"LN(X)", {{"X", -1}}, kInvalid}, FaultCase{"SQRT(X)", {{"X", -1}}, kInvalid},
        FaultCase{"(-8)^(1/3)", {}, kInvalid}, FaultCase{"0/X", {{"X", 0}}, kInvalid},
        FaultCase{"X/0", {{"X", 1}}, kZeroDivide}, FaultCase{"X^-2", {{"X", 0}}, kZeroDivide},
        FaultCase{"X^(-2.5)", {{"X", 0}}, kZeroDivide}, FaultCase{"EXP(710)", {}, kOverflow},
        FaultCase{"SINH(1000)", {}, kOverflow}, FaultCase{"COSH(-1000)", {}, kOverflow},
        FaultCase{"10^400", {}, kOverflow}, FaultCase{"X*X", {{"X", 1e200}}, kOverflow},
        FaultCase{"7DIV0", {}, "Division by zero"},
        FaultCase{"7MODX", {{"X", 0.5}}, "Division by zero"},
        FaultCase{"XDIV2", {{"X", 9.3e18}}, kInvalid}));

TEST(EvaluationFault, UnderflowIsNotAFault) {
  TParser parser;
  EXPECT_EQ(Evaluate(parser, "EXP(-1000)", {}), 0);
  EXPECT_EQ(Evaluate(parser, "X*X", {{"X", 1e-200}}), 0);
}

TEST(EvaluationFault, CellsWrittenBeforeTheFaultKeepTheirValues) {
  TParser parser;
  parser.AssignVariable("X", 2);
  parser.AssignVariable("Y", -1);
  parser.SetExpression("(X+1)*LN(Y)");
  EXPECT_THROW((void)parser.Value(), EInvalidOp);
  const auto ops = parser.Compiled().operations();
  EXPECT_EQ(*ops[0].dest, 3);  // X+1 ran
  EXPECT_EQ(*ops[1].dest, 0);  // LN faulted and wrote nothing
}

}  // namespace
}  // namespace binodal
