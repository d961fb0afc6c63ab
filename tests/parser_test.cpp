#include "expression/parser.h"

#include <gtest/gtest.h>

#include "common/float_errors.h"
#include "expression/parser_errors.h"

namespace binodal {
namespace {

TEST(Parser, NewParserHasNoExpressionAndValueZero) {
  TParser parser;
  EXPECT_EQ(parser.Value(), 0);
  EXPECT_FALSE(parser.ParseFailed());
  EXPECT_EQ(parser.Expression(), "");
}

TEST(Parser, VariablesAreReadThroughTheirCellsWithoutRecompiling) {
  TParser parser;
  parser.AssignVariable("t", 300);
  parser.SetExpression("T*2");
  EXPECT_EQ(parser.Value(), 600);
  parser.AssignVariable("T", 400);
  EXPECT_EQ(parser.Value(), 800);
  parser.T() = 5;
  EXPECT_EQ(parser.Value(), 10);

  double& sid = parser.AssignVariable("Sid", 1);
  parser.SetExpression("SID+sid");
  sid = 2.5;
  EXPECT_EQ(parser.Value(), 5);
}

TEST(Parser, AssignVariableRoundsToDouble) {
  TParser parser;
  EXPECT_EQ(parser.AssignVariable("Z", 0.1L), 0.1);
  EXPECT_THROW(parser.AssignVariable("Z", 1e400L), EOverflow);
  EXPECT_EQ(parser.AssignVariable("Z", 0), 0);
}

TEST(Parser, InvalidNamesAreRefusedWithTheUpperCasedName) {
  for (const char* name : {"2x", "", "A-B", "a b", "é"}) {
    TParser parser;
    try {
      parser.AssignVariable(name, 1);
      FAIL() << name;
    } catch (const EBadName& e) {
      std::string upper = name;
      for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
      EXPECT_EQ(e.what(), upper);
    }
  }
  TParser parser;
  EXPECT_NO_THROW(parser.AssignVariable("_g2", 1));
}

TEST(Parser, NameMustExistWhenTheExpressionIsCompiled) {
  TParser parser;
  EXPECT_THROW(parser.SetExpression("Q+1"), ESyntaxError);
  parser.AssignVariable("q", 2);
  parser.SetExpression("Q+1");
  EXPECT_EQ(parser.Value(), 3);
}

TEST(Parser, FailedCompilationKeepsTheTextAndEmptiesTheList) {
  TParser parser;
  parser.SetExpression("X+1");
  EXPECT_THROW(parser.SetExpression("X+"), ESyntaxError);
  EXPECT_EQ(parser.Expression(), "X+");
  EXPECT_TRUE(parser.ParseFailed());
  EXPECT_EQ(parser.Value(), 0);

  parser.SetExpression("");  // an empty text compiles nothing and keeps the flag
  EXPECT_TRUE(parser.ParseFailed());
  parser.SetExpression("2");
  EXPECT_FALSE(parser.ParseFailed());
  EXPECT_EQ(parser.Value(), 2);
}

TEST(Parser, ErrorHandlerReplacesTheException) {
  TParser parser;
  std::string seen;
  parser.OnParserError = [&](TCustomParser& sender, const std::exception& e) {
    EXPECT_EQ(&sender, &parser);
    seen = e.what();
  };
  EXPECT_NO_THROW(parser.SetExpression("(X"));
  EXPECT_EQ(seen, "Missing brackets in expression");
  EXPECT_TRUE(parser.ParseFailed());
}

TEST(Parser, BareParserBindsSingleLettersToItsOwnCells) {
  TCustomParser parser;
  parser.AssignVariable("x", 3);
  parser.SetExpression("X*2");
  EXPECT_EQ(parser.Value(), 6);
  EXPECT_THROW(parser.SetExpression("SIN(X)"), ESyntaxError);  // no functions registered
}

TEST(Parser, RndScalesTheIntegerPartOfItsArgument) {
  TParser parser;
  SeedRandom(42);
  parser.SetExpression("RND(10.9)");
  const long double first = parser.Value();
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 10);
  EXPECT_NE(parser.Value(), first);  // drawn anew at every evaluation
  SeedRandom(42);
  EXPECT_EQ(parser.Value(), first);
  parser.SetExpression("RND(0.9)");
  EXPECT_EQ(parser.Value(), 0);
}

}  // namespace
}  // namespace binodal
